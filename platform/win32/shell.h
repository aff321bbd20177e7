#pragma once

#include "platform/shell.h"

namespace platform::win32 {

// Special folders from shell32 (SHGetFolderPathA): every Windows has it and
// Wine implements it fully, unlike the script host's own object.
class Shell : public platform::Shell {
 public:
  std::unique_ptr<platform::ShellObject> CreateShellObject() override;
};

}  // namespace platform::win32

#pragma once

#include "platform/shell.h"

namespace platform::win32 {

// Special folders from shell32 (SHGetFolderPathA): every Windows has it and
// Wine implements it fully, unlike the script host's own object.
// Shortcuts through IShellLinkA and IPersistFile.
class Shell : public platform::Shell {
 public:
  Shell();
  ~Shell() override;
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;
  std::unique_ptr<platform::ShellObject> CreateShellObject() override;

 private:
  bool comStarted_ = false;
};

// What a shortcut file points at: target and icon file; false when it cannot
// be read.
bool ReadShortcut(const std::string& path, std::string* target, std::string* icon);

}  // namespace platform::win32

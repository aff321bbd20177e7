#pragma once

#include "platform/processes.h"

namespace platform::win32 {

class Processes : public platform::Processes {
 public:
  bool StartCommandLine(const std::string& commandLine) override;
  bool StartProgram(const std::string& path) override;
  bool StartHiddenBatch(const std::string& path) override;
  std::optional<std::string> BatchText(const std::string& text) const override;
};

}  // namespace platform::win32

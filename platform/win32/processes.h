#pragma once

#include "platform/processes.h"

namespace platform::win32 {

class Processes : public platform::Processes {
 public:
  bool StartCommandLine(const std::string& commandLine) override;
  bool StartProgram(const std::string& path) override;
  bool StartHiddenBatch(const std::string& path) override;
};

}  // namespace platform::win32

#pragma once

#include "platform/environment.h"

namespace platform::win32 {

class Environment : public platform::Environment {
 public:
  std::optional<std::string> Variable(const std::string& name) const override;
  std::string CommandLineArguments() const override;
  std::string ProgramFolder() const override;
  LeadBytes AnsiLeadBytes() const override;
};

// The running module's full path (any length the platform reports).
std::string ModulePath();

}  // namespace platform::win32

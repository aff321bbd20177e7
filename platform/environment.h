#pragma once

#include <optional>
#include <string>

#include "platform/text.h"

namespace platform {

// The process's environment as the program sees it.
// Single thread; never fails: an unset variable is an absent value.
class Environment {
 public:
  virtual ~Environment() = default;

  // The variable's value; std::nullopt when it is not set ("" when set empty).
  virtual std::optional<std::string> Variable(const std::string& name) const = 0;

  // Everything on the command line after the program name, without the blanks
  // that separate it from the name (the program name may be quoted).
  virtual std::string CommandLineArguments() const = 0;

  // The folder that holds the running program file, without a trailing "\".
  virtual std::string ProgramFolder() const = 0;

  // The lead bytes of the ANSI code page, in which every text above is.
  virtual LeadBytes AnsiLeadBytes() const = 0;
};

}  // namespace platform

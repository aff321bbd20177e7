#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/environment.h"

namespace platform::fake {

// Variables set by the test; names compare case-insensitively as on Windows.
class Environment : public platform::Environment {
 public:
  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);

  std::string arguments;
  std::string programFolder = "C:\\Setup";

  std::optional<std::string> Variable(const std::string& name) const override;
  std::string CommandLineArguments() const override { return arguments; }
  std::string ProgramFolder() const override { return programFolder; }

  // The ANSI code page the texts are in: 1252 unless the test says otherwise.
  void SetCodePage(unsigned codePage) { leadBytes_ = LeadBytes::OfCodePage(codePage); }
  LeadBytes AnsiLeadBytes() const override { return leadBytes_; }

 private:
  std::map<std::string, std::string> variables_;  // keyed by the upper-cased name
  LeadBytes leadBytes_;
};

}  // namespace platform::fake

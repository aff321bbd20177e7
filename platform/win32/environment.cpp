#include "platform/win32/environment.h"

#include <windows.h>

#include <vector>

#include "platform/command_line.h"
#include "platform/win32/ansi_code_page.h"

namespace platform::win32 {

std::optional<std::string> Environment::Variable(const std::string& name) const {
  return AnsiEnvironmentVariable(name.c_str());
}

std::string Environment::CommandLineArguments() const {
  return ArgumentsAfterProgramName(GetCommandLineA());
}

std::string ModulePath() {
  std::vector<char> buffer(MAX_PATH * 2);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

LeadBytes Environment::AnsiLeadBytes() const { return AnsiCodePageLeadBytes(); }

std::string Environment::ProgramFolder() const {
  std::string path = ModulePath();
  auto slash = LastSeparator(path, AnsiCodePageLeadBytes());
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace platform::win32

#include "platform/win32/processes.h"

#include <windows.h>

#include <vector>

#include "platform/win32/environment.h"

namespace platform::win32 {
namespace {

bool Start(const char* application, std::string commandLine, WORD show, DWORD flags) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = show;
  PROCESS_INFORMATION pi = {};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(application, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

}  // namespace

bool Processes::StartCommandLine(const std::string& commandLine) {
  return Start(nullptr, commandLine, SW_SHOWNORMAL, 0);
}

bool Processes::StartProgram(const std::string& path) {
  return Start(path.c_str(), "\"" + path + "\"", SW_SHOWNORMAL, 0);
}

bool Processes::StartHiddenBatch(const std::string& path) {
  const std::string interpreter = Environment().Variable("COMSPEC").value_or("cmd.exe");
  return Start(interpreter.c_str(), "\"" + interpreter + "\" /c \"" + path + "\"", SW_HIDE, CREATE_NO_WINDOW);
}

}  // namespace platform::win32

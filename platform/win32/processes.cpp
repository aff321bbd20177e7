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

bool IsAbsolute(const std::string& path) {
  return (path.size() > 2 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
}

// COMSPEC when it names a file by its full path; otherwise cmd.exe from the
// system directory. A bare name would be looked for in the working directory.
std::string CommandInterpreter() {
  const auto comspec = Environment().Variable("COMSPEC");
  if (comspec && IsAbsolute(*comspec)) return *comspec;
  char system[MAX_PATH];
  const UINT n = GetSystemDirectoryA(system, MAX_PATH);
  return (n > 0 && n < MAX_PATH ? std::string(system, n) : std::string("C:\\Windows\\System32")) + "\\cmd.exe";
}

}  // namespace

bool Processes::StartCommandLine(const std::string& commandLine) {
  return Start(nullptr, commandLine, SW_SHOWNORMAL, 0);
}

bool Processes::StartProgram(const std::string& path) {
  return Start(path.c_str(), "\"" + path + "\"", SW_SHOWNORMAL, 0);
}

bool Processes::StartHiddenBatch(const std::string& path) {
  // Inside quotes that /s keeps whole the interpreter takes "&", "(", "^" and
  // the like literally. It still expands "%...%" there (and Wine's expands
  // the result again), so such a path is not started at all. /d skips AutoRun
  // commands, /v:off keeps "!" literal.
  if (path.find_first_of("%\"") != std::string::npos) return false;
  const std::string interpreter = CommandInterpreter();
  return Start(interpreter.c_str(), "\"" + interpreter + "\" /d /v:off /s /c \"\"" + path + "\"\"", SW_HIDE,
               CREATE_NO_WINDOW);
}

std::optional<std::string> Processes::BatchText(const std::string& text) const {
  if (text.empty()) return text;
  const int n = static_cast<int>(text.size());
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  const int w = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), n, wide.data(), n);
  if (w <= 0) return std::nullopt;
  std::string out(static_cast<std::size_t>(w) * 2, '\0');
  BOOL lossy = FALSE;
  const int o = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide.data(), w, out.data(),
                                    static_cast<int>(out.size()), nullptr, &lossy);
  if (o <= 0 || lossy) return std::nullopt;
  out.resize(static_cast<std::size_t>(o));
  return out;
}

}  // namespace platform::win32

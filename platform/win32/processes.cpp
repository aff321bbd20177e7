#include "platform/win32/processes.h"

#include <windows.h>

#include <vector>

#include "platform/win32/ansi_code_page.h"
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

std::string Directory(UINT (WINAPI *get)(LPSTR, UINT)) {
  char directory[MAX_PATH];
  const UINT n = get(directory, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(directory, n) : std::string();
}

// COMSPEC when it names a file by its full path; otherwise cmd.exe from the
// system directory. A bare name would be looked for in the working directory.
std::string CommandInterpreter() {
  const auto comspec = Environment().Variable("COMSPEC");
  if (comspec && IsAbsolute(*comspec)) return *comspec;
  const std::string system = Directory(GetSystemDirectoryA);
  return (system.empty() ? std::string("C:\\Windows\\System32") : system) + "\\cmd.exe";
}

// The program a command line starts with: quoted, or up to the first blank.
std::string ProgramOf(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') {
    const auto close = commandLine.find('"', 1);
    return commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return commandLine.substr(0, commandLine.find_first_of(" \t"));
}

// A program named without a folder, from the system directory or else the
// Windows directory (explorer.exe). Left to CreateProcess, the name would be
// looked for beside this program and in the working directory first: the
// wizard runs from TEMP with an administrator's rights, and a program planted
// there would run with them.
std::string SystemProgram(const std::string& name) {
  for (auto get : {GetSystemDirectoryA, GetWindowsDirectoryA}) {
    const std::string directory = Directory(get);
    if (directory.empty()) continue;
    const std::string path = directory + "\\" + name;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return path;
  }
  return std::string();
}

}  // namespace

bool Processes::StartCommandLine(const std::string& commandLine) {
  const std::string program = ProgramOf(commandLine);
  if (program.find_first_of("\\/:") != std::string::npos) return Start(nullptr, commandLine, SW_SHOWNORMAL, 0);
  const std::string path = SystemProgram(program);
  return !path.empty() && Start(path.c_str(), commandLine, SW_SHOWNORMAL, 0);
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
  return Recode(text, CP_ACP, CP_OEMCP);
}

std::optional<std::string> Recode(const std::string& text, unsigned from, unsigned to) {
  if (text.empty()) return text;
  const int n = static_cast<int>(text.size());
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  const int w = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), n, wide.data(), n);
  if (w <= 0) return std::nullopt;
  wide.resize(static_cast<std::size_t>(w));
  // A best-fit look-alike or a default character shows in the way back.
  const std::string out = NarrowText(wide.data(), w, to);
  if (out.empty()) return std::nullopt;
  const int o = static_cast<int>(out.size());
  std::wstring back(static_cast<std::size_t>(o), L'\0');
  const int b = MultiByteToWideChar(to, 0, out.data(), o, back.data(), o);
  if (b != w || back.compare(0, static_cast<std::size_t>(b), wide) != 0) return std::nullopt;
  return out;
}

}  // namespace platform::win32

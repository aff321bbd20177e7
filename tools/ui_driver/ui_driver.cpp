#include "ui_driver.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace uidriver {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct TopLevelSearch {
  DWORD processId;
  std::string windowClass;
  std::string title;
  bool anyTitle;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK OnTopLevel(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<TopLevelSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->processId) return TRUE;
  if (s->visibleOnly && !IsWindowVisible(hwnd)) return TRUE;
  if (!s->windowClass.empty() && ClassOf(hwnd) != s->windowClass) return TRUE;
  if (!s->anyTitle && Text(hwnd) != s->title) return TRUE;
  s->found = hwnd;
  return FALSE;
}

BOOL CALLBACK OnChild(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::string EnvironmentBlock(const std::map<std::string, std::string>& overrides) {
  std::map<std::string, std::pair<std::string, std::string>> vars;  // upper name -> (name, value)
  char* block = GetEnvironmentStringsA();
  for (const char* p = block; p && *p; p += std::strlen(p) + 1) {
    std::string entry = p;
    auto eq = entry.find('=', 1);  // "=C:=C:\" style entries start with '='
    if (eq == std::string::npos) continue;
    vars[Upper(entry.substr(0, eq))] = {entry.substr(0, eq), entry.substr(eq + 1)};
  }
  if (block) FreeEnvironmentStringsA(block);
  for (const auto& [name, value] : overrides) {
    if (value.empty())
      vars.erase(Upper(name));
    else
      vars[Upper(name)] = {name, value};
  }
  std::string result;
  for (const auto& [key, entry] : vars) result += entry.first + "=" + entry.second + '\0';
  result += '\0';
  return result;
}

Session::~Session() {
  if (process_.hProcess) {
    if (Running()) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

bool Session::Start(const std::string& program, const std::string& arguments,
                    const std::map<std::string, std::string>& environment,
                    const std::string& workingDirectory) {
  std::string commandLine = "\"" + program + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  std::string env = EnvironmentBlock(environment);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  return CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, &env[0],
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &si, &process_) != 0;
}

HWND Session::FindTopLevel(const std::string& windowClass, const std::string& title) const {
  TopLevelSearch s{process_.dwProcessId, windowClass, title, false, false, nullptr};
  EnumWindows(OnTopLevel, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND Session::WaitForWindow(const std::string& windowClass, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    TopLevelSearch s{process_.dwProcessId, windowClass, {}, true, true, nullptr};
    EnumWindows(OnTopLevel, reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    if (!Running()) return nullptr;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

long Session::WaitForExit(DWORD timeoutMs) {
  if (!process_.hProcess || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<long>(code);
}

bool Session::Running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, OnChild, reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND FindByCaption(HWND parent, const std::string& caption) {
  HWND hidden = nullptr;
  for (HWND h : Descendants(parent)) {
    if (Text(h) != caption) continue;
    if (Shown(h)) return h;
    if (!hidden) hidden = h;
  }
  return hidden;
}

std::string Text(HWND hwnd) {
  const LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT got = SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  return text;
}

std::string ClassOf(HWND hwnd) {
  char name[256] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

bool Shown(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

void Press(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

std::string OwnFolder() {
  char path[MAX_PATH * 2] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string p = path;
  return p.substr(0, p.find_last_of("\\/"));
}

}  // namespace uidriver

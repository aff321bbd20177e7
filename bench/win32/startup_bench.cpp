// startup_bench [--runs N] [--target RATIO] <program> [arguments...]
// Time from CreateProcess to the first visible top-level window of the started
// process, for <program> and, in the same run and alternating with it, for
// startup_minimal.exe beside this program. Each started process is ended as
// soon as its window shows. Prints the medians and one FIGURE line; asserts
// nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD kGiveUpMilliseconds = 30000;

struct WindowSearch {
  DWORD processId;
  bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

double Now(const LARGE_INTEGER& frequency) {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Windows' quoting rules for one argument of a command line.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

// Milliseconds to the first visible window, or a negative value when the
// program could not be started, ended first or showed nothing in time.
double TimeToWindow(const std::string& commandLine, const LARGE_INTEGER& frequency) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  // The program's own output (setup's diagnostic line) goes nowhere.
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_SHOWNORMAL;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = nul;
  startup.hStdError = nul;
  PROCESS_INFORMATION process = {};
  const double start = Now(frequency);
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", commandLine.c_str(), GetLastError());
    return -1;
  }
  double elapsed = -1;
  WindowSearch search = {process.dwProcessId, false};
  for (;;) {
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    const double now = Now(frequency);
    if (search.found) {
      elapsed = now - start;
      break;
    }
    if (now - start > kGiveUpMilliseconds || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (elapsed < 0) std::fprintf(stderr, "no visible window from %s\n", commandLine.c_str());
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 9;
  const char* target = "1.5";
  int first = 1;
  for (; first + 1 < argc && argv[first][0] == '-' && argv[first][1] == '-'; first += 2) {
    if (std::strcmp(argv[first], "--runs") == 0) {
      runs = std::max(1, std::atoi(argv[first + 1]));
    } else if (std::strcmp(argv[first], "--target") == 0) {
      target = argv[first + 1];
    } else {
      break;
    }
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: startup_bench [--runs N] [--target RATIO] <program> [arguments...]\n");
    return 2;
  }
  std::string program = argv[first];
  std::string commandLine = Quoted(program);
  for (int i = first + 1; i < argc; ++i) commandLine += " " + Quoted(argv[i]);

  char own[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, own, sizeof own);
  std::string folder(own, length);
  folder.resize(folder.find_last_of('\\') + 1);
  const std::string minimal = Quoted(folder + "startup_minimal.exe");

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  // One start of each first, so that neither pays alone for the cold cache.
  if (TimeToWindow(minimal, frequency) < 0 || TimeToWindow(commandLine, frequency) < 0) return 1;
  std::vector<double> measured, reference;
  for (int i = 0; i < runs; ++i) {
    const double r = TimeToWindow(minimal, frequency);
    const double m = TimeToWindow(commandLine, frequency);
    if (r < 0 || m < 0) return 1;
    reference.push_back(r);
    measured.push_back(m);
  }
  const double m = Median(measured), r = Median(reference);
  const std::string name = BaseName(program);
  std::printf("%-22s median %.1f ms to its first visible window (%d runs)\n", name.c_str(), m, runs);
  std::printf("%-22s median %.1f ms\n", "minimal window", r);
  std::printf("ratio                  %.2f (target %s)\n", m / r, target);
  std::printf("FIGURE|start-up of %s to its window|%.1f|ms|minimal Win32 window|%.1f|%s\n", name.c_str(), m, r, target);
  return 0;
}

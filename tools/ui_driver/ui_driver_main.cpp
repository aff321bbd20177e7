// uidrive: drives a Windows program through its windows from a script, for
// the demo and for whoever wants to replay an install by hand.

#include <windows.h>
#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ui_driver.h"

namespace {

const char kHelp[] =
    "Usage: uidrive [--timeout MS] SCRIPT\n"
    "       uidrive [--timeout MS] -          (the script from standard input)\n"
    "\n"
    "Runs SCRIPT, one command a line, against the program it starts; prints\n"
    "each command with the time since the start and what it found. '#' starts\n"
    "a comment; arguments are separated by blanks, \"double quotes\" keep\n"
    "blanks. Waiting commands give up after the timeout (default 30000 ms).\n"
    "\n"
    "Starting and ending\n"
    "  env NAME=VALUE        set a variable for the next start (NAME= removes it)\n"
    "  cwd DIR               the working directory of the next start\n"
    "  start PROGRAM [ARG]   start PROGRAM; the rest of the line is its arguments\n"
    "  wait-exit             wait until the started program ends; print its exit code\n"
    "  timeout MS            the timeout of the waiting commands that follow\n"
    "Windows\n"
    "  window CLASS [TITLE]  wait for a visible top-level window of CLASS (of any\n"
    "                        process: a launcher may hand over) and work on it\n"
    "  wait-gone             wait until the current window's program has ended\n"
    "  close                 send the current window a close request (WM_CLOSE)\n"
    "  drag DX DY            press the mouse on the window's surface, move it by\n"
    "                        DX, DY pixels and let go; print where the window went\n"
    "  shot FILE.bmp         save what the current window shows\n"
    "Controls (found by their caption, visible ones first)\n"
    "  wait-shown CAPTION    wait until a control with CAPTION is visible\n"
    "  wait-hidden CAPTION   wait until no control with CAPTION is visible\n"
    "  wait-match TEXT       wait until a visible control's caption contains TEXT\n"
    "  press CAPTION         wait until it is visible and enabled, then press it\n"
    "  check CAPTION STATE   press a check box until its state is STATE (0 clear,\n"
    "                        1 set, 2 grey)\n"
    "  shown CAPTION         print shown, hidden or missing\n"
    "  text #ID              print the text of the control with that id\n"
    "  texts                 print id, class and text of every visible control\n"
    "  progress              print every visible progress bar's position in percent\n"
    "  wait-progress PERCENT wait until the widest visible progress bar reaches PERCENT\n"
    "The question box\n"
    "  answer yes|no         wait for a message box of the current window's program,\n"
    "                        print its text and press Yes or No\n"
    "Reporting\n"
    "  echo TEXT             print TEXT\n"
    "  stage NAME            print the time since the previous stage (or the start)\n"
    "\n"
    "Exit codes: 0 the whole script ran, 1 a command failed (the script stops\n"
    "there; the program is left running), 2 wrong usage.\n";

using uidriver::ClassOf;
using uidriver::Descendants;
using uidriver::Shown;
using uidriver::Text;

struct Failure {
  std::string reason;
};

[[noreturn]] void Fail(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  throw Failure{text};
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (quoted) Fail("unbalanced quote");
  if (any) words.push_back(word);
  return words;
}

struct TopSearch {
  std::string windowClass, title;
  bool anyTitle;
  DWORD pid;  // 0: any process
  HWND found;
};

BOOL CALLBACK OnTop(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<TopSearch*>(lp);
  if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != s->windowClass) return TRUE;
  if (!s->anyTitle && Text(hwnd) != s->title) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (s->pid != 0 && pid != s->pid) return TRUE;
  s->found = hwnd;
  return FALSE;
}

HWND VisibleTopLevel(const std::string& windowClass, const std::string* title, DWORD pid) {
  TopSearch s{windowClass, title ? *title : std::string(), title == nullptr, pid, nullptr};
  EnumWindows(OnTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND VisibleWithCaption(HWND window, const std::string& caption) {
  for (HWND h : Descendants(window))
    if (Shown(h) && Text(h) == caption) return h;
  return nullptr;
}

bool SaveBitmap(HWND window, const std::string& file) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageSize;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageSize);
    ok = ok && static_cast<bool>(out);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

// Position of a progress bar in percent of its range.
double ProgressPercent(HWND bar) {
  // The bar lives in another process: no structure pointer may cross over.
  const LRESULT low = SendMessageA(bar, PBM_GETRANGE, TRUE, 0);
  const LRESULT high = SendMessageA(bar, PBM_GETRANGE, FALSE, 0);
  const LRESULT position = SendMessageA(bar, PBM_GETPOS, 0, 0);
  if (high <= low) return 0;
  return 100.0 * static_cast<double>(position - low) / static_cast<double>(high - low);
}

std::vector<HWND> ProgressBars(HWND window) {
  std::vector<HWND> bars;
  for (HWND h : Descendants(window))
    if (Shown(h) && ClassOf(h) == PROGRESS_CLASSA) bars.push_back(h);
  return bars;
}

class Driver {
 public:
  explicit Driver(DWORD timeoutMs) : timeoutMs_(timeoutMs), start_(GetTickCount()), stage_(start_) {}

  void Run(const std::string& line) {
    std::vector<std::string> words = Split(line);
    if (words.empty()) return;
    const std::string command = words[0];
    auto need = [&](std::size_t count) {
      if (words.size() != count + 1) Fail("%s takes %zu argument(s)", command.c_str(), count);
    };
    if (command == "env") {
      need(1);
      const auto eq = words[1].find('=');
      if (eq == std::string::npos || eq == 0) Fail("env needs NAME=VALUE");
      environment_[words[1].substr(0, eq)] = words[1].substr(eq + 1);
    } else if (command == "cwd") {
      need(1);
      workingDirectory_ = words[1];
    } else if (command == "timeout") {
      need(1);
      timeoutMs_ = static_cast<DWORD>(std::strtoul(words[1].c_str(), nullptr, 10));
    } else if (command == "start") {
      if (words.size() < 2) Fail("start needs a program");
      std::string arguments = line.substr(line.find(words[1]) + words[1].size());
      if (!arguments.empty() && arguments[0] == '"') arguments.erase(0, 1);
      arguments.erase(0, arguments.find_first_not_of(" \t") == std::string::npos ? arguments.size()
                                                                                  : arguments.find_first_not_of(" \t"));
      if (!session_.Start(words[1], arguments, environment_, workingDirectory_))
        Fail("cannot start %s (error %lu)", words[1].c_str(), GetLastError());
      Say("started %s, process %lu", words[1].c_str(), session_.processId());
    } else if (command == "wait-exit") {
      need(0);
      const long code = session_.WaitForExit(timeoutMs_);
      if (code < 0) Fail("the program is still running after %lu ms", timeoutMs_);
      Say("exit code %ld", code);
    } else if (command == "window") {
      if (words.size() < 2 || words.size() > 3) Fail("window takes CLASS [TITLE]");
      const std::string* title = words.size() == 3 ? &words[2] : nullptr;
      HWND found = nullptr;
      if (!WaitFor([&] { return (found = VisibleTopLevel(words[1], title, 0)) != nullptr; }))
        Fail("no visible window of class %s", words[1].c_str());
      window_ = found;
      GetWindowThreadProcessId(window_, &windowProcessId_);
      RECT r;
      GetWindowRect(window_, &r);
      Say("window %s \"%s\" at %ld,%ld, %ldx%ld, process %lu", words[1].c_str(), Text(window_).c_str(), r.left, r.top,
          r.right - r.left, r.bottom - r.top, windowProcessId_);
    } else if (command == "wait-gone") {
      need(0);
      Current();
      HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, windowProcessId_);
      if (!process) {
        if (!IsWindow(window_)) return Say("gone");
        Fail("cannot watch process %lu", windowProcessId_);
      }
      const DWORD waited = WaitForSingleObject(process, timeoutMs_);
      DWORD code = 0;
      GetExitCodeProcess(process, &code);
      CloseHandle(process);
      if (waited != WAIT_OBJECT_0) Fail("the window's program still runs after %lu ms", timeoutMs_);
      Say("gone, exit code %lu", code);
    } else if (command == "close") {
      need(0);
      PostMessageA(Current(), WM_CLOSE, 0, 0);
    } else if (command == "drag") {
      need(2);
      Drag(std::atoi(words[1].c_str()), std::atoi(words[2].c_str()));
    } else if (command == "shot") {
      need(1);
      // What is on the screen is taken, so the window paints first.
      RedrawWindow(Current(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      DWORD_PTR ignored = 0;
      SendMessageTimeoutA(Current(), WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
      Sleep(200);
      if (!SaveBitmap(Current(), words[1])) Fail("cannot save %s", words[1].c_str());
      Say("saved %s", words[1].c_str());
    } else if (command == "wait-shown") {
      need(1);
      if (!WaitFor([&] { return VisibleWithCaption(Current(), words[1]) != nullptr; }))
        Fail("\"%s\" is not shown", words[1].c_str());
    } else if (command == "wait-hidden") {
      need(1);
      if (!WaitFor([&] { return VisibleWithCaption(Current(), words[1]) == nullptr; }))
        Fail("\"%s\" is still shown", words[1].c_str());
    } else if (command == "wait-match") {
      need(1);
      std::string found;
      if (!WaitFor([&] {
            for (HWND h : Descendants(Current())) {
              if (!Shown(h)) continue;
              found = Text(h);
              if (found.find(words[1]) != std::string::npos) return true;
            }
            return false;
          }))
        Fail("no shown text contains \"%s\"", words[1].c_str());
      Say("\"%s\"", found.c_str());
    } else if (command == "press") {
      need(1);
      HWND button = nullptr;
      if (!WaitFor([&] {
            button = VisibleWithCaption(Current(), words[1]);
            return button && IsWindowEnabled(button);
          }))
        Fail("\"%s\" is not shown and enabled", words[1].c_str());
      uidriver::Press(button);
    } else if (command == "check") {
      need(2);
      const LRESULT wanted = std::atoi(words[2].c_str());
      if (wanted < 0 || wanted > 2) Fail("a check state is 0, 1 or 2");
      HWND box = nullptr;
      if (!WaitFor([&] { return (box = VisibleWithCaption(Current(), words[1])) != nullptr; }))
        Fail("\"%s\" is not shown", words[1].c_str());
      for (int presses = 0; SendMessageA(box, BM_GETCHECK, 0, 0) != wanted; ++presses) {
        if (presses == 3) Fail("\"%s\" does not take the state %ld", words[1].c_str(), static_cast<long>(wanted));
        SendMessageA(box, BM_CLICK, 0, 0);
      }
      Say("state %ld", static_cast<long>(wanted));
    } else if (command == "shown") {
      need(1);
      HWND h = uidriver::FindByCaption(Current(), words[1]);
      Say("%s", !h ? "missing" : Shown(h) ? "shown" : "hidden");
    } else if (command == "text") {
      need(1);
      if (words[1].size() < 2 || words[1][0] != '#') Fail("text takes #ID");
      HWND h = GetDlgItem(Current(), std::atoi(words[1].c_str() + 1));
      if (!h) {
        for (HWND d : Descendants(Current()))
          if (GetDlgCtrlID(d) == std::atoi(words[1].c_str() + 1)) h = d;
      }
      if (!h) Fail("no control %s", words[1].c_str());
      Say("\"%s\"", Text(h).c_str());
    } else if (command == "texts") {
      need(0);
      for (HWND h : Descendants(Current()))
        if (Shown(h) && !Text(h).empty())
          Say("#%d %s \"%s\"", GetDlgCtrlID(h), ClassOf(h).c_str(), Text(h).c_str());
    } else if (command == "progress") {
      need(0);
      for (HWND bar : ProgressBars(Current())) Say("#%d %.1f%%", GetDlgCtrlID(bar), ProgressPercent(bar));
    } else if (command == "wait-progress") {
      need(1);
      const double wanted = std::atof(words[1].c_str());
      double percent = 0;
      if (!WaitFor([&] {
            HWND widest = nullptr;
            LONG width = -1;
            for (HWND bar : ProgressBars(Current())) {
              RECT r;
              GetWindowRect(bar, &r);
              if (r.right - r.left > width) width = r.right - r.left, widest = bar;
            }
            percent = widest ? ProgressPercent(widest) : 0;
            return percent >= wanted;
          }))
        Fail("the progress bar stays at %.1f%%", percent);
      Say("%.1f%%", percent);
    } else if (command == "answer") {
      need(1);
      if (words[1] != "yes" && words[1] != "no") Fail("answer yes or answer no");
      Current();
      HWND box = nullptr;
      if (!WaitFor([&] { return (box = VisibleTopLevel("#32770", nullptr, windowProcessId_)) != nullptr; }))
        Fail("no message box");
      std::string question;
      for (HWND h : Descendants(box))
        if (ClassOf(h) == "Static" && !Text(h).empty()) question = Text(h);
      uidriver::Press(GetDlgItem(box, words[1] == "yes" ? IDYES : IDNO));
      if (!WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); })) Fail("the message box stays");
      Say("\"%s\": \"%s\" answered %s", Text(box).c_str(), question.c_str(), words[1].c_str());
    } else if (command == "echo") {
      Say("%s", line.substr(line.find("echo") + 4 + (line.size() > line.find("echo") + 4 ? 1 : 0)).c_str());
    } else if (command == "stage") {
      need(1);
      const DWORD now = GetTickCount();
      Say("stage %s: %.1f s", words[1].c_str(), (now - stage_) / 1000.0);
      stage_ = now;
    } else {
      Fail("unknown command %s (see --help)", command.c_str());
    }
  }

  void Say(const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::printf("  %s\n", text);
    std::fflush(stdout);
  }

  double Elapsed() const { return (GetTickCount() - start_) / 1000.0; }

 private:
  HWND Current() {
    if (!window_) Fail("no window yet: use 'window CLASS' first");
    if (!IsWindow(window_)) Fail("the window is gone");
    return window_;
  }

  template <class Condition>
  bool WaitFor(Condition condition) {
    return uidriver::WaitUntil(condition, timeoutMs_);
  }

  // The mouse as a user's: down on the window's surface (a spot on the window
  // itself, not on a control), moved in steps, up again.
  void Drag(int dx, int dy) {
    HWND window = Current();
    RECT before;
    GetWindowRect(window, &before);
    POINT spot = {before.left + 4, before.top + 4};
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    auto move = [&](int x, int y, DWORD flags) {
      INPUT input = {};
      input.type = INPUT_MOUSE;
      input.mi.dx = static_cast<LONG>(x * 65535 / (screenWidth - 1));
      input.mi.dy = static_cast<LONG>(y * 65535 / (screenHeight - 1));
      input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
      SendInput(1, &input, sizeof input);
      Sleep(30);
    };
    move(spot.x, spot.y, 0);
    move(spot.x, spot.y, MOUSEEVENTF_LEFTDOWN);
    const int steps = 10;
    for (int i = 1; i <= steps; ++i) move(spot.x + dx * i / steps, spot.y + dy * i / steps, 0);
    move(spot.x + dx, spot.y + dy, MOUSEEVENTF_LEFTUP);
    RECT after = before;
    WaitFor([&] {
      GetWindowRect(window, &after);
      return after.left == before.left + dx && after.top == before.top + dy;
    });
    Say("moved from %ld,%ld to %ld,%ld", before.left, before.top, after.left, after.top);
    if (after.left != before.left + dx || after.top != before.top + dy) Fail("the window did not follow the mouse");
  }

  DWORD timeoutMs_;
  DWORD start_, stage_;
  std::map<std::string, std::string> environment_;
  std::string workingDirectory_;
  uidriver::Session session_;
  HWND window_ = nullptr;
  DWORD windowProcessId_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  DWORD timeoutMs = 30000;
  std::string script;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (arg == "--timeout" && i + 1 < argc) {
      timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    } else if (script.empty()) {
      script = arg;
    } else {
      std::fprintf(stderr, "uidrive: unexpected argument %s\n\n%s", arg.c_str(), kHelp);
      return 2;
    }
  }
  if (script.empty()) {
    std::fprintf(stderr, "uidrive: no script\n\n%s", kHelp);
    return 2;
  }
  std::ifstream file;
  if (script != "-") {
    file.open(script);
    if (!file) {
      std::fprintf(stderr, "uidrive: cannot read %s\n", script.c_str());
      return 2;
    }
  }
  std::istream& in = script == "-" ? std::cin : file;

  Driver driver(timeoutMs);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    line.erase(0, first);
    std::printf("[%7.2f s] %s\n", driver.Elapsed(), line.c_str());
    std::fflush(stdout);
    try {
      driver.Run(line);
    } catch (const Failure& failure) {
      std::fflush(stdout);
      std::fprintf(stderr, "uidrive: line %d: %s: %s\n", number, line.c_str(), failure.reason.c_str());
      return 1;
    }
  }
  return 0;
}

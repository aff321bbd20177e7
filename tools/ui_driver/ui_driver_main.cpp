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

const char kUsage[] =
    "Usage: uidrive [--timeout MS] SCRIPT\n"
    "       uidrive [--timeout MS] -          (the script from standard input)\n"
    "\n"
    "Runs SCRIPT, one command a line, against the program it starts; prints\n"
    "each command with the time since the start and what it found. '#' starts\n"
    "a comment; arguments are separated by blanks, \"double quotes\" keep\n"
    "blanks. Waiting commands give up after the timeout (default 30000 ms).\n"
    "\n";

const char kExitCodes[] =
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

// One script line, split into words; words[0] is the command.
struct Call {
  const std::vector<std::string>& words;
  const std::string& line;
};

class Driver;

struct Command {
  const char* name;       // nullptr: a heading of the help
  const char* arguments;  // as the help shows them
  int argumentCount;      // -1: the handler checks them
  void (Driver::*run)(const Call&);
  const char* help;  // lines after the first are indented under it
};

// The command of that name, or nullptr.
const Command* FindCommand(const std::string& name);

class Driver {
 public:
  explicit Driver(DWORD timeoutMs) : timeoutMs_(timeoutMs), start_(GetTickCount()), stage_(start_) {}

  void Run(const std::string& line) {
    const std::vector<std::string> words = Split(line);
    if (words.empty()) return;
    const Command* command = FindCommand(words[0]);
    if (!command) Fail("unknown command %s (see --help)", words[0].c_str());
    if (command->argumentCount >= 0 && words.size() != static_cast<std::size_t>(command->argumentCount) + 1)
      Fail("%s takes %zu argument(s)", command->name, static_cast<std::size_t>(command->argumentCount));
    (this->*command->run)(Call{words, line});
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

  void Env(const Call& c) {
    const auto eq = c.words[1].find('=');
    if (eq == std::string::npos || eq == 0) Fail("env needs NAME=VALUE");
    environment_[c.words[1].substr(0, eq)] = c.words[1].substr(eq + 1);
  }

  void Cwd(const Call& c) { workingDirectory_ = c.words[1]; }

  void Timeout(const Call& c) { timeoutMs_ = static_cast<DWORD>(std::strtoul(c.words[1].c_str(), nullptr, 10)); }

  void Start(const Call& c) {
    if (c.words.size() < 2) Fail("start needs a program");
    const std::string& program = c.words[1];
    std::string arguments = c.line.substr(c.line.find(program) + program.size());
    if (!arguments.empty() && arguments[0] == '"') arguments.erase(0, 1);
    arguments.erase(0, arguments.find_first_not_of(" \t") == std::string::npos ? arguments.size()
                                                                                : arguments.find_first_not_of(" \t"));
    if (!session_.Start(program, arguments, environment_, workingDirectory_))
      Fail("cannot start %s (error %lu)", program.c_str(), GetLastError());
    Say("started %s, process %lu", program.c_str(), session_.processId());
  }

  void WaitExit(const Call&) {
    const long code = session_.WaitForExit(timeoutMs_);
    if (code < 0) Fail("the program is still running after %lu ms", timeoutMs_);
    Say("exit code %ld", code);
  }

  void Window(const Call& c) {
    if (c.words.size() < 2 || c.words.size() > 3) Fail("window takes CLASS [TITLE]");
    // Of any process: a launcher may hand over to another program.
    uidriver::WindowQuery query{c.words[1], std::nullopt, 0, true};
    if (c.words.size() == 3) query.title = c.words[2];
    HWND found = uidriver::WaitForTopLevel(query, timeoutMs_);
    if (!found) Fail("no visible window of class %s", c.words[1].c_str());
    window_ = found;
    GetWindowThreadProcessId(window_, &windowProcessId_);
    RECT r;
    GetWindowRect(window_, &r);
    Say("window %s \"%s\" at %ld,%ld, %ldx%ld, process %lu", c.words[1].c_str(), Text(window_).c_str(), r.left, r.top,
        r.right - r.left, r.bottom - r.top, windowProcessId_);
  }

  void WaitGone(const Call&) {
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
  }

  void Close(const Call&) { PostMessageA(Current(), WM_CLOSE, 0, 0); }

  void Drag(const Call& c) { DragBy(std::atoi(c.words[1].c_str()), std::atoi(c.words[2].c_str())); }

  void Shot(const Call& c) {
    if (!uidriver::SaveScreenshot(Current(), c.words[1])) Fail("cannot save %s", c.words[1].c_str());
    Say("saved %s", c.words[1].c_str());
  }

  void WaitShown(const Call& c) {
    if (!WaitFor([&] { return uidriver::FindShownByCaption(Current(), c.words[1]) != nullptr; }))
      Fail("\"%s\" is not shown", c.words[1].c_str());
  }

  void WaitHidden(const Call& c) {
    if (!WaitFor([&] { return uidriver::FindShownByCaption(Current(), c.words[1]) == nullptr; }))
      Fail("\"%s\" is still shown", c.words[1].c_str());
  }

  void WaitMatch(const Call& c) {
    std::string found;
    if (!WaitFor([&] {
          for (HWND h : Descendants(Current())) {
            if (!Shown(h)) continue;
            found = Text(h);
            if (found.find(c.words[1]) != std::string::npos) return true;
          }
          return false;
        }))
      Fail("no shown text contains \"%s\"", c.words[1].c_str());
    Say("\"%s\"", found.c_str());
  }

  void Press(const Call& c) {
    HWND button = nullptr;
    if (!WaitFor([&] {
          button = uidriver::FindShownByCaption(Current(), c.words[1]);
          return button && IsWindowEnabled(button);
        }))
      Fail("\"%s\" is not shown and enabled", c.words[1].c_str());
    uidriver::Press(button);
  }

  void Check(const Call& c) {
    const LRESULT wanted = std::atoi(c.words[2].c_str());
    if (wanted < 0 || wanted > 2) Fail("a check state is 0, 1 or 2");
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = uidriver::FindShownByCaption(Current(), c.words[1])) != nullptr; }))
      Fail("\"%s\" is not shown", c.words[1].c_str());
    for (int presses = 0; SendMessageA(box, BM_GETCHECK, 0, 0) != wanted; ++presses) {
      if (presses == 3) Fail("\"%s\" does not take the state %ld", c.words[1].c_str(), static_cast<long>(wanted));
      SendMessageA(box, BM_CLICK, 0, 0);
    }
    Say("state %ld", static_cast<long>(wanted));
  }

  void ShownState(const Call& c) {
    HWND h = uidriver::FindByCaption(Current(), c.words[1]);
    Say("%s", !h ? "missing" : Shown(h) ? "shown" : "hidden");
  }

  void TextOf(const Call& c) {
    if (c.words[1].size() < 2 || c.words[1][0] != '#') Fail("text takes #ID");
    HWND h = uidriver::FindById(Current(), std::atoi(c.words[1].c_str() + 1));
    if (!h) Fail("no control %s", c.words[1].c_str());
    Say("\"%s\"", Text(h).c_str());
  }

  void Texts(const Call&) {
    for (HWND h : Descendants(Current()))
      if (Shown(h) && !Text(h).empty()) Say("#%d %s \"%s\"", GetDlgCtrlID(h), ClassOf(h).c_str(), Text(h).c_str());
  }

  void Progress(const Call&) {
    for (HWND bar : ProgressBars(Current())) Say("#%d %.1f%%", GetDlgCtrlID(bar), ProgressPercent(bar));
  }

  void WaitProgress(const Call& c) {
    const double wanted = std::atof(c.words[1].c_str());
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
  }

  void Answer(const Call& c) {
    if (c.words[1] != "yes" && c.words[1] != "no") Fail("answer yes or answer no");
    Current();
    HWND box = uidriver::WaitForTopLevel({"#32770", std::nullopt, windowProcessId_, true}, timeoutMs_);
    if (!box) Fail("no message box");
    std::string question;
    for (HWND h : Descendants(box))
      if (ClassOf(h) == "Static" && !Text(h).empty()) question = Text(h);
    uidriver::Press(GetDlgItem(box, c.words[1] == "yes" ? IDYES : IDNO));
    if (!WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); })) Fail("the message box stays");
    Say("\"%s\": \"%s\" answered %s", Text(box).c_str(), question.c_str(), c.words[1].c_str());
  }

  void Echo(const Call& c) {
    const std::size_t at = c.line.find("echo") + 4;
    Say("%s", c.line.substr(at + (c.line.size() > at ? 1 : 0)).c_str());
  }

  void Stage(const Call& c) {
    const DWORD now = GetTickCount();
    Say("stage %s: %.1f s", c.words[1].c_str(), (now - stage_) / 1000.0);
    stage_ = now;
  }

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
  void DragBy(int dx, int dy) {
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

const Command kCommands[] = {
    {nullptr, nullptr, 0, nullptr, "Starting and ending"},
    {"env", "NAME=VALUE", 1, &Driver::Env, "set a variable for the next start (NAME= removes it)"},
    {"cwd", "DIR", 1, &Driver::Cwd, "the working directory of the next start"},
    {"start", "PROGRAM [ARG]", -1, &Driver::Start, "start PROGRAM; the rest of the line is its arguments"},
    {"wait-exit", "", 0, &Driver::WaitExit, "wait until the started program ends; print its exit code"},
    {"timeout", "MS", 1, &Driver::Timeout, "the timeout of the waiting commands that follow"},
    {nullptr, nullptr, 0, nullptr, "Windows"},
    {"window", "CLASS [TITLE]", -1, &Driver::Window,
     "wait for a visible top-level window of CLASS (of any\nprocess: a launcher may hand over) and work on it"},
    {"wait-gone", "", 0, &Driver::WaitGone, "wait until the current window's program has ended"},
    {"close", "", 0, &Driver::Close, "send the current window a close request (WM_CLOSE)"},
    {"drag", "DX DY", 2, &Driver::Drag,
     "press the mouse on the window's surface, move it by\nDX, DY pixels and let go; print where the window went"},
    {"shot", "FILE.bmp", 1, &Driver::Shot, "save what the current window shows"},
    {nullptr, nullptr, 0, nullptr, "Controls (found by their caption, visible ones first)"},
    {"wait-shown", "CAPTION", 1, &Driver::WaitShown, "wait until a control with CAPTION is visible"},
    {"wait-hidden", "CAPTION", 1, &Driver::WaitHidden, "wait until no control with CAPTION is visible"},
    {"wait-match", "TEXT", 1, &Driver::WaitMatch, "wait until a visible control's caption contains TEXT"},
    {"press", "CAPTION", 1, &Driver::Press, "wait until it is visible and enabled, then press it"},
    {"check", "CAPTION STATE", 2, &Driver::Check,
     "press a check box until its state is STATE (0 clear,\n1 set, 2 grey)"},
    {"shown", "CAPTION", 1, &Driver::ShownState, "print shown, hidden or missing"},
    {"text", "#ID", 1, &Driver::TextOf, "print the text of the control with that id"},
    {"texts", "", 0, &Driver::Texts, "print id, class and text of every visible control"},
    {"progress", "", 0, &Driver::Progress, "print every visible progress bar's position in percent"},
    {"wait-progress", "PERCENT", 1, &Driver::WaitProgress,
     "wait until the widest visible progress bar reaches PERCENT"},
    {nullptr, nullptr, 0, nullptr, "The question box"},
    {"answer", "yes|no", 1, &Driver::Answer,
     "wait for a message box of the current window's program,\nprint its text and press Yes or No"},
    {nullptr, nullptr, 0, nullptr, "Reporting"},
    {"echo", "TEXT", -1, &Driver::Echo, "print TEXT"},
    {"stage", "NAME", 1, &Driver::Stage, "print the time since the previous stage (or the start)"},
};

const Command* FindCommand(const std::string& name) {
  for (const Command& command : kCommands)
    if (command.name && name == command.name) return &command;
  return nullptr;
}

// The usage, then each command with its arguments and help, then the exit codes.
std::string Help() {
  std::string help = kUsage;
  for (const Command& command : kCommands) {
    if (!command.name) {
      help += std::string(command.help) + "\n";
      continue;
    }
    std::string usage = command.name;
    if (*command.arguments) usage += std::string(" ") + command.arguments;
    char first[64];
    std::snprintf(first, sizeof first, "  %-21s ", usage.c_str());
    std::istringstream lines(command.help);
    std::string line;
    for (bool firstLine = true; std::getline(lines, line); firstLine = false)
      help += (firstLine ? std::string(first) : std::string(24, ' ')) + line + "\n";
  }
  return help + kExitCodes;
}

}  // namespace

int main(int argc, char** argv) {
  DWORD timeoutMs = 30000;
  std::string script;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      std::fputs(Help().c_str(), stdout);
      return 0;
    } else if (arg == "--timeout" && i + 1 < argc) {
      timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    } else if (script.empty()) {
      script = arg;
    } else {
      std::fprintf(stderr, "uidrive: unexpected argument %s\n\n%s", arg.c_str(), Help().c_str());
      return 2;
    }
  }
  if (script.empty()) {
    std::fprintf(stderr, "uidrive: no script\n\n%s", Help().c_str());
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

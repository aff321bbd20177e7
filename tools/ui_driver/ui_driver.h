#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace uidriver {

// Drives a real program through its windows, as a user would: start it with a
// chosen environment, wait for its window, find controls by caption, press
// them, read texts and states. Used by the end-to-end tests and the demo.
class Session {
 public:
  Session() = default;
  ~Session();  // ends the program if it is still running
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Starts `program` with `arguments`; `environment` overrides or adds
  // variables (an empty value removes one), on top of this process's own.
  // With `outputFile` the program's standard output and error go to that
  // file, made anew. A program started before is ended first.
  bool Start(const std::string& program, const std::string& arguments,
             const std::map<std::string, std::string>& environment, const std::string& workingDirectory = "",
             const std::string& outputFile = "");

  // The program's first visible top-level window of `windowClass` (any class
  // when empty); nullptr after `timeoutMs` or once the program has ended.
  HWND WaitForWindow(const std::string& windowClass, DWORD timeoutMs = 10000);
  // A top-level window of the program with this class and title, shown or not.
  HWND FindTopLevel(const std::string& windowClass, const std::string& title = {}) const;

  // Exit code once the program has ended within `timeoutMs`, else -1.
  long WaitForExit(DWORD timeoutMs);
  bool Running() const;
  DWORD processId() const { return process_.dwProcessId; }

 private:
  void End();

  PROCESS_INFORMATION process_ = {};
};

// A top-level window to look for: of `windowClass` (any when empty), titled
// `title` (any when unset), of the process `processId` (any when 0).
struct WindowQuery {
  std::string windowClass;
  std::optional<std::string> title;
  DWORD processId = 0;
  bool visibleOnly = true;
};
// The first such window in z-order, or nullptr.
HWND FindTopLevel(const WindowQuery& query);
// The same, waited for; nullptr after `timeoutMs`.
HWND WaitForTopLevel(const WindowQuery& query, DWORD timeoutMs);

// The child windows of `parent` (all levels), in z-order.
std::vector<HWND> Descendants(HWND parent);
// The first descendant whose text equals `caption`, visible ones first.
HWND FindByCaption(HWND parent, const std::string& caption);
// The first visible descendant whose text equals `caption`, or nullptr.
HWND FindShownByCaption(HWND parent, const std::string& caption);
// The child of `parent` with control id `id`, at any level, or nullptr.
HWND FindById(HWND parent, int id);
std::string Text(HWND hwnd);
std::string ClassOf(HWND hwnd);
// Visible itself and every parent.
bool Shown(HWND hwnd);
// Presses a button without waiting for what the press opens.
void Press(HWND button);
// The folder that holds the running program (the driver itself).
std::string OwnFolder();
// Polls `condition` until it holds or `timeoutMs` have passed; its last answer.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    if (condition()) return true;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return condition();
}
// The window that has the keyboard focus in the thread that owns `window`
// (a program's own GetFocus, seen from outside), or nullptr.
HWND FocusOf(HWND window);
// The visible direct child of `parent` at a point of its client area (the
// topmost where siblings overlap), `parent` itself where none is.
HWND ChildAt(HWND parent, POINT client);
// `hwnd`'s client rectangle in screen coordinates.
RECT ClientOnScreen(HWND hwnd);
// Whether `hwnd` is `ancestor` or lies inside it.
bool Within(HWND hwnd, HWND ancestor);

// Real mouse input, as the user gives it: press `button` (MOUSEEVENTF_LEFTDOWN
// or MOUSEEVENTF_RIGHTDOWN) at `at`, move by (dx, dy) in small steps, let go.
// With `clickFirst` a full click at the same place comes just before, so the
// press is the second of a double-click.
void MouseDrag(POINT at, int dx, int dy, DWORD button, bool clickFirst = false);
// A real key press (with Shift held when asked) for the foreground window.
void KeyPress(WORD key, bool shift = false);

// The box `text` takes in `font` as DrawText lays it out: on one line, or
// broken at words within `wrapWidth` pixels.
SIZE MeasureText(const LOGFONTA& font, const std::string& text, int wrapWidth = 0);

// What the screen shows in `area` (screen coordinates), row by row; empty
// when it cannot be read.
std::vector<COLORREF> ScreenPixels(const RECT& area);
// Saves what the screen shows in `area` as a 24-bit BMP file.
bool SaveBitmap(const RECT& area, const std::string& file);
// Saves `window` and its frame as it shows once it has repainted, or the
// whole screen when `window` is nullptr.
bool SaveScreenshot(HWND window, const std::string& file);

// This process's environment with `overrides` applied, as a Windows block.
std::string EnvironmentBlock(const std::map<std::string, std::string>& overrides);

}  // namespace uidriver

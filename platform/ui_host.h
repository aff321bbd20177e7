#pragma once

#include <string>

namespace platform {

// What the wizard asks of the windowing system beyond its controls. All calls
// come from, and return on, the window's single user-interface thread.
class UiHost {
 public:
  virtual ~UiHost() = default;

  // The common-controls initialisation; called once, before anything is shown.
  virtual void InitCommonControls() = 0;

  // Puts the window into, or takes it out of, the topmost band; position and
  // size stay as they are.
  virtual void MakeTopMost() = 0;
  virtual void MakeNormal() = 0;

  // Runs the window's queued input, paint and timer events, then returns.
  virtual void ProcessPendingEvents() = 0;

  // Hands a left-button press over to the platform's own window-move loop, as
  // for a press on a title bar; returns when the user lets go.
  virtual void BeginWindowMove() = 0;

  // A modal Yes/No question with the question icon and "No" as the default
  // button; true for Yes.
  virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;

  // Hides the wizard's window for good (it is about to end).
  virtual void HideWindow() = 0;

  // Ends the program at once (after the current handler returns).
  virtual void EndProgram() = 0;
};

}  // namespace platform

#pragma once

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/ui_host.h"
#include "wizard/engine/install_steps.h"
#include "wizard/engine/shortcuts.h"
#include "wizard/model/wizard_window.h"
#include "wizard/removal/cancel.h"
#include "wizard/ui/navigation.h"
#include "wizard/ui/startup.h"

namespace wizard {

// The machine as the wizard reaches it.
struct Platform {
  platform::Environment& env;
  platform::FileSystem& files;
  platform::Shell& shell;
  platform::UiHost& host;
  platform::Registry& registry;
  platform::Processes& processes;
};

enum class MouseButton { kLeft, kRight, kMiddle, kOther };

// The wizard's behaviour over its window model: the start-up and the handlers
// that the host calls for presses, clicks and close requests. Timer steps are
// bound to the timers' onTick.
class Wizard {
 public:
  explicit Wizard(Platform platform);
  Wizard(const Wizard&) = delete;
  Wizard& operator=(const Wizard&) = delete;

  WizardWindow& window() { return window_; }
  StartState startState() const { return startState_; }

  // The platform's common-controls set-up, once. Start runs it unless it has
  // run already; a view that creates real progress bars runs it before them.
  void InitCommonControls();
  // Runs what creating the window runs, before it is first shown.
  void Start();

  // A click on a button or check box (Enter presses the default button).
  void OnClick(Control& control);
  // A mouse-button press on a control's surface (nullptr: the window's own).
  void OnMousePress(Control* control, MouseButton button);
  // Any request to close the window (the system's close command, Escape): it
  // is refused and acts as a press of CancelButton, enabled or not.
  void OnCloseRequest();

  static bool IsDragSurface(const Control* control);

 private:
  void OnFrameworkInstallButton();
  void OnFrameworkInstallerStarted();  // Timer17
  void OpenLink(const Control& link);

  Platform p_;
  WizardWindow window_;
  StartState startState_ = StartState::kPresent;
  bool commonControlsReady_ = false;
  Navigation navigation_;
  InstallSteps steps_;
  ShortcutSteps shortcuts_;
  CancelAndExit cancel_;
};

}  // namespace wizard

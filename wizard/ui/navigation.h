#pragma once

#include "platform/environment.h"
#include "platform/file_system.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

// Next and Back across the welcome and shortcut options pages, and the
// "Install Now" hand-over to the install's step chain. PageCounter counts
// Next presses minus Back presses: 0 welcome, 1 options, 2 installing.
class Navigation {
 public:
  Navigation(WizardWindow& window, const platform::Environment& env, platform::FileSystem& files)
      : w_(window), env_(env), files_(files) {}

  // Sets Timer10's step.
  void Bind();

  void OnNextButton();
  void OnBackButton();
  void ShowShortcutOptions();  // Timer10

 private:
  int AddToPageCounter(int delta);

  WizardWindow& w_;
  const platform::Environment& env_;
  platform::FileSystem& files_;
};

}  // namespace wizard

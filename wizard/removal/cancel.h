#pragma once

#include <memory>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/processes.h"
#include "platform/ui_host.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

struct RemovalServices {
  WizardWindow& window;
  const platform::Environment& env;
  platform::FileSystem& files;
  platform::Processes& processes;
  platform::UiHost& host;
};

// CancelButton in its three modes (its caption: "Cancel", "Exit", "Finish")
// and the hand-over to the removal script after a confirmed cancel.
class CancelAndExit {
 public:
  explicit CancelAndExit(RemovalServices services) : s_(services) {}

  void Bind();  // Timer16

  // A press of CancelButton, and every close request, whatever the button's
  // state: "Exit" and "Finish" end at once; "Cancel" writes the removal
  // script, asks, and on Yes removes what it can and hides the window.
  void OnCancelButton();

  // Timer16: starts the removal script, hidden, and ends the program.
  void RunRemovalScript();

 private:
  RemovalServices s_;
  std::unique_ptr<platform::OpenFile> heldScript_;  // the written script, until it has been started
};

}  // namespace wizard

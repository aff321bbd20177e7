#pragma once

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/ui_host.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

struct EngineServices {
  WizardWindow& window;
  const platform::Environment& env;
  platform::FileSystem& files;
  platform::Registry& registry;
  platform::UiHost& host;
};

// The install as a chain of one-shot timer steps, Timer6 to Timer9: each
// step disables its own timer, does its work and enables the next one, so
// the window keeps running between steps. Once the cancel flag is set the
// steps still hand on, but write nothing more.
class InstallSteps {
 public:
  explicit InstallSteps(EngineServices services) : s_(services) {}
  InstallSteps(const InstallSteps&) = delete;
  InstallSteps& operator=(const InstallSteps&) = delete;

  // Sets the timers' steps.
  void Bind();

  void WaitForMarker();          // Timer6
  void HandOnToDirectory();      // Timer7
  void ShowCreatingDirectory();  // Timer1
  void CopyFiles();              // Timer2
  void ShowFinishingPage();      // Timer3
  void HandOnToRegistry();       // Timer4
  void RegisterHandler();        // Timer5
  void SaveUninstallRecord();    // Timer8
  void StartShortcutSteps();     // Timer9

 private:
  void PerformManifest();

  EngineServices s_;
};

}  // namespace wizard

#pragma once

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

inline constexpr const char* kRefreshCommand = "RUNDLL32.EXE User32.dll, UpdatePerUserSystemParameters";

struct ShortcutServices {
  WizardWindow& window;
  const platform::Environment& env;
  platform::FileSystem& files;
  platform::Shell& shell;
  platform::Processes& processes;
};

// The shortcut steps Timer11 to Timer14 and the completion check Timer15.
// Each shortcut step goes through a new shell object and ignores every
// failure after its creation. When no shell object can be created at all,
// the step creates nothing and starts no refresh (there is nothing to show);
// it still counts as run, so the install completes. After a confirmed
// cancel a step makes nothing and starts no refresh.
class ShortcutSteps {
 public:
  explicit ShortcutSteps(ShortcutServices services) : s_(services) {}

  void Bind();

  void CreateDesktopShortcut();       // Timer11
  void CreateStartMenuShortcut();     // Timer12
  void CreateProgramsGroup();         // Timer13
  void CreateQuickLaunchShortcut();   // Timer14
  void CheckCompletion();             // Timer15

 private:
  std::string InSetupPath(const char* file) const;
  void SaveShortcut(platform::ShellObject& shell, const std::string& file, const std::string& target);
  void CreateSingle(Timer& timer, const char* folderName);

  ShortcutServices s_;
};

}  // namespace wizard

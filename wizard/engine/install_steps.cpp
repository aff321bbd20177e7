#include "wizard/engine/install_steps.h"

#include "wizard/engine/file_copy.h"
#include "wizard/engine/install_manifest.h"
#include "wizard/engine/install_start.h"
#include "wizard/engine/product_registry.h"
#include "wizard/model/cancel_flag.h"
#include "wizard/model/marker_file.h"
#include "wizard/model/setup_paths.h"

namespace wizard {

void InstallSteps::Bind() {
  WizardWindow& w = s_.window;
  w.Timer6.onTick = [this] { WaitForMarker(); };
  w.Timer7.onTick = [this] { HandOnToDirectory(); };
  w.Timer1.onTick = [this] { ShowCreatingDirectory(); };
  w.Timer2.onTick = [this] { CopyFiles(); };
  w.Timer3.onTick = [this] { ShowFinishingPage(); };
  w.Timer4.onTick = [this] { HandOnToRegistry(); };
  w.Timer5.onTick = [this] { RegisterHandler(); };
  w.Timer8.onTick = [this] { SaveUninstallRecord(); };
  w.Timer9.onTick = [this] { StartShortcutSteps(); };
}

void InstallSteps::WaitForMarker() {
  const std::string marker = MarkerPath(s_.env);
  // While another program holds the old SetupPath open, its removal only
  // marks it for deletion, and nothing can be made in it or under its name
  // until that program lets go: Install Now's attempt is repeated at every
  // tick, so that the install goes on once it does. Not after a cancel,
  // whose removal this would undo.
  if (!s_.files.FileExists(marker) && !CancelFlagSet(s_.window)) MakeSetupPathWithMarker(s_.env, s_.files);
  // Without the marker SetupPath could not be made or written: keep looking,
  // the user can still cancel.
  if (!s_.files.FileExists(marker)) return;
  s_.files.EraseFile(marker);
  s_.window.Timer6.SetEnabled(false);
  s_.window.Timer7.SetEnabled(true);
}

void InstallSteps::HandOnToDirectory() {
  s_.window.Timer7.SetEnabled(false);
  s_.window.Timer1.SetEnabled(true);
}

void InstallSteps::ShowCreatingDirectory() {
  s_.window.Timer1.SetEnabled(false);
  s_.window.CopyStatusLabel.SetText("Creating program directory...");
  s_.window.Timer2.SetEnabled(true);
}

void InstallSteps::PerformManifest() {
  const CopyServices copy{s_.window, s_.files, s_.host};
  const std::string folder = s_.env.ProgramFolder();
  for (const ManifestEntry& entry : InstallManifest()) {
    // Once the user has cancelled, nothing more is placed on the machine.
    if (CancelFlagSet(s_.window)) return;
    const std::string destination = ManifestDestination(entry, s_.env);
    if (destination.empty()) continue;
    const std::string source = folder + "\\" + entry.source;
    switch (entry.kind) {
      case ManifestKind::kProgress:
        CopyFileWithProgress(copy, source, destination, s_.window.FileProgressBar);
        break;
      case ManifestKind::kPlain:
        s_.files.CopyWholeFile(source, destination);
        break;
      case ManifestKind::kMarker:
        s_.files.WriteAll(destination, kMarkerFileText);
        break;
    }
  }
}

void InstallSteps::CopyFiles() {
  WizardWindow& w = s_.window;
  w.FinishingPage.SetVisible(false);
  // Off before the first copy: the copy lets events run, and the step must
  // not start again inside itself.
  w.Timer2.SetEnabled(false);
  CleanUpEarlierInstall(s_.registry);
  PerformManifest();
  // Full, whatever the byte count reached.
  w.FileProgressBar.SetValue(w.FileProgressBar.max());
  w.OverallProgressBar.SetValue(w.OverallProgressBar.max());
  w.CancelButton.SetEnabled(false);
  w.StatusLabel.SetText("Registering dynamic link library: quilbox.dll");
  w.Timer3.SetEnabled(true);
  w.NextButton.SetVisible(false);
  w.CancelButton.SetVisible(false);
  w.BackButton.SetVisible(false);
  w.InstallingTitle.SetVisible(false);
  w.OverallProgressBar.SetVisible(false);
  w.CopyStatusLabel.SetVisible(false);
  w.Timer4.SetEnabled(true);
}

void InstallSteps::ShowFinishingPage() {
  s_.window.Timer3.SetEnabled(false);
  s_.window.CopyProgressPage.SetVisible(false);
  s_.window.FinishingPage.SetVisible(true);
}

void InstallSteps::HandOnToRegistry() {
  s_.window.Timer4.SetEnabled(false);
  s_.window.CopyProgressPage.SetVisible(false);
  s_.window.Timer5.SetEnabled(true);
}

void InstallSteps::RegisterHandler() {
  s_.window.Timer5.SetEnabled(false);
  s_.window.StatusLabel.SetText("Updating the registry...");
  // A cancel confirmed after the copy step has removed the files; the chain
  // runs on until the program ends but records nothing of them.
  if (!CancelFlagSet(s_.window)) WriteContextMenuHandler(s_.registry);
  s_.window.Timer8.SetEnabled(true);
}

void InstallSteps::SaveUninstallRecord() {
  s_.window.Timer8.SetEnabled(false);
  s_.window.StatusLabel.SetText("Saving uninstall configuration...");
  // An uninstall record of removed files would list a product whose
  // uninstaller is gone.
  if (!CancelFlagSet(s_.window)) WriteUninstallRecord(s_.registry, s_.env);
  s_.window.Timer9.SetEnabled(true);
}

void InstallSteps::StartShortcutSteps() {
  WizardWindow& w = s_.window;
  w.Timer9.SetEnabled(false);
  w.StatusLabel.SetText("Creating shortcuts...");
  // No shortcuts to files a cancel has removed.
  if (!CancelFlagSet(w)) {
    // A grey programs-group box counts as wanted.
    if (w.ProgramsGroupOption.check() == 2) w.Timer13.SetEnabled(true);
    if (w.DesktopOption.check() == 1) w.Timer11.SetEnabled(true);
    if (w.StartMenuOption.check() == 1) w.Timer12.SetEnabled(true);
    if (w.ProgramsGroupOption.check() == 1) w.Timer13.SetEnabled(true);
    if (w.QuickLaunchOption.check() == 1) w.Timer14.SetEnabled(true);
  }
  w.Timer15.SetEnabled(true);
}

}  // namespace wizard

#include "wizard/engine/shortcuts.h"

#include "wizard/model/cancel_flag.h"
#include "wizard/model/setup_paths.h"

namespace wizard {

void ShortcutSteps::Bind() {
  WizardWindow& w = s_.window;
  w.Timer11.onTick = [this] { CreateDesktopShortcut(); };
  w.Timer12.onTick = [this] { CreateStartMenuShortcut(); };
  w.Timer13.onTick = [this] { CreateProgramsGroup(); };
  w.Timer14.onTick = [this] { CreateQuickLaunchShortcut(); };
  w.Timer15.onTick = [this] { CheckCompletion(); };
}

std::string ShortcutSteps::InSetupPath(const char* file) const { return SetupPath(s_.env) + "\\" + file; }

void ShortcutSteps::SaveShortcut(platform::ShellObject& shell, const std::string& file,
                                 const std::string& target) {
  auto shortcut = shell.CreateShortcut(file);
  if (!shortcut) return;
  shortcut->SetIconLocation(target);
  shortcut->SetTargetPath(target);
  shortcut->Save();
}

// Desktop, Start menu and Quick Launch: one "Quillon.lnk" to the product.
void ShortcutSteps::CreateSingle(Timer& timer, const char* folderName) {
  timer.SetEnabled(false);
  // A cancel confirmed since the dispatch step: the target is gone.
  if (CancelFlagSet(s_.window)) return;
  auto shell = s_.shell.CreateShellObject();
  if (!shell) return;
  const std::string target = InSetupPath("quilbox.exe");
  const auto folder = folderName ? shell->SpecialFolder(std::string(folderName))
                                 : std::optional<std::string>(s_.window.QuickLaunchFolder.text());
  if (folder) SaveShortcut(*shell, *folder + "\\Quillon.lnk", target);
  s_.processes.StartCommandLine(kRefreshCommand);
}

void ShortcutSteps::CreateDesktopShortcut() { CreateSingle(s_.window.Timer11, "Desktop"); }
void ShortcutSteps::CreateStartMenuShortcut() { CreateSingle(s_.window.Timer12, "StartMenu"); }
void ShortcutSteps::CreateQuickLaunchShortcut() { CreateSingle(s_.window.Timer14, nullptr); }

void ShortcutSteps::CreateProgramsGroup() {
  s_.window.Timer13.SetEnabled(false);
  if (CancelFlagSet(s_.window)) return;
  auto first = s_.shell.CreateShellObject();
  if (!first) return;
  // The Programs folder is asked for afresh for every directory and shortcut.
  auto programs = [](platform::ShellObject& shell) { return shell.SpecialFolder(std::string("Programs")); };
  if (auto folder = programs(*first)) s_.files.MakeDirectory(*folder + "\\Velmora");
  if (auto folder = programs(*first)) s_.files.MakeDirectory(*folder + "\\Velmora\\Quillon");

  struct Link {
    const char* file;
    const char* target;
  };
  const Link links[] = {{"Quillon.lnk", "quilbox.exe"},
                        {"Velmora Homepage.lnk", "Velmora.url"},
                        {"Uninstall Quillon.lnk", "uninstall.exe"}};
  std::unique_ptr<platform::ShellObject> shell = std::move(first);
  for (const Link& link : links) {
    if (!shell) shell = s_.shell.CreateShellObject();
    if (!shell) continue;
    if (auto folder = programs(*shell))
      SaveShortcut(*shell, *folder + "\\Velmora\\Quillon\\" + link.file, InSetupPath(link.target));
    shell.reset();
  }
  s_.processes.StartCommandLine(kRefreshCommand);
}

void ShortcutSteps::CheckCompletion() {
  WizardWindow& w = s_.window;
  for (Timer* pending : {&w.Timer11, &w.Timer12, &w.Timer13, &w.Timer14})
    if (pending->enabled()) return;
  w.Timer15.SetEnabled(false);
  w.CompletionTitle.SetVisible(true);
  w.CompletionImage.SetVisible(true);
  w.CompletionPanel.SetVisible(true);
  w.CancelButton.SetEnabled(true);
  w.CancelButton.SetText("Finish");
  w.CancelButton.SetVisible(true);
  w.SetDefaultButton(w.CancelButton);
}

}  // namespace wizard

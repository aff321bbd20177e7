#include "wizard/ui/wizard.h"

#include "wizard/engine/file_copy.h"

namespace wizard {

Wizard::Wizard(Platform platform)
    : p_(platform),
      navigation_(window_, p_.env, p_.files),
      steps_(EngineServices{window_, p_.env, p_.files, p_.registry, p_.host}),
      shortcuts_(ShortcutServices{window_, p_.env, p_.files, p_.shell, p_.processes}),
      cancel_(RemovalServices{window_, p_.env, p_.files, p_.processes, p_.host}) {
  BindProgressDisplay(window_);
  navigation_.Bind();
  steps_.Bind();
  shortcuts_.Bind();
  cancel_.Bind();
  window_.Timer17.onTick = [this] { OnFrameworkInstallerStarted(); };
}

void Wizard::InitCommonControls() {
  if (commonControlsReady_) return;
  commonControlsReady_ = true;
  p_.host.InitCommonControls();
}

void Wizard::Start() {
  InitCommonControls();
  p_.host.MakeTopMost();
  startState_ = RunLoadSteps(window_, p_.env, p_.files, p_.shell);
}

bool Wizard::IsDragSurface(const Control* control) {
  if (!control) return true;
  switch (control->kind()) {
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      return false;
    default:
      return !control->spec().linkCursor;
  }
}

void Wizard::OnClick(Control& control) {
  if (!control.enabled() || !control.ShownOnScreen()) return;
  if (control.kind() == ControlKind::kCheckBox) {
    // Grey leaves to clear, as the platform's own three-state box does; from
    // then on the box toggles between clear and set.
    control.SetCheck(control.check() == 0 ? 1 : 0);
    return;
  }
  if (&control == &window_.NextButton) navigation_.OnNextButton();
  if (&control == &window_.BackButton) navigation_.OnBackButton();
  if (&control == &window_.CancelButton) cancel_.OnCancelButton();
  if (&control == &window_.FrameworkInstallButton) OnFrameworkInstallButton();
}

void Wizard::OnFrameworkInstallButton() {
  window_.FrameworkInstallButton.SetEnabled(false);
  // From here on nothing is reported: a missing installer still ends the
  // wizard when Timer17 ticks.
  p_.host.HideWindow();
  p_.processes.StartProgram(p_.env.ProgramFolder() + "\\install.exe");
  window_.Timer17.SetEnabled(true);
}

void Wizard::OnFrameworkInstallerStarted() {
  window_.Timer17.SetEnabled(false);
  p_.host.EndProgram();
}

void Wizard::OpenLink(const Control& link) {
  const char* page = &link == &window_.MakerLink ? kMakerHost : kFrameworkInfoAddress;
  p_.processes.StartCommandLine(std::string("explorer.exe http://") + page);
}

void Wizard::OnMousePress(Control* control, MouseButton button) {
  // Links open their page whatever the button; they never move the window.
  if (control && (control == &window_.MakerLink || control == &window_.FrameworkLink)) {
    if (control->ShownOnScreen()) OpenLink(*control);
    return;
  }
  if (IsDragSurface(control) && button == MouseButton::kLeft) p_.host.BeginWindowMove();
}

void Wizard::OnCloseRequest() { cancel_.OnCancelButton(); }

}  // namespace wizard

#include "wizard/ui/wizard.h"

#include "wizard/engine/file_copy.h"

namespace wizard {

Wizard::Wizard(Platform platform)
    : p_(platform),
      navigation_(window_, p_.env, p_.files),
      steps_(EngineServices{window_, p_.env, p_.files, p_.registry, p_.host}) {
  BindProgressDisplay(window_);
  navigation_.Bind();
  steps_.Bind();
}

void Wizard::Start() {
  p_.host.InitCommonControls();
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
  if (&control == &window_.CancelButton) OnCancelButton();
}

void Wizard::OnCancelButton() {
  const std::string& mode = window_.CancelButton.text();
  if (mode == "Exit" || mode == "Finish") p_.host.EndProgram();
}

void Wizard::OnMousePress(Control* control, MouseButton button) {
  if (IsDragSurface(control)) {
    if (button == MouseButton::kLeft) p_.host.BeginWindowMove();
  }
}

void Wizard::OnCloseRequest() {
  // A close request is never obeyed directly: it acts as a press of the
  // Cancel/Exit/Finish button.
  OnClick(window_.CancelButton);
}

}  // namespace wizard

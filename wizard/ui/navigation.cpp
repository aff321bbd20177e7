#include "wizard/ui/navigation.h"

#include <cstdlib>
#include <string>

#include "wizard/engine/install_start.h"

namespace wizard {

void Navigation::Bind() { w_.Timer10.onTick = [this] { ShowShortcutOptions(); }; }

int Navigation::AddToPageCounter(int delta) {
  const int value = std::atoi(w_.PageCounter.text().c_str()) + delta;
  w_.PageCounter.SetText(std::to_string(value));
  return value;
}

void Navigation::OnNextButton() {
  // The options page is already on its way: a second press (a double click
  // queued ahead of the timer) must not start the install from the welcome
  // page.
  if (w_.Timer10.enabled()) return;
  switch (AddToPageCounter(+1)) {
    case 1:
      w_.Timer10.SetEnabled(true);
      break;
    case 2:
      StartInstall(w_, env_, files_);
      break;
    default:
      break;
  }
}

void Navigation::ShowShortcutOptions() {
  w_.Timer10.SetEnabled(false);
  w_.NextButton.SetText("Install Now");
  w_.BackButton.SetEnabled(true);
  w_.WelcomeBand.SetVisible(false);
  w_.WelcomePage.SetVisible(false);
  w_.ShortcutOptionsPage.SetVisible(true);
  w_.StepArrow.SetVisible(false);
}

void Navigation::OnBackButton() {
  if (AddToPageCounter(-1) != 0) return;
  w_.NextButton.SetText("Next >");
  w_.BackButton.SetEnabled(false);
  w_.ShortcutOptionsPage.SetVisible(false);
  w_.WelcomePage.SetVisible(true);
  w_.WelcomeBand.SetVisible(true);
  w_.StepArrow.SetVisible(true);
}

}  // namespace wizard

#include "wizard/ui/navigation.h"

#include <cstdlib>
#include <string>

#include "wizard/engine/install_steps.h"
#include "wizard/removal/del_tree.h"
#include "wizard/ui/setup_paths.h"

namespace wizard {

namespace {
constexpr int kDirectoryCreationPasses = 1000;
}

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
      StartInstall();
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

void Navigation::StartInstall() {
  // Every failure here passes silently: the chain's first step learns from
  // the marker file whether SetupPath could be made and written.
  DelTree(files_, env_, MakerDirectory(env_));
  w_.BackButton.SetEnabled(false);
  const std::string programFiles = env_.Variable("ProgramFiles").value_or("");
  // Repeated so that a directory still being released by the removal just
  // done gets its chance to appear.
  for (int pass = 0; pass < kDirectoryCreationPasses; ++pass) {
    files_.MakeDirectory(programFiles);
    files_.MakeDirectory(MakerDirectory(env_));
    files_.MakeDirectory(SetupPath(env_));
  }
  files_.WriteAll(SetupPath(env_) + "\\" + kMarkerFileName, kMarkerFileText);
  w_.Timer6.SetEnabled(true);
  // The options page stays visible underneath; the copy page covers it.
  w_.CopyProgressPage.SetVisible(true);
  w_.NextButton.SetEnabled(false);
}

}  // namespace wizard

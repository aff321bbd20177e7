#pragma once

#include <array>
#include <string>
#include <vector>

#include "wizard/model/control_model.h"

namespace wizard {

// Web hosts shown and opened by the two link labels.
inline constexpr const char* kMakerHost = "www.velmora.com";
inline constexpr const char* kFrameworkInfoAddress = "www.microsoft.com/net/basics.mspx";

// The one window of the wizard: every page and control with its design values,
// the hidden state holders and the seventeen timers. Member order is creation
// order (a parent before its children).
class WizardWindow {
 public:
  WizardWindow();
  WizardWindow(const WizardWindow&) = delete;
  WizardWindow& operator=(const WizardWindow&) = delete;

  // Client area in twips (481 x 437 pixels).
  static constexpr int kClientWidth = 7215;
  static constexpr int kClientHeight = 6555;

  // Permanent parts.
  Control BannerStrip, MakerCredit, MakerLink, WelcomeHeading, ProductNameImage, OrnamentImage,
      EditionStrip, EditionLabel, WelcomeBand, StepArrow, BackButton, NextButton, CancelButton,
      FooterStrip;

  // Pages and their contents.
  Control WelcomePage, IntroText, SetupPathLabel, ContinueHint;
  Control ShortcutOptionsPage, ShortcutQuestion, ProgramsGroupOption, StartMenuOption,
      DesktopOption, QuickLaunchOption;
  Control CopyProgressPage, InstallingTitle, OverallProgressBar, CopyStatusLabel, PercentText;
  Control FinishingPage, StatusOutline, StatusLabel, CompletionPanel, CompletionTitle,
      CompletionImage;
  Control FrameworkPage, FrameworkTitle, FrameworkText, FrameworkLink;
  Control FrameworkInstallButton;
  Control ErrorPage, ErrorTitle, ErrorText;

  // State holders, never visible.
  Control PageCounter, BytesCopied, PercentDone, QuickLaunchFolder, CancelMarker,
      RemovalScriptText, FileProgressBar;

  Timer Timer1, Timer2, Timer3, Timer4, Timer5, Timer6, Timer7, Timer8, Timer9, Timer10, Timer11,
      Timer12, Timer13, Timer14, Timer15, Timer16, Timer17;

  // Every control, parents before children.
  const std::vector<Control*>& controls() const { return controls_; }
  // The window's direct children that overlap, topmost first.
  const std::vector<Control*>& stackingOrder() const { return stacking_; }
  // Buttons and check boxes in keyboard focus order.
  const std::vector<Control*>& keyboardOrder() const { return keyboard_; }
  const std::vector<Timer*>& timers() const { return timers_; }

  Control* FindControl(const std::string& name) const;
  Timer* FindTimer(const std::string& name) const;
  // The default button (the one Enter presses), or nullptr.
  Control* DefaultButton() const;
  // Makes `button` the only default button.
  void SetDefaultButton(Control& button);

 private:
  std::vector<Control*> controls_;
  std::vector<Control*> stacking_;
  std::vector<Control*> keyboard_;
  std::vector<Timer*> timers_;
};

// The initial text of the removal script's text box: 36 lines "cd..".
std::string InitialRemovalScriptText();

}  // namespace wizard

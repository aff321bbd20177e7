#include "wizard/model/wizard_window.h"

namespace wizard {
namespace {

// Chainable design values, so the layout below reads like the layout table.
struct S {
  ControlSpec s;
  S(const char* name, ControlKind kind, Control* parent, Box box, std::string text = {}) {
    s.name = name;
    s.kind = kind;
    s.parent = parent;
    s.box = box;
    s.text = std::move(text);
  }
  S& Hidden() { s.visible = false; return *this; }
  S& Disabled() { s.enabled = false; return *this; }
  S& StateHolder() { s.neverShown = true; s.visible = false; return *this; }
  S& Transparent() { s.transparent = true; return *this; }
  S& AutoSize() { s.autoSize = true; return *this; }
  S& Wraps() { s.wraps = true; return *this; }
  S& Right() { s.align = Align::kRight; return *this; }
  S& Centre() { s.align = Align::kCentre; return *this; }
  S& Fore(Colour c) { s.foreground = c; return *this; }
  S& Back(Colour c) { s.background = c; return *this; }
  S& Image(Asset a) { s.image = a; return *this; }
  S& LinkCursor() { s.linkCursor = true; return *this; }
  S& Check(int state) { s.check = state; return *this; }
  S& FontAs(const char* face, double points, int weight = 400, bool italic = false,
            bool underline = false, int charset = 162) {
    s.font = Font{face, points, weight, italic, underline, charset};
    return *this;
  }
  S& Big() { return FontAs("Tahoma", 14.25); }
  S& Bold() { return FontAs("Tahoma", 8.25, 700); }
  operator ControlSpec() const { return s; }
};

constexpr auto P = ControlKind::kPanel;
constexpr auto I = ControlKind::kImagePanel;
constexpr auto L = ControlKind::kLabel;
constexpr auto B = ControlKind::kButton;
constexpr auto C = ControlKind::kCheckBox;
constexpr auto G = ControlKind::kProgressBar;

const Colour kWhite = Colour::Rgb(255, 255, 255);
const Colour kHighlight = Colour::System(SystemColour::kHighlight);
const Colour kWindowText = Colour::System(SystemColour::kWindowText);
const Colour kOptionBack = Colour::Rgb(255, 255, 192);

}  // namespace

std::string InitialRemovalScriptText() {
  std::string text;
  for (int i = 0; i < 36; ++i) text += "cd..\r\n";
  return text;
}

WizardWindow::WizardWindow()
    : BannerStrip(S("BannerStrip", I, nullptr, {-30, -30, 8730, 675}).Image(Asset::kBanner)),
      MakerCredit(S("MakerCredit", L, &BannerStrip, {4875, 90, 2310, 270}, "Velmora Development Team")
                      .Right().Transparent()),
      MakerLink(S("MakerLink", L, &BannerStrip, {6000, 345, 1185, 195}, kMakerHost)
                    .Right().AutoSize().Transparent().FontAs("Tahoma", 8.25, 400, false, true)
                    .Fore(Colour::Rgb(0, 0, 192)).LinkCursor()),
      WelcomeHeading(S("WelcomeHeading", L, nullptr, {255, 675, 1470, 345}, "Welcome to")
                         .Big().Fore(Colour::Rgb(192, 192, 192)).AutoSize().Transparent()),
      ProductNameImage(S("ProductNameImage", I, nullptr, {630, 960, 4500, 375}).Image(Asset::kProductName)),
      OrnamentImage(S("OrnamentImage", I, nullptr, {3375, 1335, 390, 105}).Image(Asset::kOrnament)),
      EditionStrip(S("EditionStrip", I, nullptr, {3750, 1335, 5895, 510}).Image(Asset::kEditionStrip)),
      EditionLabel(S("EditionLabel", L, &EditionStrip, {0, 0, 2775, 495}, "Farspan")
                       .FontAs("Arial Narrow", 21.75, 700, true, false, 0)
                       .Fore(Colour::Rgb(0, 0, 128)).AutoSize().Transparent()),
      WelcomeBand(S("WelcomeBand", P, nullptr, {-165, 1905, 7650, 270}).Back(kWhite)),
      StepArrow(S("StepArrow", L, nullptr, {4800, 5235, 165, 345}, "6")
                    .FontAs("Wingdings 3", 14.25, 400, false, false, 2).AutoSize().Transparent()),
      BackButton(S("BackButton", B, nullptr, {2775, 5595, 1400, 300}, "< Back").Disabled().Back(kWhite)),
      NextButton(S("NextButton", B, nullptr, {4230, 5595, 1400, 300}, "Next >").Back(kWhite)),
      CancelButton(S("CancelButton", B, nullptr, {5685, 5595, 1400, 300}, "Cancel").Back(kWhite)),
      FooterStrip(S("FooterStrip", I, nullptr, {-15, 6030, 6750, 525}).Image(Asset::kFooter)),

      WelcomePage(S("WelcomePage", P, nullptr, {-315, 2160, 7635, 1755}).Back(kWhite)),
      IntroText(S("IntroText", L, &WelcomePage, {765, 150, 6285, 750},
                  "This wizard will install Quillon 'Farspan' on your computer. This edition lies on "
                  "the Microsoft .NET technology, which lets you work on very large-scaled files upto "
                  "8 exabytes. Setup path is:")
                    .Wraps().Fore(kWindowText).Transparent()),
      SetupPathLabel(S("SetupPathLabel", L, &WelcomePage, {765, 885, 1515, 195})
                         .Fore(kHighlight).AutoSize().Transparent()),
      ContinueHint(S("ContinueHint", L, &WelcomePage, {765, 1575, 2730, 195},
                     "To continue, click 'Next' button below.")
                       .AutoSize().Transparent()),

      ShortcutOptionsPage(S("ShortcutOptionsPage", P, nullptr, {150, 2010, 6825, 2010}).Back(kWhite).Hidden()),
      ShortcutQuestion(S("ShortcutQuestion", L, &ShortcutOptionsPage, {285, 315, 4770, 270},
                         "Would you like to have any shortcuts to be created?")
                           .Fore(Colour::Rgb(0, 0, 128)).Transparent()),
      ProgramsGroupOption(S("ProgramsGroupOption", C, &ShortcutOptionsPage, {690, 720, 4470, 285},
                            "Create shortcut in 'Programs' menu group")
                              .Back(kOptionBack).Check(2)),
      StartMenuOption(S("StartMenuOption", C, &ShortcutOptionsPage, {690, 1020, 4470, 285},
                        "Create shortcut in 'Windows Start' menu")
                          .Back(kOptionBack)),
      DesktopOption(S("DesktopOption", C, &ShortcutOptionsPage, {690, 1320, 4470, 285},
                      "Create shortcut on 'Desktop'")
                        .Back(kOptionBack)),
      QuickLaunchOption(S("QuickLaunchOption", C, &ShortcutOptionsPage, {690, 1620, 4470, 285},
                          "Create shortcut as 'Quick Launch' on taskbar")
                            .Back(kOptionBack)),

      CopyProgressPage(S("CopyProgressPage", P, nullptr, {120, 1980, 7485, 3105}).Back(kWhite).Hidden()),
      InstallingTitle(S("InstallingTitle", L, &CopyProgressPage, {330, 330, 2115, 195}, "Installing...")
                          .Bold().Fore(kHighlight).Transparent()),
      OverallProgressBar(S("OverallProgressBar", G, &CopyProgressPage, {330, 720, 6315, 240})),
      CopyStatusLabel(S("CopyStatusLabel", L, &CopyProgressPage, {330, 1050, 2130, 195},
                        "Checking previous versions...")
                          .AutoSize().Transparent()),
      PercentText(S("PercentText", L, &CopyProgressPage, {}, "0%")
                      .Bold().Fore(kHighlight).Right().StateHolder()),

      FinishingPage(S("FinishingPage", P, nullptr, {-15, 1920, 7215, 3630}).Back(kWhite).Hidden()),
      StatusOutline(S("StatusOutline", ControlKind::kShape, &FinishingPage, {1320, 1065, 4560, 810})
                        .Fore(kHighlight)),
      StatusLabel(S("StatusLabel", L, &FinishingPage, {1320, 1365, 4560, 195}, "Preparing installation...")
                      .Centre().Transparent()),
      CompletionPanel(S("CompletionPanel", I, &FinishingPage, {15, 825, 5910, 1575})
                          .Back(kWhite).Image(Asset::kCompletionPanel).Hidden()),
      CompletionTitle(S("CompletionTitle", L, &CompletionPanel, {600, 195, 4425, 450}, "Installation Completed")
                          .Big().Transparent()),
      CompletionImage(S("CompletionImage", I, &CompletionPanel, {450, 660, 4905, 960})
                          .Image(Asset::kCompletionImage)),

      FrameworkPage(S("FrameworkPage", I, nullptr, {-465, 2220, 7920, 2505}).Image(Asset::kFrameworkPage).Hidden()),
      FrameworkTitle(S("FrameworkTitle", L, &FrameworkPage, {1050, 390, 5670, 345}).Big().AutoSize().Transparent()),
      FrameworkText(S("FrameworkText", L, &FrameworkPage, {1050, 885, 6390, 1875}).Wraps().Transparent()),
      FrameworkLink(S("FrameworkLink", L, &FrameworkPage, {4185, 1275, 2655, 195}, kFrameworkInfoAddress)
                        .Fore(Colour::Rgb(0, 0, 255)).AutoSize().Transparent().LinkCursor().Hidden()),
      FrameworkInstallButton(S("FrameworkInstallButton", B, nullptr, {540, 4875, 3570, 360},
                               "Install Microsoft .NET Framework 2.0 Beta")
                                 .Back(Colour::System(SystemColour::kInfoBackground)).Hidden()),

      ErrorPage(S("ErrorPage", I, nullptr, {-45, 2235, 7215, 3360}).Back(kWhite).Image(Asset::kErrorPage).Hidden()),
      ErrorTitle(S("ErrorTitle", L, &ErrorPage, {630, 345, 2085, 345}, "Installation Error")
                     .Big().AutoSize().Transparent()),
      ErrorText(S("ErrorText", L, &ErrorPage, {630, 840, 6390, 885},
                  "You cannot install Quillon on this computer. You are either using a public computer "
                  "or you have no authorized access.")
                    .Wraps().Transparent()),

      PageCounter(S("PageCounter", L, nullptr, {}, "0").StateHolder()),
      BytesCopied(S("BytesCopied", L, nullptr, {}, "0").StateHolder()),
      PercentDone(S("PercentDone", L, nullptr, {}, "Label12").StateHolder()),
      QuickLaunchFolder(S("QuickLaunchFolder", L, nullptr, {}, "quicklaunch1").StateHolder()),
      CancelMarker(S("CancelMarker", L, nullptr, {}, "Label18").StateHolder()),
      RemovalScriptText(S("RemovalScriptText", ControlKind::kTextBox, nullptr, {}, InitialRemovalScriptText())
                            .StateHolder()),
      FileProgressBar(S("FileProgressBar", G, nullptr, {}).StateHolder()),

      Timer1("Timer1", 2500), Timer2("Timer2", 1000), Timer3("Timer3", 125), Timer4("Timer4", 1500),
      Timer5("Timer5", 1500), Timer6("Timer6", 500), Timer7("Timer7", 500), Timer8("Timer8", 2500),
      Timer9("Timer9", 2500), Timer10("Timer10", 1), Timer11("Timer11", 1250), Timer12("Timer12", 1250),
      Timer13("Timer13", 1250), Timer14("Timer14", 1250), Timer15("Timer15", 2500),
      Timer16("Timer16", 2500), Timer17("Timer17", 1250) {
  controls_ = {&BannerStrip, &MakerCredit, &MakerLink, &WelcomeHeading, &ProductNameImage,
               &OrnamentImage, &EditionStrip, &EditionLabel, &WelcomeBand, &StepArrow, &BackButton,
               &NextButton, &CancelButton, &FooterStrip, &WelcomePage, &IntroText, &SetupPathLabel,
               &ContinueHint, &ShortcutOptionsPage, &ShortcutQuestion, &ProgramsGroupOption,
               &StartMenuOption, &DesktopOption, &QuickLaunchOption, &CopyProgressPage,
               &InstallingTitle, &OverallProgressBar, &CopyStatusLabel, &PercentText, &FinishingPage,
               &StatusOutline, &StatusLabel, &CompletionPanel, &CompletionTitle, &CompletionImage,
               &FrameworkPage, &FrameworkTitle, &FrameworkText, &FrameworkLink,
               &FrameworkInstallButton, &ErrorPage, &ErrorTitle, &ErrorText, &PageCounter,
               &BytesCopied, &PercentDone, &QuickLaunchFolder, &CancelMarker, &RemovalScriptText,
               &FileProgressBar};
  stacking_ = {&FileProgressBar, &CopyProgressPage, &FrameworkInstallButton, &FrameworkPage,
               &ErrorPage, &FinishingPage, &BannerStrip, &EditionStrip, &WelcomeBand,
               &CancelButton, &NextButton, &FooterStrip, &BackButton, &ProductNameImage,
               &OrnamentImage, &WelcomePage, &ShortcutOptionsPage};
  keyboard_ = {&NextButton, &CancelButton, &BackButton, &ProgramsGroupOption, &DesktopOption,
               &StartMenuOption, &QuickLaunchOption, &FrameworkInstallButton};
  timers_ = {&Timer1, &Timer2, &Timer3, &Timer4, &Timer5, &Timer6, &Timer7, &Timer8, &Timer9,
             &Timer10, &Timer11, &Timer12, &Timer13, &Timer14, &Timer15, &Timer16, &Timer17};
}

Control* WizardWindow::FindControl(const std::string& name) const {
  for (Control* c : controls_)
    if (c->name() == name) return c;
  return nullptr;
}

Timer* WizardWindow::FindTimer(const std::string& name) const {
  for (Timer* t : timers_)
    if (t->name() == name) return t;
  return nullptr;
}

Control* WizardWindow::DefaultButton() const {
  for (Control* c : controls_)
    if (c->isDefault()) return c;
  return nullptr;
}

void WizardWindow::SetDefaultButton(Control& button) {
  for (Control* c : controls_)
    if (c != &button) c->SetDefault(false);
  button.SetDefault(true);
}

}  // namespace wizard

#include <gtest/gtest.h>

#include <set>

#include "tests/native/wizard_fixture.h"

namespace {

// On first display only the welcome page with its band and arrow, the
// permanent parts and nothing else can be seen.
TEST(WizardWindowInitialState, OnlyWelcomeIsShown) {
  WizardFixture f;
  auto& w = f.Start();
  const std::set<std::string> shown = {
      "BannerStrip",   "MakerCredit",      "MakerLink",     "WelcomeHeading", "ProductNameImage",
      "OrnamentImage", "EditionStrip",     "EditionLabel",  "WelcomeBand",    "StepArrow",
      "BackButton",    "NextButton",       "CancelButton",  "FooterStrip",    "WelcomePage",
      "IntroText",     "SetupPathLabel",   "ContinueHint"};
  for (auto* c : w.controls()) EXPECT_EQ(c->ShownOnScreen(), shown.count(c->name()) == 1) << c->name();
  EXPECT_FALSE(w.BackButton.enabled());
  EXPECT_TRUE(w.NextButton.enabled());
  EXPECT_EQ(w.NextButton.text(), "Next >");
  EXPECT_EQ(w.BackButton.text(), "< Back");
  EXPECT_EQ(w.CancelButton.text(), "Cancel");
}

TEST(WizardWindowInitialState, StateHoldersAndTimers) {
  wizard::WizardWindow w;
  EXPECT_EQ(w.PageCounter.text(), "0");
  EXPECT_EQ(w.BytesCopied.text(), "0");
  EXPECT_EQ(w.PercentDone.text(), "Label12");
  EXPECT_EQ(w.QuickLaunchFolder.text(), "quicklaunch1");
  EXPECT_EQ(w.CancelMarker.text(), "Label18");
  EXPECT_EQ(w.PercentText.text(), "0%");
  std::string script;
  for (int i = 0; i < 36; ++i) script += "cd..\r\n";
  EXPECT_EQ(w.RemovalScriptText.text(), script);
  EXPECT_EQ(w.RemovalScriptText.text().size(), 216u);

  EXPECT_EQ(w.ProgramsGroupOption.check(), 2);
  EXPECT_EQ(w.StartMenuOption.check(), 0);
  EXPECT_EQ(w.DesktopOption.check(), 0);
  EXPECT_EQ(w.QuickLaunchOption.check(), 0);

  // The state holders stay invisible whatever is asked of them.
  for (auto* c : {&w.PercentText, &w.FileProgressBar, &w.PageCounter, &w.RemovalScriptText}) {
    c->SetVisible(true);
    EXPECT_FALSE(c->visible()) << c->name();
  }

  const std::pair<const char*, int> intervals[] = {
      {"Timer1", 2500},  {"Timer2", 1000},  {"Timer3", 125},   {"Timer4", 1500},  {"Timer5", 1500},
      {"Timer6", 500},   {"Timer7", 500},   {"Timer8", 2500},  {"Timer9", 2500},  {"Timer10", 1},
      {"Timer11", 1250}, {"Timer12", 1250}, {"Timer13", 1250}, {"Timer14", 1250}, {"Timer15", 2500},
      {"Timer16", 2500}, {"Timer17", 1250}};
  ASSERT_EQ(w.timers().size(), 17u);
  for (auto [name, interval] : intervals) {
    auto* t = w.FindTimer(name);
    ASSERT_NE(t, nullptr) << name;
    EXPECT_EQ(t->interval(), interval) << name;
    EXPECT_FALSE(t->enabled()) << name;
  }
}

TEST(WizardWindowLayout, OrdersAndParents) {
  wizard::WizardWindow w;
  std::vector<std::string> stacking;
  for (auto* c : w.stackingOrder()) stacking.push_back(c->name());
  EXPECT_EQ(stacking, (std::vector<std::string>{
                          "FileProgressBar", "CopyProgressPage", "FrameworkInstallButton",
                          "FrameworkPage", "ErrorPage", "FinishingPage", "BannerStrip",
                          "EditionStrip", "WelcomeBand", "CancelButton", "NextButton", "FooterStrip",
                          "BackButton", "ProductNameImage", "OrnamentImage", "WelcomePage",
                          "ShortcutOptionsPage"}));
  std::vector<std::string> keys;
  for (auto* c : w.keyboardOrder()) keys.push_back(c->name());
  EXPECT_EQ(keys, (std::vector<std::string>{"NextButton", "CancelButton", "BackButton",
                                            "ProgramsGroupOption", "DesktopOption", "StartMenuOption",
                                            "QuickLaunchOption", "FrameworkInstallButton"}));
  // Every control's parent is created before it, and names are unique.
  std::set<const wizard::Control*> seen;
  std::set<std::string> names;
  for (auto* c : w.controls()) {
    if (c->parent()) {
      EXPECT_TRUE(seen.count(c->parent())) << c->name();
    }
    seen.insert(c);
    EXPECT_TRUE(names.insert(c->name()).second) << c->name();
    EXPECT_EQ(w.FindControl(c->name()), c);
  }
  EXPECT_EQ(w.MakerCredit.parent(), &w.BannerStrip);
  EXPECT_EQ(w.CompletionImage.parent(), &w.CompletionPanel);
  EXPECT_EQ(w.CompletionPanel.parent(), &w.FinishingPage);
  EXPECT_EQ(w.FrameworkInstallButton.parent(), nullptr);
  const auto& box = w.FrameworkInstallButton.spec().box;
  EXPECT_EQ((std::vector<int>{box.left, box.top, box.width, box.height}),
            (std::vector<int>{540, 4875, 3570, 360}));
}

// Grey leaves the grey state on the first click; after that the box toggles.
TEST(ShortcutOptions, ClickCyclesWithoutReturningToGrey) {
  WizardFixture f;
  auto& w = f.Start();
  w.WelcomePage.SetVisible(false);
  w.ShortcutOptionsPage.SetVisible(true);
  std::vector<int> states;
  for (int i = 0; i < 4; ++i) {
    f.wizard->OnClick(w.ProgramsGroupOption);
    states.push_back(w.ProgramsGroupOption.check());
  }
  EXPECT_EQ(states, (std::vector<int>{0, 1, 0, 1}));
  f.wizard->OnClick(w.DesktopOption);
  EXPECT_EQ(w.DesktopOption.check(), 1);
}

TEST(WindowBehaviour, OnlyLeftPressesOnSurfacesMoveTheWindow) {
  WizardFixture f;
  auto& w = f.Start();
  using wizard::MouseButton;
  f.wizard->OnMousePress(&w.EditionStrip, MouseButton::kLeft);
  f.wizard->OnMousePress(&w.IntroText, MouseButton::kLeft);
  f.wizard->OnMousePress(&w.OverallProgressBar, MouseButton::kLeft);
  f.wizard->OnMousePress(nullptr, MouseButton::kLeft);
  EXPECT_EQ(f.host.windowMoves, 4);
  f.wizard->OnMousePress(&w.IntroText, MouseButton::kRight);
  f.wizard->OnMousePress(&w.WelcomePage, MouseButton::kMiddle);
  f.wizard->OnMousePress(&w.NextButton, MouseButton::kLeft);
  f.wizard->OnMousePress(&w.ProgramsGroupOption, MouseButton::kLeft);
  f.wizard->OnMousePress(&w.MakerLink, MouseButton::kLeft);
  EXPECT_EQ(f.host.windowMoves, 4);
}

TEST(ExitButton, EndsAtOnceOnDeadEndPages) {
  for (const char* args : {"-0", "-1:1.0", "-10"}) {
    WizardFixture f;
    f.Start(args);
    f.wizard->OnCloseRequest();
    EXPECT_TRUE(f.host.ended) << args;
    EXPECT_TRUE(f.host.questions.empty());
  }
}

}  // namespace

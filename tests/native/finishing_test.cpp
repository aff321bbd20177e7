#include <gtest/gtest.h>

#include "tests/native/install_fixture.h"
#include "wizard/engine/shortcuts.h"
#include "wizard/removal/removal_script.h"

namespace {

using Kind = platform::fake::Processes::Kind;

const char* const kPrograms = "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
const char* const kProduct = "C:\\Program Files\\Velmora\\Quillon\\quilbox.exe";
const platform::LeadBytes kSingleByte;

std::string ExpectedScript(const std::string& setupName) {
  std::string s;
  for (int i = 0; i < 36; ++i) s += "cd..\r\n";
  s += "\r\n";
  s += "cd \"Program Files\"\r\ncd Velmora\r\ncd \"" + setupName + "\"\r\n";
  s += "if /i \"%CD%\"==\"C:\\Program Files\\Velmora\\" + setupName + "\" goto quillon\r\n";
  s += "if /i not \"%CD%\"==\"C:\\Program Files\\Velmora\\Quillon\" goto :eof\r\n";
  s += ":quillon\r\ndel /q *.*\r\ncd..\r\nrd \"" + setupName + "\"\r\ncd..\r\nrd Velmora\r\n";
  return s;
}

TEST(RemovalScript, ExactBytesAndShortName) {
  EXPECT_EQ(wizard::BuildRemovalScript("C:\\Program Files", "Quillon", kSingleByte).value() + "\r\n",
            ExpectedScript("Quillon"));
  EXPECT_EQ(wizard::BuildRemovalScript("C:\\Program Files", "QUILLO~1", kSingleByte).value() + "\r\n",
            ExpectedScript("QUILLO~1"));
  EXPECT_EQ(wizard::BuildRemovalScript("Program Files", "Quillon", kSingleByte), std::nullopt);
  EXPECT_EQ(wizard::BuildRemovalScript("", "Quillon", kSingleByte), std::nullopt);
}

// Path text never becomes a command or a variable, and the guard names the
// real SetupPath, whatever the walk does.
TEST(RemovalScript, PathsAreQuotedAndTheGuardIsSetupPath) {
  struct Case {
    const char* programFiles;
    const char* walk;   // line 38
    const char* guard;  // the long-name guard's directory, as written
  };
  const Case cases[] = {
      {"D:\\Apps & Tools", "cd \"Apps & Tools\"", "\"D:\\Apps & Tools\\Velmora\\Quillon\""},
      {"C:\\100%Apps", "cd \"100%%Apps\"", "\"C:\\100%%Apps\\Velmora\\Quillon\""},
      {"C:\\x %PATH% y", "cd \"x %%PATH%% y\"", "\"C:\\x %%PATH%% y\\Velmora\\Quillon\""},
      {"C:\\R^D (x86)!", "cd \"R^D (x86)!\"", "\"C:\\R^D (x86)!\\Velmora\\Quillon\""},
      {"D:\\", "cd \".\"", "\"D:\\Velmora\\Quillon\""},
      {"C:\\Program Files\\", "cd \"Program Files\"", "\"C:\\Program Files\\Velmora\\Quillon\""},
      {"C:\\Program Files\\\\x", "cd \"Program Files\\\\x\"", "\"C:\\Program Files\\x\\Velmora\\Quillon\""},
      // Only the part up to a second ":\" is walked, but that is not SetupPath:
      // the guard keeps the value whole, so it never matches.
      {"D:\\Apps:\\x", "cd \"Apps\"", "\"D:\\Apps:\\x\\Velmora\\Quillon\""},
  };
  for (const Case& c : cases) {
    const auto text = wizard::BuildRemovalScript(c.programFiles, "Quillon", kSingleByte);
    ASSERT_TRUE(text) << c.programFiles;
    EXPECT_NE(text->find("\r\n\r\n" + std::string(c.walk) + "\r\ncd Velmora\r\ncd \"Quillon\"\r\n"), std::string::npos)
        << c.programFiles << "\n" << *text;
    EXPECT_NE(text->find("if /i not \"%CD%\"==" + std::string(c.guard) + " goto :eof\r\n:quillon\r\ndel /q *.*"),
              std::string::npos)
        << c.programFiles << "\n" << *text;
  }
  // A value no path can have would break out of its quotes: no script.
  for (const char* bad : {"C:\\a\"&calc&\"", "C:\\a\r\ndel *", "C:\\a|b", "C:\\a<b>"})
    EXPECT_EQ(wizard::BuildRemovalScript(bad, "Quillon", kSingleByte), std::nullopt) << bad;
  EXPECT_EQ(wizard::BuildRemovalScript("C:\\Program Files", "Q\"x", kSingleByte), std::nullopt);
}

// "ProgramFiles" read by the characters of the ANSI code page: in code page
// 932 "ソ" is 0x83 0x5C and "表" 0x95 0x5C, whose 0x5C is no "\", and "ポ" is
// 0x83 0x7C, whose 0x7C is no "|".
TEST(RemovalScript, ProgramFilesIsReadByTheCodePagesCharacters) {
  const std::string kSoftware932 = "\x83\x5C\x83\x74\x83\x67\x95\x5C";  // ソフト表
  struct Case {
    unsigned codePage;
    std::string programFiles;
    std::string walk;   // the directory of line 38
    std::string guard;  // the long-name guard's directory
  };
  const Case cases[] = {
      {1252, "C:\\qb\\CAF\xE9\\", "qb\\CAF\xE9", "C:\\qb\\CAF\xE9\\Velmora\\Quillon"},
      {1252, "C:\\qb\\a\x83\\\\x", "qb\\a\x83\\\\x", "C:\\qb\\a\x83\\x\\Velmora\\Quillon"},
      {932, "C:\\qb\\" + kSoftware932, "qb\\" + kSoftware932, "C:\\qb\\" + kSoftware932 + "\\Velmora\\Quillon"},
      {932, "C:\\qb\\" + kSoftware932 + "\\", "qb\\" + kSoftware932,
       "C:\\qb\\" + kSoftware932 + "\\Velmora\\Quillon"},
      {932, "C:\\qb\\\x83\x5C\\\\x", "qb\\\x83\x5C\\\\x", "C:\\qb\\\x83\x5C\\x\\Velmora\\Quillon"},
      {932, "C:\\qb\\\x83\x7C", "qb\\\x83\x7C", "C:\\qb\\\x83\x7C\\Velmora\\Quillon"},
      {65001, "C:\\qb\\\xE3\x82\xBD\xE8\xA1\xA8\\", "qb\\\xE3\x82\xBD\xE8\xA1\xA8",
       "C:\\qb\\\xE3\x82\xBD\xE8\xA1\xA8\\Velmora\\Quillon"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " " + c.programFiles);
    const auto text =
        wizard::BuildRemovalScript(c.programFiles, "Quillon", platform::LeadBytes::OfCodePage(c.codePage));
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("\r\n\r\ncd \"" + c.walk + "\"\r\ncd Velmora\r\n"), std::string::npos) << *text;
    EXPECT_NE(text->find("if /i \"%CD%\"==\"" + c.guard + "\" goto quillon\r\n"), std::string::npos) << *text;
    EXPECT_NE(text->find("if /i not \"%CD%\"==\"" + c.guard + "\" goto :eof\r\n"), std::string::npos) << *text;
  }
  // A "|" of its own is still no path character, in any code page.
  for (unsigned codePage : {1252u, 932u, 65001u}) {
    const auto lead = platform::LeadBytes::OfCodePage(codePage);
    EXPECT_EQ(wizard::BuildRemovalScript("C:\\qb\\\x83\x5C|", "Quillon", lead), std::nullopt) << codePage;
    EXPECT_EQ(wizard::BuildRemovalScript("C:\\qb\\a|b", "Quillon", lead), std::nullopt) << codePage;
  }
  EXPECT_EQ(wizard::BuildRemovalScript("C:\\qb\\\x83\x7C", "Quillon", kSingleByte), std::nullopt);
}

// The wizard reads "ProgramFiles" in the environment's code page.
TEST(CancelButton, ScriptFollowsTheEnvironmentsCodePage) {
  const std::string programFiles = "C:\\qb\\\x83\x5C\x83\x74\x83\x67\x95\x5C";
  InstallFixture f;
  f.env.SetCodePage(932);
  f.files.SetCodePage(932);
  f.env.Set("ProgramFiles", programFiles);
  auto& w = f.StartWelcome();
  f.Click(w.CancelButton);
  const std::string script = f.Read("C:\\Temp\\temp1.bat");
  EXPECT_NE(script.find("\r\ncd \"qb\\\x83\x5C\x83\x74\x83\x67\x95\x5C\"\r\n"), std::string::npos) << script;
  EXPECT_NE(script.find("if /i not \"%CD%\"==\"" + programFiles + "\\Velmora\\Quillon\" goto :eof"), std::string::npos)
      << script;
}

// Cancel, then No: the script is in TEMP, the question was asked below a
// normal window, and nothing else changed.
TEST(CancelButton, DeclinedPressWritesTheScriptOnly) {
  InstallFixture f;
  auto& w = f.StartWelcome();
  f.files.MakeDirectories("C:\\Program Files\\Velmora\\Quillon");
  f.files.SetShortName("C:\\Program Files\\Velmora\\Quillon", "QUILLO~1");
  const auto before = f.files.AllPaths();
  f.Click(w.CancelButton);
  std::string script = f.Read("C:\\Temp\\temp1.bat");
  EXPECT_EQ(script, ExpectedScript("QUILLO~1"));
  EXPECT_EQ(w.RemovalScriptText.text() + "\r\n", script);
  ASSERT_EQ(f.host.questions.size(), 1u);
  EXPECT_EQ(f.host.questions[0].text, "Are you sure you want to exit the installation?");
  EXPECT_EQ(f.host.questions[0].title, "Quillon");
  EXPECT_EQ(f.host.bandChanges, (std::vector<bool>{true, false, true}));
  auto after = f.files.AllPaths();
  after.erase("C:\\Temp\\temp1.bat");
  EXPECT_EQ(after, before);
  EXPECT_EQ(w.CancelMarker.text(), "Label18");
  EXPECT_FALSE(f.host.windowHidden);
  EXPECT_FALSE(f.host.ended);

  // A second declined press writes the same script again, not a longer one.
  f.Click(w.CancelButton);
  EXPECT_EQ(f.Read("C:\\Temp\\temp1.bat"), script);
  f.host.RunFor(10000);
  EXPECT_FALSE(f.host.ended);
  EXPECT_TRUE(f.processes.started.empty());
}

TEST(CancelButton, ConfirmedDuringCopyStopsAndHandsOverToTheScript) {
  InstallFixture f;
  f.PutWizardFolder();
  auto& w = f.StartWelcome();
  f.InstallNow();
  f.host.RunFor(kTimer2 - 1);
  f.host.answers = {true};
  int passesAfterCancel = -1;
  f.host.onPendingEvents = [&](int pass) {
    if (pass == 3) f.wizard->OnClick(w.CancelButton);
    if (w.CancelMarker.text() == "zorp") ++passesAfterCancel;
  };
  f.host.RunFor(1);
  // The copy saw the flag after the block in which the press ran.
  EXPECT_EQ(passesAfterCancel, 0);
  EXPECT_EQ(w.CancelMarker.text(), "zorp");
  EXPECT_TRUE(f.host.windowHidden);
  // DelTree stops at the file still open for the copy (listed first here),
  // so it and the file after it stay for the script; the library is gone
  // from the first search-path directory.
  EXPECT_EQ(f.Listing(kSetupPath), (std::set<std::string>{"quilbox.exe", "SETUP32_.NET.EXE"}));
  EXPECT_EQ(f.Listing(kMaker), (std::set<std::string>{"Quillon"}));
  EXPECT_FALSE(f.files.FileExists("C:\\Windows\\System32\\quilbox.dll"));
  EXPECT_TRUE(f.files.FileExists("C:\\Temp\\temp1.bat"));

  f.host.RunFor(2499);
  EXPECT_FALSE(f.host.ended);
  f.host.RunFor(1);
  EXPECT_TRUE(f.host.ended);
  EXPECT_EQ(f.processes.Of(Kind::kHiddenBatch), (std::vector<std::string>{"C:\\Temp\\temp1.bat"}));
}

// After the copy step only a close request is left, and the program ends
// 2.5 s after it is confirmed: the steps that come due meanwhile must not
// record a product whose files are gone. What ran before the cancel stays.
TEST(CancelButton, ConfirmedAfterTheCopyStepWritesNothingMore) {
  using platform::RegistryRoot;
  struct Case {
    std::uint64_t cancelAt;  // from "Install Now"
    bool handlerBefore, recordBefore;
  };
  const Case cases[] = {
      {kTimer4 + 1, false, false},  // Timer5 would come due before the end
      {kTimer5 + 1, true, false},   // Timer8
      {kTimer9 - 1, true, true},    // Timer9 and the shortcut steps it starts
      {kTimer9 + 1, true, true},    // the shortcut steps already started
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cancelAt);
    InstallFixture f;
    f.PutWizardFolder();
    auto& w = f.StartWelcome();
    for (const char* dir : {"C:\\Users\\tester\\Desktop", kPrograms,
                            "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch"})
      f.files.MakeDirectories(dir);
    f.GoToOptions();
    for (auto* option : {&w.ProgramsGroupOption, &w.DesktopOption, &w.StartMenuOption, &w.QuickLaunchOption})
      option->SetCheck(1);
    f.Click(w.NextButton);
    f.host.RunFor(c.cancelAt);
    ASSERT_FALSE(w.CancelButton.visible());

    f.host.answers = {true};
    f.wizard->OnCloseRequest();
    ASSERT_EQ(w.CancelMarker.text(), "zorp");
    const auto keys = f.registry.AllKeys();
    const auto changed = f.files.changedPaths().size();
    f.host.RunFor(2500);
    ASSERT_TRUE(f.host.ended);

    EXPECT_EQ(f.registry.HasKey(RegistryRoot::kClassesRoot, kHandlerKey), c.handlerBefore);
    EXPECT_EQ(f.registry.HasKey(RegistryRoot::kLocalMachine, kUninstallKey), c.recordBefore);
    EXPECT_EQ(f.registry.AllKeys(), keys);
    for (const auto& path : f.files.AllPaths())
      EXPECT_FALSE(path.size() > 4 && path.substr(path.size() - 4) == ".lnk") << path;
    EXPECT_FALSE(f.files.DirectoryExists(std::string(kPrograms) + "\\Velmora"));
    EXPECT_EQ(f.files.changedPaths().size(), changed);
    EXPECT_TRUE(f.processes.Of(Kind::kCommandLine).empty());
    EXPECT_EQ(f.processes.Of(Kind::kHiddenBatch), (std::vector<std::string>{"C:\\Temp\\temp1.bat"}));
  }
}

// The script cannot be swapped between writing and starting it; and a file
// under its name that cannot be replaced (hidden, read-only) is never started.
TEST(CancelButton, OnlyTheScriptItWroteIsStarted) {
  {
    InstallFixture f;
    auto& w = f.StartWelcome();
    f.host.answers = {true};
    f.Click(w.CancelButton);
    EXPECT_EQ(f.files.WriteAll("C:\\Temp\\temp1.bat", "planted"), platform::FsResult::kSharingViolation);
    EXPECT_EQ(f.files.EraseFile("C:\\Temp\\temp1.bat"), platform::FsResult::kSharingViolation);
    f.host.RunFor(2500);
    EXPECT_TRUE(f.host.ended);
    EXPECT_EQ(f.processes.Of(Kind::kHiddenBatch), (std::vector<std::string>{"C:\\Temp\\temp1.bat"}));
    EXPECT_EQ(f.Read("C:\\Temp\\temp1.bat"), ExpectedScript("Quillon"));
  }
  for (const std::uint32_t attributes : {platform::kAttrHidden, platform::kAttrReadOnly, platform::kAttrSystem}) {
    InstallFixture f;
    auto& w = f.StartWelcome();
    f.files.PutFile("C:\\Temp\\temp1.bat", "planted", attributes);
    f.host.answers = {true};
    f.Click(w.CancelButton);
    f.host.RunFor(2500);
    EXPECT_TRUE(f.host.ended) << attributes;
    EXPECT_TRUE(f.processes.Of(Kind::kHiddenBatch).empty()) << attributes;
    EXPECT_EQ(f.Read("C:\\Temp\\temp1.bat"), "planted") << attributes;
  }
  {
    // A letter the interpreter's code page lacks: no script, rather than one
    // that walks to and guards a look-alike directory.
    InstallFixture f;
    f.env.Set("ProgramFiles", "C:\\Pr\xF3grams");
    f.processes.unmappable = "\xF3";
    auto& w = f.StartWelcome();
    f.host.answers = {true};
    f.Click(w.CancelButton);
    f.host.RunFor(2500);
    EXPECT_TRUE(f.host.ended);
    EXPECT_FALSE(f.files.FileExists("C:\\Temp\\temp1.bat"));
    EXPECT_TRUE(f.processes.Of(Kind::kHiddenBatch).empty());
  }
}

TEST(CancelButton, ExitAndFinishEndAtOnceWithoutScript) {
  for (const char* caption : {"Exit", "Finish"}) {
    InstallFixture f;
    auto& w = f.StartWelcome();
    w.CancelButton.SetText(caption);
    f.wizard->OnCloseRequest();
    EXPECT_TRUE(f.host.ended) << caption;
    EXPECT_TRUE(f.host.questions.empty());
    EXPECT_FALSE(f.files.FileExists("C:\\Temp\\temp1.bat"));
  }
}

// A close request asks even while the button is hidden and disabled.
TEST(CancelButton, CloseRequestPressesTheButtonInAnyState) {
  InstallFixture f;
  auto& w = f.StartWelcome();
  w.CancelButton.SetVisible(false);
  w.CancelButton.SetEnabled(false);
  f.wizard->OnCloseRequest();
  EXPECT_EQ(f.host.questions.size(), 1u);
  EXPECT_FALSE(f.host.ended);
}

TEST(CancelButton, ProgramFilesWithoutDriveLeavesNoScriptButCancels) {
  InstallFixture f;
  f.env.Set("ProgramFiles", "Program Files");
  f.files.PutFile("C:\\Windows\\System32\\quilbox.dll", "lib");
  auto& w = f.StartWelcome();
  f.host.answers = {true};
  f.Click(w.CancelButton);
  EXPECT_EQ(f.host.questions.size(), 1u);
  EXPECT_FALSE(f.files.FileExists("C:\\Temp\\temp1.bat"));
  EXPECT_FALSE(f.files.FileExists("C:\\Windows\\System32\\quilbox.dll"));
  EXPECT_TRUE(f.host.windowHidden);
  f.host.RunFor(2500);
  EXPECT_TRUE(f.host.ended);
  EXPECT_TRUE(f.processes.started.empty());
}

struct ShortcutCase {
  int programs, desktop, startMenu, quickLaunch;
  std::set<std::string> links;
  std::size_t refreshes;
};

TEST(Shortcuts, StepsCreateWhatWasChosen) {
  const std::string group = std::string(kPrograms) + "\\Velmora\\Quillon\\";
  const std::string desktop = "C:\\Users\\tester\\Desktop\\Quillon.lnk";
  const std::string start = "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Quillon.lnk";
  const std::string quick =
      "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\Quillon.lnk";
  const std::set<std::string> groupLinks = {group + "Quillon.lnk", group + "Velmora Homepage.lnk",
                                            group + "Uninstall Quillon.lnk"};
  std::set<std::string> all = groupLinks;
  all.insert({desktop, start, quick});
  const ShortcutCase cases[] = {
      {2, 0, 0, 0, groupLinks, 1},
      {1, 0, 0, 0, groupLinks, 1},
      {0, 0, 0, 0, {}, 0},
      {1, 1, 1, 1, all, 4},
      {0, 1, 0, 0, {desktop}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.programs << c.desktop << c.startMenu << c.quickLaunch);
    InstallFixture f;
    auto& w = f.StartWelcome();
    for (const char* dir : {"C:\\Users\\tester\\Desktop", kPrograms,
                            "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch"})
      f.files.MakeDirectories(dir);
    w.ProgramsGroupOption.SetCheck(c.programs);
    w.DesktopOption.SetCheck(c.desktop);
    w.StartMenuOption.SetCheck(c.startMenu);
    w.QuickLaunchOption.SetCheck(c.quickLaunch);
    w.Timer9.SetEnabled(true);
    f.host.RunFor(2500 + 1250);
    std::set<std::string> links;
    for (const auto& path : f.files.AllPaths())
      if (path.size() > 4 && path.substr(path.size() - 4) == ".lnk") links.insert(path);
    EXPECT_EQ(links, c.links);
    for (const auto& link : links) {
      const auto made = f.shell.ReadShortcut(link);
      ASSERT_TRUE(made);
      EXPECT_EQ(made->target, made->icon);
    }
    if (!c.links.empty() && c.links.count(group + "Velmora Homepage.lnk")) {
      EXPECT_EQ(f.shell.ReadShortcut(group + "Velmora Homepage.lnk")->target,
                "C:\\Program Files\\Velmora\\Quillon\\Velmora.url");
      EXPECT_EQ(f.shell.ReadShortcut(group + "Uninstall Quillon.lnk")->target,
                "C:\\Program Files\\Velmora\\Quillon\\uninstall.exe");
      EXPECT_EQ(f.shell.ReadShortcut(group + "Quillon.lnk")->target, kProduct);
    }
    EXPECT_EQ(f.processes.Of(Kind::kCommandLine),
              std::vector<std::string>(c.refreshes, kRefreshCommand));
    // The completion check finds every step run at its first tick.
    f.host.RunFor(1250);
    EXPECT_TRUE(w.CompletionPanel.visible());
    EXPECT_EQ(w.CancelButton.text(), "Finish");
    EXPECT_TRUE(w.CancelButton.isDefault());
  }
}

// Failures after the shell object's creation are skipped; existing group
// folders and shortcuts are reused and replaced.
TEST(Shortcuts, FailuresAreSkippedAndFilesReplaced) {
  InstallFixture f;
  auto& w = f.StartWelcome();
  const std::string group = std::string(kPrograms) + "\\Velmora\\Quillon";
  f.files.PutFile(group + "\\Quillon.lnk", "old");
  w.DesktopOption.SetCheck(1);  // no Desktop folder exists: that save fails
  w.Timer9.SetEnabled(true);
  f.host.RunFor(3750);
  EXPECT_EQ(f.shell.ReadShortcut(group + "\\Quillon.lnk")->target, kProduct);
  EXPECT_FALSE(f.files.FileExists("C:\\Users\\tester\\Desktop\\Quillon.lnk"));
  EXPECT_EQ(f.processes.Of(Kind::kCommandLine).size(), 2u);

  // No shell object at all: nothing is made, no refresh, and it completes.
  InstallFixture g;
  auto& gw = g.StartWelcome();
  g.shell.available = false;
  gw.Timer9.SetEnabled(true);
  g.host.RunFor(2500 + 2500);
  EXPECT_TRUE(g.processes.started.empty());
  EXPECT_TRUE(gw.CompletionPanel.visible());
}

TEST(Completion, WaitsForEachPendingShortcutStep) {
  for (const char* pendingName : {"Timer11", "Timer12", "Timer13", "Timer14"}) {
    SCOPED_TRACE(pendingName);
    InstallFixture f;
    auto& w = f.StartWelcome();
    // The window as the install's last steps leave it: the finishing page up,
    // no buttons.
    w.WelcomePage.SetVisible(false);
    w.FinishingPage.SetVisible(true);
    for (auto* button : {&w.BackButton, &w.NextButton, &w.CancelButton}) button->SetVisible(false);
    w.CancelButton.SetEnabled(false);
    w.Timer15.SetEnabled(true);
    f.host.RunFor(2000);
    ASSERT_NE(w.FindTimer(pendingName), nullptr);
    wizard::Timer& pending = *w.FindTimer(pendingName);
    pending.SetEnabled(true);  // due at 3250, after the check's first tick
    f.host.RunFor(500);
    EXPECT_FALSE(w.CompletionPanel.visible());
    EXPECT_FALSE(w.CompletionTitle.ShownOnScreen());
    EXPECT_FALSE(w.CompletionImage.ShownOnScreen());
    EXPECT_FALSE(w.CancelButton.visible());
    EXPECT_FALSE(w.CancelButton.enabled());
    EXPECT_EQ(w.CancelButton.text(), "Cancel");
    EXPECT_TRUE(w.Timer15.enabled());
    f.host.RunFor(2500);
    EXPECT_FALSE(pending.enabled());
    EXPECT_FALSE(w.Timer15.enabled());
    EXPECT_TRUE(w.CompletionPanel.ShownOnScreen());
    EXPECT_TRUE(w.CompletionTitle.ShownOnScreen());
    EXPECT_TRUE(w.CompletionImage.ShownOnScreen());
    EXPECT_EQ(w.CompletionTitle.text(), "Installation Completed");
    EXPECT_TRUE(w.CancelButton.ShownOnScreen());
    EXPECT_TRUE(w.CancelButton.enabled());
    EXPECT_EQ(w.CancelButton.text(), "Finish");
    EXPECT_EQ(w.DefaultButton(), &w.CancelButton);
    EXPECT_FALSE(w.BackButton.visible());
    EXPECT_FALSE(w.NextButton.visible());
    // Enter presses the default button: "Finish" ends the wizard.
    f.Click(*w.DefaultButton());
    EXPECT_TRUE(f.host.ended);
    EXPECT_TRUE(f.host.questions.empty());
  }
}

TEST(FrameworkInstaller, ButtonHidesStartsAndEnds) {
  for (bool present : {true, false}) {
    for (const char* args : {"-0", "-10"}) {  // the framework page, the error page
      SCOPED_TRACE(testing::Message() << args << present);
      WizardFixture f;
      if (present) f.processes.programs.insert("C:\\SETUP\\INSTALL.EXE");
      auto& w = f.Start(args);
      f.wizard->OnClick(w.FrameworkInstallButton);
      EXPECT_FALSE(w.FrameworkInstallButton.enabled());
      EXPECT_TRUE(f.host.windowHidden);
      EXPECT_EQ(f.processes.Of(Kind::kProgram).size(), present ? 1u : 0u);
      f.host.RunFor(1249);
      EXPECT_FALSE(f.host.ended);
      f.host.RunFor(1);
      EXPECT_TRUE(f.host.ended);
    }
  }
}

TEST(Links, AnyButtonOpensThePageWithoutMovingTheWindow) {
  WizardFixture f;
  auto& w = f.Start("-0");
  f.wizard->OnMousePress(&w.MakerLink, wizard::MouseButton::kRight);
  f.wizard->OnMousePress(&w.FrameworkLink, wizard::MouseButton::kLeft);
  EXPECT_EQ(f.processes.Of(Kind::kCommandLine),
            (std::vector<std::string>{"explorer.exe http://www.velmora.com",
                                      "explorer.exe http://www.microsoft.com/net/basics.mspx"}));
  EXPECT_EQ(f.host.windowMoves, 0);
}

}  // namespace

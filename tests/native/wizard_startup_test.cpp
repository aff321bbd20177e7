#include <gtest/gtest.h>

#include "tests/native/wizard_fixture.h"
#include "wizard/model/setup_paths.h"
#include "wizard/ui/startup.h"

using wizard::StartState;

namespace {

TEST(FrameworkArgument, StatusAndVersion) {
  struct Case {
    const char* arguments;
    wizard::FrameworkStatus status;
    std::optional<std::string> version;
  };
  const Case cases[] = {
      {"", wizard::FrameworkStatus::kPresent, std::nullopt},
      {"-0", wizard::FrameworkStatus::kMissing, std::nullopt},
      {"-00", wizard::FrameworkStatus::kPresent, std::nullopt},
      {"-0 ", wizard::FrameworkStatus::kPresent, std::nullopt},
      {"-1:2.0.40607", wizard::FrameworkStatus::kOutdated, "2.0.40607"},
      {"-10", wizard::FrameworkStatus::kOutdated, std::nullopt},
      {"-1:a-1:b", wizard::FrameworkStatus::kOutdated, "a"},
      {"x-1:", wizard::FrameworkStatus::kOutdated, ""},
      {"-1:1.1-1", wizard::FrameworkStatus::kOutdated, "1.1-1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(wizard::ParseFrameworkStatus(c.arguments), c.status);
    EXPECT_EQ(wizard::InstalledFrameworkVersion(c.arguments), c.version);
  }
}

TEST(SetupPaths, FromProgramFilesAndPath) {
  platform::fake::Environment env;
  EXPECT_EQ(wizard::SetupPath(env), "\\Velmora\\Quillon");
  EXPECT_EQ(wizard::FirstSearchPathDirectory(env), std::nullopt);
  env.Set("programfiles", "D:\\Apps");
  env.Set("Path", "C:\\A;C:\\B");
  EXPECT_EQ(wizard::SetupPath(env), "D:\\Apps\\Velmora\\Quillon");
  EXPECT_EQ(wizard::MakerDirectory(env), "D:\\Apps\\Velmora");
  EXPECT_EQ(wizard::FirstSearchPathDirectory(env), "C:\\A");
  env.Set("PATH", "C:\\Only");
  EXPECT_EQ(wizard::FirstSearchPathDirectory(env), "C:\\Only");
  // A leading ";": the first directory is empty, not missing.
  env.Set("PATH", ";C:\\B");
  EXPECT_EQ(wizard::FirstSearchPathDirectory(env), "");
  env.Set("PATH", "");
  EXPECT_EQ(wizard::FirstSearchPathDirectory(env), std::nullopt);
}

// The test file is written and deleted again; nothing is left behind.
TEST(WriteAccessTest, WritesAndDeletesTheTestFile) {
  WizardFixture f;
  f.env.Set("PATH", "C:\\A;C:\\B");
  f.files.MakeDirectories("C:\\A");
  f.files.PutFile("C:\\A\\temp.dat", "an older file of that name");
  auto expected = f.files.AllPaths();
  expected.erase("C:\\A\\temp.dat");
  ASSERT_TRUE(wizard::WriteAccessTest(f.env, f.files));
  EXPECT_EQ(f.files.AllPaths(), expected);
}

// A file that cannot be deleted fails the test and stays, with the line.
TEST(WriteAccessTest, UndeletableFileFailsAndStays) {
  struct UndeletableFs : platform::fake::FileSystem {
    platform::FsResult EraseFile(const std::string&) override { return platform::FsResult::kAccessDenied; }
  } files;
  platform::fake::Environment env;
  env.Set("PATH", "C:\\A");
  files.PutFile("C:\\A\\temp.dat", "previous content that is longer");
  EXPECT_FALSE(wizard::WriteAccessTest(env, files));
  std::string content;
  ASSERT_EQ(files.ReadAll("C:\\A\\temp.dat", &content), platform::FsResult::kOk);
  EXPECT_EQ(content, "This is a temporary file.\r\n");
}

struct StartCase {
  const char* name;
  std::function<void(WizardFixture&)> setUp;
  const char* arguments;
  StartState expected;
};

void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

class StartStates : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartStates, PicksTheFirstPage) {
  WizardFixture f;
  GetParam().setUp(f);
  auto& w = f.Start(GetParam().arguments);
  EXPECT_EQ(f.wizard->startState(), GetParam().expected);
  // The window state each start state shows.
  const bool present = GetParam().expected == StartState::kPresent;
  EXPECT_EQ(w.WelcomePage.visible(), present);
  EXPECT_EQ(w.WelcomeBand.visible(), present);
  EXPECT_EQ(w.StepArrow.visible(), present);
  EXPECT_EQ(w.BackButton.visible(), present);
  EXPECT_EQ(w.NextButton.visible(), present);
  EXPECT_EQ(w.FrameworkInstallButton.visible(), !present);
  EXPECT_EQ(w.CancelButton.text(), present ? "Cancel" : "Exit");
  EXPECT_EQ(w.CancelButton.isDefault(), !present);
  EXPECT_EQ(w.DefaultButton(), present ? nullptr : &w.CancelButton);
  const bool framework = GetParam().expected == StartState::kMissing ||
                         GetParam().expected == StartState::kOutdated;
  EXPECT_EQ(w.FrameworkPage.visible(), framework);
  EXPECT_EQ(w.ErrorPage.visible(), GetParam().expected == StartState::kStartupFailure);
  EXPECT_EQ(w.FrameworkLink.visible(), GetParam().expected == StartState::kMissing);
  // Start-up always initialises common controls and goes topmost, and never
  // starts a timer or leaves the test file behind.
  EXPECT_EQ(f.host.commonControlsInits, 1);
  EXPECT_TRUE(f.host.topMost);
  for (auto* t : w.timers()) EXPECT_FALSE(t->enabled()) << t->name();
  // A full disk leaves the empty file that could be created, as Windows does.
  EXPECT_EQ(f.files.FileExists("C:\\Windows\\System32\\temp.dat"), f.files.diskFull);
}

const StartCase kStartCases[] = {
    {"Present", [](WizardFixture&) {}, "", StartState::kPresent},
    {"Missing", [](WizardFixture&) {}, "-0", StartState::kMissing},
    {"NotExactlyMissing", [](WizardFixture&) {}, "-00", StartState::kPresent},
    {"Outdated", [](WizardFixture&) {}, "-1:2.0.40607", StartState::kOutdated},
    {"OutdatedWithoutVersion", [](WizardFixture&) {}, "-10", StartState::kStartupFailure},
    {"PathUnset", [](WizardFixture& f) { f.env.Unset("PATH"); }, "", StartState::kStartupFailure},
    {"PathEmpty", [](WizardFixture& f) { f.env.Set("PATH", ""); }, "-0", StartState::kStartupFailure},
    {"PathWithoutSeparator", [](WizardFixture& f) { f.env.Set("PATH", "C:\\Windows"); }, "",
     StartState::kPresent},
    {"FirstDirectoryMissing", [](WizardFixture& f) { f.env.Set("PATH", "C:\\Nowhere;C:\\Windows"); },
     "", StartState::kStartupFailure},
    {"FirstDirectoryReadOnlyBeatsFramework",
     [](WizardFixture& f) { f.files.DenyWrites("C:\\Windows\\System32"); }, "-0",
     StartState::kStartupFailure},
    {"DiskFull", [](WizardFixture& f) { f.files.diskFull = true; }, "", StartState::kStartupFailure},
    {"ShellUnavailable", [](WizardFixture& f) { f.shell.available = false; }, "",
     StartState::kStartupFailure},
    {"AppDataUnavailable", [](WizardFixture& f) { f.shell.folders.erase("AppData"); }, "",
     StartState::kStartupFailure},
    {"ShellUnavailableNotAskedForFramework", [](WizardFixture& f) { f.shell.available = false; },
     "-0", StartState::kMissing},
};

INSTANTIATE_TEST_SUITE_P(Wizard, StartStates, ::testing::ValuesIn(kStartCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Startup, PresentFillsPathsAndQuickLaunch) {
  WizardFixture f;
  f.env.Set("ProgramFiles", "C:\\Program Files");
  auto& w = f.Start();
  EXPECT_EQ(w.SetupPathLabel.text(), "C:\\Program Files\\Velmora\\Quillon\\");
  EXPECT_EQ(w.QuickLaunchFolder.text(),
            "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch");
  EXPECT_EQ(f.shell.objectsCreated, 1);
  EXPECT_EQ(w.CancelButton.text(), "Cancel");
}

TEST(Startup, ProgramFilesUnsetShowsTheRootTail) {
  WizardFixture f;
  f.env.Unset("ProgramFiles");
  auto& w = f.Start();
  EXPECT_EQ(w.SetupPathLabel.text(), "\\Velmora\\Quillon\\");
}

TEST(Startup, FrameworkPagesCarryTheirTexts) {
  {
    WizardFixture f;
    auto& w = f.Start("-0");
    EXPECT_EQ(w.FrameworkTitle.text(), "Microsoft .NET Platform Required");
    const std::string& text = w.FrameworkText.text();
    EXPECT_EQ(text.find("This version of Quillon requires Microsoft .NET Framework 2.0 Beta"), 0u);
    EXPECT_NE(text.find("web site:\r\n\r\nTo install Microsoft .NET Framework 2.0 Beta"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 38), "to continue your Quillon installation.");
    EXPECT_EQ(w.QuickLaunchFolder.text(), "quicklaunch1");
  }
  {
    WizardFixture f;
    auto& w = f.Start("-1:2.0.40607");
    EXPECT_EQ(w.FrameworkTitle.text(), "Microsoft .NET Framework Version Outdated");
    EXPECT_EQ(w.FrameworkText.text(),
              "You have 2.0.40607 installed on your computer while this version of Quillon requires "
              "Microsoft .NET Framework 2.0 Beta.\r\n\r\nTo operate this program correctly, you need "
              "to update your .NET platform version to 2.0 Beta. Since Quillon setup has been "
              "packaged together with Microsoft .NET Framework 2.0 Beta, simply click 'Install' "
              "button below to update your version. When completed, please re-run this setup program.");
    EXPECT_FALSE(w.FrameworkLink.visible());
  }
}

// What earlier steps did stays when a later one fails.
TEST(Startup, FailureAfterWriteTestKeepsItsEffects) {
  WizardFixture f;
  f.shell.available = false;
  auto& w = f.Start();
  EXPECT_EQ(w.SetupPathLabel.text(), "C:\\Program Files\\Velmora\\Quillon\\");
  EXPECT_EQ(w.QuickLaunchFolder.text(), "quicklaunch1");
  EXPECT_EQ(w.ErrorTitle.text(), "Installation Error");
}

}  // namespace

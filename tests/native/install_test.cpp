#include <gtest/gtest.h>

#include <map>

#include "tests/native/install_fixture.h"
#include "wizard/engine/install_manifest.h"
#include "wizard/engine/product_registry.h"

namespace {

using platform::RegistryRoot;

TEST(Navigation, NextAndBackBetweenWelcomeAndOptions) {
  InstallFixture f;
  auto& w = f.StartWelcome();
  f.Click(w.NextButton);
  // Nothing shows until Timer10 ticks.
  EXPECT_EQ(w.PageCounter.text(), "1");
  EXPECT_TRUE(w.Timer10.enabled());
  EXPECT_TRUE(w.WelcomePage.visible());
  EXPECT_EQ(w.NextButton.text(), "Next >");
  // A second press before the tick (a double click) is not a second step.
  f.Click(w.NextButton);
  EXPECT_EQ(w.PageCounter.text(), "1");
  EXPECT_FALSE(w.Timer6.enabled());

  f.host.RunFor(1);
  EXPECT_FALSE(w.Timer10.enabled());
  EXPECT_TRUE(w.ShortcutOptionsPage.visible());
  EXPECT_FALSE(w.WelcomePage.visible());
  EXPECT_FALSE(w.WelcomeBand.visible());
  EXPECT_FALSE(w.StepArrow.visible());
  EXPECT_EQ(w.NextButton.text(), "Install Now");
  EXPECT_TRUE(w.BackButton.enabled());

  f.Click(w.DesktopOption);
  f.Click(w.ProgramsGroupOption);
  f.Click(w.BackButton);
  EXPECT_EQ(w.PageCounter.text(), "0");
  EXPECT_TRUE(w.WelcomePage.visible());
  EXPECT_TRUE(w.WelcomeBand.visible());
  EXPECT_TRUE(w.StepArrow.visible());
  EXPECT_FALSE(w.ShortcutOptionsPage.visible());
  EXPECT_EQ(w.NextButton.text(), "Next >");
  EXPECT_FALSE(w.BackButton.enabled());

  f.GoToOptions();
  EXPECT_TRUE(w.ShortcutOptionsPage.visible());
  EXPECT_EQ(w.DesktopOption.check(), 1);
  EXPECT_EQ(w.ProgramsGroupOption.check(), 0);
  EXPECT_EQ(w.CancelButton.text(), "Cancel");
}

TEST(Navigation, InstallNowClearsTheEarlierInstallAndHandsOver) {
  InstallFixture f;
  f.files.PutFile(std::string(kSetupPath) + "\\quilbox.exe", "old");
  f.files.PutFile(std::string(kSetupPath) + "\\Plugins\\p.dll", "old");
  f.files.PutFile(std::string(kMaker) + "\\notes.txt", "old");
  auto& w = f.StartWelcome();
  f.InstallNow();
  EXPECT_EQ(w.PageCounter.text(), "2");
  EXPECT_EQ(f.Listing(kMaker), std::set<std::string>{"Quillon"});
  EXPECT_EQ(f.Listing(kSetupPath), std::set<std::string>{"temp.dat"});
  EXPECT_EQ(f.Read(std::string(kSetupPath) + "\\temp.dat"), kMarkerText);
  EXPECT_TRUE(w.Timer6.enabled());
  EXPECT_TRUE(w.CopyProgressPage.ShownOnScreen());
  EXPECT_TRUE(w.ShortcutOptionsPage.visible());  // covered, not hidden
  EXPECT_FALSE(w.NextButton.enabled());
  EXPECT_FALSE(w.BackButton.enabled());
  EXPECT_TRUE(w.CancelButton.enabled());
  EXPECT_EQ(w.CancelButton.text(), "Cancel");
}

TEST(InstallChain, WithoutTheMarkerNothingMoves) {
  InstallFixture f;
  f.files.DenyWrites("C:\\Program Files");
  auto& w = f.StartWelcome();
  f.InstallNow();
  EXPECT_FALSE(f.files.Attributes(kMaker));
  EXPECT_TRUE(w.CopyProgressPage.ShownOnScreen());
  f.host.RunFor(60000);
  EXPECT_TRUE(w.Timer6.enabled());
  EXPECT_FALSE(w.Timer7.enabled());
  EXPECT_FALSE(w.Timer1.enabled());
  EXPECT_EQ(w.CopyStatusLabel.text(), "Checking previous versions...");
  EXPECT_TRUE(w.CancelButton.enabled());
}

// Another program holds the old SetupPath open (an Explorer window on it):
// the removal only marks it for deletion, and until that program lets go
// nothing can be created in it or under its name. The chain waits, and goes
// on at the first tick after the release; a cancel meanwhile is not undone.
TEST(InstallChain, AHeldSetupPathHoldsTheChainOnlyUntilReleased) {
  const std::string setup = kSetupPath;
  const std::string marker = setup + "\\temp.dat";
  {
    InstallFixture f;
    f.PutWizardFolder();
    f.files.PutFile(setup + "\\quilbox.exe", "old");
    f.files.HoldDirectory(setup);
    auto& w = f.StartWelcome();
    f.InstallNow();
    EXPECT_FALSE(f.files.DirectoryExists(setup));
    EXPECT_EQ(f.Listing(kMaker), std::set<std::string>{"Quillon"});  // pending, it keeps its parent
    f.host.RunFor(10000);
    EXPECT_FALSE(f.files.FileExists(marker));
    EXPECT_TRUE(w.Timer6.enabled());
    EXPECT_FALSE(w.Timer7.enabled());
    EXPECT_EQ(w.CopyStatusLabel.text(), "Checking previous versions...");

    f.files.ReleaseDirectory(setup);
    f.host.RunFor(kTimer6);
    EXPECT_FALSE(w.Timer6.enabled());
    EXPECT_TRUE(w.Timer7.enabled());
    EXPECT_TRUE(f.files.DirectoryExists(setup));
    EXPECT_FALSE(f.files.FileExists(marker));  // found and taken away
    f.host.RunFor(kTimer9 - kTimer6);
    EXPECT_EQ(w.StatusLabel.text(), "Creating shortcuts...");
    EXPECT_EQ(f.Listing(setup).size(), 31u);
    EXPECT_EQ(f.Read(setup + "\\quilbox.exe"), f.sources["quilbox.exe"]);
  }
  {
    InstallFixture f;
    f.files.PutFile(setup + "\\quilbox.exe", "old");
    f.files.HoldDirectory(setup);
    auto& w = f.StartWelcome();
    f.InstallNow();
    f.host.RunFor(kTimer6 * 3);
    f.host.answers = {true};
    f.Click(w.CancelButton);
    f.files.ReleaseDirectory(setup);
    f.host.RunFor(2500);
    EXPECT_TRUE(f.host.ended);
    EXPECT_FALSE(f.files.DirectoryExists(setup));
    EXPECT_FALSE(w.Timer7.enabled());
  }
}

TEST(InstallChain, StepsComeAtTheirIntervals) {
  InstallFixture f;
  f.PutWizardFolder();
  auto& w = f.StartWelcome();
  f.InstallNow();
  const std::string marker = std::string(kSetupPath) + "\\temp.dat";
  std::uint64_t at = 0;
  auto runTo = [&](std::uint64_t ms) {
    f.host.RunFor(ms - at);
    at = ms;
  };

  runTo(kTimer6 - 1);
  EXPECT_TRUE(f.files.FileExists(marker));
  runTo(kTimer6);
  EXPECT_FALSE(f.files.FileExists(marker));
  EXPECT_FALSE(w.Timer6.enabled());
  EXPECT_TRUE(w.Timer7.enabled());
  runTo(kTimer7 - 1);
  EXPECT_FALSE(w.Timer1.enabled());
  runTo(kTimer7);
  EXPECT_TRUE(w.Timer1.enabled());
  EXPECT_FALSE(w.Timer7.enabled());
  runTo(kTimer1 - 1);
  EXPECT_EQ(w.CopyStatusLabel.text(), "Checking previous versions...");
  runTo(kTimer1);
  EXPECT_EQ(w.CopyStatusLabel.text(), "Creating program directory...");
  EXPECT_TRUE(w.Timer2.enabled());
  runTo(kTimer2 - 1);
  EXPECT_EQ(w.BytesCopied.text(), "0");
  runTo(kTimer2);
  EXPECT_NE(w.BytesCopied.text(), "0");
  EXPECT_FALSE(w.Timer2.enabled());
  EXPECT_TRUE(w.Timer3.enabled());
  EXPECT_TRUE(w.Timer4.enabled());
  EXPECT_EQ(w.StatusLabel.text(), "Registering dynamic link library: quilbox.dll");
  for (auto* hidden : {&w.NextButton, &w.CancelButton, &w.BackButton, &w.InstallingTitle,
                       &w.OverallProgressBar, &w.CopyStatusLabel})
    EXPECT_FALSE(hidden->visible()) << hidden->name();
  EXPECT_FALSE(w.CancelButton.enabled());
  EXPECT_EQ(w.OverallProgressBar.value(), 100);
  EXPECT_EQ(w.FileProgressBar.value(), w.FileProgressBar.max());
  EXPECT_TRUE(w.CopyProgressPage.visible());
  EXPECT_FALSE(w.FinishingPage.visible());

  runTo(kTimer3);
  EXPECT_FALSE(w.Timer3.enabled());
  EXPECT_FALSE(w.CopyProgressPage.visible());
  EXPECT_TRUE(w.FinishingPage.ShownOnScreen());
  runTo(kTimer4);
  EXPECT_TRUE(w.Timer5.enabled());
  runTo(kTimer5 - 1);
  EXPECT_FALSE(f.registry.HasKey(RegistryRoot::kClassesRoot, kHandlerKey));
  runTo(kTimer5);
  EXPECT_EQ(w.StatusLabel.text(), "Updating the registry...");
  EXPECT_TRUE(f.registry.GetValue(RegistryRoot::kClassesRoot, kHandlerKey, ""));
  EXPECT_FALSE(f.registry.HasKey(RegistryRoot::kLocalMachine, kUninstallKey));
  runTo(kTimer8);
  EXPECT_EQ(w.StatusLabel.text(), "Saving uninstall configuration...");
  EXPECT_EQ(f.registry.ValueNames(RegistryRoot::kLocalMachine, kUninstallKey).size(), 7u);
  EXPECT_TRUE(w.Timer9.enabled());
  runTo(kTimer9);
  EXPECT_EQ(w.StatusLabel.text(), "Creating shortcuts...");
  EXPECT_FALSE(w.Timer9.enabled());
  for (auto* t : {&w.Timer1, &w.Timer2, &w.Timer3, &w.Timer4, &w.Timer5, &w.Timer6, &w.Timer7, &w.Timer8})
    EXPECT_FALSE(t->enabled()) << t->name();
}

TEST(InstallChain, CompleteInstallPlacesEveryFile) {
  InstallFixture f;
  f.PutWizardFolder();
  // Leftovers of an earlier install in the registry.
  f.registry.PutValue(RegistryRoot::kCurrentUser, kSettingsKey, "AUTORUN", platform::kRegSz, "1");
  f.registry.PutValue(RegistryRoot::kLocalMachine, kRunOnceKey, "Quillen", platform::kRegSz, "x");
  f.registry.PutValue(RegistryRoot::kLocalMachine, kUninstallKey, "EstimatedSize", platform::kRegSz, "9");
  auto& w = f.StartWelcome();
  f.InstallNow();
  f.host.RunFor(kTimer9);

  const std::string setup = kSetupPath;
  const std::set<std::string> expected{
      "SETUP32_.NET.EXE", "quilbox.exe", "quilbox.exe.manifest", "quilbox.xml", "quilbox.vshost.exe",
      "asycfilt.dll", "Velmora.url", "AxInterop.ComCtl2.dll", "AxInterop.ComctlLib.dll", "COMCAT.DLL",
      "COMCT232.OCX", "comctl32.ocx", "comdlg32.ocx", "DLLUNREG.exe", "Interop.ComCtl2.dll",
      "Interop.ComctlLib.dll", "Interop.IWshRuntimeLibrary.dll", "Microsoft.VisualBasic.Compatibility.dll",
      "MSCOMCTL.OCX", "MSVBVM60.DLL", "temp.dat", "SETUP32.EXE", "SETUP1.EXE", "SETUP.EXE", "SETUP1_.NET.EXE",
      "SETUP_.NET.EXE", "START.EXE", "stdole2.tlb", "uninstall.dll", "uninstall.exe", "wshom.ocx"};
  std::int64_t progressBytes = 0;
  for (const auto& e : ExpectedManifest())
    if (e.kind == wizard::ManifestKind::kProgress) progressBytes += static_cast<std::int64_t>(f.sources[e.source].size());
  EXPECT_EQ(expected.size(), 31u);
  EXPECT_EQ(f.Listing(setup), expected);
  EXPECT_EQ(f.Read("C:\\Windows\\System32\\quilbox.dll"), f.sources["quilbox.dll"]);
  EXPECT_FALSE(f.files.FileExists(setup + "\\quilbox.dll"));
  EXPECT_EQ(f.Read(setup + "\\SETUP32_.NET.EXE"), f.sources["quilbox_.NET.EXE"]);
  EXPECT_EQ(f.Read(setup + "\\SETUP1_.NET.EXE"), f.sources["SETUP32_.NET.EXE"]);
  EXPECT_EQ(f.Read(setup + "\\SETUP_.NET.EXE"), f.sources["SETUP32_.NET.EXE"]);
  for (const char* name : {"SETUP32.EXE", "SETUP1.EXE", "SETUP.EXE"})
    EXPECT_EQ(f.Read(setup + "\\" + name), f.sources["SETUP32.EXE"]) << name;
  EXPECT_EQ(f.Read(setup + "\\uninstall.exe"), f.sources["uninstall.exe"]);
  EXPECT_EQ(f.Read(setup + "\\temp.dat"), kMarkerText);
  // Only the progress copies count; the two plain copies do not.
  EXPECT_EQ(w.BytesCopied.text(), std::to_string(progressBytes));
  EXPECT_EQ(w.CopyStatusLabel.text(), "Copying new file: wshom.ocx");

  // The earlier install's entries are gone; the new record is exactly seven values.
  EXPECT_FALSE(f.registry.HasKey(RegistryRoot::kCurrentUser, kSettingsKey));
  EXPECT_FALSE(f.registry.GetValue(RegistryRoot::kLocalMachine, kRunOnceKey, "Quillen"));
  EXPECT_FALSE(f.registry.GetValue(RegistryRoot::kLocalMachine, kUninstallKey, "EstimatedSize"));
  EXPECT_EQ(f.registry.GetValue(RegistryRoot::kLocalMachine, kUninstallKey, "UninstallString")->text(),
            setup + "\\uninstall.exe" + '\0');
  EXPECT_EQ(f.registry.openHandles(), 0u);
}

TEST(InstallManifest, KindsOrderAndNamesAsShipped) {
  platform::fake::Environment env;
  env.Set("ProgramFiles", "C:\\Program Files");
  env.Set("PATH", "C:\\Windows\\System32;C:\\Windows");
  const auto& manifest = wizard::InstallManifest();
  const auto& expected = ExpectedManifest();
  ASSERT_EQ(manifest.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "entry " << i + 1);
    const auto& e = expected[i];
    EXPECT_EQ(manifest[i].kind, e.kind);
    EXPECT_EQ(std::string(manifest[i].source), e.source);
    EXPECT_EQ(manifest[i].folder, e.folder);
    EXPECT_EQ(std::string(manifest[i].destination), e.DestinationName());
    const std::string folder =
        e.folder == wizard::ManifestFolder::kSetupPath ? kSetupPath : "C:\\Windows\\System32";
    EXPECT_EQ(wizard::ManifestDestination(manifest[i], env), folder + "\\" + e.DestinationName());
  }
}

TEST(InstallChain, MissingSourcesAndClosedRootsDoNotStopIt) {
  InstallFixture f;
  f.PutWizardFolder();
  f.files.EraseFile("C:\\Setup\\quilbox.xml");
  f.files.EraseFile("C:\\Setup\\SETUP32_.NET.EXE");
  f.registry.DenyAccess(RegistryRoot::kLocalMachine);
  f.registry.DenyAccess(RegistryRoot::kClassesRoot);
  auto& w = f.StartWelcome();
  f.InstallNow();
  f.host.RunFor(kTimer9);
  EXPECT_EQ(w.StatusLabel.text(), "Creating shortcuts...");
  EXPECT_EQ(f.Read(std::string(kSetupPath) + "\\quilbox.xml"), "");
  EXPECT_FALSE(f.files.FileExists(std::string(kSetupPath) + "\\SETUP_.NET.EXE"));
  EXPECT_TRUE(f.files.FileExists(std::string(kSetupPath) + "\\wshom.ocx"));
  EXPECT_TRUE(f.registry.AllKeys().empty());
}

TEST(InstallChain, CancelDuringACopyStartsNoFurtherCopy) {
  InstallFixture f;
  f.PutWizardFolder();
  auto& w = f.StartWelcome();
  f.InstallNow();
  f.host.RunFor(kTimer2 - 1);
  // The first file spans two blocks; the cancel comes during the second file.
  const int passesInFirstFile = static_cast<int>(f.sources["quilbox_.NET.EXE"].size() / 256);
  f.host.onPendingEvents = [&](int pass) {
    if (pass == passesInFirstFile + 1) w.CancelMarker.SetText("zorp");
  };
  f.host.RunFor(1);
  const std::string setup = kSetupPath;
  EXPECT_EQ(f.Listing(setup), (std::set<std::string>{"quilbox.exe", "SETUP32_.NET.EXE"}));
  EXPECT_EQ(f.Read(setup + "\\quilbox.exe"), f.sources["quilbox.exe"].substr(0, 512));
  EXPECT_FALSE(f.files.FileExists("C:\\Windows\\System32\\quilbox.dll"));
  // The rest of the step still runs.
  EXPECT_TRUE(w.Timer3.enabled());
  EXPECT_TRUE(w.Timer4.enabled());
  EXPECT_EQ(w.OverallProgressBar.value(), 100);
  EXPECT_FALSE(w.CancelButton.visible());
}

TEST(InstallChain, ShortcutDispatchFollowsTheOptions) {
  struct Case {
    int programs, desktop, startMenu, quickLaunch;
    std::vector<int> timers;  // enabled among Timer11..Timer15
  };
  const Case cases[] = {
      {2, 0, 0, 0, {13, 15}},  // untouched page: the grey box counts as wanted
      {0, 0, 0, 0, {15}},
      {1, 1, 1, 1, {11, 12, 13, 14, 15}},
      {0, 1, 0, 1, {11, 14, 15}},
  };
  for (const auto& c : cases) {
    InstallFixture f;
    auto& w = f.StartWelcome();
    w.ProgramsGroupOption.SetCheck(c.programs);
    w.DesktopOption.SetCheck(c.desktop);
    w.StartMenuOption.SetCheck(c.startMenu);
    w.QuickLaunchOption.SetCheck(c.quickLaunch);
    w.Timer9.SetEnabled(true);
    f.host.RunFor(2500);
    std::vector<int> enabled;
    for (int n = 11; n <= 15; ++n)
      if (w.FindTimer("Timer" + std::to_string(n))->enabled()) enabled.push_back(n);
    EXPECT_EQ(enabled, c.timers) << c.programs << c.desktop << c.startMenu << c.quickLaunch;
    EXPECT_FALSE(w.Timer9.enabled());
  }
}

}  // namespace

// The real _install.exe under Wine, driven through its windows from the
// welcome page to the finishing page with a wizard folder of product files;
// then the files on disk and the registry as `reg query` and the installed-
// programs list show them.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tests/wine/e2e_support.h"
#include "ui_driver.h"

namespace {

using uidriver::FindByCaption;
using uidriver::Shown;

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = PrepareWizardFolder("quillon-install-e2e");
    root_ = folder_.root;
    wizardFolder_ = folder_.wizard;
    searchDir_ = folder_.searchDir;
    programFiles_ = folder_.programFiles;
    sources_ = folder_.sources;
    ASSERT_FALSE(sources_.empty());
  }

  WizardFolder folder_;
  std::string root_, wizardFolder_, searchDir_, programFiles_;
  std::map<std::string, std::string> sources_;
  uidriver::Session session_;
};

TEST_F(InstallTest, WelcomeToFinishingPagePlacesFilesAndRegistryEntries) {
  // An earlier install: its files go first, read-only ones included.
  const std::string maker = programFiles_ + "\\Velmora";
  const std::string setup = maker + "\\Quillon";
  CreateDirectoryA(programFiles_.c_str(), nullptr);
  CreateDirectoryA(maker.c_str(), nullptr);
  CreateDirectoryA(setup.c_str(), nullptr);
  CreateDirectoryA((setup + "\\Old").c_str(), nullptr);
  ASSERT_TRUE(WriteFile(setup + "\\obsolete.dll", "old"));
  ASSERT_TRUE(WriteFile(setup + "\\Old\\notes.txt", "old"));
  ASSERT_TRUE(WriteFile(maker + "\\readme.txt", "old"));
  SetFileAttributesA((setup + "\\obsolete.dll").c_str(), FILE_ATTRIBUTE_READONLY);

  ASSERT_TRUE(session_.Start(wizardFolder_ + "\\_install.exe", "",
                             {{"PATH", searchDir_ + ";C:\\windows\\system32;C:\\windows"},
                              {"ProgramFiles", programFiles_},
                              // A 64-bit process under Wine gets ProgramFiles from this one.
                              {"ProgramW6432", programFiles_},
                              {"TEMP", root_}},
                             root_));
  HWND window = session_.WaitForWindow("QuillonWizard");
  ASSERT_NE(window, nullptr);

  HWND next = FindByCaption(window, "Next >");
  ASSERT_NE(next, nullptr);
  uidriver::Press(next);
  ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Install Now")); }, 5000));
  EXPECT_TRUE(Shown(FindByCaption(window, "Create shortcut in 'Programs' menu group")));
  uidriver::Press(FindByCaption(window, "Install Now"));
  ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Installing...")); }, 5000));

  // The chain takes 4.5 s to its copy step and 8 s more to the shortcuts.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Shown(FindByCaption(window, "Creating shortcuts...")) ||
               Shown(FindByCaption(window, "Installation Completed"));
      },
      60000));
  EXPECT_FALSE(Shown(FindByCaption(window, "Installing...")));

  std::set<std::string> expected{"temp.dat", "SETUP1.EXE", "SETUP.EXE", "SETUP1_.NET.EXE", "SETUP_.NET.EXE"};
  // Every source under its own name, but for the library (on the search
  // path) and the .NET launcher (installed as SETUP32_.NET.EXE).
  for (const char* name : kSources)
    if (std::string(name) != "quilbox.dll" && std::string(name) != "quilbox_.NET.EXE") expected.insert(name);
  EXPECT_EQ(expected.size(), 31u);
  EXPECT_EQ(Listing(setup), expected);
  EXPECT_EQ(Listing(maker), std::set<std::string>{"Quillon"});
  EXPECT_EQ(ReadFile(searchDir_ + "\\quilbox.dll"), sources_["quilbox.dll"]);
  EXPECT_EQ(ReadFile(setup + "\\SETUP32_.NET.EXE"), sources_["quilbox_.NET.EXE"]);
  EXPECT_EQ(ReadFile(setup + "\\SETUP_.NET.EXE"), sources_["SETUP32_.NET.EXE"]);
  EXPECT_EQ(ReadFile(setup + "\\SETUP.EXE"), sources_["SETUP32.EXE"]);
  EXPECT_EQ(ReadFile(setup + "\\wshom.ocx"), sources_["wshom.ocx"]);
  EXPECT_EQ(ReadFile(setup + "\\temp.dat"), "This is a temporary file.\r\n");

  const std::string record =
      ConsoleOutput("reg query \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon\"");
  const std::pair<const char*, std::string> values[] = {
      {"DisplayName", "Quillon (1.0.2105.34041)"},
      {"UninstallString", setup + "\\uninstall.exe"},
      {"HelpLink", "http://www.velmora.com/help"},
      {"Publisher", "Velmora Development Team"},
      {"VersionMajor", "1"},
      {"VersionMinor", "0"},
      {"URLUpdateInfo", "http://www.velmora.com/updates.asp"},
  };
  for (const auto& [name, text] : values) {
    bool found = false;
    std::istringstream lines(record);
    for (std::string line; std::getline(lines, line);) {
      if (line.find(name) == std::string::npos) continue;
      found = line.find("REG_SZ") != std::string::npos && line.find(text) != std::string::npos;
    }
    EXPECT_TRUE(found) << name << " in:\n" << record;
  }
  const std::string handler =
      ConsoleOutput("reg query \"HKCR\\AllFilesystemObjects\\shellex\\ContextMenuHandlers\\Quillon\" /ve");
  EXPECT_NE(handler.find("{F7F88BEB-D85E-4905-A8D8-252A82C443FF}"), std::string::npos) << handler;
  EXPECT_TRUE(ListedAsInstalled("Quillon", "Quillon (1.0.2105.34041)"))
      << ConsoleOutput("uninstaller.exe --list");
}

}  // namespace

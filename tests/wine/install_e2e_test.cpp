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

// The uninstall record a finished install leaves, value by value.
const std::pair<const char*, const char*> kUninstallRecord[] = {
    {"DisplayName", "Quillon (1.0.2105.34041)"},
    {"UninstallString", nullptr},  // SetupPath and "\\uninstall.exe"
    {"HelpLink", "http://www.velmora.com/help"},
    {"Publisher", "Velmora Development Team"},
    {"VersionMajor", "1"},
    {"VersionMinor", "0"},
    {"URLUpdateInfo", "http://www.velmora.com/updates.asp"},
};
const char kHandlerId[] = "{F7F88BEB-D85E-4905-A8D8-252A82C443FF}";

// The keys of an earlier installation, written out as the registry names them.
const char kSettingsKey[] = "Control Panel\\Quillon";                                        // HKCU
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";             // HKLM
const char kHandlerKey[] = "AllFilesystemObjects\\shellex\\ContextMenuHandlers\\Quillon";       // HKCR
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon";  // HKLM

// A key's values by name: type and data (a text without its NUL).
using Values = std::map<std::string, std::pair<DWORD, std::string>>;

std::pair<DWORD, std::string> TextValue(const std::string& text) { return {REG_SZ, text}; }
std::pair<DWORD, std::string> NumberValue(DWORD n) {
  return {REG_DWORD, std::string(reinterpret_cast<const char*>(&n), sizeof n)};
}

bool KeyExists(HKEY root, const char* path) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

Values ValuesOf(HKEY root, const char* path) {
  Values values;
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameSize = sizeof name, type = 0, size = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::string data(size, '\0');
    nameSize = sizeof name;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
        ERROR_SUCCESS)
      break;
    data.resize(size);
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && !data.empty() && data.back() == '\0') data.pop_back();
    values[name] = {type, data};
  }
  RegCloseKey(key);
  return values;
}

// Creates `path` and writes `values` into it; texts with their NUL.
bool Seed(HKEY root, const std::string& path, const Values& values) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  bool written = true;
  for (const auto& [name, value] : values) {
    const std::string data = value.first == REG_DWORD ? value.second : value.second + '\0';
    written = written && RegSetValueExA(key, name.c_str(), 0, value.first, reinterpret_cast<const BYTE*>(data.data()),
                                        static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return written;
}

class InstallTest : public EndToEndTest {
 protected:
  void SetUp() override {
    UseFolder("quillon-install-e2e-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  }

  void UseFolder(const std::string& name) {
    folder_ = PrepareWizardFolder(name);
    root_ = folder_.root;
    wizardFolder_ = folder_.wizard;
    searchDir_ = folder_.searchDir;
    programFiles_ = folder_.programFiles;
    sources_ = folder_.sources;
    ASSERT_FALSE(sources_.empty());
  }

  // From the welcome page through "Install Now" until the chain has written
  // the uninstall record and gone on to the shortcuts.
  void InstallToTheShortcuts() {
    ASSERT_TRUE(session_.Start(wizardFolder_ + "\\_install.exe", "", WizardEnvironment(folder_), root_));
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

  ASSERT_NO_FATAL_FAILURE(InstallToTheShortcuts());

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

  const std::string record = RegQuery(StoredSoftwareKey("Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon"));
  for (const auto& [name, literal] : kUninstallRecord) {
    const std::string text = literal ? literal : setup + "\\uninstall.exe";
    bool found = false;
    std::istringstream lines(record);
    for (std::string line; std::getline(lines, line);) {
      if (line.find(name) == std::string::npos) continue;
      found = line.find("REG_SZ") != std::string::npos && line.find(text) != std::string::npos;
    }
    EXPECT_TRUE(found) << name << " in:\n" << record;
  }
  if (OnWow64()) {
    const std::string unredirected = RegQuery("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon");
    EXPECT_EQ(unredirected.find("DisplayName"), std::string::npos) << "a 32-bit install in the 64-bit view:\n"
                                                                   << unredirected;
  }
  // HKCR\AllFilesystemObjects is one key for both views.
  const std::string handler =
      RegQuery("HKCR\\AllFilesystemObjects\\shellex\\ContextMenuHandlers\\Quillon", " /ve");
  EXPECT_NE(handler.find(kHandlerId), std::string::npos) << handler;
  EXPECT_TRUE(ListedAsInstalled("Quillon", "Quillon (1.0.2105.34041)"))
      << ConsoleOutput("uninstaller.exe --list");
}

// The entries an earlier installation left: the clean-up removes its settings
// and run-once values and its keys, and the install writes the handler entry
// and the uninstall record anew, as texts, without the stale values. A
// settings key that has a subkey cannot go and keeps what it holds besides.
TEST_F(InstallTest, EarlierInstallationsEntriesAreClearedAndWrittenAnew) {
  const Values settings = {{"STARTUP_PICTURE_PATH", TextValue("C:\\Quillon\\start.bmp")},
                           {"AUTORUN", NumberValue(1)},
                           {"WINDOW_TITLEBAR_TEXT", TextValue("Quillon 0.9")}};
  const Values staleHandler = {{"", TextValue("{0B9A1C1E-0000-4000-8000-000000000009}")}, {"Stale", TextValue("old")}};
  const Values staleRecord = {{"DisplayName", TextValue("Quillon (0.9.1702.1)")},
                              {"UninstallString", TextValue("C:\\Quillon\\uninstall.exe")},
                              {"InstallLocation", TextValue("C:\\Quillon")},
                              {"VersionMajor", NumberValue(0)}};
  const struct {
    const char* label;
    bool settingsSubkey;
  } cases[] = {{"settings key alone", false}, {"settings key with a subkey", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    UseFolder(std::string("quillon-install-e2e-earlier-") + (c.settingsSubkey ? "subkey" : "alone"));
    const std::string setup = programFiles_ + "\\Velmora\\Quillon";
    const std::pair<HKEY, const char*> keys[] = {
        {HKEY_CURRENT_USER, kSettingsKey}, {HKEY_CLASSES_ROOT, kHandlerKey}, {HKEY_LOCAL_MACHINE, kUninstallKey}};
    for (const auto& [root, path] : keys) RegDeleteTreeA(root, path);
    Values seeded = settings;
    if (c.settingsSubkey) seeded["LastFile"] = TextValue("C:\\Documents\\big.qln");
    ASSERT_TRUE(Seed(HKEY_CURRENT_USER, kSettingsKey, seeded));
    if (c.settingsSubkey) {
      ASSERT_TRUE(Seed(HKEY_CURRENT_USER, std::string(kSettingsKey) + "\\Recent", {}));
    }
    ASSERT_TRUE(Seed(HKEY_LOCAL_MACHINE, kRunOnceKey,
                     {{"Quillen", TextValue("C:\\Quillon\\quilbox.exe /first")},
                      {"Bystander", TextValue("C:\\keep.exe")}}));
    ASSERT_TRUE(Seed(HKEY_CLASSES_ROOT, kHandlerKey, staleHandler));
    ASSERT_TRUE(Seed(HKEY_LOCAL_MACHINE, kUninstallKey, staleRecord));

    ASSERT_NO_FATAL_FAILURE(InstallToTheShortcuts());
    HWND window = session_.WaitForWindow("QuillonWizard");
    ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Installation Completed")); }, 30000));
    uidriver::Press(FindByCaption(window, "Finish"));
    EXPECT_EQ(session_.WaitForExit(10000), 0);

    if (c.settingsSubkey) {
      EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, kSettingsKey), (Values{{"LastFile", TextValue("C:\\Documents\\big.qln")}}));
      EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, (std::string(kSettingsKey) + "\\Recent").c_str()));
    } else {
      EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey)) << ::testing::PrintToString(
          ValuesOf(HKEY_CURRENT_USER, kSettingsKey));
    }
    const Values runOnce = ValuesOf(HKEY_LOCAL_MACHINE, kRunOnceKey);
    EXPECT_EQ(runOnce.count("Quillen"), 0u);
    EXPECT_EQ(runOnce.count("Bystander"), 1u);
    EXPECT_EQ(ValuesOf(HKEY_CLASSES_ROOT, kHandlerKey), (Values{{"", TextValue(kHandlerId)}}));
    Values record;
    for (const auto& [name, literal] : kUninstallRecord)
      record[name] = TextValue(literal ? literal : setup + "\\uninstall.exe");
    EXPECT_EQ(ValuesOf(HKEY_LOCAL_MACHINE, kUninstallKey), record);

    HKEY runOnceKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_SET_VALUE, &runOnceKey) == ERROR_SUCCESS) {
      RegDeleteValueA(runOnceKey, "Bystander");
      RegCloseKey(runOnceKey);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
  }
}

}  // namespace

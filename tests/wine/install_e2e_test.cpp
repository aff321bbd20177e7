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

#include "ui_driver.h"

namespace {

using uidriver::FindByCaption;
using uidriver::Shown;

const char* const kSources[] = {
    "quilbox_.NET.EXE", "quilbox.exe", "quilbox.dll", "quilbox.exe.manifest", "quilbox.xml",
    "quilbox.vshost.exe", "asycfilt.dll", "Velmora.url", "AxInterop.ComCtl2.dll", "AxInterop.ComctlLib.dll",
    "COMCAT.DLL", "COMCT232.OCX", "comctl32.ocx", "comdlg32.ocx", "DLLUNREG.exe", "Interop.ComCtl2.dll",
    "Interop.ComctlLib.dll", "Interop.IWshRuntimeLibrary.dll", "Microsoft.VisualBasic.Compatibility.dll",
    "MSCOMCTL.OCX", "MSVBVM60.DLL", "SETUP32.EXE", "SETUP32_.NET.EXE", "START.EXE", "stdole2.tlb",
    "uninstall.dll", "uninstall.exe", "wshom.ocx"};

bool WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
  return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return names;
}

// What a console command prints.
std::string ConsoleOutput(const std::string& command) {
  std::string output;
  FILE* pipe = _popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  _pclose(pipe);
  return output;
}

template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    if (condition()) return true;
    Sleep(100);
  } while (GetTickCount() - start < timeoutMs);
  return condition();
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "quillon-install-e2e";
    wizardFolder_ = root_ + "\\wizard";
    searchDir_ = root_ + "\\path";
    programFiles_ = root_ + "\\Program Files";  // made by the install itself
    for (const std::string& dir : {root_, wizardFolder_, searchDir_}) CreateDirectoryA(dir.c_str(), nullptr);
    // The wizard runs from its own folder, with the product files beside it.
    ASSERT_TRUE(CopyFileA((uidriver::OwnFolder() + "\\_install.exe").c_str(),
                          (wizardFolder_ + "\\_install.exe").c_str(), FALSE));
    std::size_t size = 700;
    for (const char* name : kSources) {
      std::string data(size, static_cast<char>('a' + sources_.size() % 26));
      data += name;
      ASSERT_TRUE(WriteFile(wizardFolder_ + "\\" + name, data));
      sources_[name] = data;
      size += 2311;
    }
  }

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
  const std::string installed = ConsoleOutput("uninstaller.exe --list");
  EXPECT_NE(installed.find("Quillon (1.0.2105.34041)"), std::string::npos) << installed;
}

}  // namespace

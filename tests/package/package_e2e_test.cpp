// The package as a user starts it: setup.exe unpacks its payload into TEMP and
// hands over to trampo.exe, which starts the wizard; the user walks through a
// default install, changing their mind about cancelling on every page, and
// "Finish" ends it. Then what a user and an administrator find: the files
// with the product's bytes, the library on the search path, the registry,
// the installed-programs list and the Programs-group shortcuts.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "tests/wine/e2e_support.h"
#include "ui_driver.h"

namespace {

using uidriver::FindByCaption;
using uidriver::Press;
using uidriver::Shown;

// Every file the wizard takes from its folder, and where a default install
// puts its copies (SetupPath unless marked otherwise).
const std::map<std::string, std::set<std::string>> kInstalledAs = {
    {"quilbox_.NET.EXE", {"SETUP32_.NET.EXE"}},
    {"quilbox.exe", {"quilbox.exe"}},
    {"quilbox.dll", {}},  // the first search-path directory
    {"quilbox.exe.manifest", {"quilbox.exe.manifest"}},
    {"quilbox.xml", {"quilbox.xml"}},
    {"quilbox.vshost.exe", {"quilbox.vshost.exe"}},
    {"asycfilt.dll", {"asycfilt.dll"}},
    {"Velmora.url", {"Velmora.url"}},
    {"AxInterop.ComCtl2.dll", {"AxInterop.ComCtl2.dll"}},
    {"AxInterop.ComctlLib.dll", {"AxInterop.ComctlLib.dll"}},
    {"COMCAT.DLL", {"COMCAT.DLL"}},
    {"COMCT232.OCX", {"COMCT232.OCX"}},
    {"comctl32.ocx", {"comctl32.ocx"}},
    {"comdlg32.ocx", {"comdlg32.ocx"}},
    {"DLLUNREG.exe", {"DLLUNREG.exe"}},
    {"Interop.ComCtl2.dll", {"Interop.ComCtl2.dll"}},
    {"Interop.ComctlLib.dll", {"Interop.ComctlLib.dll"}},
    {"Interop.IWshRuntimeLibrary.dll", {"Interop.IWshRuntimeLibrary.dll"}},
    {"Microsoft.VisualBasic.Compatibility.dll", {"Microsoft.VisualBasic.Compatibility.dll"}},
    {"MSCOMCTL.OCX", {"MSCOMCTL.OCX"}},
    {"MSVBVM60.DLL", {"MSVBVM60.DLL"}},
    {"SETUP32.EXE", {"SETUP32.EXE", "SETUP1.EXE", "SETUP.EXE"}},
    {"SETUP32_.NET.EXE", {"SETUP1_.NET.EXE", "SETUP_.NET.EXE"}},
    {"START.EXE", {"START.EXE"}},
    {"stdole2.tlb", {"stdole2.tlb"}},
    {"uninstall.dll", {"uninstall.dll"}},
    {"uninstall.exe", {"uninstall.exe"}},
    {"wshom.ocx", {"wshom.ocx"}},
};

// Where a shortcut file points.
std::string ShortcutTarget(const std::string& file) {
  std::string target;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return target;
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    std::wstring wide(file.begin(), file.end());
    if (SUCCEEDED(persist->Load(wide.c_str(), STGM_READ))) {
      char path[MAX_PATH] = {};
      if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) target = path;
    }
    persist->Release();
  }
  link->Release();
  return target;
}

// The machine type in a PE image's file header (0 when it is none).
unsigned ImageMachine(const std::string& path) {
  const std::string image = ReadFile(path);
  if (image.size() < 0x40) return 0;
  const auto byte = [&](std::size_t at) { return at < image.size() ? static_cast<unsigned char>(image[at]) : 0u; };
  const std::size_t header = byte(0x3c) | byte(0x3d) << 8 | byte(0x3e) << 16 | static_cast<std::size_t>(byte(0x3f)) << 24;
  if (image.compare(header, 4, std::string("PE\0\0", 4)) != 0) return 0;
  return byte(header + 4) | byte(header + 5) << 8;
}

unsigned OwnMachine() {
#ifdef _WIN64
  return IMAGE_FILE_MACHINE_AMD64;
#else
  return IMAGE_FILE_MACHINE_I386;
#endif
}

class PackageTest : public EndToEndTest {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "quillon-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    temp_ = root_ + "\\Local Temp";  // with a blank, as on many systems
    searchDir_ = root_ + "\\path";
    programFiles_ = ProgramFilesSeen(root_);
    setupPath_ = programFiles_ + "\\Velmora\\Quillon";
    for (const std::string& dir : {root_, temp_, searchDir_}) CreateDirectoryA(dir.c_str(), nullptr);
  }
  void TearDown() override {
    EndToEndTest::TearDown();  // while the wizard still shows
    if (wizardProcess_) {
      if (WaitForSingleObject(wizardProcess_, 0) == WAIT_TIMEOUT) TerminateProcess(wizardProcess_, 1);
      CloseHandle(wizardProcess_);
    }
    CoUninitialize();
  }

  std::map<std::string, std::string> Environment() const {
    std::map<std::string, std::string> environment = ProgramFolderVariables(root_);
    environment["PATH"] = searchDir_ + ";C:\\windows\\system32;C:\\windows";
    environment["TEMP"] = environment["TMP"] = temp_;
    return environment;
  }

  // Starts a package's setup.exe, lets it hand over, and returns the wizard's
  // window (another process, started by trampo.exe).
  HWND StartPackage(const std::string& setupExe) {
    EXPECT_TRUE(setup_.Start(setupExe, "", Environment(), root_)) << setupExe;
    EXPECT_NE(setup_.WaitForWindow("#32770", 20000), nullptr) << "no \"Please wait...\" box";
    EXPECT_EQ(setup_.WaitForExit(60000), 18);
    HWND window = uidriver::WaitForTopLevel({"QuillonWizard", std::nullopt, 0, true}, 20000);
    if (!window) return nullptr;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wizardProcess_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
    return window;
  }

  bool WizardEnds(DWORD timeoutMs) {
    return wizardProcess_ && WaitForSingleObject(wizardProcess_, timeoutMs) == WAIT_OBJECT_0;
  }

  // The wizard's "Quillon" question box, answered No.
  void AnswerNo(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HWND box = uidriver::WaitForTopLevel({"#32770", "Quillon", pid, true}, 10000);
    ASSERT_NE(box, nullptr) << "no question box";
    EXPECT_NE(FindByCaption(box, "Are you sure you want to exit the installation?"), nullptr);
    Press(GetDlgItem(box, IDNO));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 10000));
    EXPECT_FALSE(WizardEnds(0));
    EXPECT_TRUE(IsWindowVisible(window));
  }

  std::string root_, temp_, searchDir_, programFiles_, setupPath_;
  uidriver::Session setup_;
  HANDLE wizardProcess_ = nullptr;
};

TEST_F(PackageTest, DefaultInstallFromSetupToFinish) {
  const DWORD start = GetTickCount();
  HWND window = StartPackage(uidriver::OwnFolder() + "\\setup.exe");
  ASSERT_NE(window, nullptr);
  std::printf("setup.exe to the welcome page: %lu ms\n", GetTickCount() - start);
  // The payload went into TEMP; the wizard runs from there.
  const std::set<std::string> unpacked = Listing(temp_);
  for (const auto& [source, copies] : kInstalledAs) EXPECT_EQ(unpacked.count(source), 1u) << source;
  for (const char* program : {"_install.exe", "install.exe", "trampo.exe"}) EXPECT_EQ(unpacked.count(program), 1u);
  // The wizard the package runs is byte for byte the _install.exe beside this
  // test, which the wizard's own tests run, and both are images of this
  // test's machine type: what ships is what is tested.
  const std::string shipped = ReadFile(temp_ + "\\_install.exe");
  ASSERT_FALSE(shipped.empty());
  EXPECT_TRUE(shipped == ReadFile(uidriver::OwnFolder() + "\\_install.exe"))
      << "the package's _install.exe is not the one the wizard tests run";
  for (const std::string& image : {uidriver::OwnFolder() + "\\setup.exe", temp_ + "\\_install.exe"})
    EXPECT_EQ(ImageMachine(image), OwnMachine()) << image;

  // Welcome page: a close request is a Cancel press, and No carries on.
  ASSERT_TRUE(Shown(FindByCaption(window, setupPath_ + "\\")));
  PostMessageA(window, WM_CLOSE, 0, 0);
  AnswerNo(window);
  ASSERT_TRUE(Shown(FindByCaption(window, setupPath_ + "\\")));

  Press(FindByCaption(window, "Next >"));
  ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Install Now")); }, 5000));
  Press(FindByCaption(window, "Cancel"));
  AnswerNo(window);
  ASSERT_TRUE(Shown(FindByCaption(window, "Install Now")));

  const DWORD installStart = GetTickCount();
  Press(FindByCaption(window, "Install Now"));
  ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Installing...")); }, 5000));
  // In the middle of the copy: the question holds it, No lets it go on.
  ASSERT_TRUE(WaitUntil([&] { return Listing(setupPath_).size() > 3; }, 30000));
  Press(FindByCaption(window, "Cancel"));
  AnswerNo(window);

  ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Preparing installation...")) ||
                                     Shown(FindByCaption(window, "Creating shortcuts..."));
                        }, 180000));
  std::printf("Install Now to the finishing page: %lu ms\n", GetTickCount() - installStart);
  HWND cancel = FindByCaption(window, "Cancel");
  if (cancel && Shown(cancel)) {  // the finishing page lasts seconds; completion may still win the race
    Press(cancel);
    AnswerNo(window);
  }

  ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Installation Completed")); }, 60000));
  HWND finish = FindByCaption(window, "Finish");
  ASSERT_TRUE(Shown(finish));
  Press(finish);
  ASSERT_TRUE(WizardEnds(10000));

  // The files: 30 copies and the marker in SetupPath, each with its source's bytes.
  std::set<std::string> expected{"temp.dat"};
  for (const auto& [source, copies] : kInstalledAs) expected.insert(copies.begin(), copies.end());
  ASSERT_EQ(expected.size(), 31u);
  EXPECT_EQ(Listing(setupPath_), expected);
  EXPECT_EQ(Listing(programFiles_ + "\\Velmora"), std::set<std::string>{"Quillon"});
  if (OnWow64()) {
    EXPECT_FALSE(Exists(root_ + "\\Program Files")) << "a 32-bit install in 64-bit Program Files";
  }
  for (const auto& [source, copies] : kInstalledAs) {
    const std::string original = ReadFile(std::string(QUILLON_SAMPLE_PRODUCT_DIR) + "\\" + source);
    ASSERT_FALSE(original.empty()) << source;
    for (const std::string& copy : copies)
      EXPECT_TRUE(ReadFile(setupPath_ + "\\" + copy) == original) << copy << " is not " << source;
  }
  EXPECT_EQ(ReadFile(setupPath_ + "\\temp.dat"), "This is a temporary file.\r\n");
  EXPECT_EQ(Listing(searchDir_), std::set<std::string>{"quilbox.dll"});
  EXPECT_TRUE(ReadFile(searchDir_ + "\\quilbox.dll") ==
              ReadFile(std::string(QUILLON_SAMPLE_PRODUCT_DIR) + "\\quilbox.dll"));

  // The registry as an administrator reads it.
  const std::string record = RegQuery(StoredSoftwareKey("Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon"));
  for (const std::string& line : {std::string("DisplayName    REG_SZ    Quillon (1.0.2105.34041)"),
                                  "UninstallString    REG_SZ    " + setupPath_ + "\\uninstall.exe",
                                  std::string("Publisher    REG_SZ    Velmora Development Team")})
    EXPECT_NE(record.find(line), std::string::npos) << line << " in:\n" << record;
  const std::string handler =
      RegQuery("HKCR\\AllFilesystemObjects\\shellex\\ContextMenuHandlers\\Quillon", " /ve");
  EXPECT_NE(handler.find("{F7F88BEB-D85E-4905-A8D8-252A82C443FF}"), std::string::npos) << handler;
  EXPECT_TRUE(ListedAsInstalled("Quillon", "Quillon (1.0.2105.34041)"))
      << ConsoleOutput("uninstaller.exe --list");

  // The default options: the Programs group only, with its three shortcuts.
  const std::string group = Folder(CSIDL_PROGRAMS) + "\\Velmora\\Quillon";
  EXPECT_EQ(Listing(group),
            (std::set<std::string>{"Quillon.lnk", "Uninstall Quillon.lnk", "Velmora Homepage.lnk"}));
  const std::pair<const char*, const char*> links[] = {
      {"Quillon.lnk", "quilbox.exe"}, {"Uninstall Quillon.lnk", "uninstall.exe"}, {"Velmora Homepage.lnk", "Velmora.url"}};
  for (const auto& [link, target] : links)
    EXPECT_STRCASEEQ(ShortcutTarget(group + "\\" + link).c_str(), (setupPath_ + "\\" + target).c_str()) << link;
  EXPECT_FALSE(Exists(Folder(CSIDL_DESKTOPDIRECTORY) + "\\Quillon.lnk"));
  EXPECT_FALSE(Exists(Folder(CSIDL_STARTMENU) + "\\Quillon.lnk"));
}

TEST_F(PackageTest, PackageForAMissingFrameworkStartsItsInstaller) {
  HWND window = StartPackage(QUILLON_FRAMEWORK_MISSING_SETUP);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(Shown(FindByCaption(window, "Next >")));
  HWND button = FindByCaption(window, "Install Microsoft .NET Framework 2.0 Beta");
  ASSERT_TRUE(Shown(button));
  Press(button);
  // install.exe beside the wizard, in TEMP, is started, and the wizard ends.
  const std::string record = temp_ + "\\install.exe.started";
  // The stand-in creates its record before it writes it: wait for the text.
  EXPECT_TRUE(WaitUntil([&] { return ReadFile(record).find(temp_ + "\\install.exe") != std::string::npos; }, 10000))
      << (Exists(record) ? ReadFile(record) : "no record");
  EXPECT_TRUE(WizardEnds(10000));
  EXPECT_FALSE(Exists(programFiles_));
}

// The bed that stands for an older Windows reports it to the programs too, so
// that they run as they would there.
TEST(PackageBed, ReportsTheWindowsVersionItStandsFor) {
  const char* bed = std::getenv("QUILLON_WINE_VERSION");
  const std::map<std::string, DWORD> minors = {{"win2k", 0}, {"winxp", 1}};  // Windows 2000 is 5.0, XP 5.1
  if (bed == nullptr || minors.count(bed) == 0) GTEST_SKIP() << "the bed's own Windows version";
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(5u, info.dwMajorVersion) << bed;
  EXPECT_EQ(minors.at(bed), info.dwMinorVersion) << bed;
}

}  // namespace

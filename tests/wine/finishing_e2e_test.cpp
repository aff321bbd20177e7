// The real _install.exe under Wine at the end of an install and on its ways
// out: shortcuts and "Finish", a confirmed cancel handing over to its removal
// script, the framework installer button, the maker's link, a window drag.
#include <gtest/gtest.h>

#include "platform/win32/shell.h"
#include "tests/wine/e2e_support.h"
#include "ui_driver.h"

namespace {

using uidriver::FindByCaption;
using uidriver::Press;
using uidriver::Shown;

class FinishingTest : public EndToEndTest {
 protected:
  void StartWizard(const std::string& name) {
    folder_ = PrepareWizardFolder(name);
    ASSERT_FALSE(folder_.sources.empty());
    setup_ = folder_.programFiles + "\\Velmora\\Quillon";
  }
  HWND Run(const std::string& arguments = "") {
    EXPECT_TRUE(session_.Start(folder_.wizard + "\\_install.exe", arguments, WizardEnvironment(folder_),
                               folder_.root));
    HWND window = session_.WaitForWindow("QuillonWizard");
    EXPECT_NE(window, nullptr);
    return window;
  }
  // Next, then the options page.
  void ToOptions(HWND window) {
    Press(FindByCaption(window, "Next >"));
    ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Install Now")); }, 5000));
  }

  // Recording stand-ins named `program` beside the wizard and in its working
  // directory, where a program started by a bare name would be looked for
  // first. Each writes trampo-record.txt beside itself if it runs.
  void PlantStandIns(const char* program) {
    for (const std::string& dir : {folder_.wizard, folder_.root})
      ASSERT_TRUE(CopyFileA((uidriver::OwnFolder() + "\\trampo.exe").c_str(), (dir + "\\" + program).c_str(), FALSE));
  }
  void ExpectNoStandInRan() {
    for (const std::string& dir : {folder_.wizard, folder_.root})
      EXPECT_FALSE(Exists(dir + "\\trampo-record.txt")) << ReadFile(dir + "\\trampo-record.txt");
  }

  WizardFolder folder_;
  std::string setup_;
  uidriver::Session session_;
};

TEST_F(FinishingTest, AllFourOptionsMakeFiveShortcutsAndFinishEnds) {
  StartWizard("quillon-finishing-all");
  // The shortcut steps refresh the desktop through RUNDLL32.EXE: the system's.
  PlantStandIns("RUNDLL32.EXE");
  const std::string quickLaunch = Folder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch";
  SHCreateDirectoryExA(nullptr, quickLaunch.c_str(), nullptr);
  HWND window = Run();
  ASSERT_NE(window, nullptr);
  ToOptions(window);

  // Grey leaves to clear, then set; the other three are set by one click.
  HWND programs = FindByCaption(window, "Create shortcut in 'Programs' menu group");
  for (int i = 0; i < 2; ++i) Press(programs);
  for (const char* caption : {"Create shortcut in 'Windows Start' menu", "Create shortcut on 'Desktop'",
                              "Create shortcut as 'Quick Launch' on taskbar"})
    Press(FindByCaption(window, caption));
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(programs, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000));
  Press(FindByCaption(window, "Install Now"));

  ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Installation Completed")); }, 60000));
  HWND finish = FindByCaption(window, "Finish");
  ASSERT_NE(finish, nullptr);
  EXPECT_TRUE(Shown(finish));
  EXPECT_EQ(GetWindowLongA(finish, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);

  const std::string product = setup_ + "\\quilbox.exe";
  const std::string group = Folder(CSIDL_PROGRAMS) + "\\Velmora\\Quillon\\";
  const std::pair<std::string, std::string> links[] = {
      {Folder(CSIDL_DESKTOPDIRECTORY) + "\\Quillon.lnk", product},
      {Folder(CSIDL_STARTMENU) + "\\Quillon.lnk", product},
      {quickLaunch + "\\Quillon.lnk", product},
      {group + "Quillon.lnk", product},
      {group + "Velmora Homepage.lnk", setup_ + "\\Velmora.url"},
      {group + "Uninstall Quillon.lnk", setup_ + "\\uninstall.exe"},
  };
  platform::win32::Shell shell;  // brings up COM for reading the links back
  for (const auto& [link, target] : links) {
    std::string madeTarget, icon;
    ASSERT_TRUE(platform::win32::ReadShortcut(link, &madeTarget, &icon)) << link;
    EXPECT_EQ(_stricmp(madeTarget.c_str(), target.c_str()), 0) << link << " -> " << madeTarget;
    EXPECT_EQ(_stricmp(icon.c_str(), target.c_str()), 0) << link << " icon " << icon;
  }

  ExpectNoStandInRan();

  Press(finish);
  EXPECT_EQ(session_.WaitForExit(5000), 0);
}

TEST_F(FinishingTest, ConfirmedCancelDuringTheCopyLeavesNothingOfTheProduct) {
  StartWizard("quillon-finishing-cancel");
  // A first file large enough to be mid-copy when the cancel comes.
  ASSERT_TRUE(WriteFile(folder_.wizard + "\\quilbox_.NET.EXE", std::string(24 << 20, 'q')));
  // Things beside the install that must survive it.
  const std::string bystanders[] = {folder_.root + "\\keep.txt", folder_.programFiles + "\\keep.txt"};
  CreateDirectoryA(folder_.programFiles.c_str(), nullptr);
  for (const auto& file : bystanders) ASSERT_TRUE(WriteFile(file, "keep"));

  HWND window = Run();
  ASSERT_NE(window, nullptr);
  ToOptions(window);
  Press(FindByCaption(window, "Install Now"));
  ASSERT_TRUE(WaitUntil([&] { return Exists(setup_ + "\\SETUP32_.NET.EXE"); }, 30000));

  // A close request asks the cancel question; Yes.
  PostMessageA(window, WM_CLOSE, 0, 0);
  HWND question = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (question = session_.FindTopLevel("#32770", "Quillon")) != nullptr; }, 10000));
  EXPECT_TRUE(Shown(FindByCaption(question, "Are you sure you want to exit the installation?")));
  Press(GetDlgItem(question, IDYES));  // by its id: the system words its caption in its own language
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, 10000));
  EXPECT_EQ(session_.WaitForExit(15000), 0);
  EXPECT_FALSE(Exists(folder_.searchDir + "\\quilbox.dll"));

  // The script finishes the removal once the wizard has gone.
  EXPECT_TRUE(WaitUntil([&] { return !Exists(folder_.programFiles + "\\Velmora"); }, 30000))
      << "left: " << ::testing::PrintToString(Listing(setup_));
  for (const auto& file : bystanders) EXPECT_EQ(ReadFile(file), "keep") << file;
  EXPECT_TRUE(Exists(folder_.root + "\\temp1.bat"));
}

TEST_F(FinishingTest, FrameworkButtonStartsTheInstallerAndEnds) {
  StartWizard("quillon-finishing-framework");
  ASSERT_TRUE(CopyFileA((uidriver::OwnFolder() + "\\install.exe").c_str(),
                        (folder_.wizard + "\\install.exe").c_str(), FALSE));
  HWND window = Run("-0");
  ASSERT_NE(window, nullptr);
  Press(FindByCaption(window, "Install Microsoft .NET Framework 2.0 Beta"));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return Exists(folder_.wizard + "\\install.exe.started"); }, 10000));
  EXPECT_EQ(session_.WaitForExit(10000), 0);
}

TEST_F(FinishingTest, MakerLinkOpensThePageInTheBrowser) {
  const std::string log = QUILLON_BROWSER_LOG;
  ASSERT_TRUE(RecordBrowserLaunches(QUILLON_BROWSER_RECORDER, log));

  StartWizard("quillon-finishing-link");
  // The link is handed to explorer.exe: the system's.
  PlantStandIns("explorer.exe");
  HWND window = Run();
  ASSERT_NE(window, nullptr);
  HWND link = FindByCaption(window, "www.velmora.com");
  ASSERT_NE(link, nullptr);
  RECT before, after;
  GetWindowRect(window, &before);
  PostMessageA(link, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
  EXPECT_TRUE(WaitUntil([&] { return ReadFile(log).find("http://www.velmora.com") != std::string::npos; }, 20000))
      << ReadFile(log);
  GetWindowRect(window, &after);
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(before.top, after.top);
  ExpectNoStandInRan();
}

// A left-button drag on a page's text moves the whole window; a right-button
// one does not.
TEST_F(FinishingTest, DraggingAPageMovesTheWindow) {
  StartWizard("quillon-finishing-drag");
  HWND window = Run();
  ASSERT_NE(window, nullptr);
  HWND text = FindByCaption(window, "To continue, click 'Next' button below.");
  ASSERT_NE(text, nullptr);
  RECT start, label;
  GetWindowRect(window, &start);
  GetWindowRect(text, &label);
  const POINT at = {label.left + 5, (label.top + label.bottom) / 2};

  uidriver::MouseDrag(at, 40, 32, MOUSEEVENTF_RIGHTDOWN);
  RECT afterRight;
  GetWindowRect(window, &afterRight);
  EXPECT_EQ(afterRight.left, start.left);
  EXPECT_EQ(afterRight.top, start.top);

  uidriver::MouseDrag(at, 40, 32, MOUSEEVENTF_LEFTDOWN);
  RECT moved;
  ASSERT_TRUE(WaitUntil([&] {
    GetWindowRect(window, &moved);
    return moved.left != start.left;
  }, 3000));
  EXPECT_EQ(moved.left - start.left, 40);
  EXPECT_EQ(moved.top - start.top, 32);
  EXPECT_EQ(moved.right - moved.left, start.right - start.left);
}

}  // namespace

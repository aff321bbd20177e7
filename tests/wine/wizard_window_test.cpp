// The real _install.exe under Wine, read through Win32 as a screen reader or
// a test driver sees it.
#include <gtest/gtest.h>

#include "tests/wine/e2e_support.h"
#include "ui_driver.h"

namespace {

using uidriver::FindByCaption;
using uidriver::Shown;
using uidriver::Text;

class WizardWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    searchDir_ = std::string(temp) + "quillon-wizard-path";
    CreateDirectoryA(searchDir_.c_str(), nullptr);
  }

  HWND Start(const std::string& arguments, const std::string& firstPathDirectory = "") {
    const std::string first = firstPathDirectory.empty() ? searchDir_ : firstPathDirectory;
    auto environment = ProgramFolderVariables("C:");
    environment["PATH"] = first + ";C:\\windows\\system32;C:\\windows";
    environment["TEMP"] = searchDir_;
    EXPECT_TRUE(session_.Start(uidriver::OwnFolder() + "\\_install.exe", arguments, environment));
    HWND window = session_.WaitForWindow("QuillonWizard");
    EXPECT_NE(window, nullptr);
    return window;
  }

  std::string searchDir_;
  uidriver::Session session_;
};

bool IsDefaultButton(HWND button) {
  return (GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
}

TEST_F(WizardWindowTest, WelcomePageAsTheUserSeesIt) {
  HWND window = Start("");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Text(window), "");

  // No title bar, a thin border, not resizable, topmost, 481 x 437, centred.
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_NE(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_BORDER);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 481);
  EXPECT_EQ(client.bottom, 437);
  RECT frame, work;
  GetWindowRect(window, &frame);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR((frame.left + frame.right) / 2, (work.left + work.right) / 2, 2);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, (work.top + work.bottom) / 2, 2);

  HWND next = FindByCaption(window, "Next >");
  HWND back = FindByCaption(window, "< Back");
  HWND cancel = FindByCaption(window, "Cancel");
  ASSERT_TRUE(next && back && cancel);
  for (HWND b : {next, back, cancel}) {
    EXPECT_EQ(uidriver::ClassOf(b), "Button");
    EXPECT_TRUE(Shown(b));
  }
  EXPECT_TRUE(IsWindowEnabled(next));
  EXPECT_FALSE(IsWindowEnabled(back));
  EXPECT_FALSE(IsDefaultButton(cancel));

  HWND path = FindByCaption(window, ProgramFilesSeen("C:") + "\\Velmora\\Quillon\\");
  ASSERT_NE(path, nullptr);
  EXPECT_TRUE(Shown(path));
  EXPECT_TRUE(Shown(FindByCaption(window, "To continue, click 'Next' button below.")));
  EXPECT_FALSE(Shown(FindByCaption(window, "Install Microsoft .NET Framework 2.0 Beta")));
  EXPECT_FALSE(Shown(FindByCaption(window, "Installation Error")));

  // The options exist as real three-state check boxes, the first one grey.
  HWND programs = FindByCaption(window, "Create shortcut in 'Programs' menu group");
  ASSERT_NE(programs, nullptr);
  EXPECT_FALSE(Shown(programs));
  EXPECT_EQ(GetWindowLongA(programs, GWL_STYLE) & 0x0F, BS_3STATE);
  EXPECT_EQ(SendMessageA(programs, BM_GETCHECK, 0, 0), BST_INDETERMINATE);

  // The write test left nothing behind.
  EXPECT_EQ(GetFileAttributesA((searchDir_ + "\\temp.dat").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WizardWindowTest, FrameworkMissingShowsItsPageAndExitEndsIt) {
  HWND window = Start("-0");
  ASSERT_NE(window, nullptr);
  HWND exitButton = FindByCaption(window, "Exit");
  ASSERT_NE(exitButton, nullptr);
  EXPECT_TRUE(IsDefaultButton(exitButton));
  EXPECT_FALSE(Shown(FindByCaption(window, "Next >")));
  EXPECT_FALSE(Shown(FindByCaption(window, "< Back")));
  EXPECT_TRUE(Shown(FindByCaption(window, "Microsoft .NET Platform Required")));
  EXPECT_TRUE(Shown(FindByCaption(window, "www.microsoft.com/net/basics.mspx")));
  HWND install = FindByCaption(window, "Install Microsoft .NET Framework 2.0 Beta");
  ASSERT_NE(install, nullptr);
  EXPECT_TRUE(Shown(install));
  EXPECT_FALSE(IsDefaultButton(install));

  // A close request presses "Exit", which ends the wizard at once.
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(session_.WaitForExit(5000), 0);
}

TEST_F(WizardWindowTest, FrameworkOutdatedNamesTheVersion) {
  HWND window = Start("-1:2.0.40607");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(Shown(FindByCaption(window, "Microsoft .NET Framework Version Outdated")));
  EXPECT_FALSE(Shown(FindByCaption(window, "www.microsoft.com/net/basics.mspx")));
  bool found = false;
  for (HWND h : uidriver::Descendants(window))
    if (Text(h).rfind("You have 2.0.40607 installed on your computer", 0) == 0) found = Shown(h);
  EXPECT_TRUE(found);
  EXPECT_TRUE(IsDefaultButton(FindByCaption(window, "Exit")));
}

TEST_F(WizardWindowTest, UnwritableSearchPathShowsTheErrorPage) {
  // A plain file where the directory should be: nothing can be created in it.
  const std::string blocker = searchDir_ + "\\not-a-directory";
  HANDLE f = CreateFileA(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
  for (const std::string& first : {blocker, searchDir_ + "\\missing"}) {
    uidriver::Session session;
    auto environment = ProgramFolderVariables("C:");
    environment["PATH"] = first + ";C:\\windows\\system32";
    ASSERT_TRUE(session.Start(uidriver::OwnFolder() + "\\_install.exe", "-0", environment));
    HWND window = session.WaitForWindow("QuillonWizard");
    ASSERT_NE(window, nullptr) << first;
    EXPECT_TRUE(Shown(FindByCaption(window, "Installation Error"))) << first;
    EXPECT_FALSE(Shown(FindByCaption(window, "Microsoft .NET Platform Required"))) << first;
    EXPECT_TRUE(Shown(FindByCaption(window, "Install Microsoft .NET Framework 2.0 Beta")));
    EXPECT_TRUE(IsDefaultButton(FindByCaption(window, "Exit")));
    EXPECT_FALSE(Shown(FindByCaption(window, "Next >")));
  }
}

}  // namespace

#include <gtest/gtest.h>

#include "platform/fake/environment.h"
#include "platform/fake/file_system.h"
#include "wizard/removal/del_tree.h"

namespace {

using platform::FsResult;

struct DelTreeFixture : ::testing::Test {
  platform::fake::Environment env;
  platform::fake::FileSystem files;
  const std::string maker = "C:\\Program Files\\Velmora";
  const std::string setup = "C:\\Program Files\\Velmora\\Quillon";

  DelTreeFixture() {
    env.Set("ProgramFiles", "C:\\Program Files");
    files.MakeDirectories("C:\\Program Files");
  }

  // What an earlier install leaves: files in both directories.
  void PutInstall() {
    files.PutFile(maker + "\\readme.txt", "r");
    for (const char* name : {"quilbox.exe", "SETUP.EXE", "temp.dat", "uninstall.exe"})
      files.PutFile(setup + "\\" + name, name);
  }
  std::set<std::string> Below(const std::string& dir) {
    std::set<std::string> below;
    for (const auto& p : files.AllPaths())
      if (p.size() > dir.size() && p.compare(0, dir.size() + 1, dir + "\\") == 0) below.insert(p);
    return below;
  }
};

TEST_F(DelTreeFixture, NothingToDoChangesNothing) {
  PutInstall();
  files.PutFile("C:\\NoBackslash", "x");
  const auto before = files.AllPaths();
  for (const char* path : {"", "   ", "NoBackslash", "C:\\Program Files\\Missing", "C:\\NoBackslash"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(wizard::DelTree(files, env, path), wizard::kDelTreeNothingDone);
    EXPECT_EQ(files.AllPaths(), before);
  }
}

TEST_F(DelTreeFixture, MakerDirectoryOfAnInstallIsLeftEmpty) {
  for (const std::string& path : {maker, maker + "\\", "  " + maker + "  "}) {
    SCOPED_TRACE(path);
    PutInstall();
    files.PutFile(setup + "\\ro.dll", "x", platform::kAttrReadOnly | platform::kAttrHidden);
    files.PutFile(maker + "\\sys.ini", "x", platform::kAttrSystem);
    files.PutFile(setup + "\\Data\\deep\\x.bin", "x");
    const int result = wizard::DelTree(files, env, path);
    // The maker's directory cannot go (SetupPath is back in it): a failure.
    EXPECT_NE(result, 0);
    EXPECT_TRUE(files.DirectoryExists(maker));
    EXPECT_TRUE(files.DirectoryExists(setup));
    EXPECT_EQ(Below(maker), std::set<std::string>{setup});
  }
}

TEST_F(DelTreeFixture, AnyTreeGoesAndTheInstallDirectoriesAppear) {
  files.PutFile("C:\\Other\\a.txt", "a");
  files.PutFile("C:\\Other\\Sub\\b.txt", "b");
  EXPECT_EQ(wizard::DelTree(files, env, "C:\\Other"), 0);
  EXPECT_FALSE(files.DirectoryExists("C:\\Other"));
  EXPECT_TRUE(files.DirectoryExists(setup));

  // With both present already, each re-creation fails and is recorded.
  files.PutFile("C:\\Other\\Sub\\b.txt", "b");
  EXPECT_EQ(wizard::DelTree(files, env, "C:\\Other"), static_cast<int>(FsResult::kAlreadyExists));
  EXPECT_FALSE(files.DirectoryExists("C:\\Other"));
}

TEST_F(DelTreeFixture, AFileThatCannotGoStopsTheCall) {
  PutInstall();
  files.Lock(setup + "\\SETUP.EXE");
  const int result = wizard::DelTree(files, env, maker);
  EXPECT_EQ(result, static_cast<int>(FsResult::kSharingViolation));
  // Listed before it: gone; the locked file and everything after it: kept.
  EXPECT_FALSE(files.FileExists(setup + "\\quilbox.exe"));
  EXPECT_TRUE(files.FileExists(setup + "\\SETUP.EXE"));
  EXPECT_TRUE(files.FileExists(setup + "\\temp.dat"));
  EXPECT_FALSE(files.FileExists(maker + "\\readme.txt"));
}

TEST_F(DelTreeFixture, LinksAreRemovedNeverFollowed) {
  PutInstall();
  files.PutFile("C:\\Users\\Me\\Documents\\letter.doc", "keep me");
  files.PutFile("C:\\Users\\Me\\Documents\\Sub\\notes.txt", "keep me too");
  files.MakeLink(setup + "\\Docs", "C:\\Users\\Me\\Documents");
  files.MakeLink(maker + "\\Shared", "C:\\Users\\Me\\Documents\\Sub");
  ASSERT_TRUE(files.FileExists(setup + "\\Docs\\letter.doc"));  // the link does lead there

  wizard::DelTree(files, env, maker);
  EXPECT_FALSE(files.Attributes(setup + "\\Docs"));
  EXPECT_FALSE(files.Attributes(maker + "\\Shared"));
  EXPECT_TRUE(files.FileExists("C:\\Users\\Me\\Documents\\letter.doc"));
  EXPECT_TRUE(files.FileExists("C:\\Users\\Me\\Documents\\Sub\\notes.txt"));
  EXPECT_EQ(Below(maker), std::set<std::string>{setup});

  // Called on a link itself: only the link goes.
  files.MakeLink("C:\\Program Files\\Linked", "C:\\Users\\Me\\Documents");
  EXPECT_EQ(wizard::DelTree(files, env, "C:\\Program Files\\Linked"), 0);
  EXPECT_FALSE(files.Attributes("C:\\Program Files\\Linked"));
  EXPECT_TRUE(files.FileExists("C:\\Users\\Me\\Documents\\letter.doc"));
}

}  // namespace

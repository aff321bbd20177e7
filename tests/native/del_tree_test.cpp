#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/fake/environment.h"
#include "platform/fake/file_system.h"
#include "platform/text.h"
#include "wizard/removal/del_tree.h"

namespace {

using platform::FsResult;

struct DelTreeMachine {
  platform::fake::Environment env;
  platform::fake::FileSystem files;
  const std::string maker = "C:\\Program Files\\Velmora";
  const std::string setup = "C:\\Program Files\\Velmora\\Quillon";

  DelTreeMachine() {
    env.Set("ProgramFiles", "C:\\Program Files");
    files.MakeDirectories("C:\\Program Files");
  }

  // What an earlier install leaves: files in both directories.
  void PutInstall() {
    files.PutFile(maker + "\\readme.txt", "r");
    for (const char* name : {"quilbox.exe", "SETUP.EXE", "temp.dat", "uninstall.exe"})
      files.PutFile(setup + "\\" + name, name);
  }
  std::string Read(const std::string& path) {
    std::string data;
    EXPECT_EQ(files.ReadAll(path, &data), FsResult::kOk) << path;
    return data;
  }
  std::set<std::string> Below(const std::string& dir) {
    std::set<std::string> below;
    for (const auto& p : files.AllPaths())
      if (p.size() > dir.size() && p.compare(0, dir.size() + 1, dir + "\\") == 0) below.insert(p);
    return below;
  }
};

struct DelTreeFixture : ::testing::Test, DelTreeMachine {};

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

TEST_F(DelTreeFixture, AwkwardEntriesAreHandledInsideTheTreeOnly) {
  // Each case adds one entry to an install; `left` is what stays below the
  // maker's directory (besides SetupPath itself, which always comes back).
  struct Case {
    const char* what;
    std::function<void(DelTreeMachine&, std::unique_ptr<platform::OpenFile>*)> put;
    int result;
    std::set<std::string> left;
  };
  const std::string kDocs = "C:\\Users\\Me\\Documents";
  auto attributed = [](std::uint32_t attributes) {
    return [attributes](DelTreeMachine& f, std::unique_ptr<platform::OpenFile>*) {
      f.files.PutFile(f.setup + "\\odd.dll", "x", attributes);
    };
  };
  auto held = [](platform::OpenMode mode) {
    return [mode](DelTreeMachine& f, std::unique_ptr<platform::OpenFile>* file) {
      ASSERT_EQ(f.files.Open(f.setup + "\\SETUP.EXE", mode, file), FsResult::kOk);
    };
  };
  // A subdirectory "Data" with a file in it, made read-only, hidden or
  // system, and a plain "Extra" listed after it.
  auto directory = [](std::uint32_t attributes) {
    return [attributes](DelTreeMachine& f, std::unique_ptr<platform::OpenFile>*) {
      f.files.PutFile(f.setup + "\\Data\\a.bin", "a");
      f.files.PutFile(f.setup + "\\Extra\\y.bin", "y");
      ASSERT_EQ(f.files.SetAttributes(f.setup + "\\Data", attributes), FsResult::kOk);
    };
  };
  const int notEmpty = static_cast<int>(FsResult::kDirectoryNotEmpty);
  const int sharing = static_cast<int>(FsResult::kSharingViolation);
  const int denied = static_cast<int>(FsResult::kAccessDenied);
  const int exists = static_cast<int>(FsResult::kAlreadyExists);
  const Case cases[] = {
      {"read-only file", attributed(platform::kAttrReadOnly), notEmpty, {}},
      {"hidden file", attributed(platform::kAttrHidden), notEmpty, {}},
      {"system file", attributed(platform::kAttrSystem), notEmpty, {}},
      {"read-only hidden system file",
       attributed(platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem), notEmpty, {}},
      // The call stops at the open file: it and what is listed after it stay.
      {"file held open for reading", held(platform::OpenMode::kRead), sharing,
       {"\\Quillon\\SETUP.EXE", "\\Quillon\\temp.dat", "\\Quillon\\uninstall.exe"}},
      {"file held open for writing", held(platform::OpenMode::kWrite), sharing,
       {"\\Quillon\\SETUP.EXE", "\\Quillon\\temp.dat", "\\Quillon\\uninstall.exe"}},
      // Only files have their attributes reset: a read-only directory is
      // emptied but stays, and its failure stops the call there, so the
      // subdirectories after it stay too.
      {"read-only subdirectory", directory(platform::kAttrReadOnly), denied,
       {"\\Quillon\\Data", "\\Quillon\\Extra", "\\Quillon\\Extra\\y.bin"}},
      {"read-only hidden subdirectory", directory(platform::kAttrReadOnly | platform::kAttrHidden), denied,
       {"\\Quillon\\Data", "\\Quillon\\Extra", "\\Quillon\\Extra\\y.bin"}},
      // Hidden and system ones go as plain ones do; the last failure is then
      // a re-creation after "Extra", of directories that are still there.
      {"hidden subdirectory", directory(platform::kAttrHidden), exists, {}},
      {"system subdirectory", directory(platform::kAttrSystem), exists, {}},
      {"read-only SetupPath",
       [](DelTreeMachine& f, std::unique_ptr<platform::OpenFile>*) {
         ASSERT_EQ(f.files.SetAttributes(f.setup, platform::kAttrReadOnly), FsResult::kOk);
       },
       denied, {}},
      {"junction to a folder outside",
       [&](DelTreeMachine& f, std::unique_ptr<platform::OpenFile>*) { f.files.MakeLink(f.setup + "\\Docs", kDocs); },
       notEmpty, {}},
      {"junction to its own parent",
       [](DelTreeMachine& f, std::unique_ptr<platform::OpenFile>*) { f.files.MakeLink(f.setup + "\\Up", f.maker); },
       notEmpty, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DelTreeMachine f;
    f.PutInstall();
    f.files.PutFile(kDocs + "\\letter.doc", "keep me");
    std::unique_ptr<platform::OpenFile> open;
    c.put(f, &open);
    const std::size_t changesBefore = f.files.changedPaths().size();
    EXPECT_EQ(wizard::DelTree(f.files, f.env, f.maker), c.result);
    std::set<std::string> left{f.setup};
    for (const auto& name : c.left) left.insert(f.maker + name);
    EXPECT_EQ(f.Below(f.maker), left);
    EXPECT_EQ(f.Read(kDocs + "\\letter.doc"), "keep me");
    const auto& changed = f.files.changedPaths();
    for (auto it = changed.begin() + static_cast<std::ptrdiff_t>(changesBefore); it != changed.end(); ++it)
      EXPECT_TRUE(platform::UpperAscii(*it + "\\").rfind(platform::UpperAscii(f.maker + "\\"), 0) == 0) << *it;
  }
}


// "ProgramFiles" ending in a character whose trail byte is 0x5C ("表" in code
// page 932): no byte of a character is taken for a separator, so the walk
// reaches every entry, and the trailing "\" and blanks are the real ones.
TEST(DelTreeCodePages, PathsAreWalkedByCharacters) {
  struct Case {
    unsigned codePage;
    std::string programFiles;  // "C:\qb\ソフト表" where the code page has it
  };
  const Case cases[] = {
      {1252, "C:\\qb\\CAF\xE9"},
      {932, "C:\\qb\\\x83\x5C\x83\x74\x83\x67\x95\x5C"},
      {65001, "C:\\qb\\\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88\xE8\xA1\xA8"},
  };
  for (const Case& c : cases) {
    const std::string last = c.programFiles.substr(6);
    const std::string maker = c.programFiles + "\\Velmora", setup = maker + "\\Quillon";
    for (const std::string& path : {maker, maker + "\\", "  " + maker + "\\  "}) {
      SCOPED_TRACE(std::to_string(c.codePage) + " [" + path + "]");
      DelTreeMachine m;
      m.env.SetCodePage(c.codePage);
      m.files.SetCodePage(c.codePage);
      m.env.Set("ProgramFiles", c.programFiles);
      m.files.PutFile(maker + "\\" + last + ".txt", "r");
      m.files.PutFile(setup + "\\quilbox.exe", "q");
      m.files.PutFile(setup + "\\" + last + "\\" + last + ".bin", "b");
      EXPECT_NE(wizard::DelTree(m.files, m.env, path), 0);
      EXPECT_EQ(m.Below(c.programFiles), (std::set<std::string>{maker, setup}));
    }
    SCOPED_TRACE(c.codePage);
    DelTreeMachine m;
    m.env.SetCodePage(c.codePage);
    m.files.SetCodePage(c.codePage);
    m.env.Set("ProgramFiles", c.programFiles);
    m.files.PutFile(c.programFiles + "\\other.txt", "o");
    // Called on the value itself: its last character is no "\" to drop.
    EXPECT_EQ(wizard::DelTree(m.files, m.env, c.programFiles), 0);
    EXPECT_FALSE(m.files.Attributes(c.programFiles));
    EXPECT_TRUE(m.files.DirectoryExists("C:\\qb"));
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher_files_contract.h"

namespace {

using launcher::FileHandle;
using launcher::kNoFile;
using Bytes = std::vector<unsigned char>;

class LauncherFilesContract : public ::testing::Test {
 protected:
  void SetUp() override { side = MakeLauncherFilesSide(); }
  launcher::LauncherFiles& files() { return side->files(); }
  std::string path(const std::string& name) { return side->scratch() + name; }

  void put(const std::string& name, const Bytes& content) {
    FileHandle f = files().CreateForWrite(path(name).c_str());
    ASSERT_NE(kNoFile, f) << name;
    if (!content.empty()) {
      ASSERT_EQ(content.size(), files().Write(f, content.data(), static_cast<uint32_t>(content.size())));
    }
    files().Close(f);
  }
  Bytes get(const std::string& name) {
    FileHandle f = files().OpenForRead(path(name).c_str(), nullptr);
    if (f == kNoFile) return Bytes{'?'};
    uint64_t size = 0;
    EXPECT_TRUE(files().FileSize(f, &size));
    Bytes content(static_cast<size_t>(size) + 10);
    uint32_t got = files().Read(f, content.data(), static_cast<uint32_t>(content.size()));
    EXPECT_EQ(size, got) << "a read past the end returns what is there";
    files().Close(f);
    content.resize(got);
    return content;
  }

  std::unique_ptr<LauncherFilesSide> side;
};

TEST_F(LauncherFilesContract, CreateReplacesAndNamesIgnoreCase) {
  put("a.txt", Bytes(5000, 'a'));
  put("A.TXT", Bytes{'b', 'c'});
  EXPECT_EQ((Bytes{'b', 'c'}), get("a.txt")) << "created anew: the old content is gone";
  put("empty.bin", Bytes());
  EXPECT_TRUE(get("empty.bin").empty());
  launcher::OpenFailure failure = launcher::OpenFailure::kNone;
  EXPECT_EQ(kNoFile, files().OpenForRead(path("missing.txt").c_str(), &failure));
  EXPECT_EQ(launcher::OpenFailure::kOther, failure) << "absent is not held";
  EXPECT_EQ(kNoFile, files().CreateForWrite(path("no such folder\\x.txt").c_str()));
}

TEST_F(LauncherFilesContract, ReadOnlyFilesCannotBeReplacedOrDeleted) {
  put("locked.ini", Bytes{'o', 'l', 'd'});
  side->MakeReadOnly(path("locked.ini"));
  EXPECT_FALSE(files().Remove(path("locked.ini").c_str()));
  EXPECT_EQ((Bytes{'o', 'l', 'd'}), get("locked.ini"));
  if (!side->EnforcesReadOnlyOnCreate()) {
    GTEST_SKIP() << "this platform lets a read-only file be created anew (Wine run by root)";
  }
  EXPECT_EQ(kNoFile, files().CreateForWrite(path("locked.ini").c_str()));
  EXPECT_EQ((Bytes{'o', 'l', 'd'}), get("locked.ini"));
  put("target.ini", Bytes{'t'});
  side->MakeReadOnly(path("target.ini"));
  EXPECT_FALSE(files().Copy(path("locked.ini").c_str(), path("target.ini").c_str()));
}

TEST_F(LauncherFilesContract, HiddenAndSystemFilesAreNotReplacedButCanBeDeleted) {
  struct Case {
    const char* name;
    void (LauncherFilesSide::*mark)(const std::string&);
  } cases[] = {{"hidden.ini", &LauncherFilesSide::MakeHidden}, {"system.ini", &LauncherFilesSide::MakeSystem}};
  put("source.ini", Bytes{'n', 'e', 'w'});
  for (const Case& c : cases) {
    put(c.name, Bytes{'o', 'l', 'd'});
    ((*side).*c.mark)(path(c.name));
    FileHandle replaced = files().CreateForWrite(path(c.name).c_str());
    EXPECT_EQ(kNoFile, replaced) << c.name << ": not created anew";
    if (replaced != kNoFile) files().Close(replaced);
    EXPECT_FALSE(files().Copy(path("source.ini").c_str(), path(c.name).c_str())) << c.name << ": not copied onto";
    EXPECT_EQ((Bytes{'o', 'l', 'd'}), get(c.name)) << c.name;
    EXPECT_TRUE(files().Remove(path(c.name).c_str())) << c.name << ": but deleted like any file";
    EXPECT_FALSE(side->Exists(path(c.name))) << c.name;
  }
}

TEST_F(LauncherFilesContract, FileOpenForReadingCanOnlyBeRead) {
  put("held.exe", Bytes{'M', 'Z', 1});
  put("other.exe", Bytes{'M', 'Z', 2});
  FileHandle held = files().OpenForRead(path("held.exe").c_str(), nullptr);
  ASSERT_NE(kNoFile, held);
  EXPECT_EQ(kNoFile, files().CreateForWrite(path("held.exe").c_str())) << "not written";
  EXPECT_FALSE(files().Copy(path("other.exe").c_str(), path("HELD.EXE").c_str())) << "not replaced";
  EXPECT_FALSE(files().Remove(path("held.exe").c_str())) << "not deleted";
  EXPECT_EQ((Bytes{'M', 'Z', 1}), get("held.exe")) << "but read by another open";
  EXPECT_TRUE(files().Copy(path("held.exe").c_str(), path("copy.exe").c_str())) << "and copied from";
  unsigned char first = 0;
  EXPECT_EQ(1u, files().Read(held, &first, 1));
  EXPECT_EQ('M', first);
  files().Close(held);
  EXPECT_TRUE(files().Remove(path("held.exe").c_str())) << "closed, it is free again";

  // A file being written is not read behind the writer's back either.
  FileHandle writing = files().CreateForWrite(path("other.exe").c_str());
  ASSERT_NE(kNoFile, writing);
  launcher::OpenFailure failure = launcher::OpenFailure::kNone;
  EXPECT_EQ(kNoFile, files().OpenForRead(path("other.exe").c_str(), &failure));
  EXPECT_EQ(launcher::OpenFailure::kSharingViolation, failure) << "held by another handle";
  EXPECT_FALSE(files().Remove(path("other.exe").c_str()));
  files().Close(writing);
  FileHandle reopened = files().OpenForRead(path("other.exe").c_str(), &failure);
  EXPECT_NE(kNoFile, reopened);
  EXPECT_EQ(launcher::OpenFailure::kNone, failure);
  if (reopened != kNoFile) files().Close(reopened);
}

TEST_F(LauncherFilesContract, RemoveAndCopy) {
  put("one.dat", Bytes{1, 2, 3});
  put("two.dat", Bytes(100, 9));
  EXPECT_TRUE(files().Copy(path("one.dat").c_str(), path("two.dat").c_str())) << "replaces an existing target";
  EXPECT_EQ((Bytes{1, 2, 3}), get("two.dat"));
  EXPECT_FALSE(files().Copy(path("one.dat").c_str(), path("ONE.dat").c_str())) << "onto itself fails";
  EXPECT_EQ((Bytes{1, 2, 3}), get("one.dat")) << "and leaves the file alone";
  EXPECT_FALSE(files().Copy(path("none.dat").c_str(), path("three.dat").c_str()));
  EXPECT_TRUE(files().Remove(path("one.dat").c_str()));
  EXPECT_FALSE(side->Exists(path("one.dat")));
  EXPECT_FALSE(files().Remove(path("one.dat").c_str()));
}

// One directory is the same however it is spelled; a sibling, its parent, a
// file or a missing directory is not.
TEST_F(LauncherFilesContract, ADirectoryIsKnownByIdentityNotBySpelling) {
  const std::string dir = path("Folder"), sibling = path("Folder2");
  side->MakeDirectory(dir);
  side->MakeDirectory(sibling);
  put("plain.txt", Bytes{'x'});
  struct Case {
    std::string first, second;
    bool same;
  } cases[] = {
      {dir, dir, true},
      {dir, dir + "\\", true},
      {dir, path("FOLDER"), true},
      {dir, path(".\\Folder"), true},
      {dir, dir + "\\.", true},
      {dir, sibling + "\\..\\Folder", true},
      {dir, sibling, false},
      {dir, side->scratch(), false},
      {dir, path("missing"), false},
      {path("missing"), path("missing"), false},
      {path("plain.txt"), path("plain.txt"), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.same, files().SameDirectory(c.first.c_str(), c.second.c_str())) << c.first << " / " << c.second;
    EXPECT_EQ(c.same, files().SameDirectory(c.second.c_str(), c.first.c_str())) << c.second << " / " << c.first;
  }

  std::string drive;
  if (!side->MapDrive(side->scratch(), &drive)) GTEST_SKIP() << "no drive letter can be mapped here";
  EXPECT_TRUE(files().SameDirectory((drive + "\\Folder").c_str(), dir.c_str()));
  EXPECT_TRUE(files().SameDirectory((drive + "\\").c_str(), side->scratch().c_str()));
  EXPECT_FALSE(files().SameDirectory((drive + "\\Folder2").c_str(), dir.c_str()));
  EXPECT_FALSE(files().SameDirectory((drive + "\\").c_str(), dir.c_str()));
}

TEST_F(LauncherFilesContract, StoredTimesReadBack) {
  const uint64_t write = 127290600000000000ull, access = 127290700000000000ull;
  FileHandle f = files().CreateForWrite(path("timed.txt").c_str());
  ASSERT_NE(kNoFile, f);
  unsigned char byte = 'x';
  files().Write(f, &byte, 1);
  EXPECT_TRUE(files().SetTimes(f, write - 5, access, write));
  files().Close(f);
  EXPECT_EQ(write, side->LastWriteTime(path("timed.txt")));
  EXPECT_EQ(access, side->LastAccessTime(path("timed.txt")));
}

}  // namespace

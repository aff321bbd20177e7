#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher_files_contract.h"

namespace {

using quillon::launcher::FileHandle;
using quillon::launcher::kNoFile;
using Bytes = std::vector<unsigned char>;

class LauncherFilesContract : public ::testing::Test {
 protected:
  void SetUp() override { side = MakeLauncherFilesSide(); }
  quillon::launcher::LauncherFiles& files() { return side->files(); }
  std::string path(const std::string& name) { return side->scratch() + name; }

  void put(const std::string& name, const Bytes& content) {
    FileHandle f = files().createForWrite(path(name).c_str());
    ASSERT_NE(kNoFile, f) << name;
    if (!content.empty()) {
      ASSERT_EQ(content.size(), files().write(f, content.data(), static_cast<uint32_t>(content.size())));
    }
    files().close(f);
  }
  Bytes get(const std::string& name) {
    FileHandle f = files().openForRead(path(name).c_str());
    if (f == kNoFile) return Bytes{'?'};
    uint64_t size = 0;
    EXPECT_TRUE(files().fileSize(f, &size));
    Bytes content(static_cast<size_t>(size) + 10);
    uint32_t got = files().read(f, content.data(), static_cast<uint32_t>(content.size()));
    EXPECT_EQ(size, got) << "a read past the end returns what is there";
    files().close(f);
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
  EXPECT_EQ(kNoFile, files().openForRead(path("missing.txt").c_str()));
  EXPECT_EQ(kNoFile, files().createForWrite(path("no such folder\\x.txt").c_str()));
}

TEST_F(LauncherFilesContract, ReadOnlyFilesCannotBeReplacedOrDeleted) {
  put("locked.ini", Bytes{'o', 'l', 'd'});
  side->makeReadOnly(path("locked.ini"));
  EXPECT_FALSE(files().remove(path("locked.ini").c_str()));
  EXPECT_EQ((Bytes{'o', 'l', 'd'}), get("locked.ini"));
  if (!side->enforcesReadOnlyOnCreate()) {
    GTEST_SKIP() << "this platform lets a read-only file be created anew (Wine run by root)";
  }
  EXPECT_EQ(kNoFile, files().createForWrite(path("locked.ini").c_str()));
  EXPECT_EQ((Bytes{'o', 'l', 'd'}), get("locked.ini"));
  put("target.ini", Bytes{'t'});
  side->makeReadOnly(path("target.ini"));
  EXPECT_FALSE(files().copy(path("locked.ini").c_str(), path("target.ini").c_str()));
}

TEST_F(LauncherFilesContract, HiddenAndSystemFilesAreNotReplacedButCanBeDeleted) {
  struct Case {
    const char* name;
    void (LauncherFilesSide::*mark)(const std::string&);
  } cases[] = {{"hidden.ini", &LauncherFilesSide::makeHidden}, {"system.ini", &LauncherFilesSide::makeSystem}};
  put("source.ini", Bytes{'n', 'e', 'w'});
  for (const Case& c : cases) {
    put(c.name, Bytes{'o', 'l', 'd'});
    ((*side).*c.mark)(path(c.name));
    FileHandle replaced = files().createForWrite(path(c.name).c_str());
    EXPECT_EQ(kNoFile, replaced) << c.name << ": not created anew";
    if (replaced != kNoFile) files().close(replaced);
    EXPECT_FALSE(files().copy(path("source.ini").c_str(), path(c.name).c_str())) << c.name << ": not copied onto";
    EXPECT_EQ((Bytes{'o', 'l', 'd'}), get(c.name)) << c.name;
    EXPECT_TRUE(files().remove(path(c.name).c_str())) << c.name << ": but deleted like any file";
    EXPECT_FALSE(side->exists(path(c.name))) << c.name;
  }
}

TEST_F(LauncherFilesContract, FileOpenForReadingCanOnlyBeRead) {
  put("held.exe", Bytes{'M', 'Z', 1});
  put("other.exe", Bytes{'M', 'Z', 2});
  FileHandle held = files().openForRead(path("held.exe").c_str());
  ASSERT_NE(kNoFile, held);
  EXPECT_EQ(kNoFile, files().createForWrite(path("held.exe").c_str())) << "not written";
  EXPECT_FALSE(files().copy(path("other.exe").c_str(), path("HELD.EXE").c_str())) << "not replaced";
  EXPECT_FALSE(files().remove(path("held.exe").c_str())) << "not deleted";
  EXPECT_EQ((Bytes{'M', 'Z', 1}), get("held.exe")) << "but read by another open";
  EXPECT_TRUE(files().copy(path("held.exe").c_str(), path("copy.exe").c_str())) << "and copied from";
  unsigned char first = 0;
  EXPECT_EQ(1u, files().read(held, &first, 1));
  EXPECT_EQ('M', first);
  files().close(held);
  EXPECT_TRUE(files().remove(path("held.exe").c_str())) << "closed, it is free again";

  // A file being written is not read behind the writer's back either.
  FileHandle writing = files().createForWrite(path("other.exe").c_str());
  ASSERT_NE(kNoFile, writing);
  EXPECT_EQ(kNoFile, files().openForRead(path("other.exe").c_str()));
  EXPECT_FALSE(files().remove(path("other.exe").c_str()));
  files().close(writing);
}

TEST_F(LauncherFilesContract, RemoveAndCopy) {
  put("one.dat", Bytes{1, 2, 3});
  put("two.dat", Bytes(100, 9));
  EXPECT_TRUE(files().copy(path("one.dat").c_str(), path("two.dat").c_str())) << "replaces an existing target";
  EXPECT_EQ((Bytes{1, 2, 3}), get("two.dat"));
  EXPECT_FALSE(files().copy(path("one.dat").c_str(), path("ONE.dat").c_str())) << "onto itself fails";
  EXPECT_EQ((Bytes{1, 2, 3}), get("one.dat")) << "and leaves the file alone";
  EXPECT_FALSE(files().copy(path("none.dat").c_str(), path("three.dat").c_str()));
  EXPECT_TRUE(files().remove(path("one.dat").c_str()));
  EXPECT_FALSE(side->exists(path("one.dat")));
  EXPECT_FALSE(files().remove(path("one.dat").c_str()));
}

TEST_F(LauncherFilesContract, StoredTimesReadBack) {
  const uint64_t write = 127290600000000000ull, access = 127290700000000000ull;
  FileHandle f = files().createForWrite(path("timed.txt").c_str());
  ASSERT_NE(kNoFile, f);
  unsigned char byte = 'x';
  files().write(f, &byte, 1);
  EXPECT_TRUE(files().setTimes(f, write - 5, access, write));
  files().close(f);
  EXPECT_EQ(write, side->lastWriteTime(path("timed.txt")));
  EXPECT_EQ(access, side->lastAccessTime(path("timed.txt")));
}

}  // namespace

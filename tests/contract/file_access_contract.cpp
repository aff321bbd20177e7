#include <gtest/gtest.h>

#include "tests/contract/contract_platform.h"

namespace {

using platform::FsResult;
using platform::OpenMode;

std::string ReadAt(platform::OpenFile& f, std::uint64_t position, std::size_t size) {
  std::string buffer(size, '\0');
  std::size_t got = 99;
  EXPECT_EQ(f.ReadAt(position, buffer.data(), size, &got), FsResult::kOk);
  buffer.resize(got);
  return buffer;
}

TEST(FileAccessContract, ReadAndWriteAtPositions) {
  auto p = MakeContractPlatform();
  auto& fs = p->files();
  const std::string file = p->scratch() + "\\blocks.bin";
  std::unique_ptr<platform::OpenFile> f;
  EXPECT_EQ(fs.Open(file, OpenMode::kRead, &f), FsResult::kNotFound);
  EXPECT_FALSE(f);
  EXPECT_EQ(fs.Open(p->scratch() + "\\no\\x.bin", OpenMode::kWrite, &f), FsResult::kPathNotFound);
  ASSERT_EQ(fs.Open(file, OpenMode::kWrite, &f), FsResult::kOk);
  ASSERT_EQ(f->WriteAt(0, "0123456789"), FsResult::kOk);
  ASSERT_EQ(f->WriteAt(4, "ab"), FsResult::kOk);
  ASSERT_EQ(f->WriteAt(12, "Z"), FsResult::kOk);  // the gap reads as zeros
  std::uint64_t length = 0;
  ASSERT_EQ(f->Length(&length), FsResult::kOk);
  EXPECT_EQ(length, 13u);
  EXPECT_EQ(ReadAt(*f, 2, 4), "23ab");
  EXPECT_EQ(ReadAt(*f, 8, 256), std::string("89\0\0Z", 5));  // short at the end
  EXPECT_EQ(ReadAt(*f, 500, 16), "");                         // nothing past it
  ASSERT_EQ(f->Truncate(3), FsResult::kOk);
  ASSERT_EQ(f->Length(&length), FsResult::kOk);
  EXPECT_EQ(length, 3u);
  f.reset();

  std::string content;
  ASSERT_EQ(fs.ReadAll(file, &content), FsResult::kOk);
  EXPECT_EQ(content, "012");
  // Opening for writing keeps what is there.
  ASSERT_EQ(fs.Open(file, OpenMode::kWrite, &f), FsResult::kOk);
  EXPECT_EQ(ReadAt(*f, 0, 16), "012");
  f.reset();
  ASSERT_EQ(fs.Open(file, OpenMode::kRead, &f), FsResult::kOk);
  EXPECT_EQ(ReadAt(*f, 1, 2), "12");
}

// Front-to-back blocks mixed with jumps, reads with writes, on one handle:
// each call lands where it says, wherever the one before it ended.
TEST(FileAccessContract, EachCallLandsAtItsOwnPosition) {
  auto p = MakeContractPlatform();
  auto& fs = p->files();
  const std::string file = p->scratch() + "\\mixed.bin";
  std::unique_ptr<platform::OpenFile> f;
  ASSERT_EQ(fs.Open(file, OpenMode::kWrite, &f), FsResult::kOk);
  struct Step {
    char op;  // 'w' write, 'r' read `size` bytes (expecting `data`), 't' truncate
    std::uint64_t position;
    std::string data;
    std::size_t size = 0;
  };
  const Step steps[] = {
      {'w', 0, "abcd"},       {'w', 4, "efgh"},      {'r', 2, "cd", 2},  // back into the middle
      {'r', 4, "ef", 2},                                                 // on from there
      {'w', 1, "X"},          {'r', 0, "aXcdefgh", 64},                  // a write behind a read
      {'w', 8, "ij"},                                                    // on from a short read's end
      {'w', 12, "Z"},         {'r', 9, std::string("j\0\0Z", 4), 16},    // a gap reads as zeros
      {'r', 40, "", 16},      {'w', 13, "!"},                            // a read past the end moves nothing
      {'r', 12, "Z!", 2},     {'t', 3, ""},          {'r', 0, "aXc", 64},  // truncate, then on at the cut
      {'w', 3, "D"},          {'r', 0, "aXcD", 64},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(1, s.op) + " at " + std::to_string(s.position));
    if (s.op == 'w') {
      ASSERT_EQ(f->WriteAt(s.position, s.data), FsResult::kOk);
    } else if (s.op == 't') {
      ASSERT_EQ(f->Truncate(s.position), FsResult::kOk);
    } else {
      EXPECT_EQ(ReadAt(*f, s.position, s.size), s.data);
    }
  }
  f.reset();
  std::string content;
  ASSERT_EQ(fs.ReadAll(file, &content), FsResult::kOk);
  EXPECT_EQ(content, "aXcD");

  // A held file's handle reads what was written, from the front, and writes
  // nothing: the hold keeps the file as it is, itself included.
  std::unique_ptr<platform::OpenFile> held;
  ASSERT_EQ(fs.WriteAllAndHold(file, "echo ours", &held), FsResult::kOk);
  EXPECT_EQ(ReadAt(*held, 0, 4), "echo");
  EXPECT_EQ(held->WriteAt(0, "ECHO"), FsResult::kAccessDenied);
  EXPECT_EQ(ReadAt(*held, 0, 64), "echo ours");
}

TEST(FileAccessContract, AnOpenFileCannotBeDeletedButCanBeRead) {
  auto p = MakeContractPlatform();
  auto& fs = p->files();
  const std::string file = p->scratch() + "\\open.bin";
  std::unique_ptr<platform::OpenFile> writer, reader;
  ASSERT_EQ(fs.Open(file, OpenMode::kWrite, &writer), FsResult::kOk);
  ASSERT_EQ(writer->WriteAt(0, "data"), FsResult::kOk);
  EXPECT_EQ(fs.EraseFile(file), FsResult::kSharingViolation);
  ASSERT_EQ(fs.Open(file, OpenMode::kRead, &reader), FsResult::kOk);
  EXPECT_EQ(ReadAt(*reader, 0, 4), "data");
  reader.reset();
  writer.reset();
  EXPECT_EQ(fs.EraseFile(file), FsResult::kOk);

  // Read-only files and directories are not opened for writing.
  ASSERT_EQ(fs.WriteAll(file, "x"), FsResult::kOk);
  ASSERT_EQ(fs.SetAttributes(file, platform::kAttrReadOnly), FsResult::kOk);
  EXPECT_EQ(fs.Open(file, OpenMode::kWrite, &writer), FsResult::kAccessDenied);
  EXPECT_EQ(fs.Open(p->scratch(), OpenMode::kWrite, &writer), FsResult::kAccessDenied);
  ASSERT_EQ(fs.SetAttributes(file, 0), FsResult::kOk);
}

TEST(FileAccessContract, HiddenFilesOpenForWritingKeepTheirContentUntilCut) {
  auto p = MakeContractPlatform();
  auto& fs = p->files();
  const std::string file = p->scratch() + "\\hidden.dll";
  ASSERT_EQ(fs.WriteAll(file, "an old and longer content"), FsResult::kOk);
  ASSERT_EQ(fs.SetAttributes(file, platform::kAttrHidden | platform::kAttrSystem), FsResult::kOk);
  std::unique_ptr<platform::OpenFile> f;
  ASSERT_EQ(fs.Open(file, OpenMode::kWrite, &f), FsResult::kOk);
  ASSERT_EQ(f->WriteAt(0, "new"), FsResult::kOk);
  EXPECT_EQ(ReadAt(*f, 0, 64), "newold and longer content");
  ASSERT_EQ(f->Truncate(0), FsResult::kOk);
  ASSERT_EQ(f->WriteAt(0, "new"), FsResult::kOk);
  f.reset();
  std::string content;
  ASSERT_EQ(fs.ReadAll(file, &content), FsResult::kOk);
  EXPECT_EQ(content, "new");
  EXPECT_TRUE(*fs.Attributes(file) & platform::kAttrHidden);
  ASSERT_EQ(fs.SetAttributes(file, 0), FsResult::kOk);
}

TEST(FileAccessContract, WholeFileCopyReplacesTheDestination) {
  auto p = MakeContractPlatform();
  auto& fs = p->files();
  const std::string s = p->scratch();
  ASSERT_EQ(fs.WriteAll(s + "\\from.exe", "new"), FsResult::kOk);
  ASSERT_EQ(fs.WriteAll(s + "\\to.exe", "a much longer old content"), FsResult::kOk);
  ASSERT_EQ(fs.CopyWholeFile(s + "\\from.exe", s + "\\to.exe"), FsResult::kOk);
  std::string content;
  ASSERT_EQ(fs.ReadAll(s + "\\to.exe", &content), FsResult::kOk);
  EXPECT_EQ(content, "new");
  ASSERT_EQ(fs.CopyWholeFile(s + "\\from.exe", s + "\\fresh.exe"), FsResult::kOk);
  ASSERT_EQ(fs.ReadAll(s + "\\fresh.exe", &content), FsResult::kOk);
  EXPECT_EQ(content, "new");

  EXPECT_EQ(fs.CopyWholeFile(s + "\\absent.exe", s + "\\to.exe"), FsResult::kNotFound);
  EXPECT_EQ(fs.CopyWholeFile(s + "\\from.exe", s + "\\FROM.exe"), FsResult::kSharingViolation);
  ASSERT_EQ(fs.SetAttributes(s + "\\to.exe", platform::kAttrReadOnly), FsResult::kOk);
  EXPECT_EQ(fs.CopyWholeFile(s + "\\from.exe", s + "\\to.exe"), FsResult::kAccessDenied);
  ASSERT_EQ(fs.SetAttributes(s + "\\to.exe", 0), FsResult::kOk);
}

TEST(FileAccessContract, DirectoryLinksAreRemovedAsLinks) {
  auto p = MakeContractPlatform();
  auto& fs = p->files();
  const std::string s = p->scratch();
  ASSERT_EQ(fs.MakeDirectory(s + "\\target"), FsResult::kOk);
  ASSERT_EQ(fs.WriteAll(s + "\\target\\keep.txt", "keep"), FsResult::kOk);
  ASSERT_EQ(fs.MakeDirectory(s + "\\tree"), FsResult::kOk);
  if (!p->MakeDirectoryLink(s + "\\tree\\link", s + "\\target"))
    GTEST_SKIP() << "no directory links on this platform";

  std::vector<platform::DirectoryEntry> entries;
  ASSERT_EQ(fs.List(s + "\\tree", &entries), FsResult::kOk);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "link");
  EXPECT_TRUE(entries[0].attributes & platform::kAttrDirectory);
  EXPECT_TRUE(entries[0].attributes & platform::kAttrReparsePoint);
  // Through the link the target's entries show.
  ASSERT_EQ(fs.List(s + "\\tree\\link", &entries), FsResult::kOk);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "keep.txt");

  EXPECT_EQ(fs.EraseDirectory(s + "\\tree\\link"), FsResult::kOk);
  EXPECT_FALSE(fs.Attributes(s + "\\tree\\link"));
  EXPECT_TRUE(fs.FileExists(s + "\\target\\keep.txt"));
  EXPECT_EQ(fs.EraseDirectory(s + "\\tree"), FsResult::kOk);
}

TEST(FileAccessContract, AHeldFileCanOnlyBeRead) {
  auto p = MakeContractPlatform();
  auto& fs = p->files();
  const std::string file = p->scratch() + "\\held.bat";
  ASSERT_EQ(fs.WriteAll(file, "planted"), FsResult::kOk);
  std::unique_ptr<platform::OpenFile> held, other;
  ASSERT_EQ(fs.WriteAllAndHold(file, "echo ours", &held), FsResult::kOk);
  ASSERT_TRUE(held);
  // Nobody can change what will be started from it...
  EXPECT_EQ(fs.WriteAll(file, "swapped"), FsResult::kSharingViolation);
  EXPECT_EQ(fs.Open(file, OpenMode::kWrite, &other), FsResult::kSharingViolation);
  EXPECT_EQ(fs.EraseFile(file), FsResult::kSharingViolation);
  ASSERT_EQ(fs.WriteAll(p->scratch() + "\\other.bat", "swapped"), FsResult::kOk);
  EXPECT_EQ(fs.CopyWholeFile(p->scratch() + "\\other.bat", file), FsResult::kSharingViolation);
  // ...but it can be read, which is all that starting it needs.
  std::string content;
  ASSERT_EQ(fs.ReadAll(file, &content), FsResult::kOk);
  EXPECT_EQ(content, "echo ours");
  ASSERT_EQ(fs.Open(file, OpenMode::kRead, &other), FsResult::kOk);
  other.reset();
  held.reset();
  EXPECT_EQ(fs.WriteAll(file, "later"), FsResult::kOk);
  // A hidden file under that name is not replaced, held or not.
  ASSERT_EQ(fs.SetAttributes(file, platform::kAttrHidden), FsResult::kOk);
  EXPECT_EQ(fs.WriteAllAndHold(file, "x", &held), FsResult::kAccessDenied);
  EXPECT_FALSE(held);
  ASSERT_EQ(fs.SetAttributes(file, platform::kAttrNormal), FsResult::kOk);
}

}  // namespace

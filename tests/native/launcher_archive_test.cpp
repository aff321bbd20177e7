#include <gtest/gtest.h>

#include "launcher_test_payloads.h"
#include "payload_archive.h"

namespace launcher {
namespace {

using testing::bytesOf;
using testing::patchEntry;
using testing::patchName;
using testing::sampleFiles;

TEST(PayloadArchive, FiveEntriesPutTheFirstFilesBytesAtOffset1484) {
  std::vector<ArchiveFile> files = sampleFiles(5);
  std::vector<unsigned char> archive = BuildArchive(files);
  EXPECT_EQ(1484u, DataStart(5));
  ASSERT_GT(archive.size(), 1484u + files[0].data.size());
  EXPECT_EQ(5u, ReadU32(archive.data()));
  EXPECT_EQ(0, std::memcmp(archive.data() + 1484, files[0].data.data(), files[0].data.size()));

  size_t total = 1484;
  for (const ArchiveFile& f : files) total += f.data.size();
  EXPECT_EQ(total, archive.size());

  // Record 3 byte for byte: index, the three times low word first, sizeHigh 0,
  // sizeLow, the zero-padded name.
  const unsigned char* r = archive.data() + 4 + 3 * 296;
  EXPECT_EQ(3u, ReadU32(r));
  EXPECT_EQ(static_cast<uint32_t>(files[3].creationTime), ReadU32(r + 4));
  EXPECT_EQ(static_cast<uint32_t>(files[3].creationTime >> 32), ReadU32(r + 8));
  EXPECT_EQ(static_cast<uint32_t>(files[3].lastAccessTime), ReadU32(r + 12));
  EXPECT_EQ(static_cast<uint32_t>(files[3].lastWriteTime), ReadU32(r + 20));
  EXPECT_EQ(0u, ReadU32(r + 28));
  EXPECT_EQ(files[3].data.size(), ReadU32(r + 32));
  EXPECT_EQ(files[3].name, std::string(reinterpret_cast<const char*>(r + 36)));
  for (size_t i = 36 + files[3].name.size(); i < 296; ++i) ASSERT_EQ(0, r[i]) << i;

  ArchiveListing listing;
  std::string error;
  ASSERT_TRUE(ReadArchive(archive.data(), archive.size(), &listing, &error)) << error;
  ASSERT_EQ(5u, listing.entries.size());
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(files[i].name, EntryName(listing.entries[i]));
    EXPECT_EQ(files[i].lastWriteTime, listing.entries[i].lastWriteTime);
  }
  EXPECT_EQ(1484u, listing.offsets[0]);
  EXPECT_EQ(1484u + files[0].data.size(), listing.offsets[1]);
  EXPECT_EQ(0u, listing.trailingBytes);
}

TEST(PayloadArchive, TableFitIsComputedWithoutOverflow) {
  EXPECT_TRUE(EntryTableFits(4, 0));
  EXPECT_FALSE(EntryTableFits(3, 0));
  EXPECT_TRUE(EntryTableFits(300, 1));
  EXPECT_FALSE(EntryTableFits(299, 1));
  // 296 * count wraps to a small number in 32 bits for these counts.
  EXPECT_FALSE(EntryTableFits(1000, 0xFFFFFFFFu));
  EXPECT_FALSE(EntryTableFits(1000, 14510519u));  // 296 * 14510519 = 2^32 + 120
  EXPECT_EQ(4ull + 296ull * 0xFFFFFFFFull, DataStart(0xFFFFFFFFu));
}

struct MalformedCase {
  const char* label;
  void (*damage)(std::vector<unsigned char>&);
  const char* expectedError;  // substring; nullptr when the archive is accepted
};

class ReaderRefuses : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(ReaderRefuses, MalformedArchive) {
  std::vector<unsigned char> archive = BuildArchive(sampleFiles(3));
  GetParam().damage(archive);
  ArchiveListing listing;
  std::string error;
  bool ok = ReadArchive(archive.data(), archive.size(), &listing, &error);
  if (GetParam().expectedError == nullptr) {
    EXPECT_TRUE(ok) << error;
  } else {
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find(GetParam().expectedError)) << error;
  }
}

const MalformedCase kMalformed[] = {
    {"count0", [](std::vector<unsigned char>& a) { a.assign(4, 0); }, nullptr},
    {"empty", [](std::vector<unsigned char>& a) { a.clear(); }, "empty"},
    {"shorterThanCount", [](std::vector<unsigned char>& a) { a.resize(3); }, "too short"},
    {"tableDoesNotFit", [](std::vector<unsigned char>& a) { WriteU32(a.data(), 1000); }, "does not fit"},
    {"countWraps", [](std::vector<unsigned char>& a) { WriteU32(a.data(), 14510519u); }, "does not fit"},
    {"sizeLow0", [](std::vector<unsigned char>& a) { patchEntry(a, 1, testing::kSizeLowField, 0); }, "size is 0"},
    {"sizeHighSet", [](std::vector<unsigned char>& a) { patchEntry(a, 1, testing::kSizeHighField, 1); }, "4 GiB"},
    {"dataPastEnd", [](std::vector<unsigned char>& a) { a.resize(a.size() - 1); }, "past the end"},
    {"sizesWrap", [](std::vector<unsigned char>& a) { patchEntry(a, 2, testing::kSizeLowField, 0xFFFFFFFFu); },
     "past the end"},
    {"trailingBytes", [](std::vector<unsigned char>& a) { a.push_back(0x55); }, nullptr},
    {"backslash", [](std::vector<unsigned char>& a) { patchName(a, 0, "..\\evil.exe"); }, "directory part"},
    {"slash", [](std::vector<unsigned char>& a) { patchName(a, 0, "sub/evil.exe"); }, "directory part"},
    {"drive", [](std::vector<unsigned char>& a) { patchName(a, 0, "C:evil.exe"); }, "colon"},
    {"stream", [](std::vector<unsigned char>& a) { patchName(a, 0, "a.txt:hidden"); }, "colon"},
    {"dot", [](std::vector<unsigned char>& a) { patchName(a, 0, "."); }, "\".\""},
    {"dotdot", [](std::vector<unsigned char>& a) { patchName(a, 0, ".."); }, "\".\""},
    {"emptyName", [](std::vector<unsigned char>& a) { patchName(a, 0, ""); }, "empty"},
    {"noNul", [](std::vector<unsigned char>& a) { patchName(a, 0, std::string(260, 'n')); }, "NUL"},
    {"device", [](std::vector<unsigned char>& a) { patchName(a, 1, "Com1.dat"); }, "device"},
    {"trailingDot", [](std::vector<unsigned char>& a) { patchName(a, 0, "trampo.exe."); }, "ends in"},
};

INSTANTIATE_TEST_SUITE_P(Table, ReaderRefuses, ::testing::ValuesIn(kMalformed),
                         [](const ::testing::TestParamInfo<MalformedCase>& p) { return p.param.label; });

TEST(PayloadArchive, RepeatedNamesAndTrailingBytesAreReportedNotRefused) {
  std::vector<ArchiveFile> files = sampleFiles(3);
  files[2].name = "TRAMPO.EXE";
  std::vector<unsigned char> archive = BuildArchive(files);
  archive.insert(archive.end(), 7, 0xEE);
  ArchiveListing listing;
  std::string error;
  ASSERT_TRUE(ReadArchive(archive.data(), archive.size(), &listing, &error)) << error;
  EXPECT_EQ(std::vector<std::string>{"TRAMPO.EXE"}, listing.repeatedNames);
  EXPECT_EQ(7u, listing.trailingBytes);
}

TEST(PayloadArchive, JoinedPathsStopAt259Characters) {
  std::string out;
  std::string dir(250, 'd');
  EXPECT_TRUE(JoinPath(&out, dir, "\\", std::string(8, 'n')));  // 259
  EXPECT_EQ(259u, out.size());
  EXPECT_FALSE(JoinPath(&out, dir, "\\", std::string(9, 'n')));  // 260
  EXPECT_EQ(259u, out.size()) << "a refused join leaves the output alone";
}

// Windows opens a device for these whatever the directory and the extension,
// or writes another name than the one given.
TEST(PayloadArchive, DeviceNamesAndTrailingDotsOrBlanksAreRefused) {
  const char* devices[] = {"CON", "con", "PRN", "aux", "NUL", "nul.txt", "Com1.dat", "COM9", "lpt1", "LPT9.x.y",
                           "com0", "LPT0.txt", "CONIN$", "conout$", "conin$.log", "con .txt", "nul  ",
                           "COM\xB9", "com\xB2.txt", "COM\xB3", "LPT\xB9", "lpt\xB2", "LPT\xB3.dat"};
  for (const char* name : devices) {
    unsigned char field[kNameSize] = {};
    std::memcpy(field, name, std::strlen(name));
    EXPECT_EQ(NameCheck::DeviceName, CheckEntryName(field)) << name;
  }
  const char* trailing[] = {"trampo.exe.", "trampo.exe ", "a.", "...", "x..", "name. ", "readme. ."};
  for (const char* name : trailing) {
    unsigned char field[kNameSize] = {};
    std::memcpy(field, name, std::strlen(name));
    EXPECT_EQ(NameCheck::TrailingDotOrBlank, CheckEntryName(field)) << name;
  }
}

TEST(PayloadArchive, PlainNamesPassTheNameCheck) {
  for (const char* name : {"trampo.exe", "a", "name with blanks.txt", "..x", "\xC4pfel.txt", "console.txt",
                           "com10.dat", "lpt.txt", "nul_", "auxiliary", "x.con", "conin", "com1x.txt", "COM\xB4",
                           ".profile"}) {
    unsigned char field[kNameSize] = {};
    std::memcpy(field, name, std::strlen(name));
    EXPECT_EQ(NameCheck::Ok, CheckEntryName(field)) << name;
  }
  unsigned char full[kNameSize];
  std::memset(full, 'a', sizeof full);
  full[259] = 0;
  EXPECT_EQ(NameCheck::Ok, CheckEntryName(full)) << "259 characters and the NUL fill the field";
}

// Paths compare as Windows reads them in the ANSI code page: in 932 "ヂ" is
// 0x83 0x61 and "ア" 0x83 0x41 (a trail byte in "a".."z" is no letter to fold),
// and "ソ" is 0x83 0x5C (its 0x5C no separator to merge with the next).
TEST(ComparablePath, ReadByTheCodePagesCharacters) {
  struct Case {
    unsigned codePage;
    const char* path;
    const char* comparable;
  };
  const Case cases[] = {
      {1252, "c:/x//y\\z\\", "C:\\X\\Y\\Z\\"},
      {1252, "\\\\srv\\x", "\\\\SRV\\X"},
      {1252, "d:\\\xE9\x61\x83\x61", "D:\\\xE9\x41\x83\x41"},
      {932, "d:\\t\\\x83\x61", "D:\\T\\\x83\x61"},
      {932, "d:\\\x83\x5C\\\\x", "D:\\\x83\x5C\\X"},
      {932, "d:\\\x83/x", "D:\\\x83/X"},
      {65001, "d:\\\xE3\x82\xBD\x61//b", "D:\\\xE3\x82\xBD\x41\\B"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ComparablePath(c.path, platform::LeadBytes::OfCodePage(c.codePage)), c.comparable)
        << c.codePage << " " << c.path;
  const auto cp932 = platform::LeadBytes::OfCodePage(932);
  EXPECT_NE(ComparablePath("D:\\\x83\x61", cp932), ComparablePath("D:\\\x83\x41", cp932));
}

}  // namespace
}  // namespace launcher

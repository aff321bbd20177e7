#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <functional>
#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

#include "extraction_worker.h"
#include "launcher/fake/worker_host.h"
#include "launcher_test_payloads.h"

namespace launcher {
namespace {

using testing::deflateBytes;
using FakeHost = fake::WorkerHost;
using testing::patchEntry;
using testing::patchName;
using testing::sampleFiles;

const char kTemp[] = "C:\\Users\\u\\AppData\\Local\\Temp\\";
const char kExtract[] = "D:\\Extract";
// The intermediate names for the fake's tick readings 0x12345 and 0x12346:
// 0x12346 * 12345 / 8725 = 105503.
const char kPacked[] = "00012345";
const char kArchive[] = "00019C1F";

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::vector<std::string> lower(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& n : names) out.push_back(fake::LauncherFiles::Key(n.c_str()));
  return out;
}

class WorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files = sampleFiles(5);
    archive = BuildArchive(files);
  }
  void run() {
    host.fakeFiles.AddDirectory(kExtract);
    if (host.payload.empty()) host.payload = deflateBytes(archive);
    ExtractionWorker worker(host, kExtract);
    EXPECT_EQ(0, worker.Run());
    EXPECT_EQ(1, host.closeRequests) << "every path ends by asking the dialog to close";
    EXPECT_EQ(0, host.fakeFiles.openHandles) << "no file is left open";
  }
  std::vector<std::string> inTemp() { return sorted(host.fakeFiles.NamesUnder(kTemp)); }
  std::vector<std::string> inExtract() { return sorted(host.fakeFiles.NamesUnder(std::string(kExtract) + "\\")); }
  std::vector<std::string> names(std::initializer_list<int> indices, std::vector<std::string> extra = {}) {
    for (int i : indices) extra.push_back(files[static_cast<size_t>(i)].name);
    return sorted(lower(extra));
  }

  FakeHost host;
  std::vector<ArchiveFile> files;
  std::vector<unsigned char> archive;
};

TEST_F(WorkerTest, SuccessfulRunUnpacksCopiesAndHandsOver) {
  run();
  EXPECT_EQ(names({0, 1, 2, 3, 4}, {kPacked, kArchive}), inTemp());
  EXPECT_EQ(names({0, 1, 2, 3, 4}), inExtract());
  for (const ArchiveFile& f : files) {
    const fake::File& unpacked = host.fakeFiles.At(kTemp + f.name);
    EXPECT_EQ(f.data, unpacked.data) << f.name;
    EXPECT_EQ(f.creationTime, unpacked.creation) << f.name;
    EXPECT_EQ(f.lastAccessTime, unpacked.lastAccess) << f.name;
    EXPECT_EQ(f.lastWriteTime, unpacked.lastWrite) << f.name;
    EXPECT_EQ(f.data, host.fakeFiles.At(std::string(kExtract) + "\\" + f.name).data) << f.name;
  }
  EXPECT_EQ(host.payload, host.fakeFiles.At(std::string(kTemp) + kPacked).data);
  EXPECT_EQ(archive, host.fakeFiles.At(std::string(kTemp) + kArchive).data);

  ASSERT_EQ(1u, host.starts.size());
  EXPECT_EQ("D:\\Extract\\trampo.exe", host.starts[0].file);
  EXPECT_EQ("C:\\Downloads\\setup.exe", host.starts[0].parameters);
  EXPECT_EQ(std::vector<std::string>{"Current path is: D:\\Extract"}, host.diagnostics);

  EXPECT_EQ(18, host.checkpoints) << "five files pass 18 checkpoints";
  EXPECT_EQ(100u, host.lastWait);
  EXPECT_EQ(1, host.rangeMin);
  EXPECT_EQ(100, host.rangeMax);
  EXPECT_EQ((std::vector<int>{0, 25, 50, 75, 100, 0, 20, 40, 60, 80, 100, 0, 20, 40, 60, 80, 100, 50, 100, 0}),
            host.positions);
  EXPECT_EQ((std::vector<std::string>{"", "25%", "50%", "75%", "100%", "0%", "20%", "40%", "60%", "80%", "100%",
                                      "0%", "20%", "40%", "60%", "80%", "100%", "50%", "100%", ""}),
            host.percents);
  EXPECT_EQ((std::vector<std::string>{"Preparing data file...", "Extracting file information...",
                                      "Decompress merge data file...", "", "Initialize file information...",
                                      "Extracting file information...", "", "Copying ...\\trampo.exe",
                                      "Copying ...\\quillon.dll", "Copying ...\\readme.txt", "Copying ...\\setup.ini",
                                      "Copying ...\\data.bin", "Update completed.", ""}),
            host.statuses);
}

// Every block the worker asks for, refused in turn, as zlib's own coverage
// test refuses each of its allocations: the run still ends in the one
// clean-up, with every block freed, no file open and nothing started. Up to
// the hand-over nothing of the run stays; the hand-over's check comes after
// the point from which every file stays. A new allocation fails this test
// until it is listed here.
struct RefusedBlock {
  const char* block;
  bool filesStay;
};

const RefusedBlock kRefusedBlocks[] = {
    {"zlib's inflate state", false},
    {"zlib's window", false},
    {"the inflated archive", false},
    {"the entry table", false},
    {"the table of this run's files", false},
    {"the trampo.exe check's buffer", true},
};

TEST_F(WorkerTest, EachRefusedAllocationEndsInTheCleanUp) {
  // Output beyond one buffer, so that zlib needs its window.
  files[1].data.assign(100000, 'q');
  archive = BuildArchive(files);
  run();
  ASSERT_EQ(1u, host.starts.size());
  EXPECT_EQ(0, host.countingMemory.live) << "a whole run frees every block";
  const int points = host.countingMemory.allocations;
  ASSERT_EQ(static_cast<int>(std::size(kRefusedBlocks)), points) << "allocations of a whole run";
  std::printf("[ INFO     ] %d injection points\n", points);

  for (int n = 1; n <= points; ++n) {
    const RefusedBlock& c = kRefusedBlocks[n - 1];
    SCOPED_TRACE(std::string("refused: ") + c.block);
    host = FakeHost();
    host.countingMemory.refuse = n;
    host.payload = deflateBytes(archive);
    run();
    EXPECT_EQ(n, host.countingMemory.allocations) << "nothing more is asked for after a refusal";
    EXPECT_EQ(0, host.countingMemory.live);
    EXPECT_TRUE(host.starts.empty());
    EXPECT_EQ(0, host.positions.back());
    if (c.filesStay) {
      EXPECT_EQ(names({0, 1, 2, 3, 4}, {kPacked, kArchive}), inTemp());
      EXPECT_EQ(names({0, 1, 2, 3, 4}), inExtract());
    } else {
      EXPECT_EQ(std::vector<std::string>{}, inTemp());
      EXPECT_EQ(std::vector<std::string>{}, inExtract());
    }
  }
}

// What each checkpoint of a five-file run leaves on disk when the stop
// request is seen there.
struct StopCase {
  int checkpoint;
  std::vector<int> unpackedLeft;
  bool packedLeft, archiveLeft;
  std::vector<int> copiesLeft;
};

class WorkerStop : public WorkerTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(WorkerStop, LeavesExactlyTheFilesOfItsStage) {
  const StopCase& c = GetParam();
  host.stopAtCheckpoint = c.checkpoint;
  run();
  std::vector<std::string> extra;
  if (c.packedLeft) extra.push_back(kPacked);
  if (c.archiveLeft) extra.push_back(kArchive);
  std::vector<std::string> expectTemp;
  for (int i : c.unpackedLeft) expectTemp.push_back(files[static_cast<size_t>(i)].name);
  expectTemp.insert(expectTemp.end(), extra.begin(), extra.end());
  EXPECT_EQ(sorted(lower(expectTemp)), inTemp());
  std::vector<std::string> copies;
  for (int i : c.copiesLeft) copies.push_back(files[static_cast<size_t>(i)].name);
  EXPECT_EQ(sorted(lower(copies)), inExtract());
  EXPECT_TRUE(host.starts.empty());
  EXPECT_EQ(c.checkpoint, host.checkpoints) << "the worker stops at the first checkpoint that sees the request";
  EXPECT_EQ(0, host.positions.back());
}

const StopCase kStops[] = {
    {1, {}, false, false, {}},
    {2, {}, false, false, {}},
    {3, {}, false, false, {}},  // names formed, nothing written yet
    {4, {}, false, false, {}},  // PackedTempFile written, then deleted
    {5, {}, false, false, {}},  // both intermediates deleted
    // Unpacking: the rollback removes entries 0..i; the intermediates stay.
    {6, {}, true, true, {}},
    {7, {}, true, true, {}},
    {8, {}, true, true, {}},
    {9, {}, true, true, {}},
    {10, {}, true, true, {}},
    // After the last entry: the clean-up deletes the last file and ArchiveTempFile.
    {11, {0, 1, 2, 3}, true, false, {}},
    // Copying: unpacked files 0..i go, later ones and the copies stay.
    {12, {1, 2, 3, 4}, true, true, {0}},
    {13, {2, 3, 4}, true, true, {0, 1}},
    {14, {3, 4}, true, true, {0, 1, 2}},
    {15, {4}, true, true, {0, 1, 2, 3}},
    {16, {}, true, true, {0, 1, 2, 3, 4}},
    // Steps 10 and 11: everything stays, nothing is started.
    {17, {0, 1, 2, 3, 4}, true, true, {0, 1, 2, 3, 4}},
    {18, {0, 1, 2, 3, 4}, true, true, {0, 1, 2, 3, 4}},
};

INSTANTIATE_TEST_SUITE_P(EachCheckpoint, WorkerStop, ::testing::ValuesIn(kStops),
                         [](const ::testing::TestParamInfo<StopCase>& p) {
                           return "Checkpoint" + std::to_string(p.param.checkpoint);
                         });

TEST_F(WorkerTest, StopDuringUnpackingRollsBackWithFallingPositions) {
  host.stopAtCheckpoint = 8;  // after entry 2
  run();
  // ... 20, 40, 60 for the entries, then the rollback 40, 20, 0, then the clean-up 0.
  std::vector<int> tail(host.positions.end() - 7, host.positions.end());
  EXPECT_EQ((std::vector<int>{20, 40, 60, 40, 20, 0, 0}), tail);
  EXPECT_NE(host.statuses.end(),
            std::find(host.statuses.begin(), host.statuses.end(), "Rollback the updated file..."));
}

// Failures before the entry table exists end in the clean-up, which deletes
// both intermediate files.
struct EarlyFailure {
  const char* label;
  void (*arrange)(FakeHost&, std::vector<unsigned char>& archive);
};

class WorkerEarlyFailure : public WorkerTest, public ::testing::WithParamInterface<EarlyFailure> {};

TEST_P(WorkerEarlyFailure, LeavesNothingAndStartsNothing) {
  GetParam().arrange(host, archive);
  run();
  EXPECT_TRUE(inTemp().empty()) << ::testing::PrintToString(inTemp());
  EXPECT_TRUE(inExtract().empty());
  EXPECT_TRUE(host.starts.empty());
}

const EarlyFailure kEarlyFailures[] = {
    {"noResource", [](FakeHost& h, std::vector<unsigned char>&) { h.hasPayload = false; }},
    {"damagedStream",
     [](FakeHost& h, std::vector<unsigned char>& a) {
       h.payload = deflateBytes(a);
       h.payload[h.payload.size() / 2] ^= 0x5A;
     }},
    {"damagedAdler",
     [](FakeHost& h, std::vector<unsigned char>& a) {
       h.payload = deflateBytes(a);
       h.payload.back() ^= 1;
     }},
    {"truncatedStream",
     [](FakeHost& h, std::vector<unsigned char>& a) {
       h.payload = deflateBytes(a);
       h.payload.resize(h.payload.size() - 10);
     }},
    {"inflatesToNothing", [](FakeHost&, std::vector<unsigned char>& a) { a.clear(); }},
    {"countZero", [](FakeHost&, std::vector<unsigned char>& a) { a.assign(4, 0); }},
    {"countUnreadable", [](FakeHost&, std::vector<unsigned char>& a) { a.assign(2, 1); }},
    {"tableDoesNotFit", [](FakeHost&, std::vector<unsigned char>& a) { WriteU32(a.data(), 100); }},
    {"countWraps", [](FakeHost&, std::vector<unsigned char>& a) { WriteU32(a.data(), 14510519u); }},
    {"noTempDirectory", [](FakeHost& h, std::vector<unsigned char>&) { h.tempAvailable = false; }},
    {"packedFileCannotBeCreated",
     [](FakeHost& h, std::vector<unsigned char>&) {
       h.fakeFiles.failCreate.insert(fake::LauncherFiles::Key((std::string(kTemp) + kPacked).c_str()));
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, WorkerEarlyFailure, ::testing::ValuesIn(kEarlyFailures),
                         [](const ::testing::TestParamInfo<EarlyFailure>& p) { return p.param.label; });

TEST_F(WorkerTest, EmptyResourceIsNoPayload) {
  host.hasPayload = true;
  host.payload.clear();
  ExtractionWorker worker(host, kExtract);
  worker.Run();
  EXPECT_EQ(3, host.checkpoints) << "stops at step 3 without writing anything";
  EXPECT_TRUE(inTemp().empty());
}

// A failed entry rolls back the entries before it and itself; the
// intermediate files stay and nothing is copied or started.
struct EntryFailure {
  const char* label;
  void (*damage)(std::vector<unsigned char>& archive, FakeHost& host);
  std::vector<int> unpackedLeft;
};

class WorkerEntryFailure : public WorkerTest, public ::testing::WithParamInterface<EntryFailure> {};

TEST_P(WorkerEntryFailure, RollsBack) {
  GetParam().damage(archive, host);
  run();
  std::vector<std::string> expected;
  for (int i : GetParam().unpackedLeft) expected.push_back(files[static_cast<size_t>(i)].name);
  expected.push_back(kPacked);
  expected.push_back(kArchive);
  std::vector<std::string> left = inTemp();
  // Whatever a test planted read-only stays too.
  for (const auto& f : host.fakeFiles.files) {
    if (f.second.readOnly) expected.push_back(f.first.substr(f.first.rfind('\\') + 1));
  }
  EXPECT_EQ(sorted(lower(expected)), left);
  EXPECT_TRUE(inExtract().empty());
  EXPECT_TRUE(host.starts.empty());
  // Every file on the fake disk is a plain name directly in the temporary
  // directory: nothing was written through a name with a path in it.
  std::string temp = fake::LauncherFiles::Key(kTemp);
  for (const auto& f : host.fakeFiles.files) {
    ASSERT_EQ(0u, f.first.rfind(temp, 0)) << "written outside: " << f.first;
    EXPECT_EQ(std::string::npos, f.first.find_first_of("\\/:", temp.size())) << "written through: " << f.first;
  }
}

const EntryFailure kEntryFailures[] = {
    {"sizeLowZero", [](std::vector<unsigned char>& a, FakeHost&) { patchEntry(a, 2, testing::kSizeLowField, 0); }, {}},
    {"dataPastEnd", [](std::vector<unsigned char>& a, FakeHost&) { a.resize(a.size() - 1); }, {}},
    {"sizeWrapsPastEnd",
     [](std::vector<unsigned char>& a, FakeHost&) { patchEntry(a, 1, testing::kSizeLowField, 0xFFFFFFF0u); },
     {}},
    {"dirName", [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 3, "..\\..\\evil.exe"); }, {}},
    {"slashName", [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 3, "sub/evil.exe"); }, {}},
    {"driveName", [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 0, "C:evil.exe"); }, {}},
    {"streamName", [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 3, "trampo.exe:evil"); }, {}},
    {"dotDotName", [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 3, ".."); }, {}},
    {"emptyName", [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 3, ""); }, {}},
    {"deviceName", [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 3, "nul.txt"); }, {}},
    {"trailingDot", [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 3, "trampo.exe."); }, {}},
    {"unterminatedName", [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 3, std::string(260, 'q')); }, {}},
    {"joinedTempPathTooLong",
     [](std::vector<unsigned char>& a, FakeHost&) { patchName(a, 3, std::string(259 - (sizeof kTemp - 1) + 1, 'q')); },
     {}},
    {"readOnlyFourthFile",
     [](std::vector<unsigned char>&, FakeHost& h) {
       h.fakeFiles.Put(std::string(kTemp) + "setup.ini", {'o', 'l', 'd'});
       h.fakeFiles.At(std::string(kTemp) + "setup.ini").readOnly = true;
     },
     {}},
};

INSTANTIATE_TEST_SUITE_P(Table, WorkerEntryFailure, ::testing::ValuesIn(kEntryFailures),
                         [](const ::testing::TestParamInfo<EntryFailure>& p) { return p.param.label; });

TEST_F(WorkerTest, NameTooLongForExtractPathRollsBackBeforeWriting) {
  // The name fits behind the temporary directory but not behind ExtractPath,
  // so its copy could never be made: the entry fails while unpacking.
  std::string extractPath = "D:\\" + std::string(230, 'e');
  patchName(archive, 3, std::string(30, 'q'));
  host.payload = deflateBytes(archive);
  ExtractionWorker worker(host, extractPath);
  worker.Run();
  EXPECT_EQ(names({}, {kPacked, kArchive}), inTemp());
  EXPECT_TRUE(host.starts.empty());
}

TEST_F(WorkerTest, DiskFullWhileUnpackingRollsBack) {
  host.payload = deflateBytes(archive);
  // Room for both intermediates and the first file, five bytes of the second.
  host.fakeFiles.writeBudget = host.payload.size() + archive.size() + files[0].data.size() + 5;
  run();
  EXPECT_EQ(names({}, {kPacked, kArchive}), inTemp());
  EXPECT_TRUE(inExtract().empty());
  EXPECT_TRUE(host.starts.empty());
}

TEST_F(WorkerTest, DiskFullWhileWritingPackedFileEndsInCleanUp) {
  // The write budget runs out inside PackedTempFile: the inflation fails and
  // the clean-up removes both intermediates.
  host.payload = deflateBytes(archive);
  host.fakeFiles.writeBudget = host.payload.size() / 2;
  run();
  EXPECT_TRUE(inTemp().empty());
}

TEST_F(WorkerTest, ReadOnlyFileKeepsItsContentWhileEarlierEntriesGo) {
  host.fakeFiles.Put(std::string(kTemp) + "setup.ini", {'o', 'l', 'd'});
  host.fakeFiles.At(std::string(kTemp) + "setup.ini").readOnly = true;
  run();
  EXPECT_EQ((std::vector<unsigned char>{'o', 'l', 'd'}), host.fakeFiles.At(std::string(kTemp) + "setup.ini").data);
  // Rollback from entry 3 down to 0.
  std::vector<int> tail(host.positions.end() - 5, host.positions.end());
  EXPECT_EQ((std::vector<int>{60, 40, 20, 0, 0}), tail);
}

TEST_F(WorkerTest, UnsafeNameNeverReachesTheDisk) {
  patchName(archive, 0, "..\\victim.txt");
  host.fakeFiles.Put("C:\\Users\\u\\AppData\\Local\\victim.txt", {'k', 'e', 'e', 'p'});
  run();
  EXPECT_TRUE(host.fakeFiles.Exists("C:\\Users\\u\\AppData\\Local\\victim.txt")) << "the rollback deletes nothing outside";
  for (const std::string& r : host.fakeFiles.removed) EXPECT_EQ(0u, r.find(kTemp)) << r;
}

TEST_F(WorkerTest, SizeHighIsIgnoredAndTrailingBytesAreNotRead) {
  patchEntry(archive, 1, testing::kSizeHighField, 7);
  archive.insert(archive.end(), 100, 0xAB);
  run();
  ASSERT_EQ(1u, host.starts.size());
  for (const ArchiveFile& f : files) EXPECT_EQ(f.data, host.fakeFiles.At(kTemp + f.name).data) << f.name;
}

TEST_F(WorkerTest, RepeatedNameLeavesTheLaterEntry) {
  files[3].name = "TRAMPO.EXE";
  archive = BuildArchive(files);
  run();
  const fake::File& f = host.fakeFiles.At(std::string(kTemp) + "trampo.exe");
  EXPECT_EQ(files[3].data, f.data);
  EXPECT_EQ(files[3].lastWriteTime, f.lastWrite);
  EXPECT_EQ(1u, host.starts.size());
}

TEST_F(WorkerTest, ExistingFileIsReplaced) {
  host.fakeFiles.Put(std::string(kTemp) + "readme.txt", std::vector<unsigned char>(10000, 'z'));
  run();
  EXPECT_EQ(files[2].data, host.fakeFiles.At(std::string(kTemp) + "readme.txt").data);
}

TEST_F(WorkerTest, SameTemporaryAndExtractDirectoryStillHandsOver) {
  host.tempDir = "D:\\Extract\\";
  run();
  EXPECT_EQ(names({0, 1, 2, 3, 4}, {kPacked, kArchive}), inExtract());
  ASSERT_EQ(1u, host.starts.size());
}

TEST_F(WorkerTest, PayloadWithoutTrampoStillEndsNormally) {
  files.erase(files.begin());
  archive = BuildArchive(files);
  run();
  EXPECT_EQ(4u, inExtract().size());
  ASSERT_EQ(1u, host.starts.size()) << "the start is tried; its failure is not examined";
  EXPECT_EQ("D:\\Extract\\trampo.exe", host.starts[0].file);
}

TEST_F(WorkerTest, OwnPathWithBlanksIsPassedUnquoted) {
  host.modulePath = "C:\\My Downloads\\setup.exe";
  run();
  ASSERT_EQ(1u, host.starts.size());
  EXPECT_EQ("C:\\My Downloads\\setup.exe", host.starts[0].parameters);
}

TEST_F(WorkerTest, TempTooLongForTheProgramNameStartsNothing) {
  std::string longTemp = "D:\\" + std::string(250, 't');  // 253 + "\trampo.exe" = 264
  host.payload = deflateBytes(BuildArchive({files[1]}));
  ExtractionWorker worker(host, longTemp);
  worker.Run();
  EXPECT_TRUE(host.starts.empty());
  EXPECT_EQ(1, host.closeRequests);
}

TEST_F(WorkerTest, IntermediateNamesWrapBeforeDividing) {
  host.ticks = {0xFFFFFFFFu, 0xFFFFFFFFu};
  run();
  // 0xFFFFFFFF * 12345 mod 2^32 = 2^32 - 12345; divided by 8725 = 492258.
  EXPECT_TRUE(host.fakeFiles.Exists(std::string(kTemp) + "FFFFFFFF"));
  EXPECT_TRUE(host.fakeFiles.Exists(std::string(kTemp) + "000782E2"));
}

// Another program's trampo.exe already in ExtractPath, where the copy cannot
// replace it: the copy's failure must stop the worker before anything starts.
struct CopyBlocked {
  const char* label;
  const char* name;  // the entry whose copy is blocked
  bool readOnly;     // else held open by another program without write sharing
  int index;
};

class WorkerCopyBlocked : public WorkerTest, public ::testing::WithParamInterface<CopyBlocked> {};

TEST_P(WorkerCopyBlocked, StartsNothingAndLeavesThePlantedFile) {
  const CopyBlocked& c = GetParam();
  const std::string planted = std::string(kExtract) + "\\" + c.name;
  const std::vector<unsigned char> foreign = testing::bytesOf("MZ planted program");
  host.fakeFiles.AddDirectory(kExtract);
  host.fakeFiles.Put(planted, foreign);
  FileHandle holder = kNoFile;
  if (c.readOnly) {
    host.fakeFiles.At(planted).readOnly = true;
  } else {
    holder = host.fakeFiles.OpenForRead(planted.c_str(), nullptr);
    ASSERT_NE(kNoFile, holder);
  }
  host.payload = deflateBytes(archive);
  ExtractionWorker worker(host, kExtract);
  worker.Run();
  if (holder != kNoFile) host.fakeFiles.Close(holder);

  EXPECT_TRUE(host.starts.empty()) << "started " << (host.starts.empty() ? "" : host.starts[0].file);
  EXPECT_EQ(foreign, host.fakeFiles.At(planted).data);
  EXPECT_NE(host.statuses.end(), std::find(host.statuses.begin(), host.statuses.end(), "Rollback the updated file..."));
  // The rollback removes the unpacked files up to the failed copy.
  std::vector<int> left;
  for (int i = c.index + 1; i < 5; ++i) left.push_back(i);
  std::vector<std::string> expected = names({}, {kPacked, kArchive});
  for (int i : left) expected.push_back(fake::LauncherFiles::Key(files[static_cast<size_t>(i)].name.c_str()));
  EXPECT_EQ(sorted(expected), inTemp());
  EXPECT_EQ(0, host.fakeFiles.openHandles);
  EXPECT_EQ(1, host.closeRequests);
}

const CopyBlocked kCopyBlocked[] = {
    {"readOnlyTrampo", "trampo.exe", true, 0},
    {"lockedTrampo", "trampo.exe", false, 0},
    {"readOnlyLaterEntry", "setup.ini", true, 3},
    {"lockedLastEntry", "data.bin", false, 4},
};

INSTANTIATE_TEST_SUITE_P(Table, WorkerCopyBlocked, ::testing::ValuesIn(kCopyBlocked),
                         [](const ::testing::TestParamInfo<CopyBlocked>& p) { return p.param.label; });

TEST_F(WorkerTest, TrampoSwappedAfterItsCopyIsNotStarted) {
  const std::string copy = std::string(kExtract) + "\\trampo.exe";
  // Checkpoint 17 is step 10: every copy is made, the hand-over is ahead.
  host.atCheckpoint = [&](int n) {
    if (n == 17) host.fakeFiles.Put(copy, testing::bytesOf("MZ swapped in"));
  };
  run();
  EXPECT_TRUE(host.starts.empty());
  EXPECT_EQ(testing::bytesOf("MZ swapped in"), host.fakeFiles.At(copy).data) << "not ours to delete";
}

TEST_F(WorkerTest, TrampoIsHeldAgainstChangeWhileTheShellOpensIt) {
  const std::string copy = std::string(kExtract) + "\\trampo.exe";
  host.fakeFiles.Put(std::string(kExtract) + "\\other.exe", testing::bytesOf("MZ other"));
  bool checked = false;
  host.atShellOpen = [&](const std::string& file) {
    checked = true;
    EXPECT_EQ(copy, file);
    EXPECT_TRUE(host.fakeFiles.IsOpen(copy));
    EXPECT_EQ(kNoFile, host.fakeFiles.CreateForWrite(copy.c_str())) << "not written";
    EXPECT_FALSE(host.fakeFiles.Copy((std::string(kExtract) + "\\other.exe").c_str(), copy.c_str())) << "not replaced";
    EXPECT_FALSE(host.fakeFiles.Remove(copy.c_str())) << "not deleted";
    FileHandle reader = host.fakeFiles.OpenForRead(copy.c_str(), nullptr);
    EXPECT_NE(kNoFile, reader) << "but readable, as starting it needs";
    if (reader != kNoFile) host.fakeFiles.Close(reader);
  };
  run();
  ASSERT_TRUE(checked);
  EXPECT_EQ(files[0].data, host.fakeFiles.At(copy).data);
  EXPECT_FALSE(host.fakeFiles.IsOpen(copy)) << "released once the shell's open has returned";
}

// A scanner opens the trampo.exe just copied for a while, so the open that
// checks and holds it is refused as a sharing violation: it is tried up to
// five times, a checkpoint wait apart, and a stop request meanwhile ends the
// run. Any other failure is not waited for.
struct TrampoBusy {
  const char* label;
  int refusals;      // sharing violations before the scanner lets go
  int stopAt;        // the checkpoint that sees a stop request, or -1
  bool gone;         // the copy is deleted instead, just before the hand-over
  int refusalsLeft;  // so the opens tried were refusals - refusalsLeft (+1 when one succeeded)
  int checkpoints;
  bool started;
};

class WorkerTrampoBusy : public WorkerTest, public ::testing::WithParamInterface<TrampoBusy> {};

TEST_P(WorkerTrampoBusy, RetriesOnlyASharingViolationAFewTimes) {
  const TrampoBusy& c = GetParam();
  const std::string copy = std::string(kExtract) + "\\trampo.exe";
  const std::string key = fake::LauncherFiles::Key(copy.c_str());
  host.fakeFiles.refusedReads[key] = c.refusals;
  host.stopAtCheckpoint = c.stopAt;
  // Checkpoint 18 is the last before the hand-over.
  host.atCheckpoint = [&](int n) {
    if (n == 18 && c.gone) host.fakeFiles.Remove(copy.c_str());
  };
  run();
  EXPECT_EQ(c.refusalsLeft, host.fakeFiles.refusedReads[key]);
  EXPECT_EQ(c.checkpoints, host.checkpoints) << "one checkpoint wait between attempts";
  EXPECT_EQ(100u, host.lastWait);
  EXPECT_EQ(c.started ? 1u : 0u, host.starts.size());
  // Past the copies every file stays, whether trampo.exe was started or not.
  EXPECT_EQ(names({0, 1, 2, 3, 4}, {kPacked, kArchive}), inTemp());
  EXPECT_EQ(c.gone ? names({1, 2, 3, 4}) : names({0, 1, 2, 3, 4}), inExtract());
  EXPECT_EQ(0, host.positions.back());
  EXPECT_EQ("", host.statuses.back());
}

const TrampoBusy kTrampoBusy[] = {
    {"free", 0, -1, false, 0, 18, true},
    {"refusedOnce", 1, -1, false, 0, 19, true},
    {"refusedFourTimes", 4, -1, false, 0, 22, true},
    {"refusedFiveTimes", 5, -1, false, 0, 22, false},
    {"heldLonger", 9, -1, false, 4, 22, false},
    {"stopDuringTheRetries", 9, 20, false, 7, 20, false},
    {"deletedIsNotWaitedFor", 0, -1, true, 0, 18, false},
};

INSTANTIATE_TEST_SUITE_P(Table, WorkerTrampoBusy, ::testing::ValuesIn(kTrampoBusy),
                         [](const ::testing::TestParamInfo<TrampoBusy>& p) { return p.param.label; });

// A trampo.exe that is not the payload's is never started: neither one that
// can be read nor one that another program holds so that it cannot be opened,
// which is there all the same.
TEST_F(WorkerTest, PlantedTrampoIsNotStartedWhenThePayloadHasNone) {
  for (const bool held : {false, true}) {
    SCOPED_TRACE(held ? "held by another program" : "readable");
    FakeHost fresh;
    fresh.payload = deflateBytes(BuildArchive(std::vector<ArchiveFile>(files.begin() + 1, files.end())));
    fresh.fakeFiles.AddDirectory(kExtract);
    const std::string planted = std::string(kExtract) + "\\trampo.exe";
    fresh.fakeFiles.Put(planted, testing::bytesOf("MZ planted"));
    if (held) fresh.fakeFiles.refusedReads[fake::LauncherFiles::Key(planted.c_str())] = 1000;
    ExtractionWorker worker(fresh, kExtract);
    EXPECT_EQ(0, worker.Run());
    EXPECT_TRUE(fresh.starts.empty());
    EXPECT_EQ(0, fresh.fakeFiles.openHandles);
  }
}

TEST_F(WorkerTest, SameDirectorySpelledDifferentlyIsStillTheSameFile) {
  host.tempDir = "d:\\extract\\";
  host.payload = deflateBytes(archive);
  host.fakeFiles.AddDirectory(kExtract);
  ExtractionWorker worker(host, "D:\\EXTRACT\\");
  worker.Run();
  ASSERT_EQ(1u, host.starts.size()) << "a copy onto itself is skipped, not a failure";
  EXPECT_EQ(names({0, 1, 2, 3, 4}, {kPacked, kArchive}), inExtract());
}

// TEMP names the temporary directory, or another folder, in a spelling of its
// own: whether a copy would be onto the file itself is for the file system to
// say, not the text. Onto itself the copy is skipped and trampo.exe starts;
// into another folder every file is copied.
struct Spelling {
  const char* label;
  std::string extractPath;
  std::vector<std::pair<std::string, std::string>> aliases;  // another name, the directory it names
  std::string copiesIn;  // where the copies land, when not the temporary directory itself
};

void PrintTo(const Spelling& s, std::ostream* os) { *os << s.label << ": " << s.extractPath; }

class WorkerSpelling : public WorkerTest, public ::testing::WithParamInterface<Spelling> {};

TEST_P(WorkerSpelling, CopiesOnlyIntoAnotherFolderAndHandsOver) {
  const Spelling& c = GetParam();
  host.tempDir = "C:\\Users\\Long Name\\AppData\\Local\\Temp\\";
  if (!c.copiesIn.empty()) host.fakeFiles.AddDirectory(c.copiesIn);
  for (const auto& alias : c.aliases) host.fakeFiles.AddAlias(alias.first, alias.second);
  host.payload = deflateBytes(archive);
  ExtractionWorker worker(host, c.extractPath);
  EXPECT_EQ(0, worker.Run());

  EXPECT_EQ(host.statuses.end(), std::find(host.statuses.begin(), host.statuses.end(), "Rollback the updated file..."));
  ASSERT_EQ(1u, host.starts.size()) << "a copy onto itself is no failure";
  EXPECT_EQ(c.extractPath + "\\trampo.exe", host.starts[0].file);
  EXPECT_EQ(names({0, 1, 2, 3, 4}, {kPacked, kArchive}), sorted(host.fakeFiles.NamesUnder(host.tempDir)));
  if (!c.copiesIn.empty()) {
    EXPECT_EQ(names({0, 1, 2, 3, 4}), sorted(host.fakeFiles.NamesUnder(c.copiesIn + "\\")));
    for (const ArchiveFile& f : files) EXPECT_EQ(f.data, host.fakeFiles.At(c.copiesIn + "\\" + f.name).data) << f.name;
  }
  for (const ArchiveFile& f : files) EXPECT_EQ(f.data, host.fakeFiles.At(c.extractPath + "\\" + f.name).data) << f.name;
  EXPECT_EQ(0, host.fakeFiles.openHandles);
  EXPECT_EQ(1, host.closeRequests);
}

const Spelling kSpellings[] = {
    {"shortName", "C:\\Users\\LONGNA~1\\AppData\\Local\\Temp", {{"C:\\Users\\LONGNA~1", "C:\\Users\\Long Name"}}, ""},
    {"mappedDrive", "T:\\Temp", {{"T:", "C:\\Users\\Long Name\\AppData\\Local"}}, ""},
    {"dotSegment", "C:\\Users\\Long Name\\AppData\\Local\\.\\Temp", {}, ""},
    {"dotDotSegment", "C:\\Users\\Long Name\\AppData\\Roaming\\..\\Local\\Temp", {}, ""},
    {"driveMappedElsewhere", "T:\\Extract", {{"T:", "D:"}}, "D:\\Extract"},
    {"shortNameOfAnotherFolder", "D:\\EXTRAC~1", {{"D:\\EXTRAC~1", "D:\\Extract"}}, "D:\\Extract"},
    {"folderInsideTemp", "C:\\Users\\LONGNA~1\\AppData\\Local\\Temp\\Sub", {{"C:\\Users\\LONGNA~1", "C:\\Users\\Long Name"}},
     "C:\\Users\\Long Name\\AppData\\Local\\Temp\\Sub"},
};

INSTANTIATE_TEST_SUITE_P(Table, WorkerSpelling, ::testing::ValuesIn(kSpellings),
                         [](const ::testing::TestParamInfo<Spelling>& p) { return p.param.label; });

// A file of the user's, hidden or system, lies in the temporary directory
// under a name the worker wants: its create fails, and the rollback and the
// clean-up must leave it alone, deleting only what this run wrote.
struct UserFile {
  const char* label;
  std::string name;
  bool hidden, system;
  std::vector<std::string> left;  // besides the user's file
};

class WorkerKeepsUserFiles : public WorkerTest, public ::testing::WithParamInterface<UserFile> {};

TEST_P(WorkerKeepsUserFiles, OnlyWhatThisRunCreatedIsDeleted) {
  const UserFile& c = GetParam();
  const std::string path = kTemp + c.name;
  host.fakeFiles.AddDirectory(kTemp);
  host.fakeFiles.Put(path, testing::bytesOf("the user's"));
  host.fakeFiles.At(path).hidden = c.hidden;
  host.fakeFiles.At(path).system = c.system;
  run();
  ASSERT_TRUE(host.fakeFiles.Exists(path)) << "the user's file was deleted";
  EXPECT_EQ(testing::bytesOf("the user's"), host.fakeFiles.At(path).data);
  std::vector<std::string> expected = c.left;
  expected.push_back(c.name);
  EXPECT_EQ(sorted(lower(expected)), inTemp());
  EXPECT_TRUE(inExtract().empty());
  EXPECT_TRUE(host.starts.empty());
}

const UserFile kUserFiles[] = {
    {"hiddenFourthEntry", "setup.ini", true, false, {kPacked, kArchive}},
    {"systemFirstEntry", "TRAMPO.EXE", false, true, {kPacked, kArchive}},
    {"hiddenPackedName", kPacked, true, false, {}},
    {"systemArchiveName", kArchive, false, true, {}},
};

INSTANTIATE_TEST_SUITE_P(Table, WorkerKeepsUserFiles, ::testing::ValuesIn(kUserFiles),
                         [](const ::testing::TestParamInfo<UserFile>& p) { return p.param.label; });

TEST_F(WorkerTest, OversizedArchiveStreamEndsInTheCleanUp) {
  // The stream inflates one byte past the largest archive allowed (made
  // small here): the partial ArchiveTempFile goes as for a damaged stream.
  host.payload = deflateBytes(archive);
  host.fakeFiles.AddDirectory(kExtract);
  {
    ExtractionWorker worker(host, kExtract, archive.size() - 1);
    worker.Run();
  }
  EXPECT_TRUE(inTemp().empty()) << ::testing::PrintToString(inTemp());
  EXPECT_TRUE(host.starts.empty());
  EXPECT_EQ(0, host.fakeFiles.openHandles);

  FakeHost exact;
  exact.payload = host.payload;
  exact.fakeFiles.AddDirectory(kExtract);
  ExtractionWorker worker(exact, kExtract, archive.size());
  worker.Run();
  EXPECT_EQ(1u, exact.starts.size()) << "an archive of exactly the largest size is fine";
}

// The Windows programs' runtime has no std::thread (win32-thread compilers).
#ifdef _WIN32
DWORD WINAPI RunWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}
#endif

void RunOnNewThread(const std::function<void()>& work) {
#ifdef _WIN32
  HANDLE thread = CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
  ASSERT_NE(nullptr, thread);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
#else
  std::thread(work).join();
#endif
}

// On the thread the program starts on and on a new one: the i686 build's x87
// unit keeps each thread's own precision (MinGW's start-up sets the first to
// 64 bits, where 29 of 100 would come out as 29).
TEST(FilePercentage, IsTruncatedDoubleArithmeticOnEveryThread) {
  const auto check = [] {
    EXPECT_EQ(28, FilePercentage(28, 100)) << "29 of 100";
    EXPECT_EQ(33, FilePercentage(0, 3));
    EXPECT_EQ(66, FilePercentage(1, 3));
    EXPECT_EQ(100, FilePercentage(2, 3));
    EXPECT_EQ(100, FilePercentage(0, 1));
    EXPECT_EQ(56, FilePercentage(56, 100)) << "57 of 100: 0.57 * 100 is just below 57 in doubles";
  };
  check();
  RunOnNewThread(check);
}

TEST_F(WorkerTest, HundredFilesReportTruncatedPercentages) {
  archive = BuildArchive(sampleFiles(100));
  run();
  ASSERT_GE(host.percents.size(), 35u);
  // Unpacking percents start after "0%" of step 6; entry 28 is the 29th file.
  auto first = std::find(host.percents.begin(), host.percents.end(), "0%");
  ASSERT_NE(host.percents.end(), first);
  EXPECT_EQ("28%", *(first + 29));
  EXPECT_EQ("1%", *(first + 1));
}

// The temporary directory and ExtractPath are one folder or two as the code
// page reads them: in 932 "ヂ" (0x83 0x61) and "ア" (0x83 0x41) are two
// names, where a byte-wise comparison would skip the copy into ExtractPath.
TEST_F(WorkerTest, TemporaryAndExtractDirectoriesCompareByCharacters) {
  struct Case {
    unsigned codePage;
    const char* temp;
    const char* extract;
    bool same;
  };
  const Case cases[] = {
      {1252, "D:\\x\\\xE9\x61\\", "D:\\X\\\xE9\x41", true},
      {932, "D:\\x\\\x83\x61\\", "D:\\X\\\x83\x41", false},
      {932, "D:\\x\\\x83\x5C\\", "D:\\X\\\x83\x5C", true},
      {65001, "D:\\x\\\xC3\xA9\x61\\", "D:\\X\\\xC3\xA9\x41", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " " + c.extract);
    FakeHost h;
    h.SetCodePage(c.codePage);
    h.tempDir = c.temp;
    h.payload = deflateBytes(archive);
    h.fakeFiles.AddDirectory(c.extract);
    ExtractionWorker worker(h, c.extract);
    worker.Run();
    ASSERT_EQ(1u, h.starts.size());
    EXPECT_EQ(std::string(c.extract) + "\\trampo.exe", h.starts[0].file);
    std::vector<std::string> expected = names({0, 1, 2, 3, 4}, c.same ? std::vector<std::string>{kPacked, kArchive}
                                                                      : std::vector<std::string>{});
    EXPECT_EQ(expected, sorted(h.fakeFiles.NamesUnder(std::string(c.extract) + "\\")));
    for (const ArchiveFile& f : files)
      EXPECT_EQ(f.data, h.fakeFiles.At(std::string(c.extract) + "\\" + f.name).data) << f.name;
  }
}

}  // namespace
}  // namespace launcher

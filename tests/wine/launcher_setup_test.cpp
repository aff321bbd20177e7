// setup.exe end to end under Wine: each case repacks the built setup.exe with
// its own payload (through the packer's PE rewriting), starts it with an
// explicit environment, and checks the files, the hand-over and the exit code.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "payload_archive.h"
#include "payload_codec.h"
#include "tests/wine/e2e_support.h"

namespace {

using Bytes = std::vector<unsigned char>;
using launcher::ArchiveFile;

const DWORD kRunTimeout = 60000;
// The built launcher, whose payload is the recording trampo alone.
const char* const kBuiltSetup = QUILLON_LAUNCHER_IMAGE;

Bytes readFile(const std::string& path) {
  const std::string data = ReadFile(path);
  return Bytes(data.begin(), data.end());
}

void writeFile(const std::string& path, const Bytes& bytes) {
  WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

bool isIntermediateName(const std::string& name) {
  return name.size() == 8 && name.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

uint64_t fileTimeOf(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

struct Outcome {
  DWORD exitCode = 0;
  DWORD milliseconds = 0;
  std::string output;
};

class SetupUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    bin = uidriver::OwnFolder() + "\\";
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch = std::string(temp) + "launcher-wine-" + std::to_string(GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    tempDir = scratch + "\\tmp";
    extractDir = scratch + "\\extract";
    setupDir = scratch + "\\my setups";
    for (const std::string& d : {scratch, tempDir, extractDir, setupDir}) CreateDirectoryA(d.c_str(), nullptr);
    record = scratch + "\\trampo-record.txt";
  }

  // Five files: the sample trampo.exe and four of known content and times.
  std::vector<ArchiveFile> fiveFiles() {
    std::vector<ArchiveFile> files;
    const char* names[] = {"trampo.exe", "quillon.dll", "readme.txt", "setup.ini", "data.bin"};
    for (int i = 0; i < 5; ++i) {
      ArchiveFile f;
      f.name = names[i];
      // 2004-05-14 and the following days, at distinct hours.
      f.creationTime = 127290528000000000ull + static_cast<uint64_t>(i) * 864000000000ull;
      f.lastAccessTime = f.creationTime + 36000000000ull;
      f.lastWriteTime = f.creationTime + 72000000000ull;
      if (i == 0) {
        f.data = readFile(bin + "trampo.exe");
      } else {
        f.data.resize(static_cast<size_t>(i) * 70001);
        for (size_t k = 0; k < f.data.size(); ++k) f.data[k] = static_cast<unsigned char>((k * k + static_cast<size_t>(i)) >> 3);
      }
      files.push_back(f);
    }
    return files;
  }

  // A copy of the built setup.exe carrying `stream` as its payload.
  std::string setupWith(const std::string& name, const Bytes& stream) {
    Bytes image = readFile(kBuiltSetup);
    std::string error;
    EXPECT_TRUE(packer::ReplacePayload(&image, stream, &error, nullptr)) << error;
    std::string path = setupDir + "\\" + name;
    writeFile(path, image);
    return path;
  }

  std::string setupWithFiles(const std::string& name, const std::vector<ArchiveFile>& files) {
    return setupWith(name, packer::CompressPayload(launcher::BuildArchive(files)));
  }

  // The changes to the test's own environment: TEMP and TMP replaced (or
  // removed when empty), the trampo record redirected into the scratch folder.
  std::map<std::string, std::string> environment(const std::string& temp, const std::string& tmp) {
    return {{"TEMP", temp}, {"TMP", tmp}, {"TRAMPO_RECORD", record}};
  }

  void start(uidriver::Session& setup, const std::string& program, const std::map<std::string, std::string>& env) {
    EXPECT_TRUE(setup.Start(program, "", env, scratch, scratch + "\\stdout.txt"))
        << "cannot start " << program << ": error " << GetLastError();
  }

  Outcome finish(uidriver::Session& setup, DWORD startTick) {
    Outcome r;
    const long code = setup.WaitForExit(kRunTimeout);
    EXPECT_NE(-1, code) << "setup did not end";
    r.milliseconds = GetTickCount() - startTick;
    r.exitCode = static_cast<DWORD>(code);
    r.output = ReadFile(scratch + "\\stdout.txt");
    return r;
  }

  Outcome run(const std::string& program, const std::map<std::string, std::string>& env) {
    uidriver::Session setup;
    DWORD t0 = GetTickCount();
    start(setup, program, env);
    return finish(setup, t0);
  }

  // The hand-over is asynchronous: trampo.exe may still be starting when
  // setup has ended.
  std::string waitForRecord() {
    std::string text;
    return WaitUntil([&] { return (text = ReadFile(record)).find("program: ") != std::string::npos; }, 10000)
               ? text
               : std::string();
  }

  // The box, shown or still hidden.
  static HWND findDialog(const uidriver::Session& setup) {
    if (!setup.Running()) return nullptr;
    return uidriver::WaitForTopLevel({"#32770", "Mendora for Quillon", setup.processId(), false}, 10000);
  }

  std::string bin, scratch, tempDir, extractDir, setupDir, record;
};

TEST_F(SetupUnderWine, FiveEntriesUnpackCopyAndHandOver) {
  std::vector<ArchiveFile> files = fiveFiles();
  std::string setup = setupWithFiles("setup five.exe", files);
  Outcome r = run(setup, environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  // A figure, not a target: 18 checkpoints of 100 ms are the floor.
  std::printf("five-entry run of setup.exe: %lu ms\n", static_cast<unsigned long>(r.milliseconds));
  RecordProperty("setup_run_ms", static_cast<int>(r.milliseconds));

  // The temporary directory (TMP) holds the unpacked files with their stored
  // times and both intermediate files; TEMP holds the copies.
  const std::set<std::string> temp = Listing(tempDir);
  std::vector<std::string> intermediates;
  for (const std::string& n : temp) {
    if (isIntermediateName(n)) intermediates.push_back(n);
  }
  EXPECT_EQ(2u, intermediates.size()) << ::testing::PrintToString(temp);
  EXPECT_EQ(7u, temp.size()) << ::testing::PrintToString(temp);
  for (const ArchiveFile& f : files) {
    std::string unpacked = tempDir + "\\" + f.name;
    EXPECT_EQ(f.data, readFile(unpacked)) << f.name;
    EXPECT_EQ(f.data, readFile(extractDir + "\\" + f.name)) << f.name;
    HANDLE h = CreateFileA(unpacked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << f.name;
    FILETIME created, accessed, written;
    GetFileTime(h, &created, &accessed, &written);
    CloseHandle(h);
    // Wine reports the write time as creation time, and the copy into TEMP
    // has read the file since, which moves its access time (see below).
    EXPECT_EQ(f.lastWriteTime, fileTimeOf(written)) << f.name;
  }

  std::string handOver = waitForRecord();
  ASSERT_FALSE(handOver.empty()) << "trampo.exe was not started";
  // The launcher's own path, unquoted, as the whole parameter string.
  EXPECT_NE(std::string::npos, handOver.find("\r\nparameters: " + setup + "\r\n")) << handOver;
  EXPECT_NE(std::string::npos, handOver.find("program: " + extractDir + "\\trampo.exe")) << handOver;
  EXPECT_NE(std::string::npos, handOver.find("working directory: " + scratch + "\r\n")) << handOver;
  EXPECT_NE(std::string::npos, r.output.find("Current path is: " + extractDir + "\n")) << r.output;
}

TEST_F(SetupUnderWine, SameTemporaryAndTempDirectoryKeepsTheStoredAccessTimes) {
  // With TMP and TEMP the same folder every copy fails harmlessly, so
  // nothing reads the unpacked files again and their access times are the
  // stored ones (trampo.exe excepted: it is started).
  std::vector<ArchiveFile> files = fiveFiles();
  std::string setup = setupWithFiles("same.exe", files);
  Outcome r = run(setup, environment(tempDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_EQ(7u, Listing(tempDir).size()) << ::testing::PrintToString(Listing(tempDir));
  for (const ArchiveFile& f : files) {
    std::string unpacked = tempDir + "\\" + f.name;
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(unpacked.c_str(), GetFileExInfoStandard, &data)) << f.name;
    EXPECT_EQ(f.data, readFile(unpacked)) << f.name;  // after the times: reading moves the access time
    if (f.name == "trampo.exe") continue;
    EXPECT_EQ(f.lastAccessTime, fileTimeOf(data.ftLastAccessTime)) << f.name;
    EXPECT_EQ(f.lastWriteTime, fileTimeOf(data.ftLastWriteTime)) << f.name;
  }
  std::string handOver = waitForRecord();
  EXPECT_NE(std::string::npos, handOver.find("program: " + tempDir + "\\trampo.exe")) << handOver;
}

// TMP and TEMP naming one folder in two spellings: the copies onto
// themselves are skipped as for one spelling, and trampo.exe runs. The
// sandbox maps U: onto the user's TEMP, as subst or a network drive would.
TEST_F(SetupUnderWine, TemporaryDirectoryInAnotherSpellingIsStillTheSameFolder) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string relative = tempDir.substr(std::string(temp).size());
  std::vector<std::string> spellings = {tempDir + "\\.", scratch + "\\extract\\..\\tmp"};
  WriteFile(tempDir + "\\drive-probe.txt", "here");
  if (ReadFile("U:\\" + relative + "\\drive-probe.txt") == "here") spellings.push_back("U:\\" + relative);
  DeleteFileA((tempDir + "\\drive-probe.txt").c_str());
  ASSERT_GE(spellings.size(), 2u);
  if (spellings.size() < 3) std::printf("no drive letter onto TEMP here: the drive spelling is not tried\n");
  for (const std::string& other : spellings) {
    SCOPED_TRACE(other);
    DeleteFileA(record.c_str());
    std::string setup = setupWithFiles("spelled.exe", fiveFiles());
    Outcome r = run(setup, environment(other, tempDir));
    EXPECT_EQ(18u, r.exitCode);
    std::string handOver = waitForRecord();
    EXPECT_NE(std::string::npos, handOver.find("program: ")) << "nothing was started: " << r.output;
    for (const char* name : {"trampo.exe", "quillon.dll", "readme.txt", "setup.ini", "data.bin"})
      EXPECT_TRUE(Exists(tempDir + "\\" + name)) << name;
  }
}

TEST_F(SetupUnderWine, BuiltSetupHandsOverToItsSampleTrampo) {
  // The setup.exe of the build, with the payload the resource script put in.
  Outcome r = run(kBuiltSetup, environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_EQ(readFile(bin + "trampo.exe"), readFile(extractDir + "\\trampo.exe"));
  std::string handOver = waitForRecord();
  EXPECT_NE(std::string::npos, handOver.find("parameters: " + std::string(kBuiltSetup))) << handOver;
}

TEST_F(SetupUnderWine, SetupRepackedFromLinuxRuns) {
  // The build repacked setup.exe with the Linux packer: trampo.exe and one
  // header file.
  std::string repacked = bin + "setup-repacked.exe";
  ASSERT_TRUE(Exists(repacked));
  Outcome r = run(repacked, environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_EQ(readFile(bin + "trampo.exe"), readFile(extractDir + "\\trampo.exe"));
  EXPECT_TRUE(Exists(extractDir + "\\payload_archive.h"));
  std::string handOver = waitForRecord();
  EXPECT_NE(std::string::npos, handOver.find("parameters: " + repacked)) << handOver;
}

TEST_F(SetupUnderWine, DamagedPayloadLeavesNothingAndStartsNothing) {
  Bytes stream = packer::CompressPayload(launcher::BuildArchive(fiveFiles()));
  stream[stream.size() - 2] ^= 0x40;  // Adler-32
  Outcome r = run(setupWith("damaged.exe", stream), environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_TRUE(Listing(tempDir).empty()) << ::testing::PrintToString(Listing(tempDir));
  EXPECT_TRUE(Listing(extractDir).empty());
  Sleep(500);  // time enough for a wrongly started trampo.exe to show up
  EXPECT_FALSE(Exists(record));
}

TEST_F(SetupUnderWine, UnsafeEntryNameWritesNothingOutside) {
  std::vector<ArchiveFile> files = fiveFiles();
  files[2].name = "..\\escaped.txt";
  Outcome r = run(setupWithFiles("unsafe.exe", files), environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_FALSE(Exists(scratch + "\\escaped.txt"));
  // Rolled back: only the intermediate files stay.
  for (const std::string& n : Listing(tempDir)) EXPECT_TRUE(isIntermediateName(n)) << n;
  EXPECT_TRUE(Listing(extractDir).empty());
}

// A trampo.exe planted in TEMP (ExtractPath) that the copy cannot replace:
// read-only, or held open by another program without write sharing. The
// planted one is the recording trampo, so any start leaves a record.
TEST_F(SetupUnderWine, PlantedTrampoThatCannotBeReplacedIsNeverStarted) {
  struct Case {
    const char* label;
    bool readOnly;
  } cases[] = {{"read-only", true}, {"locked", false}};
  const Bytes planted = readFile(bin + "trampo.exe");
  ASSERT_FALSE(planted.empty());
  std::string setup = setupWithFiles("planted.exe", fiveFiles());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string target = extractDir + "\\trampo.exe";
    writeFile(target, planted);
    HANDLE holder = INVALID_HANDLE_VALUE;
    if (c.readOnly) {
      ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    } else {
      holder = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    }
    Outcome r = run(setup, environment(extractDir, tempDir));
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
    EXPECT_EQ(18u, r.exitCode);
    Sleep(500);  // time enough for a wrongly started trampo.exe to show up
    EXPECT_FALSE(Exists(record)) << ReadFile(record);
    EXPECT_EQ(planted, readFile(target)) << "the planted file is not ours to change";
    // Rolled back at the first copy: only the unpacked trampo.exe has gone.
    EXPECT_FALSE(Exists(tempDir + "\\trampo.exe"));
    EXPECT_TRUE(Exists(tempDir + "\\data.bin"));

    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const std::string& n : Listing(tempDir)) DeleteFileA((tempDir + "\\" + n).c_str());
    for (const std::string& n : Listing(extractDir)) DeleteFileA((extractDir + "\\" + n).c_str());
    DeleteFileA(record.c_str());
  }
}

TEST_F(SetupUnderWine, HiddenFileUnderAnEntrysNameIsKept) {
  std::string users = tempDir + "\\setup.ini";
  writeFile(users, Bytes{'m', 'i', 'n', 'e'});
  ASSERT_TRUE(SetFileAttributesA(users.c_str(), FILE_ATTRIBUTE_HIDDEN));
  Outcome r = run(setupWithFiles("hidden.exe", fiveFiles()), environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  ASSERT_TRUE(Exists(users)) << "the rollback deleted the user's file";
  EXPECT_EQ((Bytes{'m', 'i', 'n', 'e'}), readFile(users));
  EXPECT_TRUE(GetFileAttributesA(users.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  // Entries 0 to 2 were unpacked and rolled back; the intermediates stay.
  std::vector<std::string> left;
  for (const std::string& n : Listing(tempDir)) {
    if (!isIntermediateName(n)) left.push_back(n);
  }
  EXPECT_EQ(std::vector<std::string>{"setup.ini"}, left);
  EXPECT_TRUE(Listing(extractDir).empty());
  Sleep(500);
  EXPECT_FALSE(Exists(record));
}

TEST_F(SetupUnderWine, DeviceAndTrailingDotNamesInThePayloadStartNothing) {
  for (const char* name : {"nul.txt", "trampo.exe."}) {
    SCOPED_TRACE(name);
    std::vector<ArchiveFile> files = fiveFiles();
    files[2].name = name;
    Outcome r = run(setupWithFiles("device.exe", files), environment(extractDir, tempDir));
    EXPECT_EQ(18u, r.exitCode);
    // Rolled back before anything was written under that name.
    for (const std::string& n : Listing(tempDir)) EXPECT_TRUE(isIntermediateName(n)) << n;
    EXPECT_TRUE(Listing(extractDir).empty()) << ::testing::PrintToString(Listing(extractDir));
    Sleep(500);
    EXPECT_FALSE(Exists(record));
    for (const std::string& n : Listing(tempDir)) DeleteFileA((tempDir + "\\" + n).c_str());
    for (const std::string& n : Listing(extractDir)) DeleteFileA((extractDir + "\\" + n).c_str());
    DeleteFileA(record.c_str());
  }
}

TEST_F(SetupUnderWine, CloseRequestWhileWorkingEndsAfterTheGraceTime) {
  std::string setup = setupWithFiles("closed.exe", fiveFiles());
  uidriver::Session session;
  DWORD t0 = GetTickCount();
  start(session, setup, environment(extractDir, tempDir));
  HWND dialog = findDialog(session);
  ASSERT_NE(nullptr, dialog);
  DWORD posted = GetTickCount();
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  Outcome r = finish(session, t0);
  DWORD afterClose = GetTickCount() - posted;
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_GE(afterClose, 480u) << "the dialog waits 500 ms for the worker";
  EXPECT_LT(afterClose, 5000u);
  Sleep(500);
  EXPECT_FALSE(Exists(record)) << "nothing is started after a close request";
  EXPECT_TRUE(Listing(extractDir).empty());
}

TEST_F(SetupUnderWine, WithoutUsableTempTheBoxWaitsForClose) {
  std::string setup = setupWithFiles("no temp.exe", fiveFiles());
  // TEMP unset, and TEMP longer than 259 characters: no worker either way.
  for (const std::string& temp : {std::string(), "C:\\" + std::string(300, 't')}) {
    uidriver::Session session;
    DWORD t0 = GetTickCount();
    start(session, setup, environment(temp, tempDir));
    HWND dialog = findDialog(session);
    ASSERT_NE(nullptr, dialog);

    // The box as the user sees it: captionless, "Please wait..." shown, the
    // bar and the percent text hidden, no status control.
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(0, style & WS_CAPTION);
    EXPECT_NE(nullptr, GetDlgItem(dialog, 1200));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 1200)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 1201)));
    EXPECT_EQ(nullptr, GetDlgItem(dialog, 1202));
    HWND wait = GetDlgItem(dialog, -1);
    ASSERT_NE(nullptr, wait);
    char text[32] = {};
    GetWindowTextA(wait, text, sizeof text);
    EXPECT_STREQ("Please wait...", text);

    // Enter and Escape do nothing; the box stays up with nothing written.
    PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(-1, session.WaitForExit(1000));
    EXPECT_TRUE(Listing(tempDir).empty());

    DWORD posted = GetTickCount();
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    Outcome r = finish(session, t0);
    EXPECT_EQ(18u, r.exitCode);
    EXPECT_LT(GetTickCount() - posted, 5000u);
    EXPECT_NE(std::string::npos, r.output.find("Current path is: " + temp)) << r.output;
  }
  EXPECT_FALSE(Exists(record));
}

// The box as the dialog manager builds it from template 1100 of the built
// setup.exe: its style and size, and its controls in template order.
// (check_setup_resources.sh reads the image's resource directory itself.)
TEST_F(SetupUnderWine, BoxIsBuiltFromTheShippedTemplate) {
  uidriver::Session session;
  DWORD t0 = GetTickCount();
  start(session, kBuiltSetup, environment("", tempDir));  // no TEMP: the box stays until closed
  HWND dialog = findDialog(session);
  ASSERT_NE(nullptr, dialog);

  // Shown; CreateWindow adds WS_CLIPSIBLINGS to every top-level window and
  // the dialog manager DS_3DLOOK to every dialog.
  const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
  EXPECT_EQ(0x800008C2u, style & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK));
  // The dialog units in pixels are those of the template's font; the box's
  // 164 x 26 units fix them, and the controls must sit on the same grid.
  RECT client;
  GetClientRect(dialog, &client);
  int baseX = 0, baseY = 0;
  for (int b = 1; b < 64; ++b) {
    if (MulDiv(164, b, 4) == client.right) baseX = b;
    if (MulDiv(26, b, 8) == client.bottom) baseY = b;
  }
  ASSERT_NE(0, baseX) << "no whole base unit gives a width of " << client.right;
  ASSERT_NE(0, baseY) << "no whole base unit gives a height of " << client.bottom;
  // Position and size are converted each on its own, as the dialog manager does.
  auto pixels = [&](const RECT& units) {
    const LONG left = MulDiv(units.left, baseX, 4), top = MulDiv(units.top, baseY, 8);
    return RECT{left, top, left + MulDiv(units.right, baseX, 4), top + MulDiv(units.bottom, baseY, 8)};
  };

  // A progress bar draws its own edge and takes the border styles it was
  // created with off itself: those bits are the control's, not the template's.
  const DWORD barEdge = WS_BORDER, barExEdge = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE;
  struct Expected {
    int id;
    const char* windowClass;
    DWORD style, exStyle;
    DWORD ownStyle, ownExStyle;  // what the control itself may change
    RECT box;                    // dialog units: x, y, width, height
    const char* text;
  } expected[] = {{1200, "msctls_progress32", 0x40800001u, 0x220u, barEdge, barExEdge, {1, 4, 6, 14}, "Progress1"},
                  {1201, "Static", 0x4002000Cu, 0x20u, 0, 0, {128, 0, 25, 8}, "100%"},
                  {-1, "Static", 0x50020201u, 0u, 0, 0, {0, 8, 162, 10}, "Please wait..."}};
  HWND control = GetWindow(dialog, GW_CHILD);
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.text);
    ASSERT_NE(nullptr, control);
    EXPECT_EQ(e.id, GetDlgCtrlID(control));
    EXPECT_EQ(e.windowClass, uidriver::ClassOf(control));
    EXPECT_EQ(e.text, uidriver::Text(control));
    EXPECT_EQ(e.style & ~e.ownStyle, static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)) & ~e.ownStyle);
    // The dialog manager gives every control WS_EX_NOPARENTNOTIFY.
    const DWORD ownEx = e.ownExStyle | WS_EX_NOPARENTNOTIFY;
    EXPECT_EQ(e.exStyle & ~ownEx, static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE)) & ~ownEx);
    const RECT box = pixels(e.box);
    RECT placed;
    GetWindowRect(control, &placed);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(box.left, placed.left);
    EXPECT_EQ(box.top, placed.top);
    EXPECT_EQ(box.right, placed.right);
    EXPECT_EQ(box.bottom, placed.bottom);
    control = GetWindow(control, GW_HWNDNEXT);
  }
  EXPECT_EQ(nullptr, control) << "three controls";

  PostMessageA(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(18u, finish(session, t0).exitCode);
}

TEST(SetupResources, VersionBlockIsAsShipped) {
  const std::string setup = kBuiltSetup;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(setup.c_str(), &ignored);
  ASSERT_NE(0u, size);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(setup.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
  EXPECT_EQ(0x00000001u, fixed->dwFileVersionLS);
  EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
  EXPECT_EQ(static_cast<DWORD>(VS_FF_PRIVATEBUILD | VS_FF_SPECIALBUILD), fixed->dwFileFlags & fixed->dwFileFlagsMask);
  EXPECT_EQ(static_cast<DWORD>(VOS_NT_WINDOWS32), fixed->dwFileOS);
  EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
  const std::pair<const char*, const char*> strings[] = {
      {"CompanyName", "Velmora"},       {"FileDescription", "Mendora"},        {"FileVersion", "1, 0, 0, 1"},
      {"InternalName", "Setup"},        {"ProductName", "Setup"},              {"ProductVersion", "1, 0, 0, 1"},
      {"PrivateBuild", "040514.1"},     {"SpecialBuild", "Windows XP/2000"},   {"Comments", ""},
      {"LegalTrademarks", ""},          {"OriginalFilename", ""}};
  for (const auto& s : strings) {
    char* value = nullptr;
    std::string key = std::string("\\StringFileInfo\\040904b0\\") + s.first;
    ASSERT_TRUE(VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) << s.first;
    EXPECT_STREQ(s.second, value) << s.first;
  }
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(0x0409, translation[0]);
  EXPECT_EQ(1200, translation[1]);
}

}  // namespace

// setup.exe end to end under Wine: each case repacks the built setup.exe with
// its own payload (through the packer's PE rewriting), starts it with an
// explicit environment, and checks the files, the hand-over and the exit code.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "payload_archive.h"
#include "payload_codec.h"

namespace {

using Bytes = std::vector<unsigned char>;
using launcher::ArchiveFile;

const DWORD kRunTimeout = 60000;

std::string ownFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readText(const std::string& path) {
  Bytes b = readFile(path);
  return std::string(b.begin(), b.end());
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> listFolder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string n = data.cFileName;
    if (n != "." && n != "..") names.push_back(n);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
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
    bin = ownFolder();
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
    Bytes image = readFile(bin + "setup.exe");
    std::string error;
    EXPECT_TRUE(packer::ReplacePayload(&image, stream, &error, nullptr)) << error;
    std::string path = setupDir + "\\" + name;
    writeFile(path, image);
    return path;
  }

  std::string setupWithFiles(const std::string& name, const std::vector<ArchiveFile>& files) {
    return setupWith(name, packer::CompressPayload(launcher::BuildArchive(files)));
  }

  // The test's own environment with TEMP and TMP replaced (or removed when
  // empty) and the trampo record redirected into the scratch folder.
  std::string environment(const std::string& temp, const std::string& tmp) {
    std::map<std::string, std::string> vars;
    std::map<std::string, std::string> spelled;
    char* block = GetEnvironmentStringsA();
    for (char* p = block; *p; p += std::strlen(p) + 1) {
      std::string entry = p;
      size_t eq = entry.find('=', 1);
      if (eq == std::string::npos) continue;
      std::string key = entry.substr(0, eq);
      std::string upper = key;
      for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
      vars[upper] = entry.substr(eq + 1);
      spelled[upper] = key;
    }
    FreeEnvironmentStringsA(block);
    vars.erase("TEMP");
    vars.erase("TMP");
    if (!temp.empty()) vars["TEMP"] = temp, spelled["TEMP"] = "TEMP";
    if (!tmp.empty()) vars["TMP"] = tmp, spelled["TMP"] = "TMP";
    vars["TRAMPO_RECORD"] = record;
    spelled["TRAMPO_RECORD"] = "TRAMPO_RECORD";
    std::string out;
    for (const auto& v : vars) out += spelled[v.first] + "=" + v.second + '\0';
    out += '\0';
    return out;
  }

  PROCESS_INFORMATION start(const std::string& program, const std::string& env, HANDLE* output) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    *output = CreateFileA((scratch + "\\stdout.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = *output;
    si.hStdError = *output;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string commandLine = "\"" + program + "\"";
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    std::vector<char> envBlock(env.begin(), env.end());
    BOOL ok = CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, 0, envBlock.data(),
                             scratch.c_str(), &si, &pi);
    EXPECT_TRUE(ok) << "CreateProcessA failed: " << GetLastError();
    return pi;
  }

  Outcome finish(PROCESS_INFORMATION pi, HANDLE output, DWORD startTick) {
    Outcome r;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, kRunTimeout)) << "setup did not end";
    r.milliseconds = GetTickCount() - startTick;
    GetExitCodeProcess(pi.hProcess, &r.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(output);
    r.output = readText(scratch + "\\stdout.txt");
    return r;
  }

  Outcome run(const std::string& program, const std::string& env) {
    HANDLE output;
    DWORD t0 = GetTickCount();
    PROCESS_INFORMATION pi = start(program, env, &output);
    return finish(pi, output, t0);
  }

  // The hand-over is asynchronous: trampo.exe may still be starting when
  // setup has ended.
  std::string waitForRecord() {
    for (int i = 0; i < 200; ++i) {
      std::string text = readText(record);
      if (text.find("program: ") != std::string::npos) return text;
      Sleep(50);
    }
    return std::string();
  }

  static HWND findDialog(DWORD processId) {
    struct Search {
      DWORD pid;
      HWND found;
    } search = {processId, nullptr};
    for (int i = 0; i < 400 && search.found == nullptr; ++i) {
      EnumWindows(
          [](HWND w, LPARAM p) -> BOOL {
            Search* s = reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            char text[64] = {};
            GetWindowTextA(w, text, sizeof text);
            if (pid == s->pid && std::strcmp(text, "Mendora for Quillon") == 0) {
              s->found = w;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&search));
      if (search.found == nullptr) Sleep(25);
    }
    return search.found;
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
  std::vector<std::string> temp = listFolder(tempDir);
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
  EXPECT_EQ(7u, listFolder(tempDir).size()) << ::testing::PrintToString(listFolder(tempDir));
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

TEST_F(SetupUnderWine, BuiltSetupHandsOverToItsSampleTrampo) {
  // The setup.exe of the build, with the payload the resource script put in.
  Outcome r = run(bin + "setup.exe", environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_EQ(readFile(bin + "trampo.exe"), readFile(extractDir + "\\trampo.exe"));
  std::string handOver = waitForRecord();
  EXPECT_NE(std::string::npos, handOver.find("parameters: " + bin + "setup.exe")) << handOver;
}

TEST_F(SetupUnderWine, SetupRepackedFromLinuxRuns) {
  // The build repacked setup.exe with the Linux packer: trampo.exe and one
  // header file.
  std::string repacked = bin + "setup-repacked.exe";
  ASSERT_TRUE(exists(repacked));
  Outcome r = run(repacked, environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_EQ(readFile(bin + "trampo.exe"), readFile(extractDir + "\\trampo.exe"));
  EXPECT_TRUE(exists(extractDir + "\\payload_archive.h"));
  std::string handOver = waitForRecord();
  EXPECT_NE(std::string::npos, handOver.find("parameters: " + repacked)) << handOver;
}

TEST_F(SetupUnderWine, DamagedPayloadLeavesNothingAndStartsNothing) {
  Bytes stream = packer::CompressPayload(launcher::BuildArchive(fiveFiles()));
  stream[stream.size() - 2] ^= 0x40;  // Adler-32
  Outcome r = run(setupWith("damaged.exe", stream), environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_TRUE(listFolder(tempDir).empty()) << ::testing::PrintToString(listFolder(tempDir));
  EXPECT_TRUE(listFolder(extractDir).empty());
  Sleep(500);  // time enough for a wrongly started trampo.exe to show up
  EXPECT_FALSE(exists(record));
}

TEST_F(SetupUnderWine, UnsafeEntryNameWritesNothingOutside) {
  std::vector<ArchiveFile> files = fiveFiles();
  files[2].name = "..\\escaped.txt";
  Outcome r = run(setupWithFiles("unsafe.exe", files), environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_FALSE(exists(scratch + "\\escaped.txt"));
  // Rolled back: only the intermediate files stay.
  for (const std::string& n : listFolder(tempDir)) EXPECT_TRUE(isIntermediateName(n)) << n;
  EXPECT_TRUE(listFolder(extractDir).empty());
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
    EXPECT_FALSE(exists(record)) << readText(record);
    EXPECT_EQ(planted, readFile(target)) << "the planted file is not ours to change";
    // Rolled back at the first copy: only the unpacked trampo.exe has gone.
    EXPECT_FALSE(exists(tempDir + "\\trampo.exe"));
    EXPECT_TRUE(exists(tempDir + "\\data.bin"));

    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const std::string& n : listFolder(tempDir)) DeleteFileA((tempDir + "\\" + n).c_str());
    for (const std::string& n : listFolder(extractDir)) DeleteFileA((extractDir + "\\" + n).c_str());
    DeleteFileA(record.c_str());
  }
}

TEST_F(SetupUnderWine, HiddenFileUnderAnEntrysNameIsKept) {
  std::string users = tempDir + "\\setup.ini";
  writeFile(users, Bytes{'m', 'i', 'n', 'e'});
  ASSERT_TRUE(SetFileAttributesA(users.c_str(), FILE_ATTRIBUTE_HIDDEN));
  Outcome r = run(setupWithFiles("hidden.exe", fiveFiles()), environment(extractDir, tempDir));
  EXPECT_EQ(18u, r.exitCode);
  ASSERT_TRUE(exists(users)) << "the rollback deleted the user's file";
  EXPECT_EQ((Bytes{'m', 'i', 'n', 'e'}), readFile(users));
  EXPECT_TRUE(GetFileAttributesA(users.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  // Entries 0 to 2 were unpacked and rolled back; the intermediates stay.
  std::vector<std::string> left;
  for (const std::string& n : listFolder(tempDir)) {
    if (!isIntermediateName(n)) left.push_back(n);
  }
  EXPECT_EQ(std::vector<std::string>{"setup.ini"}, left);
  EXPECT_TRUE(listFolder(extractDir).empty());
  Sleep(500);
  EXPECT_FALSE(exists(record));
}

TEST_F(SetupUnderWine, DeviceAndTrailingDotNamesInThePayloadStartNothing) {
  for (const char* name : {"nul.txt", "trampo.exe."}) {
    SCOPED_TRACE(name);
    std::vector<ArchiveFile> files = fiveFiles();
    files[2].name = name;
    Outcome r = run(setupWithFiles("device.exe", files), environment(extractDir, tempDir));
    EXPECT_EQ(18u, r.exitCode);
    // Rolled back before anything was written under that name.
    for (const std::string& n : listFolder(tempDir)) EXPECT_TRUE(isIntermediateName(n)) << n;
    EXPECT_TRUE(listFolder(extractDir).empty()) << ::testing::PrintToString(listFolder(extractDir));
    Sleep(500);
    EXPECT_FALSE(exists(record));
    for (const std::string& n : listFolder(tempDir)) DeleteFileA((tempDir + "\\" + n).c_str());
    for (const std::string& n : listFolder(extractDir)) DeleteFileA((extractDir + "\\" + n).c_str());
    DeleteFileA(record.c_str());
  }
}

TEST_F(SetupUnderWine, CloseRequestWhileWorkingEndsAfterTheGraceTime) {
  std::string setup = setupWithFiles("closed.exe", fiveFiles());
  HANDLE output;
  DWORD t0 = GetTickCount();
  PROCESS_INFORMATION pi = start(setup, environment(extractDir, tempDir), &output);
  HWND dialog = findDialog(pi.dwProcessId);
  ASSERT_NE(nullptr, dialog);
  DWORD posted = GetTickCount();
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  Outcome r = finish(pi, output, t0);
  DWORD afterClose = GetTickCount() - posted;
  EXPECT_EQ(18u, r.exitCode);
  EXPECT_GE(afterClose, 480u) << "the dialog waits 500 ms for the worker";
  EXPECT_LT(afterClose, 5000u);
  Sleep(500);
  EXPECT_FALSE(exists(record)) << "nothing is started after a close request";
  EXPECT_TRUE(listFolder(extractDir).empty());
}

TEST_F(SetupUnderWine, WithoutUsableTempTheBoxWaitsForClose) {
  std::string setup = setupWithFiles("no temp.exe", fiveFiles());
  // TEMP unset, and TEMP longer than 259 characters: no worker either way.
  for (const std::string& temp : {std::string(), "C:\\" + std::string(300, 't')}) {
    HANDLE output;
    DWORD t0 = GetTickCount();
    PROCESS_INFORMATION pi = start(setup, environment(temp, tempDir), &output);
    HWND dialog = findDialog(pi.dwProcessId);
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
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(pi.hProcess, 1000));
    EXPECT_TRUE(listFolder(tempDir).empty());

    DWORD posted = GetTickCount();
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    Outcome r = finish(pi, output, t0);
    EXPECT_EQ(18u, r.exitCode);
    EXPECT_LT(GetTickCount() - posted, 5000u);
    EXPECT_NE(std::string::npos, r.output.find("Current path is: " + temp)) << r.output;
  }
  EXPECT_FALSE(exists(record));
}

TEST(SetupResources, TemplateIconAndVersionAreAsShipped) {
  std::string setup = ownFolder() + "setup.exe";
  HMODULE module = LoadLibraryExA(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(nullptr, module);
  HRSRC dialog = FindResourceExA(module, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(1100), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(nullptr, dialog);
  const unsigned char* t = static_cast<const unsigned char*>(LockResource(LoadResource(module, dialog)));
  auto u16 = [&](size_t at) { return static_cast<unsigned>(t[at] | (t[at + 1] << 8)); };
  auto u32 = [&](size_t at) { return static_cast<unsigned>(u16(at) | (u16(at + 2) << 16)); };
  EXPECT_EQ(0xFFFFu, u16(2)) << "an extended template";
  EXPECT_EQ(0u, u32(8)) << "no extended style";
  EXPECT_EQ(0x800008C2u, u32(12));
  EXPECT_EQ(3u, u16(16));
  EXPECT_EQ(164u, u16(22));
  EXPECT_EQ(26u, u16(24));
  EXPECT_EQ(0u, u16(26)) << "no menu";
  EXPECT_EQ(0u, u16(28)) << "the default class";
  EXPECT_EQ(0u, u16(30)) << "no caption";
  EXPECT_EQ(8u, u16(32)) << "8 points";
  EXPECT_EQ(0u, u16(34));
  EXPECT_EQ(0u, t[36]);
  EXPECT_EQ(1u, t[37]) << "DEFAULT_CHARSET";
  std::string face;
  size_t at = 38;
  for (; u16(at) != 0; at += 2) face.push_back(static_cast<char>(u16(at)));
  at += 2;
  EXPECT_EQ("Tahoma", face);
  struct Expected {
    int id;
    unsigned style, exStyle;
    int x, y, cx, cy;
    const char* text;
  } expected[] = {{1200, 0x40800001u, 0x220u, 1, 4, 6, 14, "Progress1"},
                  {1201, 0x4002000Cu, 0x20u, 128, 0, 25, 8, "100%"},
                  {-1, 0x50020201u, 0u, 0, 8, 162, 10, "Please wait..."}};
  for (const Expected& e : expected) {
    at = (at + 3) & ~static_cast<size_t>(3);
    EXPECT_EQ(e.exStyle, u32(at + 4)) << e.id;
    EXPECT_EQ(e.style, u32(at + 8)) << e.id;
    EXPECT_EQ(e.x, static_cast<short>(u16(at + 12)));
    EXPECT_EQ(e.y, static_cast<short>(u16(at + 14)));
    EXPECT_EQ(e.cx, static_cast<short>(u16(at + 16)));
    EXPECT_EQ(e.cy, static_cast<short>(u16(at + 18)));
    EXPECT_EQ(e.id, static_cast<int>(u32(at + 20)));
    at += 24;
    if (u16(at) == 0xFFFF) {
      at += 4;
    } else {
      while (u16(at) != 0) at += 2;
      at += 2;
    }
    std::string text;
    for (; u16(at) != 0; at += 2) text.push_back(static_cast<char>(u16(at)));
    at += 2;
    EXPECT_EQ(e.text, text);
    at += 2 + u16(at);
  }

  // Icon group 1000: 16, 32 and 48 pixels, each in 4, 8 and 32 bits.
  HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1000), MAKEINTRESOURCEA(14));
  ASSERT_NE(nullptr, group);
  const unsigned char* g = static_cast<const unsigned char*>(LockResource(LoadResource(module, group)));
  unsigned count = static_cast<unsigned>(g[4] | (g[5] << 8));
  EXPECT_EQ(9u, count);
  std::vector<std::pair<int, int>> images;
  for (unsigned i = 0; i < count; ++i) {
    const unsigned char* e = g + 6 + 14 * i;
    images.push_back({e[0] == 0 ? 256 : e[0], e[6] | (e[7] << 8)});
  }
  std::sort(images.begin(), images.end());
  std::vector<std::pair<int, int>> wanted = {{16, 4}, {16, 8}, {16, 32}, {32, 4}, {32, 8},
                                             {32, 32}, {48, 4}, {48, 8}, {48, 32}};
  EXPECT_EQ(wanted, images);

  EXPECT_NE(nullptr, FindResourceExA(module, "SETUP", MAKEINTRESOURCEA(2000), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)));
  FreeLibrary(module);

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

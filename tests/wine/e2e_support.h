#pragma once

// Shared by the end-to-end tests: a wizard folder with product files beside a
// copy of _install.exe, small file and wait helpers, and a fixture that keeps
// a picture of the screen when a test fails.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "ui_driver.h"

namespace {

inline const char* const kSources[] = {
    "quilbox_.NET.EXE", "quilbox.exe", "quilbox.dll", "quilbox.exe.manifest", "quilbox.xml",
    "quilbox.vshost.exe", "asycfilt.dll", "Velmora.url", "AxInterop.ComCtl2.dll", "AxInterop.ComctlLib.dll",
    "COMCAT.DLL", "COMCT232.OCX", "comctl32.ocx", "comdlg32.ocx", "DLLUNREG.exe", "Interop.ComCtl2.dll",
    "Interop.ComctlLib.dll", "Interop.IWshRuntimeLibrary.dll", "Microsoft.VisualBasic.Compatibility.dll",
    "MSCOMCTL.OCX", "MSVBVM60.DLL", "SETUP32.EXE", "SETUP32_.NET.EXE", "START.EXE", "stdole2.tlb",
    "uninstall.dll", "uninstall.exe", "wshom.ocx"};

inline bool WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
  return static_cast<bool>(out);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return names;
}

// Wine hands web addresses to the programs listed under WineBrowser: here a
// recorder that appends each to `log`, which starts empty.
inline bool RecordBrowserLaunches(const std::string& recorder, const std::string& log) {
  DeleteFileA(log.c_str());
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  const bool set = RegSetValueExA(key, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(recorder.c_str()),
                                  static_cast<DWORD>(recorder.size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}

// What a console command prints.
inline std::string ConsoleOutput(const std::string& command) {
  std::string output;
  FILE* pipe = _popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  _pclose(pipe);
  return output;
}

// Where the programs under test (built like this test) find and put things on
// the Windows they run on. A 32-bit program on 64-bit Windows (WOW64) gets
// ProgramFiles from "ProgramFiles(x86)", sees syswow64 as its system32 and
// HKLM\SOFTWARE\Wow6432Node as its HKLM\SOFTWARE; on 32-bit Windows, and
// for a 64-bit program, each is the plain one.
inline bool OnWow64() {
#ifdef _WIN64
  return false;
#else
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

inline bool On64BitWindows() {
#ifdef _WIN64
  return true;
#else
  return OnWow64();
#endif
}

// The program-folder variables as Windows sets them, for a root that holds
// "Program Files" and, on 64-bit Windows, "Program Files (x86)".
inline std::map<std::string, std::string> ProgramFolderVariables(const std::string& root) {
  std::map<std::string, std::string> variables{{"ProgramFiles", root + "\\Program Files"}};
  if (On64BitWindows()) {
    variables["ProgramW6432"] = root + "\\Program Files";
    variables["ProgramFiles(x86)"] = root + "\\Program Files (x86)";
  }
  return variables;
}

// The ProgramFiles the programs under test see for those variables.
inline std::string ProgramFilesSeen(const std::string& root) {
  return root + (OnWow64() ? "\\Program Files (x86)" : "\\Program Files");
}

// A key under HKLM\SOFTWARE as the registry stores what the programs under
// test write there.
inline std::string StoredSoftwareKey(const std::string& subkey) {
  return std::string("HKLM\\SOFTWARE\\") + (OnWow64() ? "Wow6432Node\\" : "") + subkey;
}

// `reg query` of a key as stored: in 64-bit Windows' own view, so that a
// redirection shows in the key's name.
inline std::string RegQuery(const std::string& key, const std::string& options = "") {
  return ConsoleOutput("reg query \"" + key + "\"" + options + (On64BitWindows() ? " /reg:64" : ""));
}

// Whether `wine uninstaller --list` shows the record under `key` with exactly
// this display name.
inline bool ListedAsInstalled(const std::string& key, const std::string& displayName) {
  std::istringstream lines(ConsoleOutput("uninstaller.exe --list"));
  const std::string wanted = key + "|||" + displayName;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == wanted) return true;
  }
  return false;
}

inline std::string Folder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

using uidriver::WaitUntil;

struct WizardFolder {
  std::string root, wizard, searchDir, programFiles;
  std::map<std::string, std::string> sources;  // by name
};

// A scratch root in TEMP holding "wizard" (a copy of _install.exe with every
// product file, each with its own content and size) and "path" (the first
// search-path directory); the program folders inside it are left to the install.
inline WizardFolder PrepareWizardFolder(const std::string& name) {
  WizardFolder f;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  f.root = std::string(temp) + name;
  // Where the system's code page is 932, a name whose trail bytes are "\\"
  // (0x5C) and "|" (0x7C): "ソ表ポ".
  if (GetACP() == 932) f.root += "-\x83\x5C\x95\x5C\x83\x7C";
  f.wizard = f.root + "\\wizard";
  f.searchDir = f.root + "\\path";
  f.programFiles = ProgramFilesSeen(f.root);
  for (const std::string& dir : {f.root, f.wizard, f.searchDir}) CreateDirectoryA(dir.c_str(), nullptr);
  if (!CopyFileA((uidriver::OwnFolder() + "\\_install.exe").c_str(), (f.wizard + "\\_install.exe").c_str(), FALSE))
    return {};
  std::size_t size = 700;
  for (const char* file : kSources) {
    std::string data(size, static_cast<char>('a' + f.sources.size() % 26));
    data += file;
    if (!WriteFile(f.wizard + "\\" + file, data)) return {};
    f.sources[file] = data;
    size += 2311;
  }
  return f;
}

// The environment the wizard is started with: its own search path, program
// folders and TEMP.
inline std::map<std::string, std::string> WizardEnvironment(const WizardFolder& f) {
  std::map<std::string, std::string> environment = ProgramFolderVariables(f.root);
  environment["PATH"] = f.searchDir + ";C:\\windows\\system32;C:\\windows";
  environment["TEMP"] = f.root;
  return environment;
}

// The fixture of the end-to-end tests. A failed test leaves what the screen
// showed at its end (its programs are still running then) as a bitmap in the
// working folder, named after the test, and says where.
class EndToEndTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (!HasFailure()) return;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string shot = std::string(folder) + "\\" + test->test_suite_name() + "." + test->name() + ".bmp";
    if (uidriver::SaveScreenshot(nullptr, shot)) {
      std::printf("screen at the failure: %s\n", shot.c_str());
      RecordProperty("screenshot", shot);
    } else {
      std::printf("cannot save the screen at the failure to %s\n", shot.c_str());
    }
  }
};

}  // namespace

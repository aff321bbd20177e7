// The removal script, run by the real command interpreter (Wine's cmd), from
// the working directories it can meet: it removes the install directory on
// the normal path and deletes nothing anywhere else.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "tests/wine/e2e_support.h"
#include "wizard/removal/removal_script.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeDirs(const std::string& path) {
  for (std::size_t i = path.find('\\', 3); i != std::string::npos; i = path.find('\\', i + 1))
    CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
}

// Runs the script through cmd with `workingDirectory`, to its end.
void RunScript(const std::string& script, const std::string& workingDirectory) {
  std::string line = "cmd.exe /c \"" + script + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             workingDirectory.c_str(), &si, &pi));
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

struct Situation {
  const char* name;
  std::string workingDirectory;      // relative to the case folder, or a path on T:
  bool makerExists;
  bool removes;                      // SetupPath and the maker's directory go
};

void PrintTo(const Situation& s, std::ostream* os) { *os << s.name; }

class RemovalScriptRun : public ::testing::TestWithParam<Situation> {};

TEST_P(RemovalScriptRun, ActsOnlyInTheInstallDirectory) {
  const Situation& s = GetParam();
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string base = std::string(temp) + "removal-" + s.name;
  const std::string programFiles = base + "\\pf";
  const std::string maker = programFiles + "\\Velmora", setup = maker + "\\Quillon";
  MakeDirs(programFiles);
  if (s.makerExists) {
    MakeDirs(setup);
    for (const char* f : {"quilbox.exe", "wshom.ocx", "SETUP32_.NET.EXE"}) ASSERT_TRUE(WriteFile(setup + "\\" + f, f));
  }
  // Ordinary files wherever a misdirected "del /q *.*" could land.
  std::vector<std::string> bystanders = {programFiles + "\\keep.txt"};
  std::string cwd = s.workingDirectory;
  if (cwd.rfind("T:", 0) == 0) {
    // The same relative path on the other drive, full of files.
    const std::string mirror = "T:" + setup.substr(2);
    MakeDirs(mirror);
    bystanders.push_back(mirror + "\\keep.txt");
    bystanders.push_back("T:" + programFiles.substr(2) + "\\keep.txt");
  } else {
    cwd = base + "\\" + cwd;
  }
  MakeDirs(cwd);
  for (std::string dir = cwd; dir.size() > 3; dir = dir.substr(0, dir.rfind('\\'))) {
    bystanders.push_back(dir + "\\keep.txt");
    if (dir == base) break;
  }
  for (const auto& file : bystanders) ASSERT_TRUE(WriteFile(file, "keep")) << file;

  const auto text = wizard::BuildRemovalScript(programFiles, "Quillon");
  ASSERT_TRUE(text);
  const std::string script = base + "\\temp1.bat";
  ASSERT_TRUE(WriteFile(script, *text + "\r\n"));
  RunScript(script, cwd);

  if (s.makerExists) {
    EXPECT_EQ(!Exists(maker), s.removes);
    if (!s.removes) {
      EXPECT_EQ(Listing(setup).size(), 3u);
    }
  }
  for (const auto& file : bystanders) EXPECT_EQ(ReadFile(file), "keep") << file;
}

std::string Deep(int levels) {
  std::string path = "deep";
  for (int i = 1; i <= levels; ++i) path += "\\d" + std::to_string(i);
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    Cmd, RemovalScriptRun,
    ::testing::Values(Situation{"normal", "work", true, true},
                      Situation{"at-most-36-levels", Deep(30), true, true},
                      Situation{"other-drive", "T:\\work", true, false},
                      Situation{"deeper-than-36-levels", Deep(40), true, false},
                      Situation{"maker-missing", "work", false, false}),
    [](const auto& param) {
      std::string name = param.param.name;
      for (char& c : name)
        if (c == '-') c = '_';
      return name;
    });

}  // namespace

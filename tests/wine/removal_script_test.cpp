// The removal script, run by the real command interpreter (Wine's cmd), from
// the working directories it can meet: it removes the install directory on
// the normal path and deletes nothing anywhere else.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "platform/fake/environment.h"
#include "platform/win32/ansi_code_page.h"
#include "platform/win32/file_system.h"
#include "platform/win32/processes.h"
#include "tests/wine/e2e_support.h"
#include "wizard/removal/removal_script.h"

namespace {

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

  const auto text = wizard::BuildRemovalScript(programFiles, "Quillon", platform::win32::AnsiCodePageLeadBytes());
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

// Hostile values of TEMP and ProgramFiles, with the script written and started
// as the wizard does it. Recording batch files lie wherever a path taken
// apart by the interpreter would run something; none may run, the decoys
// (where a misread path would delete) keep their files, and SetupPath goes.
struct Hostile {
  const char* name;
  std::string programFiles;            // "<root>" stands for the case's folder
  std::string temp;
  std::vector<std::string> traps;      // recording scripts
  std::vector<std::string> decoys;     // folders whose files must stay
  bool makerGoes = true;
  bool started = true;                 // false: the script is not even started
};

void PrintTo(const Hostile& h, std::ostream* os) { *os << h.name; }

std::string Expand(std::string text, const std::string& root) {
  for (auto at = text.find("<root>"); at != std::string::npos; at = text.find("<root>"))
    text.replace(at, 6, root);
  return text;
}

// Waits until every process this one started has ended.
void WaitForChildren() {
  for (int i = 0; i < 300; ++i) {
    bool running = false;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snap, &entry); ok; ok = Process32Next(snap, &entry))
      if (entry.th32ParentProcessID == GetCurrentProcessId()) running = true;
    CloseHandle(snap);
    if (!running) return;
    Sleep(50);
  }
  ADD_FAILURE() << "the script did not end";
}

class HostilePaths : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostilePaths, RemoveSetupPathAndRunNothingElse) {
  const Hostile& h = GetParam();
  const std::string root = std::string("T:\\") + h.name;
  const std::string programFiles = Expand(h.programFiles, root), temp = Expand(h.temp, root);
  platform::fake::Environment env;
  env.SetCodePage(GetACP());  // the paths are read as the system reads them
  env.Set("ProgramFiles", programFiles);
  env.Set("TEMP", temp);
  const std::string maker = programFiles + "\\Velmora", setup = maker + "\\Quillon";
  const std::string work = root + "\\work";
  const std::string log = "T:\\ran-" + std::string(h.name) + ".log";
  for (const auto& dir : {setup, temp, work}) MakeDirs(dir);
  for (const char* f : {"quilbox.exe", "wshom.ocx", "quilbox.xml"}) ASSERT_TRUE(WriteFile(setup + "\\" + f, f));
  for (const auto& trap : h.traps) {
    const std::string path = Expand(trap, root);
    MakeDirs(path.substr(0, path.rfind('\\')));
    ASSERT_TRUE(WriteFile(path, "@echo " + path + ">>\"" + log + "\"\r\n")) << path;
  }
  for (const auto& decoy : h.decoys) {
    MakeDirs(Expand(decoy, root));
    ASSERT_TRUE(WriteFile(Expand(decoy, root) + "\\keep.txt", "keep"));
  }
  ASSERT_TRUE(WriteFile(root + "\\keep.txt", "keep"));

  wizard::WizardWindow w;
  platform::win32::FileSystem files;
  platform::win32::Processes processes;
  std::unique_ptr<platform::OpenFile> held;
  ASSERT_TRUE(wizard::WriteRemovalScript(w, env, files, processes, &held));
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(work.c_str()));
  EXPECT_EQ(processes.StartHiddenBatch(wizard::RemovalScriptPath(env)), h.started);
  SetCurrentDirectoryA(previous);
  WaitForChildren();
  held.reset();

  EXPECT_EQ(Exists(setup), !h.started) << w.RemovalScriptText.text();
  EXPECT_EQ(Exists(maker), !h.started || !h.makerGoes);
  EXPECT_FALSE(Exists(log)) << ReadFile(log);
  for (const auto& decoy : h.decoys) EXPECT_EQ(ReadFile(Expand(decoy, root) + "\\keep.txt"), "keep") << decoy;
  EXPECT_EQ(ReadFile(root + "\\keep.txt"), "keep");
  EXPECT_TRUE(Exists(temp + "\\temp1.bat"));
}

// The cases for the system's code page: the ANSI ones are Windows-1252's
// characters, the double-byte ones code page 932's, whose trail bytes include
// "\\" (0x5C) and "|" (0x7C).
std::vector<Hostile> HostileCases() {
  std::vector<Hostile> cases = {
      // "cd Apps & Tools" would run Tools; cmd /c "...R&D tmp\temp1.bat" runs R, then D.
      Hostile{"amp", "<root>\\Apps & Tools", "<root>\\R&D tmp",
              {"T:\\Tools.bat", "<root>\\R.bat", "<root>\\work\\D.bat"}, {}},
      // "%Apps" and "%OS%" would be expanded: 100Apps is not SetupPath's parent.
      Hostile{"percent", "<root>\\100%Apps", "<root>\\tmp", {},
              {"<root>\\100Apps\\Velmora\\Quillon", "<root>\\100Apps\\Velmora"}},
      // No interpreter takes a "%" in its own command line literally.
      Hostile{"percenttemp", "<root>\\pf", "<root>\\t%OS%x", {"<root>\\tWindows_NTx\\temp1.bat"}, {}, true, false},
      Hostile{"caret", "<root>\\R^D (x86)!", "<root>\\a^b (c)!", {"<root>\\ab.bat", "<root>\\a.bat"}, {}},
      Hostile{"ansi", "<root>\\Pr\xF3grams", "<root>\\T\xE9mp", {}, {}},
      Hostile{"trailing", "<root>\\Apps\\", "<root>\\tmp\\", {}, {}},
      Hostile{"driveroot", "T:\\", "<root>\\tmp", {}, {}},
      Hostile{"sibling", "<root>\\pf", "<root>\\tmp", {}, {"<root>\\pf\\Velmora\\Quillon2"}, false},
  };
  const std::string ansi = "ansi";
  if (GetACP() == 932) {
    cases.erase(std::remove_if(cases.begin(), cases.end(), [&](const Hostile& h) { return h.name == ansi; }),
                cases.end());
    // "ソフト表" and "表ポ": every 0x5C and the 0x7C here are trail bytes.
    cases.push_back(Hostile{"dbcs", "<root>\\\x83\x5C\x83\x74\x83\x67\x95\x5C", "<root>\\\x95\x5C\x83\x7C", {}, {}});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cmd, HostilePaths, ::testing::ValuesIn(HostileCases()),
                         [](const auto& param) { return std::string(param.param.name); });

// The removal script's text in the interpreter's code page, for each kind of
// code page Windows may have there: single-byte, double-byte, and UTF-8 (the
// "Use Unicode UTF-8" option), whose conversion takes neither the best-fit
// flag nor a default character. From Windows-1252, as this bed's programs
// run in.
TEST(BatchText, ExactInEveryKindOfCodePageOrNothing) {
  const struct {
    unsigned codePage;
    std::string text;
    std::optional<std::string> expected;
  } cases[] = {
      {65001, "cd \"C:\\Program Files\"\r\n", "cd \"C:\\Program Files\"\r\n"},
      {65001, "C:\\Pr\xF3grams", "C:\\Pr\xC3\xB3grams"},
      {437, "C:\\Pr\xF3grams", "C:\\Pr\xA2grams"},
      {437, "C:\\\x80uro", std::nullopt},     // no euro sign in 437
      {437, "C:\\\xC3tlas", std::nullopt},    // "A" with tilde: 437 has only a look-alike
      {932, "C:\\Program Files", "C:\\Program Files"},
      {932, "C:\\Pr\xF3grams", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + ": " + c.text);
    EXPECT_EQ(platform::win32::Recode(c.text, 1252, c.codePage), c.expected);
  }
}

// However the interpreter shares the script when it opens it, it gets in, as
// long as it lets others read: the hold has no write access of its own for
// its sharing to collide with. Writers and deleters stay out.
TEST(HeldScript, OpensForEveryReaderAndNoWriter) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string script = std::string(temp) + "quillon-held-script.bat";
  platform::win32::FileSystem files;
  std::unique_ptr<platform::OpenFile> held;
  ASSERT_EQ(files.WriteAllAndHold(script, "echo ours\r\n", &held), platform::FsResult::kOk);
  for (const DWORD sharing : {DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE},
                              DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
    HANDLE reader = CreateFileA(script.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "a reader sharing " << sharing << ": " << GetLastError();
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
  }
  HANDLE writer = CreateFileA(script.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  EXPECT_FALSE(DeleteFileA(script.c_str()));
  EXPECT_FALSE(MoveFileA(script.c_str(), (script + ".moved").c_str()));
  held.reset();
  EXPECT_TRUE(DeleteFileA(script.c_str()));
}

}  // namespace

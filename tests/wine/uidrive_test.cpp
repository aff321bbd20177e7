// uidrive.exe, the demo's driver, as the demo runs it: a script against the
// real wizard, its report, its screenshot and its exit codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/wine/e2e_support.h"

namespace {

struct Outcome {
  int exitCode = -1;
  std::string output;
};

// Runs uidrive.exe with `arguments`, its standard output and error going to
// a new file in `dir` (a finished process's handles may close a moment after
// it has ended); gives up on it after a minute.
Outcome Uidrive(const std::string& arguments, const std::string& dir) {
  static int runs = 0;
  const std::string log = dir + "\\uidrive-" + std::to_string(++runs) + ".log";
  Outcome run;
  uidriver::Session uidrive;
  const std::string program = uidriver::OwnFolder() + "\\uidrive.exe";
  if (!uidrive.Start(program, arguments, {}, "", log)) {
    run.output = "cannot start " + program + ": error " + std::to_string(GetLastError());
    return run;
  }
  run.exitCode = static_cast<int>(uidrive.WaitForExit(60000));
  for (char c : ReadFile(log))
    if (c != '\r') run.output += c;
  return run;
}

class UidriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "quillon-uidrive";
    CreateDirectoryA(dir_.c_str(), nullptr);
  }

  Outcome RunScript(const std::string& script, const std::string& options = "") {
    const std::string file = dir_ + "\\script.uidrive";
    EXPECT_TRUE(WriteFile(file, script));
    return Uidrive(options + " \"" + file + "\"", dir_);
  }

  std::string dir_;
};

TEST_F(UidriveTest, DrivesTheWizardThroughAScript) {
  const std::string shot = dir_ + "\\missing.bmp";
  const Outcome run = RunScript("# the framework-missing page, as the demo shoots it\n"
                                "env TEMP=" + dir_ + "\n"
                                "env PATH=" + dir_ + ";C:\\windows\\system32;C:\\windows\n"
                                "start \"" + uidriver::OwnFolder() + "\\_install.exe\" -0\n"
                                "window QuillonWizard\n"
                                "shown Exit\n"
                                "shown \"Next >\"\n"
                                "shown \"No such caption\"\n"
                                "wait-match \"Platform Required\"\n"
                                "shot \"" + shot + "\"\n"
                                "press Exit\n"
                                "wait-gone\n");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  // Each command is echoed, then what it found.
  const std::size_t exitLine = run.output.find("] shown Exit");
  ASSERT_NE(exitLine, std::string::npos) << run.output;
  EXPECT_EQ(run.output.compare(run.output.find('\n', exitLine) + 1, 8, "  shown\n"), 0) << run.output;
  EXPECT_NE(run.output.find("shown \"Next >\"\n  hidden\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("  missing\n"), std::string::npos) << run.output;
  // The screenshot is a whole bitmap of the window's 481 x 437 client area
  // and its border.
  const std::string bitmap = ReadFile(shot);
  ASSERT_GT(bitmap.size(), 54u);
  EXPECT_EQ(bitmap.substr(0, 2), "BM");
  const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(bitmap.data() + 14);
  EXPECT_GE(header->biWidth, 481);
  EXPECT_GE(std::abs(header->biHeight), 437);
  // And it holds the page, not a blank.
  const std::string pixels = bitmap.substr(54);
  EXPECT_NE(pixels.find_first_not_of(pixels[0]), std::string::npos);
}

TEST_F(UidriveTest, ExitCodesTellAFailedCommandFromWrongUsage) {
  // A command that finds nothing stops the script with 1 and says why.
  Outcome run = RunScript("window NoSuchWindowClass\necho never\n", "--timeout 300");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(run.output.find("never"), std::string::npos) << run.output;
  run = RunScript("press Exit\n");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("no window yet"), std::string::npos) << run.output;

  run = RunScript("jump somewhere\n");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("unknown command jump"), std::string::npos) << run.output;

  // Wrong usage: 2, with the help.
  run = Uidrive("", dir_);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.output.find("Usage: uidrive"), std::string::npos) << run.output;
  EXPECT_EQ(Uidrive("\"" + dir_ + "\\no-such-script\"", dir_).exitCode, 2);
}

}  // namespace

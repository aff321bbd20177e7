// A stand-in for the program that setup hands over to. It records how it was
// started so that tests can check the hand-over: its whole command line, the
// parameter part, its working directory and its own path, one per line, into
// the file named by TRAMPO_RECORD, or "trampo-record.txt" beside itself.

#include <windows.h>

#include <string>

#include "platform/command_line.h"
#include "platform/win32/dll_hardening.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  platform::win32::RestrictDllSearch();

  char self[MAX_PATH * 2] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  char directory[MAX_PATH * 2] = {};
  GetCurrentDirectoryA(sizeof directory, directory);

  std::string recordPath;
  char fromEnvironment[MAX_PATH * 2] = {};
  DWORD length = GetEnvironmentVariableA("TRAMPO_RECORD", fromEnvironment, sizeof fromEnvironment);
  if (length > 0 && length < sizeof fromEnvironment) {
    recordPath = fromEnvironment;
  } else {
    recordPath = self;
    size_t slash = recordPath.find_last_of("\\/");
    recordPath = recordPath.substr(0, slash == std::string::npos ? 0 : slash + 1) + "trampo-record.txt";
  }

  // The parameters as the program received them: after the program name,
  // quoted or not, and the blanks after it.
  const std::string commandLine = GetCommandLineA();
  std::string record = "command line: " + commandLine + "\r\n" +
                       "parameters: " + platform::ArgumentsAfterProgramName(commandLine) + "\r\n" +
                       "working directory: " + directory + "\r\n" + "program: " + self + "\r\n";
  HANDLE file = CreateFileA(recordPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == record.size() ? 0 : 1;
}

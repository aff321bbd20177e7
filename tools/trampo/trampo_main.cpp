// A stand-in for the program that setup hands over to. It records how it was
// started so that tests can check the hand-over: its whole command line, the
// parameter part, its working directory and its own path, one per line, into
// the file named by TRAMPO_RECORD, or "trampo-record.txt" beside itself.

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/win32/dll_hardening.h"

namespace {

// The parameters as the program received them: the command line after the
// program name, quoted or not, and the blanks after it.
const char* parameterPart(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

}  // namespace

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

  const char* commandLine = GetCommandLineA();
  std::string record = std::string("command line: ") + commandLine + "\r\n" + "parameters: " +
                       parameterPart(commandLine) + "\r\n" + "working directory: " + directory + "\r\n" +
                       "program: " + self + "\r\n";
  HANDLE file = CreateFileA(recordPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == record.size() ? 0 : 1;
}

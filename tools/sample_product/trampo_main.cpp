// The package's trampo.exe: setup.exe hands over to it once the payload is in
// the TEMP directory, and it starts the wizard that came with it, from this
// same folder, with the framework argument the package was built with (none:
// the framework counts as present). The launcher's path, which setup.exe
// passes as the parameters, is not needed.

#include <windows.h>

#include <string>

#include "platform/win32/dll_hardening.h"

#ifndef QUILLON_FRAMEWORK_ARGUMENT
#define QUILLON_FRAMEWORK_ARGUMENT ""
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  platform::win32::RestrictDllSearch();

  char self[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self) return 1;
  std::string folder = self;
  folder.erase(folder.find_last_of('\\') + 1);
  const std::string wizard = folder + "_install.exe";

  // Quoted: the TEMP directory often has blanks in it.
  std::string commandLine = "\"" + wizard + "\"";
  const std::string argument = QUILLON_FRAMEWORK_ARGUMENT;
  if (!argument.empty()) commandLine += " " + argument;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(wizard.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                      &process)) {
    // The user would otherwise see the "Please wait..." box vanish and nothing else.
    const std::string message = "The installation could not be started:\n" + wizard + "\n\nError " +
                                std::to_string(GetLastError()) + ".";
    MessageBoxA(nullptr, message.c_str(), "Quillon", MB_OK | MB_ICONERROR);
    return 1;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

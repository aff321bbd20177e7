// Keeps a planted DLL beside the program (a download folder, say) from being
// loaded in place of a system one. Must run before anything else loads a DLL.
#pragma once

#include <windows.h>

namespace quillon {

inline void restrictDllSearchToSystem() {
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel != nullptr) {
    // Looked up at run time: systems before Windows 7 with KB2533623 lack it.
    FARPROC proc = GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (proc != nullptr) {
      SetDefaultDllDirectoriesFn setDefault;
      static_assert(sizeof setDefault == sizeof proc, "function pointer sizes");
      memcpy(&setDefault, &proc, sizeof setDefault);
      setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
    }
  }
  // Takes the current directory out of the search order.
  SetDllDirectoryA("");
}

}  // namespace quillon

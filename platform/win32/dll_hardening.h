#pragma once

#include <windows.h>

namespace platform::win32 {

// Restricts DLL loading to the system directory, so a program started from a
// download folder cannot pick up a planted DLL. Called first thing; older
// systems without the call keep their defaults.
inline void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                 reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                           : nullptr;
  if (setDefault) setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
  SetDllDirectoryA("");
}

}  // namespace platform::win32

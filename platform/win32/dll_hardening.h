// Keeps a planted DLL beside the program (a download folder, the TEMP
// directory it was unpacked into) from being loaded in place of a system one.
// The programs import only DLLs the loader always takes from the system
// directory; every other one is loaded here, by its full system path, after
// RestrictDllSearch has run.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

namespace platform::win32 {

// Restricts DLL loading to the system directory. Called first thing; older
// systems without the call keep their defaults, minus the current directory.
inline void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  // Looked up at run time: systems before Windows 7 with KB2533623 lack it.
  FARPROC proc = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
  if (proc) {
    SetDefaultDllDirectoriesFn setDefault;
    static_assert(sizeof setDefault == sizeof proc, "function pointer sizes");
    std::memcpy(&setDefault, &proc, sizeof setDefault);
    setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
  }
  SetDllDirectoryA("");
}

// `name` ("comctl32.dll") from the system directory and nowhere else; it stays
// loaded for the life of the process. nullptr when it cannot be loaded.
inline HMODULE LoadSystemLibrary(const char* name) {
  char directory[MAX_PATH];
  const UINT n = GetSystemDirectoryA(directory, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  return LoadLibraryA((std::string(directory, n) + "\\" + name).c_str());
}

// A function of a system DLL loaded as above; nullptr when either is missing.
template <typename Function>
Function SystemFunction(const char* library, const char* name) {
  HMODULE module = LoadSystemLibrary(library);
  FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
  Function function = nullptr;
  static_assert(sizeof function == sizeof proc, "function pointer sizes");
  if (proc) std::memcpy(&function, &proc, sizeof function);
  return function;
}

}  // namespace platform::win32

// Keeps a planted DLL beside the program (a download folder, the TEMP
// directory it was unpacked into) from being loaded in place of a system one.
// The programs import only DLLs the loader always takes from the system
// directory; every other one is loaded here, by its full system path, after
// RestrictDllSearch has run.
#pragma once

#include <windows.h>

#include <cstring>

namespace platform::win32 {

// `name` of `module` as a `Function`; nullptr when either is missing.
template <typename Function>
Function FunctionOf(HMODULE module, const char* name) {
  FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
  Function function = nullptr;
  static_assert(sizeof function == sizeof proc, "function pointer sizes");
  if (proc) std::memcpy(&function, &proc, sizeof function);
  return function;
}

// A function of an already loaded system DLL (kernel32.dll), for what
// Windows 2000 lacks: the programs must start there, so their import tables
// name nothing newer.
template <typename Function>
Function LoadedFunction(const char* library, const char* name) {
  return FunctionOf<Function>(GetModuleHandleA(library), name);
}

// Restricts DLL loading to the system directory. Called first thing; older
// systems without the calls keep their defaults.
inline void RestrictDllSearch() {
  // Windows 7 with KB2533623 and later.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (auto setDefault = LoadedFunction<SetDefaultDllDirectoriesFn>("kernel32.dll", "SetDefaultDllDirectories")) {
    setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
  }
  // Windows XP SP1 and later: the current directory leaves the search.
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  if (auto setDirectory = LoadedFunction<SetDllDirectoryFn>("kernel32.dll", "SetDllDirectoryA")) setDirectory("");
}

// `name` ("comctl32.dll") from the system directory and nowhere else; it stays
// loaded for the life of the process. nullptr when it cannot be loaded.
// Nothing is allocated: setup's worker thread calls it.
inline HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT n = GetSystemDirectoryA(path, MAX_PATH);
  const size_t length = std::strlen(name);
  if (n == 0 || n >= MAX_PATH || n + 1 + length >= MAX_PATH) return nullptr;
  path[n] = '\\';
  std::memcpy(path + n + 1, name, length + 1);
  return LoadLibraryA(path);
}

// A function of a system DLL loaded as above; nullptr when either is missing.
template <typename Function>
Function SystemFunction(const char* library, const char* name) {
  return FunctionOf<Function>(LoadSystemLibrary(library), name);
}

}  // namespace platform::win32

#include "system_libraries.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstring>

namespace quillon {
namespace launcher {

namespace {

template <typename Function>
Function lookUp(const char* library, const char* name) {
  HMODULE module = LoadLibraryA(library);
  if (module == nullptr) return nullptr;
  FARPROC proc = GetProcAddress(module, name);
  Function function = nullptr;
  static_assert(sizeof function == sizeof proc, "function pointer sizes");
  if (proc != nullptr) std::memcpy(&function, &proc, sizeof function);
  return function;
}

}  // namespace

bool registerProgressClass() {
  typedef BOOL(WINAPI * InitFn)(const INITCOMMONCONTROLSEX*);
  InitFn init = lookUp<InitFn>("comctl32.dll", "InitCommonControlsEx");
  if (init == nullptr) return false;
  INITCOMMONCONTROLSEX classes;
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_PROGRESS_CLASS;
  return init(&classes) != FALSE;
}

void shellOpen(const char* file, const char* parameters) {
  typedef HINSTANCE(WINAPI * ShellExecuteFn)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
  static ShellExecuteFn execute = lookUp<ShellExecuteFn>("shell32.dll", "ShellExecuteA");
  if (execute != nullptr) execute(nullptr, "open", file, parameters, nullptr, SW_SHOWNORMAL);
}

bool initialiseCom() {
  typedef HRESULT(WINAPI * InitFn)(LPVOID, DWORD);
  InitFn init = lookUp<InitFn>("ole32.dll", "CoInitializeEx");
  return init != nullptr && SUCCEEDED(init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void uninitialiseCom() {
  typedef void(WINAPI * UninitFn)();
  UninitFn uninit = lookUp<UninitFn>("ole32.dll", "CoUninitialize");
  if (uninit != nullptr) uninit();
}

}  // namespace launcher
}  // namespace quillon

#include "system_libraries.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/dll_hardening.h"

namespace launcher::win32 {

bool RegisterProgressClass() {
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  InitFn init = platform::win32::SystemFunction<InitFn>("comctl32.dll", "InitCommonControlsEx");
  if (init == nullptr) return false;
  INITCOMMONCONTROLSEX classes;
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_PROGRESS_CLASS;
  return init(&classes) != FALSE;
}

void ShellOpen(const char* file, const char* parameters) {
  using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
  // Looked up at each call (setup makes one): a function-local static would
  // bring the runtime's thread-safe initialisation guard and its threads
  // library into setup.exe.
  ShellExecuteFn execute = platform::win32::SystemFunction<ShellExecuteFn>("shell32.dll", "ShellExecuteA");
  if (execute != nullptr) execute(nullptr, "open", file, parameters, nullptr, SW_SHOWNORMAL);
}

bool InitialiseCom() {
  using InitFn = HRESULT(WINAPI*)(LPVOID, DWORD);
  InitFn init = platform::win32::SystemFunction<InitFn>("ole32.dll", "CoInitializeEx");
  return init != nullptr && SUCCEEDED(init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void UninitialiseCom() {
  using UninitFn = void(WINAPI*)();
  UninitFn uninit = platform::win32::SystemFunction<UninitFn>("ole32.dll", "CoUninitialize");
  if (uninit != nullptr) uninit();
}

}  // namespace launcher::win32

#include "system_libraries.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/dll_hardening.h"

namespace quillon {
namespace launcher {

bool registerProgressClass() {
  typedef BOOL(WINAPI * InitFn)(const INITCOMMONCONTROLSEX*);
  InitFn init = platform::win32::SystemFunction<InitFn>("comctl32.dll", "InitCommonControlsEx");
  if (init == nullptr) return false;
  INITCOMMONCONTROLSEX classes;
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_PROGRESS_CLASS;
  return init(&classes) != FALSE;
}

void shellOpen(const char* file, const char* parameters) {
  typedef HINSTANCE(WINAPI * ShellExecuteFn)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
  static ShellExecuteFn execute = platform::win32::SystemFunction<ShellExecuteFn>("shell32.dll", "ShellExecuteA");
  if (execute != nullptr) execute(nullptr, "open", file, parameters, nullptr, SW_SHOWNORMAL);
}

bool initialiseCom() {
  typedef HRESULT(WINAPI * InitFn)(LPVOID, DWORD);
  InitFn init = platform::win32::SystemFunction<InitFn>("ole32.dll", "CoInitializeEx");
  return init != nullptr && SUCCEEDED(init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void uninitialiseCom() {
  typedef void(WINAPI * UninitFn)();
  UninitFn uninit = platform::win32::SystemFunction<UninitFn>("ole32.dll", "CoUninitialize");
  if (uninit != nullptr) uninit();
}

}  // namespace launcher
}  // namespace quillon

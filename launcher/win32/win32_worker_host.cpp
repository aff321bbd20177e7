#include "win32_worker_host.h"

#include <commctrl.h>

#include <cstring>

#include "resource_ids.h"
#include "system_libraries.h"

namespace quillon {
namespace launcher {

void writeDiagnosticLine(const char* line) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(out, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
  WriteFile(out, "\n", 1, &written, nullptr);
}

Win32WorkerHost::Win32WorkerHost(HWND dialog, HINSTANCE instance, HANDLE stopEvent)
    : dialog_(dialog), instance_(instance), stopEvent_(stopEvent) {}

void Win32WorkerHost::repaintControl(int id) {
  HWND control = GetDlgItem(dialog_, id);
  if (control != nullptr) UpdateWindow(control);
}

void Win32WorkerHost::setProgressRange(int minimum, int maximum) {
  SendDlgItemMessageA(dialog_, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
  repaintControl(IDC_PROGRESS);
}

void Win32WorkerHost::setProgressPosition(int position) {
  SendDlgItemMessageA(dialog_, IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  repaintControl(IDC_PROGRESS);
}

void Win32WorkerHost::setPercentText(const char* text) {
  SetDlgItemTextA(dialog_, IDC_PERCENT, text);
  repaintControl(IDC_PERCENT);
}

void Win32WorkerHost::setStatusText(const char* text) {
  // The template has no status control; the text is lost, as intended.
  SetDlgItemTextA(dialog_, IDC_STATUS, text);
  repaintControl(IDC_STATUS);
}

void Win32WorkerHost::repaintDialog() { UpdateWindow(dialog_); }

void Win32WorkerHost::requestClose() { PostMessageA(dialog_, WM_DESTROY, 0, 0); }

bool Win32WorkerHost::waitForStop(uint32_t milliseconds) {
  return WaitForSingleObject(stopEvent_, milliseconds) == WAIT_OBJECT_0;
}

bool Win32WorkerHost::temporaryDirectory(std::string* directory) {
  char buffer[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH) return false;
  directory->assign(buffer, length);
  return true;
}

uint32_t Win32WorkerHost::tickCount() { return GetTickCount(); }

bool Win32WorkerHost::loadPayload(const unsigned char** data, uint32_t* size) {
  HRSRC resource = FindResourceA(instance_, MAKEINTRESOURCEA(IDR_PAYLOAD), "SETUP");
  if (resource == nullptr) return false;
  DWORD length = SizeofResource(instance_, resource);
  HGLOBAL loaded = LoadResource(instance_, resource);
  if (loaded == nullptr) return false;
  *data = static_cast<const unsigned char*>(LockResource(loaded));
  *size = length;
  return *data != nullptr;
}

bool Win32WorkerHost::ownPath(std::string* path) {
  char buffer[520];
  DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return false;
  path->assign(buffer, length);
  return true;
}

void Win32WorkerHost::shellOpen(const char* file, const char* parameters) {
  launcher::shellOpen(file, parameters);
}

void Win32WorkerHost::diagnostic(const char* line) { writeDiagnosticLine(line); }

LauncherFiles& Win32WorkerHost::files() { return files_; }

}  // namespace launcher
}  // namespace quillon

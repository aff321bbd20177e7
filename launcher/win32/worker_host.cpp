#include "launcher/win32/worker_host.h"

#include <commctrl.h>

#include <cstring>

#include "platform/win32/ansi_code_page.h"
#include "resource_ids.h"
#include "system_libraries.h"

namespace launcher::win32 {

void WriteDiagnosticLine(const char* line) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(out, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
  WriteFile(out, "\n", 1, &written, nullptr);
}

WorkerHost::WorkerHost(HWND dialog, HINSTANCE instance, HANDLE stopEvent)
    : dialog_(dialog),
      instance_(instance),
      stopEvent_(stopEvent),
      progress_(GetDlgItem(dialog, IDC_PROGRESS)),
      percent_(GetDlgItem(dialog, IDC_PERCENT)),
      status_(GetDlgItem(dialog, IDC_STATUS)),
      shownPosition_(-1) {}

void WorkerHost::SetControlText(HWND control, ShownText* shown, const char* text) {
  // The template has no status control: a text sent there is lost, as intended.
  if (control == nullptr || (shown->known && shown->text == text)) return;
  SetWindowTextA(control, text);
  shown->known = shown->text.Assign(text);
  UpdateWindow(control);
}

void WorkerHost::SetProgressRange(int minimum, int maximum) {
  if (progress_ == nullptr) return;
  SendMessageA(progress_, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
  shownPosition_ = -1;  // the new range may have moved it
  UpdateWindow(progress_);
}

void WorkerHost::SetProgressPosition(int position) {
  if (progress_ == nullptr || position == shownPosition_) return;
  SendMessageA(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  shownPosition_ = position;
  UpdateWindow(progress_);
}

void WorkerHost::SetPercentText(const char* text) { SetControlText(percent_, &shownPercent_, text); }

void WorkerHost::SetStatusText(const char* text) { SetControlText(status_, &shownStatus_, text); }

void WorkerHost::RepaintDialog() { UpdateWindow(dialog_); }

void WorkerHost::RequestClose() { PostMessageA(dialog_, WM_DESTROY, 0, 0); }

bool WorkerHost::WaitForStop(uint32_t milliseconds) {
  return WaitForSingleObject(stopEvent_, milliseconds) == WAIT_OBJECT_0;
}

bool WorkerHost::TemporaryDirectory(PathText* directory) {
  char buffer[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH) return false;
  return directory->Assign(std::string_view(buffer, length));
}

uint32_t WorkerHost::TickCount() { return GetTickCount(); }

bool WorkerHost::LoadPayload(const unsigned char** data, uint32_t* size) {
  HRSRC resource = FindResourceA(instance_, MAKEINTRESOURCEA(IDR_PAYLOAD), "SETUP");
  if (resource == nullptr) return false;
  DWORD length = SizeofResource(instance_, resource);
  HGLOBAL loaded = LoadResource(instance_, resource);
  if (loaded == nullptr) return false;
  *data = static_cast<const unsigned char*>(LockResource(loaded));
  *size = length;
  return *data != nullptr;
}

bool WorkerHost::OwnPath(PathText* path) {
  char buffer[PathText::kCapacity];
  DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return false;
  return path->Assign(std::string_view(buffer, length));
}

platform::LeadBytes WorkerHost::AnsiLeadBytes() { return platform::win32::AnsiCodePageLeadBytes(); }

void WorkerHost::ShellOpen(const char* file, const char* parameters) {
  win32::ShellOpen(file, parameters);
}

void WorkerHost::Diagnostic(const char* line) { WriteDiagnosticLine(line); }

launcher::LauncherFiles& WorkerHost::files() { return files_; }

Memory& WorkerHost::memory() { return theSystemMemory; }

}  // namespace launcher::win32

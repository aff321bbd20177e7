// setup's entry and its one window, the ProgressDialog: a small frameless
// "Please wait..." box that starts the extraction worker and closes when the
// worker asks it to, or when the system does.

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/win32/ansi_code_page.h"
#include "platform/win32/dll_hardening.h"
#include "launcher/extraction_worker.h"
#include "resource_ids.h"
#include "system_libraries.h"
#include "launcher/win32/worker_host.h"

namespace {

const DWORD kStopGraceMilliseconds = 500;

// What the dialog thread and the worker share; one window, one worker.
HINSTANCE g_instance = nullptr;
HWND g_dialog = nullptr;
HICON g_icon = nullptr;
HANDLE g_worker = nullptr;
DWORD g_workerId = 0;
HANDLE g_stopEvent = nullptr;
char g_extractPath[MAX_PATH] = {};

DWORD WINAPI ExtractionWorkerThread(LPVOID parameter) {
  HWND dialog = static_cast<HWND>(parameter);
  // ShellExecute may hand the start to shell extensions, which expect COM.
  bool com = launcher::win32::InitialiseCom();
  {
    launcher::win32::WorkerHost host(dialog, g_instance, g_stopEvent);
    launcher::ExtractionWorker worker(host, g_extractPath);
    worker.Run();
  }
  if (com) launcher::win32::UninitialiseCom();
  return 0;
}

// Reads TEMP into ExtractPath; 0 when it is missing, empty or longer than the
// 259 characters the launcher's paths can hold.
size_t PrepareExtractPath() {
  g_extractPath[0] = '\0';
  const auto value = platform::win32::AnsiEnvironmentVariable("TEMP");
  if (!value || value->empty()) {
    launcher::win32::WriteDiagnosticLine("Current path is: ");
    return 0;
  }
  if (value->size() >= sizeof g_extractPath) {
    launcher::win32::WriteDiagnosticLine(("Current path is: " + *value).c_str());
    return 0;
  }
  std::memcpy(g_extractPath, value->c_str(), value->size() + 1);
  launcher::win32::WriteDiagnosticLine((std::string("Current path is: ") + g_extractPath).c_str());
  return value->size();
}

BOOL OnInitDialog(HWND dialog) {
  SetWindowTextA(dialog, "Mendora for Quillon");
  g_icon = LoadIconA(g_instance, MAKEINTRESOURCEA(IDI_SETUP));
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_icon));
  if (PrepareExtractPath() == 0) return TRUE;  // stays up until closed
  g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_worker = CreateThread(nullptr, 0, ExtractionWorkerThread, dialog, 0, &g_workerId);
  return TRUE;
}

// The worker's final WM_DESTROY and the system's WM_CLOSE end alike.
BOOL OnClose() {
  if (g_icon != nullptr) {
    DestroyIcon(g_icon);
    g_icon = nullptr;
  }
  DWORD workerExit = 0;
  if (g_worker != nullptr) GetExitCodeThread(g_worker, &workerExit);
  if (workerExit == STILL_ACTIVE) {
    SetEvent(g_stopEvent);
    // Deliberately neither sleeping nor pumping: the worker's control
    // updates wait, and the program ends after the grace time whatever the
    // worker has reached.
    DWORD start = GetTickCount();
    while (GetTickCount() - start < kStopGraceMilliseconds) {
    }
  }
  if (g_stopEvent != nullptr) {
    CloseHandle(g_stopEvent);
    g_stopEvent = nullptr;
  }
  PostQuitMessage(launcher::win32::kSetupExitCode);
  return TRUE;
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_CLOSE:
    case WM_DESTROY:
      return OnClose();
    default:
      return FALSE;  // Enter and Escape do nothing
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  platform::win32::RestrictDllSearch();
  g_instance = instance;

  launcher::win32::RegisterProgressClass();

  g_dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressDialogProc, 0);
  if (g_dialog == nullptr) return 0;
  ShowWindow(g_dialog, showCommand);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(g_dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

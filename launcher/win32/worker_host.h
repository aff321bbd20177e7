// The worker's host in setup: the ProgressDialog's controls by synchronous
// sends, StopEvent, the module's payload resource and the system.
#pragma once

#include <windows.h>

#include "launcher/win32/launcher_files.h"
#include "launcher/worker_host.h"

namespace launcher::win32 {

// How setup ends, on every path.
constexpr int kSetupExitCode = 18;

class WorkerHost : public launcher::WorkerHost {
 public:
  WorkerHost(HWND dialog, HINSTANCE instance, HANDLE stopEvent);

  void SetProgressRange(int minimum, int maximum) override;
  void SetProgressPosition(int position) override;
  void SetPercentText(const char* text) override;
  void SetStatusText(const char* text) override;
  void RepaintDialog() override;
  void RequestClose() override;
  bool WaitForStop(uint32_t milliseconds) override;
  bool TemporaryDirectory(PathText* directory) override;
  uint32_t TickCount() override;
  bool LoadPayload(const unsigned char** data, uint32_t* size) override;
  bool OwnPath(PathText* path) override;
  platform::LeadBytes AnsiLeadBytes() override;
  void ShellOpen(const char* file, const char* parameters) override;
  void Diagnostic(const char* line) override;
  launcher::LauncherFiles& files() override;
  Memory& memory() override;

 private:
  struct ShownText {
    bool known = false;  // what the template put there is not assumed
    PathText text;
  };
  // Sets a control's text and repaints it, unless it shows that text already.
  static void SetControlText(HWND control, ShownText* shown, const char* text);

  HWND dialog_;
  HINSTANCE instance_;
  HANDLE stopEvent_;
  LauncherFiles files_;
  // The controls, looked up once: the template's, which outlive the worker.
  // Each send to the dialog thread is costly (a round trip through the
  // window manager), and with thousands of files most updates would repeat
  // what the control shows; those are left out.
  HWND progress_;
  HWND percent_;
  HWND status_;
  int shownPosition_;  // -1: not known
  ShownText shownPercent_;
  ShownText shownStatus_;
};

// Writes one line to standard output without the C runtime's stream locks,
// which the program's end may meet held by the worker.
void WriteDiagnosticLine(const char* line);

}  // namespace launcher::win32

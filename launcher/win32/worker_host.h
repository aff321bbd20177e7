// The worker's host in setup: the ProgressDialog's controls by synchronous
// sends, StopEvent, the module's payload resource and the system.
#pragma once

#include <windows.h>

#include "launcher/win32/launcher_files.h"
#include "launcher/worker_host.h"

namespace launcher::win32 {

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
  bool TemporaryDirectory(std::string* directory) override;
  uint32_t TickCount() override;
  bool LoadPayload(const unsigned char** data, uint32_t* size) override;
  bool OwnPath(std::string* path) override;
  void ShellOpen(const char* file, const char* parameters) override;
  void Diagnostic(const char* line) override;
  launcher::LauncherFiles& files() override;

 private:
  void RepaintControl(int id);

  HWND dialog_;
  HINSTANCE instance_;
  HANDLE stopEvent_;
  LauncherFiles files_;
};

// Writes one line to standard output without the C runtime's stream locks,
// which the program's end may meet held by the worker.
void WriteDiagnosticLine(const char* line);

}  // namespace launcher::win32

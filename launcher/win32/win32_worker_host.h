// The worker's host in setup: the ProgressDialog's controls by synchronous
// sends, StopEvent, the module's payload resource and the system.
#pragma once

#include <windows.h>

#include "win32_files.h"
#include "worker_host.h"

namespace quillon {
namespace launcher {

class Win32WorkerHost : public WorkerHost {
 public:
  Win32WorkerHost(HWND dialog, HINSTANCE instance, HANDLE stopEvent);

  void setProgressRange(int minimum, int maximum) override;
  void setProgressPosition(int position) override;
  void setPercentText(const char* text) override;
  void setStatusText(const char* text) override;
  void repaintDialog() override;
  void requestClose() override;
  bool waitForStop(uint32_t milliseconds) override;
  bool temporaryDirectory(std::string* directory) override;
  uint32_t tickCount() override;
  bool loadPayload(const unsigned char** data, uint32_t* size) override;
  bool ownPath(std::string* path) override;
  void shellOpen(const char* file, const char* parameters) override;
  void diagnostic(const char* line) override;
  LauncherFiles& files() override;

 private:
  void repaintControl(int id);

  HWND dialog_;
  HINSTANCE instance_;
  HANDLE stopEvent_;
  Win32Files files_;
};

// Writes one line to standard output without the C runtime's stream locks,
// which the program's end may meet held by the worker.
void writeDiagnosticLine(const char* line);

}  // namespace launcher
}  // namespace quillon

// What the extraction worker needs from its surroundings: the dialog's
// controls, the stop request, the payload resource and the system. Win32
// implements it for setup; tests implement it in memory so that the worker
// runs instantly and can be stopped at any checkpoint.
// Every call comes from the worker thread.
#pragma once

#include <cstdint>
#include <string>

#include "launcher_files.h"

namespace quillon {
namespace launcher {

class WorkerHost {
 public:
  virtual ~WorkerHost() {}

  // Dialog controls; each call repaints the control it changed before returning.
  virtual void setProgressRange(int minimum, int maximum) = 0;
  virtual void setProgressPosition(int position) = 0;
  virtual void setPercentText(const char* text) = 0;
  virtual void setStatusText(const char* text) = 0;
  virtual void repaintDialog() = 0;
  // Asks the dialog to close (the worker's last act).
  virtual void requestClose() = 0;

  // Waits up to `milliseconds` for the dialog's stop request; true when it has
  // been made. A failed wait counts as no request.
  virtual bool waitForStop(uint32_t milliseconds) = 0;

  // The temporary directory, ending with a backslash; false when unavailable.
  virtual bool temporaryDirectory(std::string* directory) = 0;
  virtual uint32_t tickCount() = 0;
  // The payload resource as stored; false when it is missing. The bytes stay
  // valid for the life of the process.
  virtual bool loadPayload(const unsigned char** data, uint32_t* size) = 0;
  // The running program's full path.
  virtual bool ownPath(std::string* path) = 0;
  // The shell's "open" verb, normal window, no working directory, no wait.
  virtual void shellOpen(const char* file, const char* parameters) = 0;
  // One line on standard output (no line end in `line`).
  virtual void diagnostic(const char* line) = 0;

  virtual LauncherFiles& files() = 0;
};

}  // namespace launcher
}  // namespace quillon

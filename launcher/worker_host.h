// What the extraction worker needs from its surroundings: the dialog's
// controls, the stop request, the payload resource and the system. win32/
// implements it for setup; fake/ implements it in memory so that the worker
// runs instantly and can be stopped at any checkpoint.
// Every call comes from the worker thread.
#pragma once

#include <cstdint>

#include "launcher_files.h"
#include "path_text.h"
#include "zeroed_block.h"
#include "platform/text.h"

namespace launcher {

class WorkerHost {
 public:
  virtual ~WorkerHost() = default;

  // Dialog controls; each call repaints the control it changed before returning.
  virtual void SetProgressRange(int minimum, int maximum) = 0;
  virtual void SetProgressPosition(int position) = 0;
  virtual void SetPercentText(const char* text) = 0;
  virtual void SetStatusText(const char* text) = 0;
  virtual void RepaintDialog() = 0;
  // Asks the dialog to close (the worker's last act).
  virtual void RequestClose() = 0;

  // Waits up to `milliseconds` for the dialog's stop request; true when it has
  // been made. A failed wait counts as no request.
  virtual bool WaitForStop(uint32_t milliseconds) = 0;

  // The temporary directory, ending with a backslash; false when unavailable.
  virtual bool TemporaryDirectory(PathText* directory) = 0;
  virtual uint32_t TickCount() = 0;
  // The payload resource as stored; false when it is missing. The bytes stay
  // valid for the life of the process.
  virtual bool LoadPayload(const unsigned char** data, uint32_t* size) = 0;
  // The running program's full path.
  virtual bool OwnPath(PathText* path) = 0;
  // The lead bytes of the ANSI code page, by whose characters paths are compared.
  virtual platform::LeadBytes AnsiLeadBytes() = 0;
  // The shell's "open" verb, normal window, no working directory, no wait.
  virtual void ShellOpen(const char* file, const char* parameters) = 0;
  // One line on standard output (no line end in `line`).
  virtual void Diagnostic(const char* line) = 0;

  virtual LauncherFiles& files() = 0;
  // Where every block of the worker's, and of its zlib stream, comes from.
  virtual Memory& memory() = 0;
};

}  // namespace launcher

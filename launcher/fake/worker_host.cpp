#include "launcher/fake/worker_host.h"

namespace launcher::fake {

void WorkerHost::SetProgressRange(int minimum, int maximum) {
  rangeMin = minimum;
  rangeMax = maximum;
}

bool WorkerHost::WaitForStop(uint32_t milliseconds) {
  lastWait = milliseconds;
  ++checkpoints;
  if (atCheckpoint) atCheckpoint(checkpoints);
  // The event is manual-reset: once set, every later wait sees it too.
  if (checkpoints == stopAtCheckpoint) stopSet = true;
  return stopSet;
}

bool WorkerHost::TemporaryDirectory(std::string* directory) {
  fakeFiles.AddDirectory(tempDir);
  *directory = tempDir;
  return tempAvailable;
}

bool WorkerHost::LoadPayload(const unsigned char** data, uint32_t* size) {
  if (!hasPayload) return false;
  *data = payload.data();
  *size = static_cast<uint32_t>(payload.size());
  return true;
}

bool WorkerHost::OwnPath(std::string* path) {
  *path = modulePath;
  return true;
}

void WorkerHost::ShellOpen(const char* file, const char* parameters) {
  if (atShellOpen) atShellOpen(file);
  starts.push_back({file, parameters});
}

}  // namespace launcher::fake

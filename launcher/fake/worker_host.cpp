#include "launcher/fake/worker_host.h"

#include <cstdlib>

namespace launcher::fake {

void* CountingMemory::Allocate(size_t size) {
  if (++allocations == refuse) return nullptr;
  void* block = std::calloc(size != 0 ? size : 1, 1);
  if (block != nullptr) ++live;
  return block;
}

void CountingMemory::Free(void* block) {
  if (block == nullptr) return;
  --live;
  std::free(block);
}

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

bool WorkerHost::TemporaryDirectory(PathText* directory) {
  fakeFiles.AddDirectory(tempDir);
  return directory->Assign(tempDir) && tempAvailable;
}

bool WorkerHost::LoadPayload(const unsigned char** data, uint32_t* size) {
  if (!hasPayload) return false;
  *data = payload.data();
  *size = static_cast<uint32_t>(payload.size());
  return true;
}

bool WorkerHost::OwnPath(PathText* path) { return path->Assign(modulePath); }

void WorkerHost::ShellOpen(const char* file, const char* parameters) {
  if (atShellOpen) atShellOpen(file);
  starts.push_back({file, parameters});
}

}  // namespace launcher::fake

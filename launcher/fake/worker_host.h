#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "launcher/fake/launcher_files.h"
#include "launcher/worker_host.h"

namespace launcher::fake {

// The C runtime's heap, counted, refusing the one allocation a test names.
class CountingMemory : public Memory {
 public:
  int refuse = 0;       // 1-based number of the allocation to refuse; 0: none
  int allocations = 0;  // asked for so far, the refused one included
  int live = 0;         // handed out and not yet freed
  void* Allocate(size_t size) override;
  void Free(void* block) override;
};

// Records every control update; a test can stop the worker at any checkpoint
// and act as another program would meanwhile.
class WorkerHost : public launcher::WorkerHost {
 public:
  fake::LauncherFiles fakeFiles;
  std::string tempDir = "C:\\Users\\u\\AppData\\Local\\Temp\\";
  bool tempAvailable = true;
  std::vector<uint32_t> ticks = {0x00012345u, 0x00012346u};
  size_t tickReads = 0;
  std::vector<unsigned char> payload;
  bool hasPayload = true;
  std::string modulePath = "C:\\Downloads\\setup.exe";

  int stopAtCheckpoint = -1;  // 1-based checkpoint at which the stop is seen
  int checkpoints = 0;
  bool stopSet = false;
  // What another program does meanwhile: at a checkpoint (given its 1-based
  // number), and while the shell opens a file.
  std::function<void(int checkpoint)> atCheckpoint;
  std::function<void(const std::string& file)> atShellOpen;

  std::vector<int> positions;
  std::vector<std::string> percents, statuses, diagnostics;
  int rangeMin = 0, rangeMax = 0;
  int closeRequests = 0;
  struct Start {
    std::string file, parameters;
  };
  std::vector<Start> starts;
  uint32_t lastWait = 0;

  void SetProgressRange(int minimum, int maximum) override;
  void SetProgressPosition(int position) override { positions.push_back(position); }
  void SetPercentText(const char* text) override { percents.push_back(text); }
  void SetStatusText(const char* text) override { statuses.push_back(text); }
  void RepaintDialog() override {}
  void RequestClose() override { ++closeRequests; }
  bool WaitForStop(uint32_t milliseconds) override;
  bool TemporaryDirectory(PathText* directory) override;
  uint32_t TickCount() override { return ticks[tickReads++ % ticks.size()]; }
  bool LoadPayload(const unsigned char** data, uint32_t* size) override;
  bool OwnPath(PathText* path) override;
  // One code page for the host and its files: 1252 unless the test says otherwise.
  void SetCodePage(unsigned codePage) { fakeFiles.leadBytes = platform::LeadBytes::OfCodePage(codePage); }
  platform::LeadBytes AnsiLeadBytes() override { return fakeFiles.leadBytes; }
  void ShellOpen(const char* file, const char* parameters) override;
  void Diagnostic(const char* line) override { diagnostics.push_back(line); }
  launcher::LauncherFiles& files() override { return fakeFiles; }
  Memory& memory() override { return countingMemory; }
  CountingMemory countingMemory;
};

}  // namespace launcher::fake

// The one thread of setup that does file work: writes the payload resource to
// a temporary file, inflates it into a second one, unpacks every entry into
// the temporary directory with its stored times, copies the files into
// ExtractPath and hands over to trampo.exe there. Failure or a stop request
// during unpacking or copying rolls back the unpacked files; every path ends
// in one clean-up that resets the dialog and asks it to close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "payload_archive.h"
#include "worker_host.h"

namespace quillon {
namespace launcher {

class ExtractionWorker {
 public:
  static constexpr uint32_t kCheckpointMilliseconds = 100;

  // `extractPath` is the TEMP value, at most 259 characters.
  ExtractionWorker(WorkerHost& host, const std::string& extractPath);

  // Runs every stage and the clean-up; returns 0 on every path.
  int run();

 private:
  enum Outcome { kContinue, kCleanUp, kRollback };

  Outcome runStages();
  Outcome prepare();
  Outcome loadArchive();
  Outcome unpackEntries();
  Outcome copyEntries();
  Outcome finish();
  void handOver();
  void rollback();
  void cleanUp();

  bool stopRequested();
  void closeOpenFile();
  void setPosition(int position);
  void setPercent(const char* text);
  void setStatus(const char* text);
  void setFilePercentage(uint32_t index);
  PayloadEntry entryAt(uint32_t index) const;
  // The entry's path in the temporary directory, or false when its name is
  // unsafe or the path would not fit.
  bool unpackedPath(const PayloadEntry& entry, std::string* path) const;

  WorkerHost& host_;
  LauncherFiles& files_;
  std::string extractPath_;
  std::string tempDirectory_;
  std::string firstPath_;
  std::string secondPath_;
  FileHandle openFile_;
  std::vector<unsigned char> archive_;
  std::vector<unsigned char> entryTable_;
  bool tableRead_;
  uint32_t count_;
  uint32_t current_;
  uint64_t dataOffset_;
};

// The position for entry `index` of `count`: (index + 1) / count * 100 in
// double precision, truncated, as the stored progress figures expect.
int filePercentage(uint32_t index, uint32_t count);

}  // namespace launcher
}  // namespace quillon

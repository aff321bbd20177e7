// The one thread of setup that does file work: writes the payload resource to
// a temporary file, inflates it into a second one, unpacks every entry into
// the temporary directory with its stored times, copies the files into
// ExtractPath and hands over to trampo.exe there. Failure or a stop request
// during unpacking or copying rolls back the unpacked files; every path ends
// in one clean-up that resets the dialog and asks it to close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "file_inflater.h"
#include "payload_archive.h"
#include "worker_host.h"

namespace quillon {
namespace launcher {

class ExtractionWorker {
 public:
  static constexpr uint32_t kCheckpointMilliseconds = 100;

  // `extractPath` is the TEMP value, at most 259 characters. An inflated
  // archive longer than `archiveLimit` bytes counts as a damaged stream.
  ExtractionWorker(WorkerHost& host, const std::string& extractPath,
                   uint64_t archiveLimit = FileInflater::kLargestOutput);

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
  // Whether the file at `program` holds exactly the payload's trampo.exe,
  // read through openFile_, which stays open to keep it so.
  bool holdsPayloadTrampo(const std::string& program);
  void rollback();
  void cleanUp();
  // Creates a file for writing into openFile_ and remembers it as this run's.
  bool createOwn(const std::string& path);
  // Deletes the file only when this run created it: a file of the user's
  // that blocked a create is never touched.
  void removeOwn(const std::string& path);

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
  uint64_t archiveLimit_;
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
  std::set<std::string> created_;  // comparablePath of every file this run created
  bool hasTrampo_;                 // the payload carries trampo.exe: its last entry of that name
  uint64_t trampoOffset_;
  uint32_t trampoSize_;
};

// A path as Windows compares it: ASCII case ignored, "/" read as "\" and a
// run of separators as one (a leading "\\" stays).
std::string comparablePath(const std::string& path);

// The position for entry `index` of `count`: (index + 1) / count * 100 in
// double precision, truncated, as the stored progress figures expect.
int filePercentage(uint32_t index, uint32_t count);

}  // namespace launcher
}  // namespace quillon

// The one thread of setup that does file work: writes the payload resource to
// a temporary file, inflates it into a second one, unpacks every entry into
// the temporary directory with its stored times, copies the files into
// ExtractPath and hands over to trampo.exe there. Failure or a stop request
// during unpacking or copying rolls back the unpacked files; every path ends
// in one clean-up that resets the dialog and asks it to close.
// The worker makes no allocation but through the host's Memory, and each may
// fail: a refused block is a failure like any other (setup has no
// exceptions).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "file_inflater.h"
#include "path_text.h"
#include "payload_archive.h"
#include "worker_host.h"
#include "zeroed_block.h"

namespace launcher {

class ExtractionWorker {
 public:
  static constexpr uint32_t kCheckpointMilliseconds = 100;
  // Opens of trampo.exe tried while another program's handle refuses them,
  // a checkpoint wait apart.
  static constexpr int kTrampoOpenAttempts = 5;

  // `extractPath` is the TEMP value, at most 259 characters; it must outlive
  // the worker. An inflated archive longer than `archiveLimit` bytes counts
  // as a damaged stream.
  ExtractionWorker(WorkerHost& host, std::string_view extractPath,
                   uint64_t archiveLimit = FileInflater::kLargestOutput);

  // Runs every stage and the clean-up; returns 0 on every path.
  int Run();

 private:
  enum class Outcome { kContinue, kCleanUp, kRollback };

  // The stages, in order; each goes on only with kContinue.
  Outcome RunStages();
  Outcome PreparePayload();
  Outcome LoadArchive();
  Outcome UnpackEntries();
  Outcome CopyEntries();
  Outcome Finish();
  void HandOver();
  // Whether the file at `program` holds exactly the payload's trampo.exe,
  // read through openFile_, which stays open to keep it so.
  bool HoldsPayloadTrampo(const PathText& program);
  // Opens the file for reading into openFile_, waiting out a brief hold of
  // another program's; false when it cannot be opened or a stop was seen.
  bool OpenAgainstChange(const PathText& path);
  void Rollback();
  void CleanUp();
  // Remembers `path` as this run's before its file is made, so that no file
  // of ours goes unremembered; `known` says whether it was already. False
  // when it cannot be remembered. Unclaim takes a claim back when no file
  // came of it.
  bool Claim(const PathText& path, bool* known);
  void Unclaim(const PathText& path, bool known);
  // Creates a file for writing into openFile_ and remembers it as this run's;
  // false, with nothing created, when it cannot be both.
  bool CreateOwn(const PathText& path);
  // Deletes the file only when this run created it: a file of the user's
  // that blocked a create is never touched.
  void RemoveOwn(const PathText& path);

  bool StopRequested();
  void CloseOpenFile();
  void SetPosition(int position);
  void SetProgress(int position, const char* percent);
  void SetStatus(const char* text);
  void SetFilePercentage(uint32_t index);
  PayloadEntry EntryAt(uint32_t index) const;
  // The entry's path in the temporary directory, or false when its name is
  // unsafe or the path would not fit.
  bool UnpackedPath(const PayloadEntry& entry, PathText* path) const;

  // The files this run created, by comparable path: an open-addressed table
  // with room for every entry and the two intermediates, made once the
  // entry count is known (the intermediates, created before, wait in two
  // slots of their own).
  class OwnFiles {
   public:
    explicit OwnFiles(Memory& memory) : table_(memory) {}
    bool Reserve(uint32_t entries);
    bool Insert(const PathText& comparable);
    // Forgets the path; false when it was not this run's.
    bool Erase(const PathText& comparable);
    bool Contains(const PathText& comparable) const;

   private:
    static constexpr size_t kSlot = kMaxPath + 1;
    size_t Find(const PathText& comparable) const;  // its slot, or the free one it would take
    size_t Used(const PathText& comparable) const;  // its slot in the table, or slots_
    char* SlotAt(size_t index) { return reinterpret_cast<char*>(table_.data()) + index * kSlot; }
    const char* SlotAt(size_t index) const { return reinterpret_cast<const char*>(table_.data()) + index * kSlot; }
    PathText early_[2];
    ZeroedBlock table_;
    size_t slots_ = 0;
  };

  WorkerHost& host_;
  LauncherFiles& files_;
  Memory& memory_;
  const platform::LeadBytes lead_;
  std::string_view extractPath_;
  uint64_t archiveLimit_;
  PathText tempDirectory_;
  // The two files the clean-up deletes when this run created them. Each slot
  // names the newest file of its kind that a stop or a failure must take
  // back, and is cleared once every file is to stay:
  //   writtenPath_: the packed temp file, then the entry being unpacked
  //                 (while copying, the copy's source);
  //   targetPath_:  the archive temp file, then the copy's target, then the
  //                 file the rollback deletes.
  // So a stop after the last entry has been unpacked deletes that entry.
  PathText writtenPath_;
  PathText targetPath_;
  PathText comparable_;  // scratch for Claim, Unclaim and RemoveOwn
  FileHandle openFile_;
  ZeroedBlock archive_;
  ZeroedBlock entryTable_;
  bool tableRead_;
  uint32_t count_;
  uint32_t current_;
  uint64_t dataOffset_;
  OwnFiles created_;
  bool hasTrampo_;                 // the payload carries trampo.exe: its last entry of that name
  uint64_t trampoOffset_;
  uint32_t trampoSize_;
};

// The position for entry `index` of `count`: (index + 1) / count * 100 in
// double precision, truncated, as the stored progress figures expect.
int FilePercentage(uint32_t index, uint32_t count);

}  // namespace launcher

#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/text.h"

namespace platform::fake {

// An in-memory tree with Windows rules: case-insensitive names, drives, a
// parent that must exist, read-only files that refuse deletion, read-only and
// non-empty directories that refuse removal. Faults are injected per path.
class FileSystem : public platform::FileSystem {
 public:
  FileSystem();  // drive C: exists

  // The ANSI code page that paths are read in: 1252 unless the test says
  // otherwise. Set it before the first path goes in.
  void SetCodePage(unsigned codePage) { lead_ = LeadBytes::OfCodePage(codePage); }

  void AddDrive(const std::string& drive);  // "D:"
  // Test set-up shortcuts: create every missing directory on the way.
  void MakeDirectories(const std::string& path);
  void PutFile(const std::string& path, const std::string& data, std::uint32_t attributes = kAttrArchive);

  // A directory link (junction) at `link` to the existing directory `target`:
  // paths through it reach the target's entries.
  void MakeLink(const std::string& link, const std::string& target);

  // Faults: no new files or directories inside `directory`; `file` is open
  // elsewhere without sharing; every write of data fails as on a full disk.
  void DenyWrites(const std::string& directory);
  void Lock(const std::string& file);
  void Unlock(const std::string& file);
  bool diskFull = false;
  // Another program's handle on `directory` opened with delete sharing (an
  // Explorer window on it, the search indexer, a scanner). Removing the
  // directory then succeeds but only marks it for deletion, as Windows does
  // where deletion is not immediate; until ReleaseDirectory it reads as
  // absent, still stands in its parent's listing (so the parent cannot be
  // removed), and refuses every create inside it and every create of its
  // name with kAccessDenied. The release completes a pending removal.
  void HoldDirectory(const std::string& directory);
  void ReleaseDirectory(const std::string& directory);
  // Reads of `file` that reach past its first `bytes` bytes fail, as at a bad
  // sector (whole-file reads and copies of it too).
  void FailReadsAfter(const std::string& file, std::uint64_t bytes);
  // From now on only `bytes` more bytes fit on the disk: growing a file
  // beyond that fails as on a full disk; deleting or shrinking gives room back.
  void FillDiskAfter(std::uint64_t bytes) { freeBytes_ = bytes; }

  // Every path that a write, an open for writing, an attribute change, a
  // creation or a deletion changed, in order, links resolved; the set-up
  // shortcuts above are not recorded.
  const std::vector<std::string>& changedPaths() const { return changed_; }

  // The display form of every path that exists, sorted case-insensitively.
  std::set<std::string> AllPaths() const;

  std::optional<std::uint32_t> Attributes(const std::string& path) override;
  FsResult SetAttributes(const std::string& path, std::uint32_t attributes) override;
  FsResult WriteAll(const std::string& path, std::string_view data) override;
  FsResult WriteAllAndHold(const std::string& path, std::string_view data, std::unique_ptr<OpenFile>* held) override;
  FsResult ReadAll(const std::string& path, std::string* data) override;
  FsResult Open(const std::string& path, OpenMode mode, std::unique_ptr<OpenFile>* file) override;
  FsResult CopyWholeFile(const std::string& from, const std::string& to) override;
  FsResult EraseFile(const std::string& path) override;
  FsResult MakeDirectory(const std::string& path) override;
  FsResult EraseDirectory(const std::string& path) override;
  FsResult List(const std::string& directory, std::vector<DirectoryEntry>* entries) override;
  std::optional<std::string> ShortName(const std::string& path) override;

  // Short names the test gives to paths (none by default, as for a name that
  // already fits 8.3).
  void SetShortName(const std::string& path, const std::string& shortName);

 private:
  class File;
  struct Node {
    std::string path;  // as first written
    bool directory = false;
    std::uint32_t attributes = 0;
    std::string data;
    std::string linkTarget;  // for a directory link
    bool deletePending = false;  // removed while held: gone once released
  };
  // Absolute, "\"-separated, without a trailing "\" (a root is "C:").
  std::string Normalize(const std::string& path) const;
  // Normalized, with every link on the way replaced by its target (the last
  // level too when `followLast`).
  std::string Canonical(const std::string& path, bool followLast = false);
  std::string Key(const std::string& path) { return UpperKey(Canonical(path)); }
  std::string UpperKey(const std::string& canonical) const;
  std::string Parent(const std::string& normalized) const;
  Node* Find(const std::string& path);
  // Why a new entry cannot go into the parent of `normalized`, or kOk.
  FsResult CheckParent(const std::string& normalized);

  LeadBytes lead_;
  std::map<std::string, Node> nodes_;  // by upper-cased normalized path
  std::set<std::string> denyWrites_;
  std::set<std::string> locked_;
  std::set<std::string> heldDirectories_;
  std::map<std::string, std::string> shortNames_;
  std::map<std::string, int> openCount_;  // by key: files held open by OpenFile objects
  std::map<std::string, int> writers_;    // by key: of those, the ones that refuse other writers
  std::map<std::string, std::uint64_t> readLimits_;  // by key
  std::optional<std::uint64_t> freeBytes_;
  std::vector<std::string> changed_;
  // Whether a file may go from `from` to `to` bytes; books the difference
  // against the free space.
  bool Resize(std::size_t from, std::size_t to);
  bool ReadFails(const std::string& key, std::uint64_t position, std::size_t size) const;
};

}  // namespace platform::fake

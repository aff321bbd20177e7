#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "launcher/launcher_files.h"
#include "platform/text.h"

namespace launcher::fake {

struct File {
  std::vector<unsigned char> data;
  uint64_t creation = 0, lastAccess = 0, lastWrite = 0;
  bool readOnly = false;
  // Windows refuses to create a plain file anew over a hidden or system one,
  // and so to copy onto it; deleting it is allowed.
  bool hidden = false;
  bool system = false;
  bool ProtectedFromReplace() const { return readOnly || hidden || system; }
};

// In memory, so that the worker runs instantly and a test can make any file
// operation fail. Files are shared as the Win32 side opens them: a file open
// for writing shares only writes, a file open for reading shares only reads,
// a copy's target shares nothing, and no open file can be deleted.
class LauncherFiles : public launcher::LauncherFiles {
 public:
  // Every path is keyed by Resolve(path), which is Key(path) for a path
  // without "." or ".." segments and aliases.
  std::map<std::string, File> files;
  std::set<std::string> failCreate;    // the keys of files that cannot be created
  // The keys of existing files and how many more opens for reading another
  // program's brief hold (a scanner's) refuses as a sharing violation.
  std::map<std::string, int> refusedReads;
  std::set<std::string> directories;   // keys, without a trailing backslash
  uint64_t writeBudget = UINT64_MAX;   // bytes the "disk" still takes
  int openHandles = 0;
  std::vector<std::string> removed;    // as the caller named them

  // The ANSI code page's lead bytes, by whose characters paths are read:
  // none (1252) unless the test sets them, before the first path goes in.
  platform::LeadBytes leadBytes;

  // Upper case, and a doubled separator counts once, as Windows reads paths.
  static std::string Key(const char* path, const platform::LeadBytes& lead = {});
  // Key(path) as the file system reaches it: "." and ".." segments taken out
  // as Windows takes them out of every path, then an alias replaced by the
  // directory it names.
  std::string Resolve(const std::string& path) const;
  // Another name for the directory `directory`, as a short (8.3) name or a
  // drive letter mapped onto it (subst, a network drive) gives: every path
  // through `alias` reaches `directory`.
  void AddAlias(const std::string& alias, const std::string& directory);
  void AddDirectory(std::string path);
  bool ParentExists(const std::string& key) const;
  bool Exists(const std::string& path) const { return files.count(Resolve(path)) != 0; }
  File& At(const std::string& path) { return files.at(Resolve(path)); }
  void Put(const std::string& path, const std::vector<unsigned char>& data) { files[Resolve(path)].data = data; }
  // The keys' names of the files directly inside `directory` (which ends with a separator).
  std::vector<std::string> NamesUnder(const std::string& directory) const;
  // Whether any handle, the worker's or a test's, has the file open.
  bool IsOpen(const std::string& path) const;

  FileHandle CreateForWrite(const char* path) override;
  FileHandle OpenForRead(const char* path, OpenFailure* failure) override;
  bool FileSize(FileHandle file, uint64_t* size) override;
  uint32_t Read(FileHandle file, void* buffer, uint32_t size) override;
  uint32_t Write(FileHandle file, const void* buffer, uint32_t size) override;
  bool SetTimes(FileHandle file, uint64_t creation, uint64_t lastAccess, uint64_t lastWrite) override;
  void Close(FileHandle file) override;
  bool Remove(const char* path) override;
  bool Copy(const char* from, const char* to) override;
  bool SameDirectory(const char* first, const char* second) override;

 private:
  // Access and share bits, as Win32 combines them.
  static constexpr int kRead = 1, kWrite = 2;
  static constexpr int kShareRead = 1, kShareWrite = 2;
  struct Handle {
    std::string path;
    int access = 0;
    int share = 0;
    uint64_t position = 0;
  };
  bool MayOpen(const std::string& key, int access, int share) const;
  FileHandle Open(const std::string& key, int access, int share);
  Handle& HandleOf(FileHandle file) { return *handles_.at(static_cast<Handle*>(file)); }

  std::map<Handle*, std::unique_ptr<Handle>> handles_;
  std::map<std::string, std::string> aliases_;  // alias key to directory key
};

}  // namespace launcher::fake

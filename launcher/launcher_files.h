// The file services the launcher's worker and inflater need, with Windows
// semantics: fake/ keeps them in memory for tests, win32/ calls the Win32
// file API for setup, and tests/contract holds both to the rules below.
// Called only from the worker thread. Paths are ANSI, at most 259 characters.
#pragma once

#include <cstdint>

namespace launcher {

using FileHandle = void*;
inline constexpr FileHandle kNoFile = nullptr;

// Why an open failed, as far as the worker tells failures apart: a sharing
// violation is another program's handle, which may soon go away.
enum class OpenFailure { kNone, kSharingViolation, kOther };

class LauncherFiles {
 public:
  virtual ~LauncherFiles() = default;
  // Creates the file anew (an existing one is replaced) for writing, sharing
  // writes, normal attributes. kNoFile when it cannot be created: a
  // read-only, hidden or system file of that name (Windows will not replace
  // one with a plain file), a file open without write sharing, a missing
  // directory, ...
  virtual FileHandle CreateForWrite(const char* path) = 0;
  // Opens an existing file for reading, sharing reads only: while it is open
  // nobody can write, replace or delete it, but others can read it (and so
  // start it). kNoFile on failure, also while someone is writing it; then
  // *failure (when given) says why, and kNone on success.
  virtual FileHandle OpenForRead(const char* path, OpenFailure* failure) = 0;
  // The file's length in bytes; false when it cannot be taken.
  virtual bool FileSize(FileHandle file, uint64_t* size) = 0;
  // Bytes actually read or written; fewer than asked means end of file or failure.
  virtual uint32_t Read(FileHandle file, void* buffer, uint32_t size) = 0;
  virtual uint32_t Write(FileHandle file, const void* buffer, uint32_t size) = 0;
  // FILETIMEs in the order of the platform's set-file-time call.
  virtual bool SetTimes(FileHandle file, uint64_t creation, uint64_t lastAccess, uint64_t lastWrite) = 0;
  virtual void Close(FileHandle file) = 0;
  // Fails for a read-only file and for one that is open; hidden and system
  // files are deleted like any other.
  virtual bool Remove(const char* path) = 0;
  // Copies, replacing an existing target; fails when both name the same file,
  // and when the target is read-only, hidden, system or open.
  virtual bool Copy(const char* from, const char* to) = 0;
  // Whether both paths reach one existing directory, told by the file
  // system's own identity of it, not by spelling: a short (8.3) and a long
  // name, a drive letter mapped onto it, a "." segment all reach the same
  // one. False when either cannot be opened.
  virtual bool SameDirectory(const char* first, const char* second) = 0;
};

}  // namespace launcher

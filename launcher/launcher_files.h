// The file services the launcher's worker and inflater need, with Windows
// semantics. Implemented on Win32 for setup and in memory for tests.
// Called only from the worker thread. Paths are ANSI, at most 259 characters.
#pragma once

#include <cstdint>

namespace quillon {
namespace launcher {

typedef void* FileHandle;
const FileHandle kNoFile = nullptr;

class LauncherFiles {
 public:
  virtual ~LauncherFiles() {}
  // Creates the file anew (an existing one is replaced) for writing, sharing
  // writes, normal attributes. kNoFile when it cannot be created: a
  // read-only, hidden or system file of that name (Windows will not replace
  // one with a plain file), a file open without write sharing, a missing
  // directory, ...
  virtual FileHandle createForWrite(const char* path) = 0;
  // Opens an existing file for reading, sharing reads only: while it is open
  // nobody can write, replace or delete it, but others can read it (and so
  // start it). kNoFile on failure, also while someone is writing it.
  virtual FileHandle openForRead(const char* path) = 0;
  // The file's length in bytes; false when it cannot be taken.
  virtual bool fileSize(FileHandle file, uint64_t* size) = 0;
  // Bytes actually read or written; fewer than asked means end of file or failure.
  virtual uint32_t read(FileHandle file, void* buffer, uint32_t size) = 0;
  virtual uint32_t write(FileHandle file, const void* buffer, uint32_t size) = 0;
  // FILETIMEs in the order of the platform's set-file-time call.
  virtual bool setTimes(FileHandle file, uint64_t creation, uint64_t lastAccess, uint64_t lastWrite) = 0;
  virtual void close(FileHandle file) = 0;
  // Fails for a read-only file and for one that is open; hidden and system
  // files are deleted like any other.
  virtual bool remove(const char* path) = 0;
  // Copies, replacing an existing target; fails when both name the same file,
  // and when the target is read-only, hidden, system or open.
  virtual bool copy(const char* from, const char* to) = 0;
};

}  // namespace launcher
}  // namespace quillon

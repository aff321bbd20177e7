#pragma once

#include "launcher/launcher_files.h"

namespace launcher::win32 {

// Files through the ANSI Win32 file API.
class LauncherFiles : public launcher::LauncherFiles {
 public:
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
};

}  // namespace launcher::win32

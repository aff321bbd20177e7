// LauncherFiles on the Win32 file API (ANSI).
#pragma once

#include "launcher_files.h"

namespace quillon {
namespace launcher {

class Win32Files : public LauncherFiles {
 public:
  FileHandle createForWrite(const char* path) override;
  FileHandle openForRead(const char* path) override;
  bool fileSize(FileHandle file, uint64_t* size) override;
  uint32_t read(FileHandle file, void* buffer, uint32_t size) override;
  uint32_t write(FileHandle file, const void* buffer, uint32_t size) override;
  bool setTimes(FileHandle file, uint64_t creation, uint64_t lastAccess, uint64_t lastWrite) override;
  void close(FileHandle file) override;
  bool remove(const char* path) override;
  bool copy(const char* from, const char* to) override;
};

}  // namespace launcher
}  // namespace quillon

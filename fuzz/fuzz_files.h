// The fake launcher files as the fuzz targets use them: every path the code
// under test names is recorded, and reads can be made to return short chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/fake/launcher_files.h"

namespace quillon {
namespace fuzz {

class TrackedFiles : public launcher::fake::LauncherFiles {
 public:
  std::vector<std::string> touched;  // every path passed in, as given
  std::vector<uint32_t> chunks;      // read sizes, in turn; empty: as asked

  launcher::FileHandle CreateForWrite(const char* path) override {
    touched.push_back(path);
    return LauncherFiles::CreateForWrite(path);
  }
  launcher::FileHandle OpenForRead(const char* path, launcher::OpenFailure* failure) override {
    touched.push_back(path);
    return LauncherFiles::OpenForRead(path, failure);
  }
  uint32_t Read(launcher::FileHandle file, void* buffer, uint32_t size) override {
    if (!chunks.empty()) {
      uint32_t chunk = chunks[reads_++ % chunks.size()];
      if (chunk < size) size = chunk;
    }
    return LauncherFiles::Read(file, buffer, size);
  }
  bool Remove(const char* path) override {
    touched.push_back(path);
    return LauncherFiles::Remove(path);
  }
  bool Copy(const char* from, const char* to) override {
    touched.push_back(from);
    touched.push_back(to);
    return LauncherFiles::Copy(from, to);
  }

 private:
  size_t reads_ = 0;
};

}  // namespace fuzz
}  // namespace quillon

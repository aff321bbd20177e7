// The fake launcher files as the fuzz targets use them: every path the code
// under test names is recorded, and reads can be made to return short chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launcher_fakes.h"

namespace quillon {
namespace fuzz {

class TrackedFiles : public launcher::testing::FakeFiles {
 public:
  std::vector<std::string> touched;  // every path passed in, as given
  std::vector<uint32_t> chunks;      // read sizes, in turn; empty: as asked

  launcher::FileHandle createForWrite(const char* path) override {
    touched.push_back(path);
    return FakeFiles::createForWrite(path);
  }
  launcher::FileHandle openForRead(const char* path) override {
    touched.push_back(path);
    return FakeFiles::openForRead(path);
  }
  uint32_t read(launcher::FileHandle file, void* buffer, uint32_t size) override {
    if (!chunks.empty()) {
      uint32_t chunk = chunks[reads_++ % chunks.size()];
      if (chunk < size) size = chunk;
    }
    return FakeFiles::read(file, buffer, size);
  }
  bool remove(const char* path) override {
    touched.push_back(path);
    return FakeFiles::remove(path);
  }
  bool copy(const char* from, const char* to) override {
    touched.push_back(from);
    touched.push_back(to);
    return FakeFiles::copy(from, to);
  }

 private:
  size_t reads_ = 0;
};

}  // namespace fuzz
}  // namespace quillon

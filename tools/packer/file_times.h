// A file's creation, last access and last write times as FILETIMEs (100 ns
// intervals since 1601-01-01 UTC). Where the file system keeps no creation
// time, the last write time stands in for it.
#pragma once

#include <cstdint>
#include <string>

namespace packer {

struct FileTimes {
  uint64_t creation = 0, lastAccess = 0, lastWrite = 0;
};

bool ReadFileTimes(const std::string& path, FileTimes* times, std::string* error);

}  // namespace packer

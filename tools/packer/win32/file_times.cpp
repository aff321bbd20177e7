#include "file_times.h"

#include <windows.h>

namespace packer {

namespace {

uint64_t FromFileTime(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

bool ReadFileTimes(const std::string& path, FileTimes* times, std::string* error) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    *error = "cannot read its times (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  times->creation = FromFileTime(data.ftCreationTime);
  times->lastAccess = FromFileTime(data.ftLastAccessTime);
  times->lastWrite = FromFileTime(data.ftLastWriteTime);
  return true;
}

}  // namespace packer

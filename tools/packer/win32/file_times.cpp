#include "file_times.h"

#include <windows.h>

namespace quillon {
namespace packer {

namespace {

uint64_t fromFileTime(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

bool readFileTimes(const std::string& path, FileTimes* times, std::string* error) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    *error = "cannot read its times (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  times->creation = fromFileTime(data.ftCreationTime);
  times->lastAccess = fromFileTime(data.ftLastAccessTime);
  times->lastWrite = fromFileTime(data.ftLastWriteTime);
  return true;
}

}  // namespace packer
}  // namespace quillon

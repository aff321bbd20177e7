#include "file_times.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace packer {

namespace {

// Seconds from 1601-01-01 to 1970-01-01.
const uint64_t kEpochDifference = 11644473600ull;

uint64_t ToFileTime(int64_t seconds, int64_t nanoseconds) {
  if (seconds < -static_cast<int64_t>(kEpochDifference)) return 0;
  return (static_cast<uint64_t>(seconds + static_cast<int64_t>(kEpochDifference))) * 10000000ull +
         static_cast<uint64_t>(nanoseconds) / 100u;
}

}  // namespace

bool ReadFileTimes(const std::string& path, FileTimes* times, std::string* error) {
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    *error = std::strerror(errno);
    return false;
  }
  times->lastWrite = ToFileTime(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
  times->lastAccess = ToFileTime(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
  times->creation = (sx.stx_mask & STATX_BTIME) ? ToFileTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                                                : times->lastWrite;
  return true;
}

}  // namespace packer

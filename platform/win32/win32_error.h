#pragma once

#include <windows.h>

#include "platform/file_system.h"

namespace platform::win32 {

// The one place where Win32 error codes become the core's results.
inline FsResult ToFsResult(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS: return FsResult::kOk;
    case ERROR_FILE_NOT_FOUND: return FsResult::kNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY: return FsResult::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return FsResult::kAccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return FsResult::kSharingViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FsResult::kDiskFull;
    case ERROR_DIR_NOT_EMPTY: return FsResult::kDirectoryNotEmpty;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return FsResult::kAlreadyExists;
    default: return FsResult::kFailed;
  }
}

inline FsResult LastFsResult() { return ToFsResult(GetLastError()); }

}  // namespace platform::win32

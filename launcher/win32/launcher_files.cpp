#include "launcher/win32/launcher_files.h"

#include <windows.h>

namespace launcher::win32 {

namespace {

// Large requests go in pieces: one ReadFile/WriteFile of hundreds of
// megabytes can fail with ERROR_NO_SYSTEM_RESOURCES on older systems.
const DWORD kChunk = 8u << 20;

HANDLE ToHandle(FileHandle file) { return static_cast<HANDLE>(file); }

FileHandle FromHandle(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? kNoFile : handle; }

FILETIME ToFileTime(uint64_t value) {
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(value);
  t.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return t;
}

// Windows refuses to create a plain file over a read-only, hidden or system
// one, and CopyFileA to copy onto it; Wine run as root does not: answer as
// Windows does, so that such a file is never taken for one of ours.
bool RefusesReplace(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

// A directory opens only with backup semantics; reading its attributes is
// all the identity needs, and sharing everything disturbs no other program.
HANDLE OpenToIdentify(const char* path) {
  return CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

// A new file is created without asking first: under Wine every look-up of a
// name that does not exist reads the whole directory (names ignore case),
// which with thousands of files costs more than the file itself. Only a name
// that exists is checked before it is replaced.
FileHandle LauncherFiles::CreateForWrite(const char* path) {
  HANDLE created = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return FromHandle(created);
  if (RefusesReplace(path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return kNoFile;
  }
  return FromHandle(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle LauncherFiles::OpenForRead(const char* path, OpenFailure* failure) {
  HANDLE opened = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (failure) {
    *failure = opened != INVALID_HANDLE_VALUE           ? OpenFailure::kNone
               : GetLastError() == ERROR_SHARING_VIOLATION ? OpenFailure::kSharingViolation
                                                           : OpenFailure::kOther;
  }
  return FromHandle(opened);
}

bool LauncherFiles::FileSize(FileHandle file, uint64_t* size) {
  LARGE_INTEGER length;
  if (!GetFileSizeEx(ToHandle(file), &length)) return false;
  *size = static_cast<uint64_t>(length.QuadPart);
  return true;
}

uint32_t LauncherFiles::Read(FileHandle file, void* buffer, uint32_t size) {
  uint32_t total = 0;
  while (total < size) {
    DWORD want = size - total < kChunk ? size - total : kChunk;
    DWORD got = 0;
    if (!ReadFile(ToHandle(file), static_cast<char*>(buffer) + total, want, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

uint32_t LauncherFiles::Write(FileHandle file, const void* buffer, uint32_t size) {
  uint32_t total = 0;
  while (total < size) {
    DWORD want = size - total < kChunk ? size - total : kChunk;
    DWORD done = 0;
    if (!WriteFile(ToHandle(file), static_cast<const char*>(buffer) + total, want, &done, nullptr) || done == 0) break;
    total += done;
  }
  return total;
}

bool LauncherFiles::SetTimes(FileHandle file, uint64_t creation, uint64_t lastAccess, uint64_t lastWrite) {
  FILETIME c = ToFileTime(creation), a = ToFileTime(lastAccess), w = ToFileTime(lastWrite);
  return SetFileTime(ToHandle(file), &c, &a, &w) != FALSE;
}

void LauncherFiles::Close(FileHandle file) { CloseHandle(ToHandle(file)); }

bool LauncherFiles::Remove(const char* path) { return DeleteFileA(path) != FALSE; }

bool LauncherFiles::Copy(const char* from, const char* to) {
  // As for a create: a new target is not looked up first.
  if (CopyFileA(from, to, TRUE)) return true;
  if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  if (RefusesReplace(to)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return CopyFileA(from, to, FALSE) != FALSE;
}

// The volume's serial number and the file index name one directory however
// it is reached; they are compared while both handles are open, since a file
// system may give an index again once nothing holds the file. (On ReFS the
// 64-bit index is not certain to be unique; there a false "same" only skips
// the copies, and the check of trampo.exe then starts nothing.)
bool LauncherFiles::SameDirectory(const char* first, const char* second) {
  HANDLE a = OpenToIdentify(first);
  if (a == INVALID_HANDLE_VALUE) return false;
  HANDLE b = OpenToIdentify(second);
  bool same = false;
  if (b != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    same = GetFileInformationByHandle(a, &ia) && GetFileInformationByHandle(b, &ib) &&
           (ia.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (ib.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
    CloseHandle(b);
  }
  CloseHandle(a);
  return same;
}

}  // namespace launcher::win32

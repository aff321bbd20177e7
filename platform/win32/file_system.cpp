#include "platform/win32/file_system.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/win32_error.h"

namespace platform::win32 {
namespace {

// Closes a file handle on every path out.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

}  // namespace

std::optional<std::uint32_t> FileSystem::Attributes(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return static_cast<std::uint32_t>(a);
}

FsResult FileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
  if (!SetFileAttributesA(path.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes))
    return LastFsResult();
  return FsResult::kOk;
}

FsResult FileSystem::WriteAll(const std::string& path, std::string_view data) {
  Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastFsResult();
  std::size_t done = 0;
  while (done < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data() + done, chunk, &written, nullptr)) return LastFsResult();
    if (written == 0) return FsResult::kDiskFull;
    done += written;
  }
  return FsResult::kOk;
}

FsResult FileSystem::ReadAll(const std::string& path, std::string* data) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastFsResult();
  data->clear();
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return LastFsResult();
    if (got == 0) return FsResult::kOk;
    data->append(buffer, got);
  }
}

FsResult FileSystem::EraseFile(const std::string& path) {
  return DeleteFileA(path.c_str()) ? FsResult::kOk : LastFsResult();
}

FsResult FileSystem::MakeDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) ? FsResult::kOk : LastFsResult();
}

FsResult FileSystem::EraseDirectory(const std::string& path) {
  return RemoveDirectoryA(path.c_str()) ? FsResult::kOk : LastFsResult();
}

FsResult FileSystem::List(const std::string& directory, std::vector<DirectoryEntry>* entries) {
  entries->clear();
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? FsResult::kOk : ToFsResult(error);
  }
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::uint64_t size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entries->push_back({name, static_cast<std::uint32_t>(found.dwFileAttributes), size});
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return FsResult::kOk;
}

}  // namespace platform::win32

#include "platform/win32/file_system.h"

#include <windows.h>

#include <algorithm>

#include "platform/text.h"
#include "platform/win32/ansi_code_page.h"
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
  HANDLE release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE h_;
};

// A file opened for byte access; the handle goes with the object. Reads and
// writes go through the handle's own file pointer, moved only when a call
// asks for another position than where the last one ended: under Wine a
// positioned (OVERLAPPED) call costs many times a plain one, and the block
// copy reads and writes one file front to back.
class OpenWin32File : public OpenFile {
 public:
  // `at`: where the handle's pointer stands (past what was written through it).
  explicit OpenWin32File(HANDLE h, std::uint64_t at = 0) : h_(h), at_(at) {}

  FsResult ReadAt(std::uint64_t position, char* buffer, std::size_t size, std::size_t* read) override {
    *read = 0;
    if (!MoveTo(position)) return LastFsResult();
    DWORD got = 0;
    if (!ReadFile(h_.get(), buffer, static_cast<DWORD>(size), &got, nullptr)) return Failed();
    at_ += got;
    *read = got;
    return FsResult::kOk;
  }

  FsResult WriteAt(std::uint64_t position, std::string_view data) override {
    if (!MoveTo(position)) return LastFsResult();
    std::size_t done = 0;
    while (done < data.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
      DWORD written = 0;
      if (!WriteFile(h_.get(), data.data() + done, chunk, &written, nullptr)) return Failed();
      at_ += written;
      if (written == 0) return FsResult::kDiskFull;
      done += written;
    }
    return FsResult::kOk;
  }

  FsResult Length(std::uint64_t* length) override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h_.get(), &size)) return LastFsResult();
    *length = static_cast<std::uint64_t>(size.QuadPart);
    return FsResult::kOk;
  }

  FsResult Truncate(std::uint64_t length) override {
    atKnown_ = false;
    if (!MoveTo(length) || !SetEndOfFile(h_.get())) return LastFsResult();
    return FsResult::kOk;
  }

 private:
  // A failed call may have moved the pointer any distance: forget it.
  FsResult Failed() {
    const FsResult r = LastFsResult();
    atKnown_ = false;
    return r;
  }

  // False with the platform's error when the pointer cannot be placed.
  bool MoveTo(std::uint64_t position) {
    if (atKnown_ && at_ == position) return true;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    atKnown_ = SetFilePointerEx(h_.get(), to, nullptr, FILE_BEGIN) != FALSE;
    at_ = position;
    return atKnown_;
  }

  Handle h_;
  std::uint64_t at_;
  bool atKnown_ = true;
};

}  // namespace

namespace {

// Windows refuses to write a read-only file; Wine leaves that to the host's
// permissions, which a privileged user passes. Asking first gives the same
// answer on both.
bool IsReadOnlyFile(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

FsResult FileSystem::Open(const std::string& path, OpenMode mode, std::unique_ptr<OpenFile>* file) {
  const bool write = mode == OpenMode::kWrite;
  if (write && IsReadOnlyFile(path)) return FsResult::kAccessDenied;
  // Others may read either file meanwhile; nobody may delete or rewrite one
  // while it is open, so a file half-way through a copy stays put.
  HANDLE h = CreateFileA(path.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                         write ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         write ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastFsResult();
  *file = std::make_unique<OpenWin32File>(h);
  return FsResult::kOk;
}

FsResult FileSystem::CopyWholeFile(const std::string& from, const std::string& to) {
  if (IsReadOnlyFile(to)) return FsResult::kAccessDenied;
  return CopyFileA(from.c_str(), to.c_str(), FALSE) ? FsResult::kOk : LastFsResult();
}

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

namespace {

// Creates `path` anew with `data`; the handle stays open, sharing reading only.
FsResult CreateAnew(const std::string& path, std::string_view data, HANDLE* out) {
  // Windows refuses to create a plain file over a read-only, hidden or system
  // one; Wine, run as root, does not: answer as Windows does.
  const DWORD existing = GetFileAttributesA(path.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY) &&
      (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
    return FsResult::kAccessDenied;
  Handle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
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
  *out = file.release();
  return FsResult::kOk;
}

}  // namespace

FsResult FileSystem::WriteAll(const std::string& path, std::string_view data) {
  HANDLE h = INVALID_HANDLE_VALUE;
  const FsResult r = CreateAnew(path, data, &h);
  if (r == FsResult::kOk) CloseHandle(h);
  return r;
}

// The hold has no write access: a program that opens the file to run it (the
// command interpreter with a batch file) then gets in whatever sharing it
// asks for, as long as it lets others read; sharing reading only still shuts
// out every writer and deleter. Between the writing handle's close and the
// hold's open a writer could get in: the hold's open fails while one holds
// it, and what the hold sees must be what was written.
FsResult FileSystem::WriteAllAndHold(const std::string& path, std::string_view data,
                                     std::unique_ptr<OpenFile>* held) {
  HANDLE written = INVALID_HANDLE_VALUE;
  if (const FsResult r = CreateAnew(path, data, &written); r != FsResult::kOk) return r;
  CloseHandle(written);
  Handle hold(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!hold.valid()) return LastFsResult();
  std::string seen(data.size() + 1, '\0');
  DWORD got = 0;
  if (!ReadFile(hold.get(), seen.data(), static_cast<DWORD>(seen.size()), &got, nullptr)) return LastFsResult();
  if (seen.compare(0, got, data.data(), data.size()) != 0 || got != data.size()) return FsResult::kSharingViolation;
  *held = std::make_unique<OpenWin32File>(hold.release(), data.size());
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
  // Windows will not remove a read-only directory, empty or not, and says so
  // before it looks at what is inside; hidden and system ones go like any
  // other. Wine leaves it to the host's permissions, which a privileged user
  // passes: answer as Windows does.
  const DWORD a = GetFileAttributesA(path.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_READONLY))
    return FsResult::kAccessDenied;
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

std::optional<std::string> FileSystem::ShortName(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  std::string shortPath(MAX_PATH, '\0');
  DWORD n = GetShortPathNameA(path.c_str(), &shortPath[0], static_cast<DWORD>(shortPath.size()));
  if (n >= shortPath.size()) {
    shortPath.resize(n);
    n = GetShortPathNameA(path.c_str(), &shortPath[0], static_cast<DWORD>(shortPath.size()));
  }
  // "表" is 0x95 0x5C in code page 932: only a separator of its own ends a component.
  const LeadBytes lead = AnsiCodePageLeadBytes();
  std::string name = TrimTrailing(path, "\\/", lead);
  if (n > 0 && n < shortPath.size()) {
    shortPath.resize(n);
    name = TrimTrailing(shortPath, "\\/", lead);
  }
  return name.substr(LastSeparator(name, lead) + 1);
}

}  // namespace platform::win32

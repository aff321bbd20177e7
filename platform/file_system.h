#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Outcome of a file-system operation; Win32 error codes are mapped to these at
// the boundary and nowhere else.
enum class FsResult {
  kOk,
  kNotFound,          // the file does not exist
  kPathNotFound,      // a directory on the way does not exist
  kAccessDenied,      // read-only, no right, or a directory where a file was meant
  kSharingViolation,  // open elsewhere without sharing
  kDiskFull,
  kDirectoryNotEmpty,
  kAlreadyExists,
  kFailed,            // anything else
};

// Attribute bits, numerically the same as the platform's FILE_ATTRIBUTE_* values.
enum FileAttribute : std::uint32_t {
  kAttrReadOnly = 0x1,
  kAttrHidden = 0x2,
  kAttrSystem = 0x4,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,
  kAttrReparsePoint = 0x400,
};

struct DirectoryEntry {
  std::string name;  // without the directory part
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
};

// A file opened by FileSystem::Open; closed when destroyed. Positions are
// 0-based byte offsets.
class OpenFile {
 public:
  virtual ~OpenFile() = default;

  // Reads up to `size` bytes at `position`; *read says how many came (fewer
  // at the end of the file, 0 past it).
  virtual FsResult ReadAt(std::uint64_t position, char* buffer, std::size_t size, std::size_t* read) = 0;
  // Writes all of `data` at `position`; a gap before it reads as zeros.
  virtual FsResult WriteAt(std::uint64_t position, std::string_view data) = 0;
  virtual FsResult Length(std::uint64_t* length) = 0;
  // Cuts (or extends with zeros) the file to `length` bytes.
  virtual FsResult Truncate(std::uint64_t length) = 0;
};

enum class OpenMode {
  kRead,   // an existing file, for reading; others may read it meanwhile
  kWrite,  // for reading and writing, created when missing, content kept; others
           // may read it meanwhile, but it cannot be deleted while open
};

// Files and directories with Windows semantics: paths are ANSI texts with "\"
// separators and a drive ("C:\dir\file"), names compare case-insensitively.
// Single thread. No operation throws; failures come back as FsResult.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The path's attribute bits, or std::nullopt when nothing exists there.
  virtual std::optional<std::uint32_t> Attributes(const std::string& path) = 0;
  virtual FsResult SetAttributes(const std::string& path, std::uint32_t attributes) = 0;

  // Creates the file or replaces its whole content.
  virtual FsResult WriteAll(const std::string& path, std::string_view data) = 0;
  // As WriteAll, but the file stays open in *held: until that is destroyed,
  // nobody else can write, replace or delete it (reading it stays possible,
  // with any sharing that lets others read), so a program started from it
  // later runs what was written here. *held only reads.
  virtual FsResult WriteAllAndHold(const std::string& path, std::string_view data,
                                   std::unique_ptr<OpenFile>* held) = 0;
  virtual FsResult ReadAll(const std::string& path, std::string* data) = 0;

  // Opens a file for byte access; *file is set only on success.
  virtual FsResult Open(const std::string& path, OpenMode mode, std::unique_ptr<OpenFile>* file) = 0;

  // Copies a whole file with its attributes, replacing an existing `to`
  // (a read-only `to` gives kAccessDenied).
  virtual FsResult CopyWholeFile(const std::string& from, const std::string& to) = 0;

  // Deletes a file (not a directory). A read-only file gives kAccessDenied, an
  // open one kSharingViolation.
  virtual FsResult EraseFile(const std::string& path) = 0;

  // Creates one directory; its parent must exist.
  virtual FsResult MakeDirectory(const std::string& path) = 0;
  // Removes an empty directory. A read-only one gives kAccessDenied, empty or
  // not (its read-only bit does not keep files from coming and going inside
  // it); hidden and system ones are removed like any other. A directory link
  // (junction or symbolic link, kAttrReparsePoint) is removed as the link
  // itself; its target stays.
  virtual FsResult EraseDirectory(const std::string& path) = 0;

  // The entries of a directory, hidden and system ones included, without "."
  // and "..", in the platform's order. Listing a directory link lists its
  // target's entries.
  virtual FsResult List(const std::string& directory, std::vector<DirectoryEntry>* entries) = 0;

  // The short (8.3) name the file system reports for the last component of
  // an existing path; its long name where it has none; std::nullopt when
  // nothing exists there. Never a made-up "~1" name.
  virtual std::optional<std::string> ShortName(const std::string& path) = 0;

  bool FileExists(const std::string& path) {
    auto a = Attributes(path);
    return a && !(*a & kAttrDirectory);
  }
  bool DirectoryExists(const std::string& path) {
    auto a = Attributes(path);
    return a && (*a & kAttrDirectory);
  }
};

}  // namespace platform

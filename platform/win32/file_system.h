#pragma once

#include "platform/file_system.h"

namespace platform::win32 {

// Files through the ANSI Win32 calls.
class FileSystem : public platform::FileSystem {
 public:
  std::optional<std::uint32_t> Attributes(const std::string& path) override;
  FsResult SetAttributes(const std::string& path, std::uint32_t attributes) override;
  FsResult WriteAll(const std::string& path, std::string_view data) override;
  FsResult WriteAllAndHold(const std::string& path, std::string_view data, std::unique_ptr<OpenFile>* held) override;
  FsResult ReadAll(const std::string& path, std::string* data) override;
  FsResult Open(const std::string& path, OpenMode mode, std::unique_ptr<OpenFile>* file) override;
  FsResult CopyWholeFile(const std::string& from, const std::string& to) override;
  FsResult EraseFile(const std::string& path) override;
  FsResult MakeDirectory(const std::string& path) override;
  FsResult EraseDirectory(const std::string& path) override;
  FsResult List(const std::string& directory, std::vector<DirectoryEntry>* entries) override;
  std::optional<std::string> ShortName(const std::string& path) override;
};

}  // namespace platform::win32

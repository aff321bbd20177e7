#include "package_inputs.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "file_times.h"
#include "platform/text.h"

namespace packer {

namespace fs = std::filesystem;

bool CheckInputName(const std::string& name, std::string* reason) {
  if (name.size() > launcher::kMaxPath) {
    *reason = "its name is longer than 259 characters";
    return false;
  }
  unsigned char field[launcher::kNameSize] = {};
  if (name.find('\0') != std::string::npos) {
    *reason = "its name contains a NUL";
    return false;
  }
  std::memcpy(field, name.data(), name.size());
  launcher::NameCheck check = launcher::CheckEntryName(field);
  if (check != launcher::NameCheck::Ok) {
    *reason = launcher::DescribeNameCheck(check);
    return false;
  }
  return true;
}

namespace {

bool AddFile(const fs::path& path, const std::string& shown, std::vector<launcher::ArchiveFile>* files,
             std::string* error) {
  launcher::ArchiveFile file;
  file.name = path.filename().string();
  std::string reason;
  if (!CheckInputName(file.name, &reason)) {
    *error = shown + ": cannot be carried: " + reason;
    return false;
  }
  // Taken before the read, which may itself move the last access time.
  FileTimes times;
  if (!ReadFileTimes(path.string(), &times, &reason)) {
    *error = shown + ": " + reason;
    return false;
  }
  file.creationTime = times.creation;
  file.lastAccessTime = times.lastAccess;
  file.lastWriteTime = times.lastWrite;
  std::error_code ec;
  uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > 0xFFFFFFFFu) {
    *error = shown + ": cannot be carried: the file is 4 GiB or larger";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = shown + ": cannot be opened";
    return false;
  }
  file.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = shown + ": cannot be read";
    return false;
  }
  if (file.data.empty()) {
    *error = shown + ": cannot be carried: the file is empty (the launcher refuses empty files)";
    return false;
  }
  files->push_back(file);
  return true;
}

}  // namespace

bool CollectInputs(const std::vector<std::string>& paths, std::vector<launcher::ArchiveFile>* files,
                   std::vector<std::string>* warnings, std::string* error) {
  files->clear();
  for (const std::string& p : paths) {
    fs::path path(p);
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
      *error = p + ": no such file or folder";
      return false;
    }
    if (fs::is_directory(status)) {
      std::vector<fs::path> entries;
      for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
      if (ec) {
        *error = p + ": cannot list the folder: " + ec.message();
        return false;
      }
      std::sort(entries.begin(), entries.end());
      for (const fs::path& entry : entries) {
        std::string shown = entry.string();
        if (fs::is_directory(entry, ec)) {
          *error = shown + ": cannot be carried: the archive holds plain files only, no folders";
          return false;
        }
        if (!AddFile(entry, shown, files, error)) return false;
      }
      if (entries.empty()) warnings->push_back(p + ": the folder is empty");
    } else if (!AddFile(path, p, files, error)) {
      return false;
    }
  }
  if (files->empty()) {
    *error = "no files to pack";
    return false;
  }
  std::set<std::string> seen;
  for (const launcher::ArchiveFile& f : *files) {
    if (!seen.insert(platform::UpperAscii(f.name)).second) {
      warnings->push_back(f.name + ": the name is repeated; on disk the later file replaces the earlier one");
    }
    for (char c : f.name) {
      if (static_cast<unsigned char>(c) >= 0x80) {
        warnings->push_back(f.name + ": the name is not plain ASCII; Windows reads it in its ANSI code page");
        break;
      }
    }
  }
  return true;
}

void ClampTimes(std::vector<launcher::ArchiveFile>* files, uint64_t epochSeconds) {
  uint64_t limit = (epochSeconds + 11644473600ull) * 10000000ull;
  for (launcher::ArchiveFile& f : *files) {
    for (uint64_t* t : {&f.creationTime, &f.lastAccessTime, &f.lastWriteTime}) {
      if (*t > limit) *t = limit;
    }
  }
}

}  // namespace packer

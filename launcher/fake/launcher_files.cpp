#include "launcher/fake/launcher_files.h"

#include "launcher/payload_archive.h"

#include <cstring>

namespace launcher::fake {

std::string LauncherFiles::Key(const char* path, const platform::LeadBytes& lead) {
  return ComparablePath(path, lead);
}

namespace {

std::string WithoutTrailingSeparators(const std::string& key, const platform::LeadBytes& lead) {
  return platform::TrimTrailing(key, "\\", lead);
}

}  // namespace

std::string LauncherFiles::Resolve(const std::string& path) const {
  const std::string key = Key(path.c_str(), leadBytes);
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t slash = platform::FindCharacter(key, '\\', leadBytes, start);
    const std::string part = key.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part == "..") {
      // Never above the drive.
      if (parts.size() > 1 && !parts.back().empty()) parts.pop_back();
    } else if (part != ".") {
      parts.push_back(part);
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  std::string resolved;
  for (size_t i = 0; i < parts.size(); ++i) resolved += (i ? "\\" : "") + parts[i];
  // An alias may lead into another alias; a loop of them ends after a few hops.
  for (int hops = 0; hops < 16; ++hops) {
    bool replaced = false;
    for (const auto& alias : aliases_) {
      const std::string& name = alias.first;
      if (resolved.compare(0, name.size(), name) == 0 &&
          (resolved.size() == name.size() || resolved[name.size()] == '\\')) {
        resolved = alias.second + resolved.substr(name.size());
        replaced = true;
        break;
      }
    }
    if (!replaced) break;
  }
  return resolved;
}

void LauncherFiles::AddAlias(const std::string& alias, const std::string& directory) {
  aliases_[WithoutTrailingSeparators(Resolve(alias), leadBytes)] =
      WithoutTrailingSeparators(Resolve(directory), leadBytes);
}

void LauncherFiles::AddDirectory(std::string path) {
  directories.insert(WithoutTrailingSeparators(Resolve(path), leadBytes));
}

bool LauncherFiles::ParentExists(const std::string& key) const {
  size_t slash = platform::LastSeparator(key, leadBytes);
  return slash != std::string::npos && directories.count(key.substr(0, slash)) != 0;
}

std::vector<std::string> LauncherFiles::NamesUnder(const std::string& directory) const {
  std::vector<std::string> out;
  std::string k = Resolve(directory);
  for (const auto& f : files) {
    if (f.first.compare(0, k.size(), k) == 0 &&
        platform::FindCharacter(f.first, '\\', leadBytes, k.size()) == std::string::npos) {
      out.push_back(f.first.substr(k.size()));
    }
  }
  return out;
}

bool LauncherFiles::IsOpen(const std::string& path) const {
  std::string k = Resolve(path);
  for (const auto& h : handles_) {
    if (h.second->path == k) return true;
  }
  return false;
}

FileHandle LauncherFiles::CreateForWrite(const char* path) {
  std::string k = Resolve(path);
  if (failCreate.count(k) || !ParentExists(k)) return kNoFile;
  auto it = files.find(k);
  if (it != files.end() && it->second.ProtectedFromReplace()) return kNoFile;
  if (!MayOpen(k, kWrite, kShareWrite)) return kNoFile;
  files[k] = File();
  return Open(k, kWrite, kShareWrite);
}

FileHandle LauncherFiles::OpenForRead(const char* path, OpenFailure* failure) {
  std::string k = Resolve(path);
  OpenFailure why = OpenFailure::kNone;
  auto refused = refusedReads.find(k);
  if (!files.count(k)) {
    why = OpenFailure::kOther;
  } else if (refused != refusedReads.end() && refused->second > 0) {
    --refused->second;
    why = OpenFailure::kSharingViolation;
  } else if (!MayOpen(k, kRead, kShareRead)) {
    why = OpenFailure::kSharingViolation;
  }
  if (failure) *failure = why;
  return why == OpenFailure::kNone ? Open(k, kRead, kShareRead) : kNoFile;
}

bool LauncherFiles::FileSize(FileHandle file, uint64_t* size) {
  *size = files[HandleOf(file).path].data.size();
  return true;
}

uint32_t LauncherFiles::Read(FileHandle file, void* buffer, uint32_t size) {
  Handle& h = HandleOf(file);
  if (!(h.access & kRead)) return 0;
  const std::vector<unsigned char>& d = files[h.path].data;
  uint64_t left = h.position < d.size() ? d.size() - h.position : 0;
  uint32_t n = left < size ? static_cast<uint32_t>(left) : size;
  if (n) std::memcpy(buffer, d.data() + h.position, n);
  h.position += n;
  return n;
}

uint32_t LauncherFiles::Write(FileHandle file, const void* buffer, uint32_t size) {
  Handle& h = HandleOf(file);
  if (!(h.access & kWrite)) return 0;
  uint32_t n = writeBudget < size ? static_cast<uint32_t>(writeBudget) : size;
  writeBudget -= n;
  std::vector<unsigned char>& d = files[h.path].data;
  const unsigned char* p = static_cast<const unsigned char*>(buffer);
  d.insert(d.end(), p, p + n);
  return n;
}

bool LauncherFiles::SetTimes(FileHandle file, uint64_t creation, uint64_t lastAccess, uint64_t lastWrite) {
  File& f = files[HandleOf(file).path];
  f.creation = creation;
  f.lastAccess = lastAccess;
  f.lastWrite = lastWrite;
  return true;
}

void LauncherFiles::Close(FileHandle file) {
  handles_.erase(static_cast<Handle*>(file));
  --openHandles;
}

bool LauncherFiles::Remove(const char* path) {
  std::string k = Resolve(path);
  auto it = files.find(k);
  if (it == files.end() || it->second.readOnly || IsOpen(k)) return false;
  files.erase(it);
  removed.push_back(path);
  return true;
}

bool LauncherFiles::Copy(const char* from, const char* to) {
  std::string f = Resolve(from), t = Resolve(to);
  if (f == t || !files.count(f) || !ParentExists(t)) return false;
  if (!MayOpen(f, kRead, kShareRead | kShareWrite)) return false;
  auto target = files.find(t);
  if (target != files.end() && (target->second.ProtectedFromReplace() || IsOpen(t))) return false;
  files[t] = files[f];
  files[t].readOnly = false;
  return true;
}

bool LauncherFiles::SameDirectory(const char* first, const char* second) {
  const std::string a = WithoutTrailingSeparators(Resolve(first), leadBytes);
  return directories.count(a) != 0 && a == WithoutTrailingSeparators(Resolve(second), leadBytes);
}

// Windows' share check: each side must share what the other one does.
bool LauncherFiles::MayOpen(const std::string& key, int access, int share) const {
  for (const auto& h : handles_) {
    const Handle& other = *h.second;
    if (other.path != key) continue;
    if ((access & kRead) && !(other.share & kShareRead)) return false;
    if ((access & kWrite) && !(other.share & kShareWrite)) return false;
    if ((other.access & kRead) && !(share & kShareRead)) return false;
    if ((other.access & kWrite) && !(share & kShareWrite)) return false;
  }
  return true;
}

FileHandle LauncherFiles::Open(const std::string& key, int access, int share) {
  auto h = std::make_unique<Handle>();
  h->path = key;
  h->access = access;
  h->share = share;
  Handle* raw = h.get();
  handles_[raw] = std::move(h);
  ++openHandles;
  return raw;
}

}  // namespace launcher::fake

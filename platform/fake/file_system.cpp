#include "platform/fake/file_system.h"

#include "platform/text.h"

namespace platform::fake {

FileSystem::FileSystem() { AddDrive("C:"); }

std::string FileSystem::Normalize(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '/') c = '\\';
  // A path from the root of the current drive.
  if (!p.empty() && p[0] == '\\') p = "C:" + p;
  while (p.size() > 2 && p.back() == '\\') p.pop_back();
  return p;
}

std::string FileSystem::Key(const std::string& path) { return UpperAscii(Normalize(path)); }

std::string FileSystem::Parent(const std::string& normalized) {
  auto slash = normalized.rfind('\\');
  if (slash == std::string::npos) return {};
  return normalized.substr(0, slash);
}

FileSystem::Node* FileSystem::Find(const std::string& path) {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

void FileSystem::AddDrive(const std::string& drive) {
  nodes_[Key(drive)] = Node{Normalize(drive), true, kAttrDirectory, {}};
}

void FileSystem::MakeDirectories(const std::string& path) {
  const std::string p = Normalize(path);
  if (p.empty() || Find(p)) return;
  MakeDirectories(Parent(p));
  nodes_[Key(p)] = Node{p, true, kAttrDirectory, {}};
}

void FileSystem::PutFile(const std::string& path, const std::string& data, std::uint32_t attributes) {
  const std::string p = Normalize(path);
  MakeDirectories(Parent(p));
  nodes_[Key(p)] = Node{p, false, attributes, data};
}

void FileSystem::DenyWrites(const std::string& directory) { denyWrites_.insert(Key(directory)); }
void FileSystem::Lock(const std::string& file) { locked_.insert(Key(file)); }
void FileSystem::Unlock(const std::string& file) { locked_.erase(Key(file)); }

std::set<std::string> FileSystem::AllPaths() const {
  std::set<std::string> paths;
  for (const auto& [key, node] : nodes_) paths.insert(node.path);
  return paths;
}

FsResult FileSystem::CheckParent(const std::string& normalized) {
  const std::string parent = Parent(normalized);
  Node* dir = parent.empty() ? nullptr : Find(parent);
  if (!dir || !dir->directory) return FsResult::kPathNotFound;
  if (denyWrites_.count(Key(parent))) return FsResult::kAccessDenied;
  return FsResult::kOk;
}

std::optional<std::uint32_t> FileSystem::Attributes(const std::string& path) {
  Node* n = Find(path);
  if (!n) return std::nullopt;
  return n->attributes;
}

FsResult FileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
  Node* n = Find(path);
  if (!n) return Find(Parent(Normalize(path))) ? FsResult::kNotFound : FsResult::kPathNotFound;
  const std::uint32_t settable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  n->attributes = (n->attributes & ~settable) | (attributes & settable);
  return FsResult::kOk;
}

FsResult FileSystem::WriteAll(const std::string& path, std::string_view data) {
  const std::string p = Normalize(path);
  if (Node* n = Find(p)) {
    if (n->directory || (n->attributes & kAttrReadOnly)) return FsResult::kAccessDenied;
    if (locked_.count(Key(p))) return FsResult::kSharingViolation;
    n->data.clear();
  } else {
    if (FsResult r = CheckParent(p); r != FsResult::kOk) return r;
    nodes_[Key(p)] = Node{p, false, kAttrArchive, {}};
  }
  if (diskFull && !data.empty()) return FsResult::kDiskFull;
  Find(p)->data.assign(data.data(), data.size());
  return FsResult::kOk;
}

FsResult FileSystem::ReadAll(const std::string& path, std::string* data) {
  const std::string p = Normalize(path);
  Node* n = Find(p);
  if (!n) return Find(Parent(p)) ? FsResult::kNotFound : FsResult::kPathNotFound;
  if (n->directory) return FsResult::kAccessDenied;
  if (locked_.count(Key(p))) return FsResult::kSharingViolation;
  *data = n->data;
  return FsResult::kOk;
}

FsResult FileSystem::EraseFile(const std::string& path) {
  const std::string p = Normalize(path);
  Node* n = Find(p);
  if (!n) return Find(Parent(p)) ? FsResult::kNotFound : FsResult::kPathNotFound;
  if (n->directory || (n->attributes & kAttrReadOnly)) return FsResult::kAccessDenied;
  if (locked_.count(Key(p))) return FsResult::kSharingViolation;
  nodes_.erase(Key(p));
  return FsResult::kOk;
}

FsResult FileSystem::MakeDirectory(const std::string& path) {
  const std::string p = Normalize(path);
  if (Find(p)) return FsResult::kAlreadyExists;
  if (FsResult r = CheckParent(p); r != FsResult::kOk) return r;
  nodes_[Key(p)] = Node{p, true, kAttrDirectory, {}};
  return FsResult::kOk;
}

FsResult FileSystem::EraseDirectory(const std::string& path) {
  const std::string p = Normalize(path);
  Node* n = Find(p);
  if (!n) return Find(Parent(p)) ? FsResult::kNotFound : FsResult::kPathNotFound;
  if (!n->directory || Parent(p).empty()) return FsResult::kFailed;
  if (n->attributes & kAttrReadOnly) return FsResult::kAccessDenied;
  const std::string prefix = Key(p) + "\\";
  auto child = nodes_.lower_bound(prefix);
  if (child != nodes_.end() && child->first.compare(0, prefix.size(), prefix) == 0)
    return FsResult::kDirectoryNotEmpty;
  nodes_.erase(Key(p));
  return FsResult::kOk;
}

FsResult FileSystem::List(const std::string& directory, std::vector<DirectoryEntry>* entries) {
  const std::string p = Normalize(directory);
  Node* dir = Find(p);
  if (!dir || !dir->directory) return FsResult::kPathNotFound;
  entries->clear();
  const std::string prefix = Key(p) + "\\";
  for (auto it = nodes_.lower_bound(prefix);
       it != nodes_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    if (it->first.find('\\', prefix.size()) != std::string::npos) continue;
    const Node& n = it->second;
    entries->push_back({n.path.substr(n.path.rfind('\\') + 1), n.attributes, n.data.size()});
  }
  return FsResult::kOk;
}

}  // namespace platform::fake

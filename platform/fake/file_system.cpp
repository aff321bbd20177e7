#include "platform/fake/file_system.h"

#include <algorithm>

#include "platform/text.h"

namespace platform::fake {

FileSystem::FileSystem() { AddDrive("C:"); }

std::string FileSystem::Normalize(const std::string& path) const {
  std::string p = path;
  for (std::size_t i = 0; i < p.size(); i = NextCharacter(p, i, lead_))
    if (p[i] == '/') p[i] = '\\';
  // A path from the root of the current drive.
  if (!p.empty() && p[0] == '\\') p = "C:" + p;
  return TrimTrailing(p, "\\", lead_, 2);
}

std::string FileSystem::UpperKey(const std::string& canonical) const { return UpperSingleByte(canonical, lead_); }

std::string FileSystem::Canonical(const std::string& path, bool followLast) {
  std::string p = Normalize(path);
  // Links may lead to further links; a loop ends after a fixed depth.
  for (int hops = 0; hops < 32; ++hops) {
    bool replaced = false;
    for (std::size_t end = FindCharacter(p, '\\', lead_); ; end = FindCharacter(p, '\\', lead_, end + 1)) {
      const bool last = end == std::string::npos;
      if (last && !followLast) break;
      const std::string prefix = last ? p : p.substr(0, end);
      auto it = nodes_.find(UpperKey(prefix));
      if (it != nodes_.end() && !it->second.linkTarget.empty()) {
        p = it->second.linkTarget + (last ? "" : p.substr(end));
        replaced = true;
        break;
      }
      if (last) break;
    }
    if (!replaced) break;
  }
  return p;
}

std::string FileSystem::Parent(const std::string& normalized) const {
  auto slash = LastSeparator(normalized, lead_);
  if (slash == std::string::npos) return {};
  return normalized.substr(0, slash);
}

FileSystem::Node* FileSystem::Find(const std::string& path) {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

void FileSystem::AddDrive(const std::string& drive) {
  nodes_[Key(drive)] = Node{Normalize(drive), true, kAttrDirectory, {}, {}};
}

void FileSystem::MakeDirectories(const std::string& path) {
  const std::string p = Canonical(path);
  if (p.empty() || Find(p)) return;
  MakeDirectories(Parent(p));
  nodes_[UpperKey(p)] = Node{p, true, kAttrDirectory, {}, {}};
}

void FileSystem::PutFile(const std::string& path, const std::string& data, std::uint32_t attributes) {
  const std::string p = Canonical(path);
  MakeDirectories(Parent(p));
  nodes_[UpperKey(p)] = Node{p, false, attributes, data, {}};
}

void FileSystem::MakeLink(const std::string& link, const std::string& target) {
  const std::string p = Canonical(link);
  MakeDirectories(Parent(p));
  nodes_[UpperKey(p)] = Node{p, true, kAttrDirectory | kAttrReparsePoint, {}, Canonical(target, true)};
}

void FileSystem::DenyWrites(const std::string& directory) { denyWrites_.insert(Key(directory)); }
void FileSystem::Lock(const std::string& file) { locked_.insert(Key(file)); }
void FileSystem::Unlock(const std::string& file) { locked_.erase(Key(file)); }
void FileSystem::HoldDirectory(const std::string& directory) { heldDirectories_.insert(Key(directory)); }

void FileSystem::ReleaseDirectory(const std::string& directory) {
  const std::string key = Key(directory);
  heldDirectories_.erase(key);
  auto it = nodes_.find(key);
  if (it != nodes_.end() && it->second.deletePending) nodes_.erase(it);
}

void FileSystem::FailReadsAfter(const std::string& file, std::uint64_t bytes) { readLimits_[Key(file)] = bytes; }

bool FileSystem::Resize(std::size_t from, std::size_t to) {
  if (to > from && diskFull) return false;
  if (!freeBytes_) return true;
  if (to > from && to - from > *freeBytes_) return false;
  *freeBytes_ = *freeBytes_ + from - to;
  return true;
}

bool FileSystem::ReadFails(const std::string& key, std::uint64_t position, std::size_t size) const {
  auto limit = readLimits_.find(key);
  return limit != readLimits_.end() && size && position + size > limit->second;
}

std::set<std::string> FileSystem::AllPaths() const {
  std::set<std::string> paths;
  for (const auto& [key, node] : nodes_) paths.insert(node.path);
  return paths;
}

FsResult FileSystem::CheckParent(const std::string& normalized) {
  const std::string parent = Parent(normalized);
  Node* dir = parent.empty() ? nullptr : Find(Canonical(parent, true));
  if (!dir || !dir->directory) return FsResult::kPathNotFound;
  if (dir->deletePending) return FsResult::kAccessDenied;
  if (denyWrites_.count(Key(Canonical(parent, true)))) return FsResult::kAccessDenied;
  return FsResult::kOk;
}

std::optional<std::uint32_t> FileSystem::Attributes(const std::string& path) {
  Node* n = Find(path);
  // A directory pending deletion can no longer be opened to ask.
  if (!n || n->deletePending) return std::nullopt;
  return n->attributes;
}

FsResult FileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
  Node* n = Find(path);
  if (!n) return Find(Parent(Canonical(path))) ? FsResult::kNotFound : FsResult::kPathNotFound;
  if (n->deletePending) return FsResult::kAccessDenied;
  const std::uint32_t settable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  n->attributes = (n->attributes & ~settable) | (attributes & settable);
  changed_.push_back(n->path);
  return FsResult::kOk;
}

FsResult FileSystem::WriteAll(const std::string& path, std::string_view data) {
  const std::string p = Canonical(path);
  if (Node* n = Find(p)) {
    // Replacing a hidden or system file with a plain one is refused, as the
    // platform refuses to create over it with other attributes.
    if (n->directory || (n->attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem)))
      return FsResult::kAccessDenied;
    if (locked_.count(Key(p)) || openCount_.count(Key(p))) return FsResult::kSharingViolation;
    Resize(n->data.size(), 0);
    n->data.clear();
  } else {
    if (FsResult r = CheckParent(p); r != FsResult::kOk) return r;
    nodes_[UpperKey(p)] = Node{p, false, kAttrArchive, {}, {}};
  }
  changed_.push_back(p);
  if (!Resize(0, data.size())) return FsResult::kDiskFull;
  Find(p)->data.assign(data.data(), data.size());
  return FsResult::kOk;
}

FsResult FileSystem::ReadAll(const std::string& path, std::string* data) {
  const std::string p = Canonical(path);
  Node* n = Find(p);
  if (!n) return Find(Parent(p)) ? FsResult::kNotFound : FsResult::kPathNotFound;
  if (n->directory) return FsResult::kAccessDenied;
  if (locked_.count(Key(p))) return FsResult::kSharingViolation;
  if (ReadFails(Key(p), 0, n->data.size())) return FsResult::kFailed;
  *data = n->data;
  return FsResult::kOk;
}

// An open file reaches its node by key, so that it sees every later change
// and fails cleanly should the node go.
class FileSystem::File : public OpenFile {
 public:
  // A writer refuses other writers; so does a read-only hold.
  File(FileSystem& fs, std::string key, bool writable, bool refusesWriters)
      : fs_(fs), key_(std::move(key)), writable_(writable), refusesWriters_(refusesWriters) {
    ++fs_.openCount_[key_];
    if (refusesWriters_) ++fs_.writers_[key_];
  }
  File(FileSystem& fs, std::string key, bool writable) : File(fs, std::move(key), writable, writable) {}
  ~File() override {
    if (--fs_.openCount_[key_] == 0) fs_.openCount_.erase(key_);
    if (refusesWriters_ && --fs_.writers_[key_] == 0) fs_.writers_.erase(key_);
  }

  FsResult ReadAt(std::uint64_t position, char* buffer, std::size_t size, std::size_t* read) override {
    *read = 0;
    Node* n = node();
    if (!n) return FsResult::kFailed;
    if (position < n->data.size()) {
      const std::size_t available = std::min<std::size_t>(size, n->data.size() - static_cast<std::size_t>(position));
      if (fs_.ReadFails(key_, position, available)) return FsResult::kFailed;
      *read = available;
      std::copy_n(n->data.data() + position, *read, buffer);
    }
    return FsResult::kOk;
  }

  FsResult WriteAt(std::uint64_t position, std::string_view data) override {
    Node* n = node();
    if (!n) return FsResult::kFailed;
    if (!writable_) return FsResult::kAccessDenied;
    if (data.empty()) return FsResult::kOk;
    if (fs_.diskFull) return FsResult::kDiskFull;
    const auto end = static_cast<std::size_t>(position) + data.size();
    if (n->data.size() < end) {
      if (!fs_.Resize(n->data.size(), end)) return FsResult::kDiskFull;
      n->data.resize(end, '\0');
    }
    std::copy(data.begin(), data.end(), n->data.begin() + static_cast<std::ptrdiff_t>(position));
    return FsResult::kOk;
  }

  FsResult Length(std::uint64_t* length) override {
    Node* n = node();
    if (!n) return FsResult::kFailed;
    *length = n->data.size();
    return FsResult::kOk;
  }

  FsResult Truncate(std::uint64_t length) override {
    Node* n = node();
    if (!n) return FsResult::kFailed;
    if (!writable_) return FsResult::kAccessDenied;
    if (!fs_.Resize(n->data.size(), static_cast<std::size_t>(length))) return FsResult::kDiskFull;
    n->data.resize(static_cast<std::size_t>(length), '\0');
    return FsResult::kOk;
  }

 private:
  Node* node() {
    auto it = fs_.nodes_.find(key_);
    return it == fs_.nodes_.end() || it->second.directory ? nullptr : &it->second;
  }

  FileSystem& fs_;
  std::string key_;
  bool writable_;
  bool refusesWriters_;
};

FsResult FileSystem::Open(const std::string& path, OpenMode mode, std::unique_ptr<OpenFile>* file) {
  const std::string p = Canonical(path);
  Node* n = Find(p);
  if (n) {
    if (n->directory) return FsResult::kAccessDenied;
    if (locked_.count(Key(p))) return FsResult::kSharingViolation;
    if (mode == OpenMode::kWrite && (n->attributes & kAttrReadOnly)) return FsResult::kAccessDenied;
    // A file open for writing shares reading only.
    if (mode == OpenMode::kWrite && writers_.count(Key(p))) return FsResult::kSharingViolation;
  } else {
    if (mode == OpenMode::kRead) return Find(Parent(p)) ? FsResult::kNotFound : FsResult::kPathNotFound;
    if (FsResult r = CheckParent(p); r != FsResult::kOk) return r;
    nodes_[UpperKey(p)] = Node{p, false, kAttrArchive, {}, {}};
  }
  *file = std::make_unique<File>(*this, UpperKey(p), mode == OpenMode::kWrite);
  if (mode == OpenMode::kWrite) changed_.push_back(p);
  return FsResult::kOk;
}

FsResult FileSystem::WriteAllAndHold(const std::string& path, std::string_view data,
                                    std::unique_ptr<OpenFile>* held) {
  if (FsResult r = WriteAll(path, data); r != FsResult::kOk) return r;
  *held = std::make_unique<File>(*this, Key(path), false, true);
  return FsResult::kOk;
}

FsResult FileSystem::CopyWholeFile(const std::string& from, const std::string& to) {
  const std::string source = Canonical(from);
  Node* s = Find(source);
  if (!s) return Find(Parent(source)) ? FsResult::kNotFound : FsResult::kPathNotFound;
  if (s->directory) return FsResult::kAccessDenied;
  if (locked_.count(Key(source))) return FsResult::kSharingViolation;
  if (ReadFails(Key(source), 0, s->data.size())) return FsResult::kFailed;
  const std::string target = Canonical(to);
  if (UpperKey(source) == UpperKey(target)) return FsResult::kSharingViolation;
  const Node copy = *s;
  if (Node* t = Find(target)) {
    if (t->directory || (t->attributes & kAttrReadOnly)) return FsResult::kAccessDenied;
    if (locked_.count(Key(target)) || openCount_.count(Key(target))) return FsResult::kSharingViolation;
  } else if (FsResult r = CheckParent(target); r != FsResult::kOk) {
    return r;
  }
  if (diskFull && !copy.data.empty()) return FsResult::kDiskFull;
  const Node* old = Find(target);
  if (!Resize(old ? old->data.size() : 0, copy.data.size())) return FsResult::kDiskFull;
  changed_.push_back(target);
  Node& t = nodes_[UpperKey(target)];
  if (t.path.empty()) t.path = target;
  t.directory = false;
  t.attributes = copy.attributes | kAttrArchive;
  t.data = copy.data;
  return FsResult::kOk;
}

FsResult FileSystem::EraseFile(const std::string& path) {
  const std::string p = Canonical(path);
  Node* n = Find(p);
  if (!n) return Find(Parent(p)) ? FsResult::kNotFound : FsResult::kPathNotFound;
  if (n->directory || (n->attributes & kAttrReadOnly)) return FsResult::kAccessDenied;
  if (locked_.count(Key(p)) || openCount_.count(Key(p))) return FsResult::kSharingViolation;
  Resize(n->data.size(), 0);
  changed_.push_back(p);
  nodes_.erase(Key(p));
  return FsResult::kOk;
}

FsResult FileSystem::MakeDirectory(const std::string& path) {
  const std::string p = Canonical(path);
  if (Node* n = Find(p)) return n->deletePending ? FsResult::kAccessDenied : FsResult::kAlreadyExists;
  if (FsResult r = CheckParent(p); r != FsResult::kOk) return r;
  nodes_[UpperKey(p)] = Node{p, true, kAttrDirectory, {}, {}};
  changed_.push_back(p);
  return FsResult::kOk;
}

FsResult FileSystem::EraseDirectory(const std::string& path) {
  const std::string p = Canonical(path);
  Node* n = Find(p);
  if (!n) return Find(Parent(p)) ? FsResult::kNotFound : FsResult::kPathNotFound;
  if (!n->directory || Parent(p).empty()) return FsResult::kFailed;
  // Read-only is looked at before emptiness, as Windows does.
  if (n->deletePending || (n->attributes & kAttrReadOnly)) return FsResult::kAccessDenied;
  // A link holds no entries of its own: its target's stay where they are.
  const std::string prefix = UpperKey(p) + "\\";
  auto child = nodes_.lower_bound(prefix);
  if (child != nodes_.end() && child->first.compare(0, prefix.size(), prefix) == 0)
    return FsResult::kDirectoryNotEmpty;
  changed_.push_back(p);
  if (heldDirectories_.count(UpperKey(p))) {
    n->deletePending = true;
    return FsResult::kOk;
  }
  nodes_.erase(UpperKey(p));
  return FsResult::kOk;
}

FsResult FileSystem::List(const std::string& directory, std::vector<DirectoryEntry>* entries) {
  const std::string p = Canonical(directory, true);
  Node* dir = Find(p);
  if (!dir || !dir->directory) return FsResult::kPathNotFound;
  if (dir->deletePending) return FsResult::kAccessDenied;
  entries->clear();
  const std::string prefix = UpperKey(p) + "\\";
  for (auto it = nodes_.lower_bound(prefix);
       it != nodes_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    if (FindCharacter(it->first, '\\', lead_, prefix.size()) != std::string::npos) continue;
    const Node& n = it->second;
    entries->push_back({n.path.substr(LastSeparator(n.path, lead_) + 1), n.attributes, n.data.size()});
  }
  return FsResult::kOk;
}

void FileSystem::SetShortName(const std::string& path, const std::string& shortName) {
  shortNames_[Key(path)] = shortName;
}

std::optional<std::string> FileSystem::ShortName(const std::string& path) {
  Node* n = Find(path);
  if (!n || n->deletePending) return std::nullopt;
  auto it = shortNames_.find(Key(path));
  if (it != shortNames_.end()) return it->second;
  return n->path.substr(LastSeparator(n->path, lead_) + 1);
}

}  // namespace platform::fake

// In-memory stand-ins for the launcher's host and files: the worker runs
// instantly, every control update is recorded, and a test can stop it at any
// checkpoint or make any file operation fail.
#pragma once

#include <cctype>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "launcher_files.h"
#include "worker_host.h"

namespace quillon {
namespace launcher {
namespace testing {

struct FakeFile {
  std::vector<unsigned char> data;
  uint64_t creation = 0, lastAccess = 0, lastWrite = 0;
  bool readOnly = false;
  // Windows refuses to create a plain file anew over a hidden or system one,
  // and so to copy onto it; deleting it is allowed.
  bool hidden = false;
  bool system = false;
  bool protectedFromReplace() const { return readOnly || hidden || system; }
};

// Files are shared as the Win32 side opens them: a file open for writing
// shares only writes, a file open for reading shares only reads, a copy's
// target shares nothing, and no open file can be deleted.
class FakeFiles : public LauncherFiles {
 public:
  std::map<std::string, FakeFile> files;  // keyed by lower-case path
  std::set<std::string> failCreate;       // lower-case paths that cannot be created
  std::set<std::string> directories;      // lower-case, without a trailing backslash
  uint64_t writeBudget = UINT64_MAX;      // bytes the "disk" still takes
  int openHandles = 0;
  std::vector<std::string> removed;

  // Lower case, and a doubled separator counts once, as Windows reads paths.
  static std::string key(const char* path) {
    std::string k;
    for (const char* p = path; *p != '\0'; ++p) {
      char c = *p == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
      if (c == '\\' && !k.empty() && k.back() == '\\' && k.size() > 1) continue;
      k.push_back(c);
    }
    return k;
  }
  void addDirectory(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    directories.insert(key(path.c_str()));
  }
  bool parentExists(const std::string& k) const {
    size_t slash = k.rfind('\\');
    return slash != std::string::npos && directories.count(k.substr(0, slash)) != 0;
  }
  bool exists(const std::string& path) const { return files.count(key(path.c_str())) != 0; }
  FakeFile& at(const std::string& path) { return files.at(key(path.c_str())); }
  void put(const std::string& path, const std::vector<unsigned char>& data) { files[key(path.c_str())].data = data; }
  std::vector<std::string> namesUnder(const std::string& dir) const {
    std::vector<std::string> out;
    std::string k = key(dir.c_str());
    for (const auto& f : files) {
      if (f.first.compare(0, k.size(), k) == 0 && f.first.find('\\', k.size()) == std::string::npos) {
        out.push_back(f.first.substr(k.size()));
      }
    }
    return out;
  }
  // Whether any handle, the worker's or a test's, has the file open.
  bool isOpen(const std::string& path) const {
    std::string k = key(path.c_str());
    for (const auto& h : handles_) {
      if (h.second->path == k) return true;
    }
    return false;
  }

  FileHandle createForWrite(const char* path) override {
    std::string k = key(path);
    if (failCreate.count(k) || !parentExists(k)) return kNoFile;
    auto it = files.find(k);
    if (it != files.end() && it->second.protectedFromReplace()) return kNoFile;
    if (!mayOpen(k, kWrite, kShareWrite)) return kNoFile;
    FakeFile& f = files[k];
    f = FakeFile();
    return open(k, kWrite, kShareWrite);
  }
  FileHandle openForRead(const char* path) override {
    std::string k = key(path);
    if (!files.count(k) || !mayOpen(k, kRead, kShareRead)) return kNoFile;
    return open(k, kRead, kShareRead);
  }
  bool fileSize(FileHandle file, uint64_t* size) override {
    *size = files[handle(file).path].data.size();
    return true;
  }
  uint32_t read(FileHandle file, void* buffer, uint32_t size) override {
    Handle& h = handle(file);
    if (!(h.access & kRead)) return 0;
    const std::vector<unsigned char>& d = files[h.path].data;
    uint64_t left = h.position < d.size() ? d.size() - h.position : 0;
    uint32_t n = left < size ? static_cast<uint32_t>(left) : size;
    if (n) std::memcpy(buffer, d.data() + h.position, n);
    h.position += n;
    return n;
  }
  uint32_t write(FileHandle file, const void* buffer, uint32_t size) override {
    Handle& h = handle(file);
    if (!(h.access & kWrite)) return 0;
    uint32_t n = writeBudget < size ? static_cast<uint32_t>(writeBudget) : size;
    writeBudget -= n;
    std::vector<unsigned char>& d = files[h.path].data;
    const unsigned char* p = static_cast<const unsigned char*>(buffer);
    d.insert(d.end(), p, p + n);
    return n;
  }
  bool setTimes(FileHandle file, uint64_t c, uint64_t a, uint64_t w) override {
    FakeFile& f = files[handle(file).path];
    f.creation = c;
    f.lastAccess = a;
    f.lastWrite = w;
    return true;
  }
  void close(FileHandle file) override {
    handles_.erase(static_cast<Handle*>(file));
    --openHandles;
  }
  bool remove(const char* path) override {
    std::string k = key(path);
    auto it = files.find(k);
    if (it == files.end() || it->second.readOnly || isOpen(k)) return false;
    files.erase(it);
    removed.push_back(path);
    return true;
  }
  bool copy(const char* from, const char* to) override {
    std::string f = key(from), t = key(to);
    if (f == t || !files.count(f) || !parentExists(t)) return false;
    if (!mayOpen(f, kRead, kShareRead | kShareWrite)) return false;
    auto target = files.find(t);
    if (target != files.end() && (target->second.protectedFromReplace() || isOpen(t))) return false;
    files[t] = files[f];
    files[t].readOnly = false;
    return true;
  }

 private:
  enum { kRead = 1, kWrite = 2 };
  enum { kShareRead = 1, kShareWrite = 2 };
  struct Handle {
    std::string path;
    int access = 0;
    int share = 0;
    uint64_t position = 0;
  };
  // Windows' share check: each side must share what the other one does.
  bool mayOpen(const std::string& k, int access, int share) const {
    for (const auto& h : handles_) {
      const Handle& other = *h.second;
      if (other.path != k) continue;
      if ((access & kRead) && !(other.share & kShareRead)) return false;
      if ((access & kWrite) && !(other.share & kShareWrite)) return false;
      if ((other.access & kRead) && !(share & kShareRead)) return false;
      if ((other.access & kWrite) && !(share & kShareWrite)) return false;
    }
    return true;
  }
  FileHandle open(const std::string& k, int access, int share) {
    std::unique_ptr<Handle> h(new Handle);
    h->path = k;
    h->access = access;
    h->share = share;
    Handle* raw = h.get();
    handles_[raw] = std::move(h);
    ++openHandles;
    return raw;
  }
  Handle& handle(FileHandle file) { return *handles_.at(static_cast<Handle*>(file)); }
  std::map<Handle*, std::unique_ptr<Handle>> handles_;
};

class FakeHost : public WorkerHost {
 public:
  FakeFiles fakeFiles;
  std::string tempDir = "C:\\Users\\u\\AppData\\Local\\Temp\\";
  bool tempAvailable = true;
  std::vector<uint32_t> ticks = {0x00012345u, 0x00012346u};
  size_t tickReads = 0;
  std::vector<unsigned char> payload;
  bool hasPayload = true;
  std::string modulePath = "C:\\Downloads\\setup.exe";

  int stopAtCheckpoint = -1;  // 1-based checkpoint at which the stop is seen
  int checkpoints = 0;
  bool stopSet = false;
  // What another program does meanwhile: at a checkpoint (given its 1-based
  // number), and while the shell opens a file.
  std::function<void(int checkpoint)> atCheckpoint;
  std::function<void(const std::string& file)> atShellOpen;

  std::vector<int> positions;
  std::vector<std::string> percents, statuses, diagnostics;
  int rangeMin = 0, rangeMax = 0;
  int closeRequests = 0;
  struct Start {
    std::string file, parameters;
  };
  std::vector<Start> starts;

  void setProgressRange(int minimum, int maximum) override {
    rangeMin = minimum;
    rangeMax = maximum;
  }
  void setProgressPosition(int position) override { positions.push_back(position); }
  void setPercentText(const char* text) override { percents.push_back(text); }
  void setStatusText(const char* text) override { statuses.push_back(text); }
  void repaintDialog() override {}
  void requestClose() override { ++closeRequests; }
  bool waitForStop(uint32_t milliseconds) override {
    lastWait = milliseconds;
    ++checkpoints;
    if (atCheckpoint) atCheckpoint(checkpoints);
    // The event is manual-reset: once set, every later wait sees it too.
    if (checkpoints == stopAtCheckpoint) stopSet = true;
    return stopSet;
  }
  bool temporaryDirectory(std::string* directory) override {
    fakeFiles.addDirectory(tempDir);
    *directory = tempDir;
    return tempAvailable;
  }
  uint32_t tickCount() override { return ticks[tickReads++ % ticks.size()]; }
  bool loadPayload(const unsigned char** data, uint32_t* size) override {
    if (!hasPayload) return false;
    *data = payload.data();
    *size = static_cast<uint32_t>(payload.size());
    return true;
  }
  bool ownPath(std::string* path) override {
    *path = modulePath;
    return true;
  }
  void shellOpen(const char* file, const char* parameters) override {
    if (atShellOpen) atShellOpen(file);
    starts.push_back({file, parameters});
  }
  void diagnostic(const char* line) override { diagnostics.push_back(line); }
  LauncherFiles& files() override { return fakeFiles; }

  uint32_t lastWait = 0;
};

}  // namespace testing
}  // namespace launcher
}  // namespace quillon

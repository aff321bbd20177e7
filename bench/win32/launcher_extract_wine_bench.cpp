// launcher_extract_wine_bench [--megabytes N] [--rounds R] <work folder>
// The launcher's extraction on the real Win32 files, under Wine, side by side
// with a plain floor, on a payload of a few large files and 2,000 small ones
// generated here (the same bytes every run):
//   worker     setup's ExtractionWorker with the real Win32 host and files,
//              its controls in a real window served by a message loop on
//              the main thread as setup's dialog does; only the 100 ms
//              checkpoint wait is 0 (a setting of this program's host);
//   reference  zlib inflating the same stream straight into the files, each
//              written once with its times, then copied as the worker does.
// Each run is a process of its own (this program again, with --run), so that
// its peak memory is its own: the growth of the peak working set and of the
// peak committed memory over what the process held before the run, the
// stream itself included in neither. Prints figures; asserts nothing.
#include <windows.h>
#include <psapi.h>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "extraction_worker.h"
#include "launcher/win32/worker_host.h"
#include "payload_archive.h"
#include "payload_codec.h"
#include "resource_ids.h"
#include "system_libraries.h"

namespace {

using Bytes = std::vector<unsigned char>;

const int kSmallFiles = 2000;
const uint64_t kTime = 0x01D7E3A1C0D5E000ull;  // a fixed FILETIME

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Memory {
  double workingSet = 0, peakWorkingSet = 0, committed = 0, peakCommitted = 0;
};

// Late-bound: K32GetProcessMemoryInfo is kernel32's own since Windows 7.
Memory ProcessMemory() {
  using GetInfoFn = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
  static GetInfoFn getInfo = reinterpret_cast<GetInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
  Memory m;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (getInfo != nullptr && getInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    m.workingSet = static_cast<double>(counters.WorkingSetSize);
    m.peakWorkingSet = static_cast<double>(counters.PeakWorkingSetSize);
    m.committed = static_cast<double>(counters.PagefileUsage);
    m.peakCommitted = static_cast<double>(counters.PeakPagefileUsage);
  }
  return m;
}

// --- The payload -----------------------------------------------------------

// Program-like bytes that deflate to about half: 64-byte runs alternating
// between a ramp and low-entropy noise.
void Fill(unsigned char* data, size_t size, uint32_t seed) {
  uint32_t x = seed * 2654435761u + 1;
  for (size_t k = 0; k < size; ++k) {
    if ((k / 64) % 2) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      data[k] = static_cast<unsigned char>(x & 15);
    } else {
      data[k] = static_cast<unsigned char>(k >> 4);
    }
  }
}

// A few large files and 2,000 small ones (1 byte to 40 KiB), `megabytes` in all.
Bytes BuildPayloadArchive(uint64_t megabytes, size_t* fileCount) {
  std::vector<uint32_t> sizes;
  uint32_t x = 12345;
  uint64_t small = 0;
  for (int i = 0; i < kSmallFiles; ++i) {
    x = x * 1103515245u + 12345u;
    sizes.push_back(1 + (x >> 8) % 40960);
    small += sizes.back();
  }
  const uint64_t total = megabytes * 1000000;
  uint64_t large = total > small ? total - small : 4;
  // 40, 30, 20 and 10 % of the rest.
  std::vector<uint32_t> big;
  for (int share : {4, 3, 2, 1}) big.push_back(static_cast<uint32_t>(std::max<uint64_t>(1, large * share / 10)));
  sizes.insert(sizes.begin() + kSmallFiles / 2, big.begin(), big.end());

  uint32_t count = static_cast<uint32_t>(sizes.size());
  uint64_t length = launcher::DataStart(count);
  for (uint32_t s : sizes) length += s;
  Bytes archive(static_cast<size_t>(length));
  launcher::WriteU32(archive.data(), count);
  size_t offset = static_cast<size_t>(launcher::DataStart(count));
  int bigIndex = 0, smallIndex = 0;
  for (uint32_t i = 0; i < count; ++i) {
    launcher::PayloadEntry e;
    e.index = i;
    e.creationTime = kTime;
    e.lastAccessTime = kTime + 10000000;
    e.lastWriteTime = kTime + 20000000;
    e.sizeLow = sizes[i];
    char name[32];
    if (sizes[i] > 40960) {
      std::snprintf(name, sizeof name, "large%d.bin", bigIndex++);
    } else {
      std::snprintf(name, sizeof name, "f%04d.dat", smallIndex++);
    }
    std::memcpy(e.name, name, std::strlen(name));
    launcher::EncodeEntry(e, archive.data() + launcher::kCountSize + static_cast<size_t>(i) * launcher::kEntrySize);
    Fill(archive.data() + offset, sizes[i], i);
    offset += sizes[i];
  }
  *fileCount = count;
  return archive;
}

bool WriteWhole(const std::string& path, const Bytes& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
  CloseHandle(file);
  return ok;
}

bool ReadWhole(const std::string& path, Bytes* bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  GetFileSizeEx(file, &size);
  bytes->resize(static_cast<size_t>(size.QuadPart));
  DWORD done = 0;
  bool ok = ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &done, nullptr) && done == bytes->size();
  CloseHandle(file);
  return ok;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

// --- The worker, as setup runs it ------------------------------------------

// setup's host with its payload in memory, its own temporary folder, no
// hand-over, and no pacing at the checkpoints (a stop is still looked for).
class BenchHost : public launcher::win32::WorkerHost {
 public:
  BenchHost(HWND dialog, HANDLE stopEvent, const Bytes& stream, const std::string& temporary)
      : WorkerHost(dialog, GetModuleHandleA(nullptr), stopEvent), stream_(stream), temporary_(temporary) {}
  bool WaitForStop(uint32_t) override { return WorkerHost::WaitForStop(0); }
  bool TemporaryDirectory(launcher::PathText* directory) override { return directory->Assign(temporary_); }
  bool LoadPayload(const unsigned char** data, uint32_t* size) override {
    *data = stream_.data();
    *size = static_cast<uint32_t>(stream_.size());
    return true;
  }
  void ShellOpen(const char*, const char*) override {}
  void Diagnostic(const char*) override {}
  // Notes when each stage begins (the first "Copying" stands for the copy).
  void SetStatusText(const char* text) override {
    std::string stage = std::strncmp(text, "Copying", 7) == 0 ? "Copying" : text;
    if (!stage.empty() && (stages.empty() || stages.back().first != stage)) {
      bool seen = false;
      for (const auto& s : stages) seen = seen || s.first == stage;
      if (!seen || stage != "Copying") stages.emplace_back(stage, Seconds());
    }
    WorkerHost::SetStatusText(text);
  }

  std::vector<std::pair<std::string, double>> stages;

 private:
  const Bytes& stream_;
  std::string temporary_;
};

struct WorkerRun {
  HWND dialog;
  HANDLE stopEvent;
  const Bytes* stream;
  std::string temporary, extractPath;
  std::vector<std::pair<std::string, double>> stages;
};

DWORD WINAPI WorkerThread(LPVOID parameter) {
  auto* run = static_cast<WorkerRun*>(parameter);
  BenchHost host(run->dialog, run->stopEvent, *run->stream, run->temporary);
  launcher::ExtractionWorker worker(host, run->extractPath);
  int result = worker.Run();
  host.stages.emplace_back("end", Seconds());
  run->stages = host.stages;
  return static_cast<DWORD>(result);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The worker's last act, as in setup.
  if (message == WM_DESTROY) {
    PostQuitMessage(18);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A stand-in for setup's dialog with the two controls the worker drives.
HWND CreateDialogWindow() {
  launcher::win32::RegisterProgressClass();
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DialogProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ExtractBenchDialog";
  RegisterClassA(&windowClass);
  HWND dialog = CreateWindowExA(0, "ExtractBenchDialog", "Mendora for Quillon", WS_POPUP | WS_BORDER, 100, 100, 246, 42,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  CreateWindowExA(WS_EX_CLIENTEDGE, "msctls_progress32", "", WS_CHILD | WS_BORDER, 2, 6, 9, 22, dialog,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS)), windowClass.hInstance, nullptr);
  CreateWindowExA(0, "STATIC", "100%", WS_CHILD, 192, 0, 38, 13, dialog,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PERCENT)), windowClass.hInstance, nullptr);
  CreateWindowExA(0, "STATIC", "Please wait...", WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 13, 243, 16, dialog, nullptr,
                  windowClass.hInstance, nullptr);
  ShowWindow(dialog, SW_SHOWNORMAL);
  return dialog;
}

// The worker's stages and their durations, for the last run's report.
std::string g_stageReport;

bool RunWorker(const Bytes& stream, const std::string& folder) {
  HWND dialog = CreateDialogWindow();
  WorkerRun run{dialog, CreateEventA(nullptr, TRUE, FALSE, nullptr), &stream, folder + "\\unpack\\", folder + "\\extract", {}};
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, WorkerThread, &run, 0, &id);
  if (thread == nullptr) return false;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CloseHandle(run.stopEvent);
  for (size_t k = 0; k + 1 < run.stages.size(); ++k) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-32s %7.3f s\n", run.stages[k].first.c_str(),
                  run.stages[k + 1].second - run.stages[k].second);
    g_stageReport += line;
  }
  return true;
}

// --- The floor -------------------------------------------------------------

// Inflates the stream once, routing each entry's bytes straight into its file.
class StreamingUnpacker {
 public:
  explicit StreamingUnpacker(const std::string& directory) : directory_(directory) {}
  ~StreamingUnpacker() { CloseCurrent(); }

  bool Take(const unsigned char* data, size_t size) {
    while (size > 0) {
      if (!tableRead_) {
        size_t want = header_.size() < launcher::kCountSize ? launcher::kCountSize - header_.size()
                                                            : static_cast<size_t>(launcher::DataStart(count_)) - header_.size();
        size_t n = std::min(want, size);
        header_.insert(header_.end(), data, data + n);
        data += n;
        size -= n;
        if (header_.size() == launcher::kCountSize) count_ = launcher::ReadU32(header_.data());
        if (header_.size() >= launcher::kCountSize && header_.size() == launcher::DataStart(count_)) {
          tableRead_ = true;
          if (!OpenNext()) return false;
        }
        continue;
      }
      if (file_ == INVALID_HANDLE_VALUE) return true;  // trailing bytes
      size_t n = std::min<size_t>(left_, size);
      DWORD done = 0;
      if (!WriteFile(file_, data, static_cast<DWORD>(n), &done, nullptr) || done != n) return false;
      data += n;
      size -= n;
      left_ -= static_cast<uint32_t>(n);
      if (left_ == 0 && !OpenNext()) return false;
    }
    return true;
  }
  bool Complete() const { return tableRead_ && next_ == count_ && file_ == INVALID_HANDLE_VALUE; }
  const std::vector<std::string>& names() const { return names_; }

 private:
  void CloseCurrent() {
    if (file_ == INVALID_HANDLE_VALUE) return;
    launcher::PayloadEntry& e = entry_;
    FILETIME c = {static_cast<DWORD>(e.creationTime), static_cast<DWORD>(e.creationTime >> 32)};
    FILETIME a = {static_cast<DWORD>(e.lastAccessTime), static_cast<DWORD>(e.lastAccessTime >> 32)};
    FILETIME w = {static_cast<DWORD>(e.lastWriteTime), static_cast<DWORD>(e.lastWriteTime >> 32)};
    SetFileTime(file_, &c, &a, &w);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
  bool OpenNext() {
    CloseCurrent();
    if (next_ == count_) return true;
    launcher::DecodeEntry(header_.data() + launcher::kCountSize + static_cast<size_t>(next_) * launcher::kEntrySize, &entry_);
    ++next_;
    names_.push_back(launcher::EntryName(entry_));
    file_ = CreateFileA((directory_ + names_.back()).c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    left_ = entry_.sizeLow;
    return file_ != INVALID_HANDLE_VALUE;
  }

  std::string directory_;
  Bytes header_;
  bool tableRead_ = false;
  uint32_t count_ = 0, next_ = 0, left_ = 0;
  launcher::PayloadEntry entry_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::vector<std::string> names_;
};

bool RunReference(const Bytes& stream, const std::string& folder) {
  const std::string unpack = folder + "\\unpack\\", extract = folder + "\\extract\\";
  StreamingUnpacker unpacker(unpack);
  z_stream z = {};
  if (inflateInit(&z) != Z_OK) return false;
  Bytes out(1u << 20);
  z.next_in = const_cast<unsigned char*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  int result = Z_OK;
  bool ok = true;
  while (ok && result == Z_OK) {
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    result = inflate(&z, Z_NO_FLUSH);
    ok = (result == Z_OK || result == Z_STREAM_END) && unpacker.Take(out.data(), out.size() - z.avail_out);
  }
  inflateEnd(&z);
  if (!ok || !unpacker.Complete()) return false;
  for (const std::string& name : unpacker.names()) CopyFileA((unpack + name).c_str(), (extract + name).c_str(), FALSE);
  return true;
}

// --- Orchestration ---------------------------------------------------------

// One run in this process: prints "seconds peak-working-set-growth
// peak-commit-growth" into `resultPath`.
int RunOne(const std::string& mode, const std::string& streamPath, const std::string& folder,
           const std::string& resultPath) {
  Bytes stream;
  if (!ReadWhole(streamPath, &stream)) return 1;
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "\\unpack").c_str(), nullptr);
  CreateDirectoryA((folder + "\\extract").c_str(), nullptr);
  const Memory before = ProcessMemory();
  const double start = Seconds();
  bool ok = mode == "worker" ? RunWorker(stream, folder) : RunReference(stream, folder);
  const double elapsed = Seconds() - start;
  const Memory after = ProcessMemory();
  if (!ok) return 1;
  FILE* out = std::fopen(resultPath.c_str(), "w");
  if (out == nullptr) return 1;
  std::fprintf(out, "%.6f %.0f %.0f\n%s", elapsed, after.peakWorkingSet - before.workingSet,
               after.peakCommitted - before.committed, g_stageReport.c_str());
  std::fclose(out);
  return 0;
}

struct Result {
  double seconds = 0, workingSet = 0, committed = 0;
  std::string stages;
};

bool Spawn(const std::string& self, const std::string& mode, const std::string& streamPath, const std::string& folder,
           Result* result) {
  const std::string resultPath = folder + ".result";
  std::string line = "\"" + self + "\" --run " + mode + " \"" + streamPath + "\" \"" + folder + "\" \"" + resultPath + "\"";
  std::vector<char> text(line.begin(), line.end());
  text.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  FILE* in = std::fopen(resultPath.c_str(), "r");
  char row[256];
  bool ok = code == 0 && in != nullptr && std::fgets(row, sizeof row, in) != nullptr &&
            std::sscanf(row, "%lf %lf %lf", &result->seconds, &result->workingSet, &result->committed) == 3;
  if (in != nullptr) {
    while (std::fgets(row, sizeof row, in) != nullptr) result->stages += row;
    std::fclose(in);
  }
  DeleteFileA(resultPath.c_str());
  RemoveTree(folder);
  return ok;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--run") == 0) return RunOne(argv[2], argv[3], argv[4], argv[5]);

  uint64_t megabytes = 200;
  int rounds = 3;
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-'; i += 2) {
    if (std::strcmp(argv[i], "--megabytes") == 0) megabytes = std::strtoull(argv[i + 1], nullptr, 10);
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
  }
  if (i >= argc) {
    std::fprintf(stderr, "usage: launcher_extract_wine_bench [--megabytes N] [--rounds R] <work folder>\n");
    return 2;
  }
  const std::string work = argv[i];
  CreateDirectoryA(work.c_str(), nullptr);
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);

  size_t files = 0;
  double archiveBytes = 0;
  const std::string streamPath = work + "\\payload.zlib";
  {
    Bytes archive = BuildPayloadArchive(megabytes, &files);
    archiveBytes = static_cast<double>(archive.size());
    Bytes stream = packer::CompressPayload(archive);
    if (stream.empty() || !WriteWhole(streamPath, stream)) {
      std::fprintf(stderr, "cannot write the payload to %s\n", streamPath.c_str());
      return 1;
    }
    std::printf("payload          %zu files, %.1f MB inflated, %.1f MB stream\n", files, archiveBytes / 1e6,
                static_cast<double>(stream.size()) / 1e6);
  }

  std::vector<double> worker, reference, workerSet, workerCommit, referenceSet;
  std::string stages;
  for (int r = 0; r < rounds; ++r) {
    Result ref, run;
    if (!Spawn(self, "reference", streamPath, work + "\\reference" + std::to_string(r), &ref) ||
        !Spawn(self, "worker", streamPath, work + "\\worker" + std::to_string(r), &run)) {
      std::fprintf(stderr, "a run failed\n");
      return 1;
    }
    std::printf("round %d          worker %.3f s, reference %.3f s\n", r + 1, run.seconds, ref.seconds);
    worker.push_back(run.seconds);
    reference.push_back(ref.seconds);
    workerSet.push_back(run.workingSet);
    workerCommit.push_back(run.committed);
    referenceSet.push_back(ref.workingSet);
    stages = run.stages;
  }
  DeleteFileA(streamPath.c_str());
  RemoveDirectoryA(work.c_str());

  // The figure is the round with the median ratio: each round's two runs
  // met the same load on the machine, rounds apart may not.
  std::vector<size_t> order(worker.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return worker[a] / reference[a] < worker[b] / reference[b]; });
  const size_t middle = order[order.size() / 2];
  const double w = worker[middle], ref = reference[middle];
  const double mib = 1024.0 * 1024.0;
  const double limit = archiveBytes / mib + 16;
  std::printf("worker           %.3f s (the round of the median ratio, of %d)\n", w, rounds);
  std::printf("worker stages (last round), from each status text to the next:\n%s", stages.c_str());
  std::printf("worker medians   %.3f s, reference %.3f s\n", Median(worker), Median(reference));
  std::printf("reference        %.3f s\n", ref);
  std::printf("ratio            %.2f (target 1.3)\n", w / ref);
  std::printf("worker memory    peak working set +%.1f MiB, peak committed +%.1f MiB (limit %.1f MiB)\n",
              Median(workerSet) / mib, Median(workerCommit) / mib, limit);
  std::printf("reference memory peak working set +%.1f MiB\n", Median(referenceSet) / mib);
  std::printf("FIGURE|launcher extraction %llu MB|%.3f|s|zlib inflate+write+copy|%.3f|1.3\n",
              static_cast<unsigned long long>(megabytes), w, ref);
  std::printf("FIGURE|launcher extraction peak memory|%.1f|MiB|inflated archive + 16 MiB|%.1f|<=\n",
              Median(workerSet) / mib, limit);
  return 0;
}

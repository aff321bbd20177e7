#pragma once

// The floor the wizard's block copy is held against: the same 256-byte
// ReadFile/WriteFile pairs, one PeekMessage/Translate/Dispatch pass per block
// in a shown window with a bar and a few labels, and nothing else. Shared by
// the copy benchmarks so that floor and wizard run side by side in one run.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace copybench {

struct FileCopy {
  std::string source, destination;
};

inline double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

inline std::uint64_t FileLength(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The machines are shared: a burst of someone else's work lands in a few
// stretches of a run. Each figure is therefore the median over stretches of
// kChunkBlocks blocks, beside the plain mean over the whole run.
inline constexpr std::uint64_t kChunkBlocks = 1024;

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Seconds per block of each stretch; the last, partial one is left out.
class Chunks {
 public:
  void Block(double now) {
    if (blocks_ == 0) start_ = now;
    if (++blocks_ % kChunkBlocks == 0) {
      perBlock_.push_back((now - start_) / kChunkBlocks);
      start_ = now;
    }
  }
  double MedianPerBlock() const { return Median(perBlock_); }

 private:
  std::uint64_t blocks_ = 0;
  double start_ = 0;
  std::vector<double> perBlock_;
};

// Whole 256-byte blocks over all copies: the number of event passes.
inline std::uint64_t BlockCount(const std::vector<FileCopy>& copies) {
  std::uint64_t blocks = 0;
  for (const auto& c : copies) blocks += FileLength(c.source) / 256;
  return blocks;
}

inline void PumpOnce() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// A visible top-level window about the wizard's size with a progress bar and
// three labels, destroyed with the object.
class FloorWindow {
 public:
  FloorWindow() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "CopyFloorWindow";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(WS_EX_APPWINDOW, wc.lpszClassName, "floor", WS_POPUP | WS_BORDER | WS_VISIBLE, 100, 100,
                              483, 439, nullptr, nullptr, wc.hInstance, nullptr);
    CreateWindowExA(0, "STATIC", "Installing...", WS_CHILD | WS_VISIBLE, 22, 154, 141, 13, window_, nullptr,
                    wc.hInstance, nullptr);
    CreateWindowExA(0, "STATIC", "Copying new file: quilbox.exe", WS_CHILD | WS_VISIBLE, 22, 202, 200, 13, window_,
                    nullptr, wc.hInstance, nullptr);
    CreateWindowExA(0, "STATIC", "0%", WS_CHILD | WS_VISIBLE, 440, 202, 30, 13, window_, nullptr, wc.hInstance,
                    nullptr);
    CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 22, 180, 421, 16, window_, nullptr, wc.hInstance,
                    nullptr);
    UpdateWindow(window_);
    PumpOnce();
  }
  ~FloorWindow() {
    DestroyWindow(window_);
    PumpOnce();
  }
  FloorWindow(const FloorWindow&) = delete;
  FloorWindow& operator=(const FloorWindow&) = delete;

 private:
  HWND window_ = nullptr;
};

struct FloorRun {
  double seconds = 0;      // all copies
  double medianBlock = 0;  // seconds per block, median over stretches
};

// All copies; with `pass` one event pass after every block.
inline FloorRun FloorCopy(const std::vector<FileCopy>& copies, bool pass) {
  char buffer[256];
  Chunks chunks;
  const double start = Now();
  for (const auto& c : copies) {
    HANDLE in = CreateFileA(c.source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE out = CreateFileA(c.destination.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "floor: cannot open %s or %s\n", c.source.c_str(), c.destination.c_str());
    } else {
      const std::uint64_t length = FileLength(c.source);
      for (std::uint64_t k = 0; k < length / 256; ++k) {
        DWORD got = 0, written = 0;
        ReadFile(in, buffer, 256, &got, nullptr);
        WriteFile(out, buffer, got, &written, nullptr);
        if (pass) PumpOnce();
        chunks.Block(Now());
      }
      DWORD got = 0, written = 0;
      if (length % 256) {
        ReadFile(in, buffer, static_cast<DWORD>(length % 256), &got, nullptr);
        WriteFile(out, buffer, got, &written, nullptr);
      }
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  }
  return {Now() - start, chunks.MedianPerBlock()};
}

// Every file of `sourceDir` copied to `destinationDir` under its own name.
inline std::vector<FileCopy> FolderCopies(const std::string& sourceDir, const std::string& destinationDir) {
  std::vector<FileCopy> copies;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((sourceDir + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return copies;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    copies.push_back({sourceDir + "\\" + found.cFileName, destinationDir + "\\" + found.cFileName});
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return copies;
}

inline void Figure(const char* name, double value, const char* unit, const char* reference = "",
                   double referenceValue = 0, double ratio = 0) {
  if (*reference)
    std::printf("FIGURE|%s|%.2f|%s|%s|%.2f|%.2f\n", name, value, unit, reference, referenceValue, ratio);
  else
    std::printf("FIGURE|%s|%.2f|%s|||\n", name, value, unit);
  std::fflush(stdout);
}

}  // namespace copybench

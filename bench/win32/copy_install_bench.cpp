// The real _install.exe's copy step, timed from outside, beside its floor in
// the same run. The wizard is started with the product's files beside it,
// pressed through to Install, and watched without being asked anything: its
// status line's text (read from the window manager, never through the
// wizard's own thread) marks the first block of each file, and the line's
// hiding marks the end of the copy step. The floor (copy_floor.h) copies the
// same files before and after. Prints figures; asserts nothing.
//   copy_install_bench [--runs N] <_install.exe> <product folder> <scratch folder>
// (N installs, 3 unless told, each between two floor runs).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/win32/copy_floor.h"
#include "ui_driver.h"
#include "wizard/engine/install_manifest.h"

namespace {

using copybench::Now;

std::string Absolute(const std::string& path) {
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n && n < MAX_PATH ? std::string(full, n) : path;
}

// A window's text as the window manager holds it: no message reaches the
// program that owns the window.
std::string HeldText(HWND hwnd) {
  wchar_t text[256];
  const int n = InternalGetWindowText(hwnd, text, 256);
  std::string narrow;
  for (int i = 0; i < n; ++i) narrow += static_cast<char>(text[i] < 128 ? text[i] : '?');
  return narrow;
}

struct Mark {
  double at;
  std::string name;
};

struct Folders {
  std::string scratch, wizard, searchDir, programFiles;
};

// One install: the wizard started, pressed through to Install and watched
// until its copy step ends. *marks gets the moment each file's name first
// shows, *end the moment the status line hides.
bool WatchCopyStep(const Folders& f, std::vector<Mark>* marks, double* end) {
  marks->clear();
  *end = 0;
  uidriver::Session session;
  if (!session.Start(f.wizard + "\\_install.exe", "",
                     {{"PATH", f.searchDir + ";C:\\windows\\system32;C:\\windows"},
                      {"ProgramFiles", f.programFiles},
                      {"ProgramW6432", f.programFiles},
                      {"TEMP", f.scratch}},
                     f.scratch)) {
    std::fprintf(stderr, "copy_install_bench: cannot start the wizard\n");
    return false;
  }
  HWND window = session.WaitForWindow("QuillonWizard");
  HWND next = window ? uidriver::FindByCaption(window, "Next >") : nullptr;
  if (!next) {
    std::fprintf(stderr, "copy_install_bench: no wizard window\n");
    return false;
  }
  uidriver::Press(next);
  HWND install = nullptr;
  uidriver::WaitUntil([&] { return uidriver::Shown(install = uidriver::FindByCaption(window, "Install Now")); }, 10000);
  HWND status = uidriver::FindByCaption(window, "Checking previous versions...");
  if (!install || !status) {
    std::fprintf(stderr, "copy_install_bench: no install button or status line\n");
    return false;
  }
  uidriver::Press(install);
  // From here on the wizard is only watched.
  const std::string prefix = "Copying new file: ";
  const double deadline = Now() + 600;
  while (Now() < deadline && session.Running()) {
    const double now = Now();
    // The line is hidden until the copy page shows, and again once the copy
    // step ends.
    if (!IsWindowVisible(status)) {
      if (!marks->empty()) {
        *end = now;
        break;
      }
    } else {
      const std::string text = HeldText(status);
      if (text.compare(0, prefix.size(), prefix) == 0) {
        const std::string name = text.substr(prefix.size());
        if (marks->empty() || marks->back().name != name) marks->push_back({now, name});
      }
    }
    // Seldom enough to take next to nothing from the wizard on two cores.
    Sleep(20);
  }
  if (marks->empty() || *end == 0) {
    std::fprintf(stderr, "copy_install_bench: the copy step was not seen\n");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  if (argc == 6 && std::string(argv[1]) == "--runs") {
    runs = std::max(1, std::atoi(argv[2]));
    argv += 2;
    argc -= 2;
  }
  if (argc != 4) {
    std::fprintf(stderr, "usage: copy_install_bench [--runs N] <_install.exe> <product folder> <scratch folder>\n");
    return 2;
  }
  const std::string installer = Absolute(argv[1]), product = Absolute(argv[2]), scratch = Absolute(argv[3]);
  const Folders folders{scratch, scratch + "\\wizard", scratch + "\\path", scratch + "\\Program Files"};
  const std::string floorDir = scratch + "\\floor";
  for (const std::string& dir : {scratch, folders.wizard, folders.searchDir, floorDir})
    CreateDirectoryA(dir.c_str(), nullptr);
  if (!CopyFileA(installer.c_str(), (folders.wizard + "\\_install.exe").c_str(), FALSE)) {
    std::fprintf(stderr, "copy_install_bench: cannot copy %s\n", installer.c_str());
    return 1;
  }
  for (const auto& c : copybench::FolderCopies(product, folders.wizard))
    CopyFileA(c.source.c_str(), c.destination.c_str(), FALSE);

  // What the copy step copies with progress, in its order.
  std::vector<copybench::FileCopy> copies;
  for (const wizard::ManifestEntry& e : wizard::InstallManifest())
    if (e.kind == wizard::ManifestKind::kProgress)
      copies.push_back({folders.wizard + "\\" + e.source, floorDir + "\\" + e.destination});
  const double blocks = static_cast<double>(copybench::BlockCount(copies));
  if (blocks == 0) {
    std::fprintf(stderr, "copy_install_bench: no product files in %s\n", product.c_str());
    return 1;
  }

  // The status line changes at the first block of each file with a block in
  // it, so each mark opens a run of such files under one name (SETUP32.EXE
  // goes three times in a row).
  struct Run {
    std::string name;
    double blocks;
  };
  std::vector<Run> named;
  for (const auto& c : copies) {
    const std::string name = c.source.substr(c.source.rfind('\\') + 1);
    const double b = static_cast<double>(copybench::FileLength(c.source) / 256);
    if (b == 0) continue;
    if (named.empty() || named.back().name != name)
      named.push_back({name, b});
    else
      named.back().blocks += b;
  }

  // Floor and wizard take turns, the floor first and last.
  const double us = 1e6 / blocks;
  std::vector<double> floorWhole, floorMedian, wizardWhole, wizardMedian;
  auto floorRun = [&] {
    copybench::FloorWindow window;
    const copybench::FloorRun r = copybench::FloorCopy(copies, true);
    floorWhole.push_back(r.seconds * us);
    floorMedian.push_back(r.medianBlock * 1e6);
    std::printf("floor:   %.2f s, %.2f us per block\n", r.seconds, r.seconds * us);
  };
  floorRun();
  for (int run = 0; run < runs; ++run) {
    std::vector<Mark> marks;
    double end = 0;
    if (!WatchCopyStep(folders, &marks, &end)) return 1;
    // A file of a few blocks can pass between two looks: its blocks go to
    // the stretch before it.
    std::vector<double> stretchBlocks(marks.size(), 0);
    std::size_t seen = 0;
    for (const Run& r : named) {
      if (seen < marks.size() && marks[seen].name == r.name) ++seen;
      if (seen > 0) stretchBlocks[seen - 1] += r.blocks;
    }
    std::vector<double> perBlock;
    for (std::size_t m = 0; m < marks.size(); ++m) {
      const double seconds = (m + 1 < marks.size() ? marks[m + 1].at : end) - marks[m].at;
      // Short stretches are mostly polling error.
      if (stretchBlocks[m] >= 2000) perBlock.push_back(seconds / stretchBlocks[m]);
    }
    const double whole = end - marks.front().at;
    wizardWhole.push_back(whole * us);
    wizardMedian.push_back(copybench::Median(perBlock) * 1e6);
    std::printf("_install: %.2f s, %.2f us per block (first block to the end of the step)\n", whole, whole * us);
    floorRun();
  }

  // Whole runs on both sides: everything the step does, the plain copies and
  // the marker file included; medians over the runs.
  using copybench::Median;
  copybench::Figure("_install.exe copy per block", Median(wizardWhole), "us", "PeekMessage-per-block floor",
                    Median(floorWhole), 1.25);
  copybench::Figure("_install.exe copy per block, long stretches", Median(wizardMedian), "us",
                    "PeekMessage-per-block floor, stretches", Median(floorMedian), 1.25);
  return 0;
}

// The wizard's copy step as the program runs it, beside its floor: the real
// Wizard on the real Win32 platform and view, its window created and shown,
// pressed through to Install, and the copy step (Timer2) timed from its first
// action to its last over the sample product's files. The seams are wrapped
// to time each part of the work per block: the file I/O, the event pass, the
// window updates of the shown controls; the rest is the model's own (status
// line, counter and percent, cancel test). The floor (copy_floor.h) copies the
// same files in the same run, before and after. Prints figures; asserts
// nothing.
//   copy_wizard_bench <product folder> <scratch folder>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "bench/win32/copy_floor.h"
#include "platform/win32/environment.h"
#include "platform/win32/file_system.h"
#include "platform/win32/processes.h"
#include "platform/win32/registry.h"
#include "platform/win32/shell.h"
#include "wizard/engine/install_manifest.h"
#include "wizard/ui/win32/wizard_view.h"
#include "wizard/ui/wizard.h"

namespace {

using copybench::Now;

// Seconds spent inside one kind of call while the copy step runs.
struct Part {
  double seconds = 0;
  std::uint64_t calls = 0;
};

bool measuring = false;

class Stopwatch {
 public:
  explicit Stopwatch(Part& part) : part_(part), start_(measuring ? Now() : 0) {}
  ~Stopwatch() {
    if (!measuring) return;
    part_.seconds += Now() - start_;
    ++part_.calls;
  }
  Stopwatch(const Stopwatch&) = delete;
  Stopwatch& operator=(const Stopwatch&) = delete;

 private:
  Part& part_;
  double start_;
};

Part io, pass, windowUpdates;

// Per stretch of copybench::kChunkBlocks blocks: seconds per block of the
// whole and of each part (see copy_floor.h for why medians).
struct Stretches {
  std::vector<double> total, io, pass, window, model;
  std::uint64_t blocks = 0;
  double start = 0, io0 = 0, pass0 = 0, window0 = 0;

  void Block() {
    const double now = copybench::Now();
    if (blocks++ == 0) {
      Mark(now);
      return;
    }
    if (blocks % copybench::kChunkBlocks != 1) return;
    const double n = copybench::kChunkBlocks;
    const double t = (now - start) / n, i = (::io.seconds - io0) / n, p = (::pass.seconds - pass0) / n,
                 w = (windowUpdates.seconds - window0) / n;
    total.push_back(t);
    io.push_back(i);
    pass.push_back(p);
    window.push_back(w);
    model.push_back(t - i - p - w);
    Mark(now);
  }
  void Mark(double now) {
    start = now;
    io0 = ::io.seconds;
    pass0 = ::pass.seconds;
    window0 = windowUpdates.seconds;
  }
} stretches;

// With COPYBENCH_MESSAGES set: what the passes dispatch, by message (the
// hook costs time of its own, so the figures of such a run are not the
// program's).
std::map<UINT, std::uint64_t> dispatched;
LRESULT CALLBACK CountMessage(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && wp == PM_REMOVE && measuring) ++dispatched[reinterpret_cast<MSG*>(lp)->message];
  return CallNextHookEx(nullptr, code, wp, lp);
}

class TimedFile : public platform::OpenFile {
 public:
  explicit TimedFile(std::unique_ptr<platform::OpenFile> file) : file_(std::move(file)) {}
  platform::FsResult ReadAt(std::uint64_t position, char* buffer, std::size_t size, std::size_t* read) override {
    Stopwatch s(io);
    return file_->ReadAt(position, buffer, size, read);
  }
  platform::FsResult WriteAt(std::uint64_t position, std::string_view data) override {
    Stopwatch s(io);
    return file_->WriteAt(position, data);
  }
  platform::FsResult Length(std::uint64_t* length) override {
    Stopwatch s(io);
    return file_->Length(length);
  }
  platform::FsResult Truncate(std::uint64_t length) override {
    Stopwatch s(io);
    return file_->Truncate(length);
  }
  ~TimedFile() override {
    Stopwatch s(io);
    file_.reset();
  }

 private:
  std::unique_ptr<platform::OpenFile> file_;
};

class TimedFiles : public platform::FileSystem {
 public:
  std::optional<std::uint32_t> Attributes(const std::string& path) override {
    Stopwatch s(io);
    return real_.Attributes(path);
  }
  platform::FsResult SetAttributes(const std::string& path, std::uint32_t attributes) override {
    Stopwatch s(io);
    return real_.SetAttributes(path, attributes);
  }
  platform::FsResult WriteAll(const std::string& path, std::string_view data) override {
    Stopwatch s(io);
    return real_.WriteAll(path, data);
  }
  platform::FsResult WriteAllAndHold(const std::string& path, std::string_view data,
                                     std::unique_ptr<platform::OpenFile>* held) override {
    return real_.WriteAllAndHold(path, data, held);
  }
  platform::FsResult ReadAll(const std::string& path, std::string* data) override {
    Stopwatch s(io);
    return real_.ReadAll(path, data);
  }
  platform::FsResult Open(const std::string& path, platform::OpenMode mode,
                          std::unique_ptr<platform::OpenFile>* file) override {
    Stopwatch s(io);
    std::unique_ptr<platform::OpenFile> opened;
    const platform::FsResult r = real_.Open(path, mode, &opened);
    if (opened) *file = std::make_unique<TimedFile>(std::move(opened));
    return r;
  }
  platform::FsResult CopyWholeFile(const std::string& from, const std::string& to) override {
    Stopwatch s(io);
    return real_.CopyWholeFile(from, to);
  }
  platform::FsResult EraseFile(const std::string& path) override {
    Stopwatch s(io);
    return real_.EraseFile(path);
  }
  platform::FsResult MakeDirectory(const std::string& path) override { return real_.MakeDirectory(path); }
  platform::FsResult EraseDirectory(const std::string& path) override { return real_.EraseDirectory(path); }
  platform::FsResult List(const std::string& directory, std::vector<platform::DirectoryEntry>* entries) override {
    Stopwatch s(io);
    return real_.List(directory, entries);
  }
  std::optional<std::string> ShortName(const std::string& path) override { return real_.ShortName(path); }

 private:
  platform::win32::FileSystem real_;
};

class TimedHost : public platform::UiHost {
 public:
  explicit TimedHost(platform::UiHost& real) : real_(real) {}
  void InitCommonControls() override { real_.InitCommonControls(); }
  void MakeTopMost() override { real_.MakeTopMost(); }
  void MakeNormal() override { real_.MakeNormal(); }
  void ProcessPendingEvents() override {
    {
      Stopwatch s(pass);
      real_.ProcessPendingEvents();
    }
    if (measuring) stretches.Block();
  }
  void BeginWindowMove() override { real_.BeginWindowMove(); }
  bool AskYesNo(const std::string& text, const std::string& title) override { return real_.AskYesNo(text, title); }
  void HideWindow() override { real_.HideWindow(); }
  void EndProgram() override { real_.EndProgram(); }

 private:
  platform::UiHost& real_;
};

// The product's files stand in the wizard's own folder.
class ProductEnvironment : public platform::win32::Environment {
 public:
  explicit ProductEnvironment(std::string folder) : folder_(std::move(folder)) {}
  std::string ProgramFolder() const override { return folder_; }

 private:
  std::string folder_;
};

std::string Absolute(const std::string& path) {
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n && n < MAX_PATH ? std::string(full, n) : path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: copy_wizard_bench <product folder> <scratch folder>\n");
    return 2;
  }
  const std::string product = Absolute(argv[1]), scratch = Absolute(argv[2]);
  const std::string programFiles = scratch + "\\Program Files", searchDir = scratch + "\\path",
                    floorDir = scratch + "\\floor";
  for (const std::string& dir : {scratch, programFiles, searchDir, floorDir}) CreateDirectoryA(dir.c_str(), nullptr);
  SetEnvironmentVariableA("ProgramFiles", programFiles.c_str());
  SetEnvironmentVariableA("ProgramW6432", programFiles.c_str());
  SetEnvironmentVariableA("PATH", (searchDir + ";C:\\windows\\system32;C:\\windows").c_str());

  // The floor copies what the copy step copies with progress.
  std::vector<copybench::FileCopy> copies;
  for (const wizard::ManifestEntry& e : wizard::InstallManifest())
    if (e.kind == wizard::ManifestKind::kProgress)
      copies.push_back({product + "\\" + e.source, floorDir + "\\" + e.destination});
  const double blocks = static_cast<double>(copybench::BlockCount(copies));
  if (blocks == 0) {
    std::fprintf(stderr, "copy_wizard_bench: no product files in %s\n", product.c_str());
    return 1;
  }

  copybench::FloorRun floorIo, floorBefore;
  {
    copybench::FloorWindow window;
    floorIo = copybench::FloorCopy(copies, false);
    floorBefore = copybench::FloorCopy(copies, true);
  }

  ProductEnvironment env(product);
  TimedFiles files;
  platform::win32::Shell shell;
  platform::win32::Registry registry;
  wizard::win32::WizardView view(GetModuleHandleA(nullptr));
  TimedHost host(view);
  platform::win32::Processes processes;
  wizard::Wizard wizard({env, files, shell, host, registry, processes});
  wizard::WizardWindow& w = wizard.window();

  // Window updates: from just before the view's observer to just after it,
  // on the controls that have a window.
  std::map<wizard::Control*, double> started;
  std::map<wizard::Control*, Part> updates;
  for (wizard::Control* c : w.controls())
    if (!c->spec().neverShown)
      c->Observe([&started](wizard::Control& control, wizard::Property) { started[&control] = Now(); });
  wizard.InitCommonControls();
  if (!view.Create(wizard)) {
    std::fprintf(stderr, "copy_wizard_bench: no window\n");
    return 1;
  }
  for (wizard::Control* c : w.controls())
    if (!c->spec().neverShown)
      c->Observe([&started, &updates](wizard::Control& control, wizard::Property) {
        if (!measuring || !control.ShownOnScreen()) return;
        const double seconds = Now() - started[&control];
        windowUpdates.seconds += seconds;
        ++windowUpdates.calls;
        updates[&control].seconds += seconds;
        ++updates[&control].calls;
      });

  // Pressed through as a user would: Next, then Install once the options show.
  auto showOptions = w.Timer10.onTick;
  w.Timer10.onTick = [&] {
    showOptions();
    wizard.OnClick(w.NextButton);
  };
  double copySeconds = 0, viewPass = 0, barePass = 0;
  auto copyStep = w.Timer2.onTick;
  w.Timer2.onTick = [&] {
    measuring = true;
    const double start = Now();
    copyStep();
    copySeconds = Now() - start;
    measuring = false;
    // The view's pass against a bare PeekMessage pass, taking turns in the
    // same thread at the same depth as during the copy.
    std::vector<double> viewRounds, bareRounds;
    for (int round = 0; round < 10; ++round) {
      double t = Now();
      for (int i = 0; i < 2000; ++i) view.ProcessPendingEvents();
      viewRounds.push_back((Now() - t) / 2000);
      t = Now();
      for (int i = 0; i < 2000; ++i) copybench::PumpOnce();
      bareRounds.push_back((Now() - t) / 2000);
    }
    viewPass = copybench::Median(viewRounds);
    barePass = copybench::Median(bareRounds);
    PostQuitMessage(0);
  };
  if (GetEnvironmentVariableA("COPYBENCH_MESSAGES", nullptr, 0))
    SetWindowsHookExA(WH_GETMESSAGE, CountMessage, nullptr, GetCurrentThreadId());
  wizard.Start();
  view.Show();
  wizard.OnClick(w.NextButton);
  view.Run();

  copybench::FloorRun floorAfter;
  {
    copybench::FloorWindow window;
    floorAfter = copybench::FloorCopy(copies, true);
  }

  const double us = 1e6 / blocks;
  const double model = copySeconds - io.seconds - pass.seconds - windowUpdates.seconds;
  std::printf("blocks %.0f, copy step %.2f s, floor %.2f s / %.2f s, bytes copied %s (%s)\n", blocks, copySeconds,
              floorBefore.seconds, floorAfter.seconds, w.BytesCopied.text().c_str(), w.PercentText.text().c_str());
  for (const auto& [control, part] : updates)
    std::printf("window updates of %s: %llu, %.3f ms each\n", control->name().c_str(),
                static_cast<unsigned long long>(part.calls), part.seconds * 1e3 / static_cast<double>(part.calls));
  {
    // What the part timers themselves cost: about seven readings per block.
    const double start = Now();
    for (int i = 0; i < 100000; ++i) Now();
    std::printf("one timer reading: %.3f us\n", (Now() - start) * 10);
  }
  for (const auto& [message, count] : dispatched)
    std::printf("message 0x%04x: %llu\n", message, static_cast<unsigned long long>(count));
  std::printf(
      "means per block: copy step %.2f us (I/O %.2f, event pass %.2f, window updates %.2f, model %.2f); "
      "floor %.2f us (I/O %.2f)\n",
      copySeconds * us, io.seconds * us, pass.seconds * us, windowUpdates.seconds * us, model * us,
      (floorBefore.seconds + floorAfter.seconds) / 2 * us, floorIo.seconds * us);

  using copybench::Median;
  const double floor = (floorBefore.medianBlock + floorAfter.medianBlock) / 2 * 1e6;
  copybench::Figure("block copy per block", Median(stretches.total) * 1e6, "us", "PeekMessage-per-block floor", floor,
                    1.25);
  copybench::Figure("block copy part: I/O", Median(stretches.io) * 1e6, "us");
  copybench::Figure("block copy part: event pass", Median(stretches.pass) * 1e6, "us");
  copybench::Figure("block copy part: window updates", Median(stretches.window) * 1e6, "us");
  copybench::Figure("block copy part: status, counter, percent, cancel test", Median(stretches.model) * 1e6, "us");
  copybench::Figure("event pass of the view, after the copy", viewPass * 1e6, "us",
                    "bare PeekMessage pass, same thread", barePass * 1e6, 1.25);
  copybench::Figure("floor part: I/O", floorIo.medianBlock * 1e6, "us");
  copybench::Figure("floor part: event pass", floor - floorIo.medianBlock * 1e6, "us");
  return 0;
}

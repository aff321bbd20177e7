#include "wizard/engine/file_copy.h"

#include <cstdlib>
#include <memory>

#include "platform/double_arithmetic.h"
#include "platform/text.h"
#include "wizard/engine/rounding.h"
#include "wizard/model/cancel_flag.h"

namespace wizard {

using platform::FsResult;

std::int64_t PercentOfInstall(std::int64_t bytesCopied) {
  const double quotient =
      platform::ProductOver(static_cast<double>(bytesCopied), 100.0, static_cast<double>(kInstallByteTotal));
  return static_cast<std::int64_t>(RoundHalfEven(quotient));
}

namespace {

std::int64_t NumberIn(const Control& label) { return std::strtoll(label.text().c_str(), nullptr, 10); }

// The bare name of `path` as its directory lists it (the caller's spelling
// when the directory cannot say).
std::string ReportedName(platform::FileSystem& files, const std::string& path) {
  const auto slash = path.rfind('\\');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (slash == std::string::npos) return name;
  std::vector<platform::DirectoryEntry> entries;
  if (files.List(path.substr(0, slash), &entries) == FsResult::kOk) {
    for (const auto& e : entries)
      if (platform::EqualsNoCase(e.name, name)) return e.name;
  }
  return name;
}

}  // namespace

void BindProgressDisplay(WizardWindow& w) {
  w.BytesCopied.Observe([&w](Control& counter, Property p) {
    if (p != Property::kText) return;
    w.PercentDone.SetText(std::to_string(PercentOfInstall(NumberIn(counter))));
  });
  w.PercentDone.Observe([&w](Control& percent, Property p) {
    if (p != Property::kText) return;
    const std::int64_t value = NumberIn(percent);
    // Above 100 the bar refuses the value; the text still shows the number.
    w.OverallProgressBar.SetValue(static_cast<double>(value));
    w.PercentText.SetText(std::to_string(value) + "%");
  });
}

void AddToBytesCopied(WizardWindow& w, std::int64_t amount) {
  w.BytesCopied.SetText(std::to_string(NumberIn(w.BytesCopied) + amount));
}

void CopyFileWithProgress(const CopyServices& s, const std::string& source, const std::string& destination,
                          Control& bar) {
  platform::FileSystem& files = s.files;
  // Only a plain file is deleted first: a hidden or system file of that name
  // is written over instead.
  if (auto a = files.Attributes(destination);
      a && !(*a & (platform::kAttrDirectory | platform::kAttrHidden | platform::kAttrSystem)))
    files.EraseFile(destination);

  std::unique_ptr<platform::OpenFile> in, out;
  files.Open(source, platform::OpenMode::kRead, &in);
  files.Open(destination, platform::OpenMode::kWrite, &out);

  std::uint64_t length = 0;
  if (in && in->Length(&length) != FsResult::kOk) length = 0;
  const std::uint64_t blocks = length / kCopyBlockSize;
  const std::size_t remainder = static_cast<std::size_t>(length % kCopyBlockSize);
  bar.SetMax(static_cast<double>(length));

  const std::string status = "Copying new file: " + (blocks ? ReportedName(files, source) : std::string());
  char buffer[kCopyBlockSize];
  // A destination that survived the deletion must not keep its old tail
  // behind a shorter new file; but with nothing read from the source it
  // keeps everything it had.
  bool truncated = false;
  // A failed read skips that block's write: stale buffer bytes would be
  // written as if they were the file's.
  auto copyBlock = [&](std::uint64_t position, std::size_t size) {
    std::size_t got = 0;
    if (!in || in->ReadAt(position, buffer, size, &got) != FsResult::kOk || got == 0) return;
    if (!out) return;
    if (!truncated) {
      out->Truncate(0);  // once: a second try would cut what was written since
      truncated = true;
    }
    out->WriteAt(position, std::string_view(buffer, got));
  };

  std::uint64_t position = 0;
  for (std::uint64_t k = 0; k < blocks; ++k) {
    s.window.CopyStatusLabel.SetText(status);
    copyBlock(position, kCopyBlockSize);
    position += kCopyBlockSize;
    AddToBytesCopied(s.window, static_cast<std::int64_t>(kCopyBlockSize));
    if (CancelFlagSet(s.window)) return;
    s.host.ProcessPendingEvents();
  }
  if (remainder) copyBlock(position, remainder);
  AddToBytesCopied(s.window, static_cast<std::int64_t>(remainder));
  bar.SetValue(bar.max());
}

}  // namespace wizard

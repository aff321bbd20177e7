#include <gtest/gtest.h>

#include <functional>

#include "tests/native/wizard_fixture.h"
#include "wizard/engine/file_copy.h"

namespace {

using platform::FsResult;

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 256) % 26);
  return s;
}

struct CopyFixture : WizardFixture {
  wizard::WizardWindow& w;
  CopyFixture() : w(Start()) {}
  void Copy(const std::string& source, const std::string& destination) {
    wizard::CopyFileWithProgress({w, files, host}, source, destination, w.FileProgressBar);
  }
  std::string Read(const std::string& path) {
    std::string data;
    EXPECT_EQ(files.ReadAll(path, &data), FsResult::kOk);
    return data;
  }
};

TEST(CopyFileWithProgress, BlocksRemainderCounterAndBar) {
  struct Case {
    std::size_t size;
    int blocks;
  };
  const Case cases[] = {{0, 0}, {255, 0}, {256, 1}, {257, 1}, {3 * 256 + 5, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    CopyFixture f;
    f.files.PutFile("C:\\Setup\\Source.BIN", Pattern(c.size));
    f.w.BytesCopied.SetText("1000");
    f.w.CopyStatusLabel.SetText("before");
    // Twice onto the same destination: replaced, not appended to.
    f.Copy("c:\\setup\\source.bin", "C:\\dest.bin");
    f.Copy("c:\\setup\\source.bin", "C:\\dest.bin");
    EXPECT_EQ(f.Read("C:\\dest.bin"), Pattern(c.size));
    EXPECT_EQ(f.w.BytesCopied.text(), std::to_string(1000 + 2 * c.size));
    // One pass of event processing per whole block, none for the remainder.
    EXPECT_EQ(f.host.pendingEventPasses, 2 * c.blocks);
    // The name shows only with a whole block, spelled as the directory has it.
    EXPECT_EQ(f.w.CopyStatusLabel.text(), c.blocks ? "Copying new file: Source.BIN" : "before");
    if (c.size) {
      EXPECT_EQ(f.w.FileProgressBar.max(), static_cast<double>(c.size));
    }
    EXPECT_EQ(f.w.FileProgressBar.value(), f.w.FileProgressBar.max());
  }
}

TEST(CopyFileWithProgress, NeverLeavesAnOldTailBehind) {
  // A plain file is deleted first; a hidden one survives the deletion and is
  // written over, and must still end up exactly as long as the source.
  for (std::uint32_t attributes : {std::uint32_t{platform::kAttrArchive},
                                   std::uint32_t{platform::kAttrHidden | platform::kAttrSystem}}) {
    SCOPED_TRACE(attributes);
    CopyFixture f;
    f.files.PutFile("C:\\Setup\\new.dll", Pattern(300));
    f.files.PutFile("C:\\dest.dll", std::string(2000, 'x'), attributes);
    f.Copy("C:\\Setup\\new.dll", "C:\\dest.dll");
    EXPECT_EQ(f.Read("C:\\dest.dll"), Pattern(300));
  }
}

TEST(CopyFileWithProgress, NothingToWriteLeavesASurvivingDestinationIntact) {
  // A hidden or system destination is not deleted first; with nothing read
  // from the source it must keep every byte it had.
  struct Source {
    const char* what;
    std::function<void(CopyFixture&)> put;
  };
  const Source sources[] = {
      {"missing", [](CopyFixture&) {}},
      {"empty", [](CopyFixture& f) { f.files.PutFile("C:\\Setup\\new.dll", ""); }},
      {"unreadable",
       [](CopyFixture& f) {
         f.files.PutFile("C:\\Setup\\new.dll", Pattern(600));
         f.files.FailReadsAfter("C:\\Setup\\new.dll", 0);
       }},
  };
  for (std::uint32_t attributes : {std::uint32_t{platform::kAttrHidden}, std::uint32_t{platform::kAttrSystem},
                                   std::uint32_t{platform::kAttrHidden | platform::kAttrSystem}}) {
    for (const auto& source : sources) {
      SCOPED_TRACE(testing::Message() << source.what << " source, attributes " << attributes);
      CopyFixture f;
      source.put(f);
      f.files.PutFile("C:\\dest.dll", "kept content", attributes);
      f.Copy("C:\\Setup\\new.dll", "C:\\dest.dll");
      EXPECT_EQ(f.Read("C:\\dest.dll"), "kept content");
      EXPECT_EQ(f.files.Attributes("C:\\dest.dll"), attributes);
      EXPECT_EQ(f.w.FileProgressBar.value(), f.w.FileProgressBar.max());
    }
  }
}

TEST(CopyFileWithProgress, MissingSourceLeavesAnEmptyDestination) {
  CopyFixture f;
  f.files.PutFile("C:\\dest.dll", "old content");
  f.Copy("C:\\Setup\\absent.dll", "C:\\dest.dll");
  EXPECT_EQ(f.Read("C:\\dest.dll"), "");
  EXPECT_EQ(f.w.BytesCopied.text(), "0");
  // Never recomputed: the percent holder keeps its design text, which no
  // recomputation could produce.
  EXPECT_EQ(f.w.PercentDone.text(), "Label12");
  EXPECT_EQ(f.w.PercentText.text(), "0%");
  EXPECT_EQ(f.host.pendingEventPasses, 0);
}

TEST(CopyFileWithProgress, UnwritableDestinationStillCounts) {
  CopyFixture f;
  f.files.PutFile("C:\\Setup\\a.dll", Pattern(600));
  f.files.MakeDirectories("C:\\Locked");
  f.files.DenyWrites("C:\\Locked");
  f.Copy("C:\\Setup\\a.dll", "C:\\Locked\\a.dll");
  EXPECT_FALSE(f.files.FileExists("C:\\Locked\\a.dll"));
  EXPECT_EQ(f.w.BytesCopied.text(), "600");
  EXPECT_EQ(f.w.FileProgressBar.value(), 600);
}

TEST(CopyFileWithProgress, CancelDuringEventsStopsOneBlockLater) {
  for (int k : {1, 3}) {
    SCOPED_TRACE(k);
    CopyFixture f;
    f.files.PutFile("C:\\Setup\\big.dat", Pattern(10 * 256 + 7));
    f.w.FileProgressBar.SetValue(40);
    FsResult eraseWhileOpen = FsResult::kOk;
    f.host.onPendingEvents = [&](int pass) {
      if (pass != k) return;
      f.w.CancelMarker.SetText("zorp");
      // What a confirmed cancel tries at this moment: the file being copied
      // is still open and cannot go yet.
      eraseWhileOpen = f.files.EraseFile("C:\\dest.dat");
    };
    f.Copy("C:\\Setup\\big.dat", "C:\\dest.dat");
    EXPECT_EQ(eraseWhileOpen, FsResult::kSharingViolation);
    EXPECT_EQ(f.Read("C:\\dest.dat"), Pattern(10 * 256 + 7).substr(0, (k + 1) * 256));
    EXPECT_EQ(f.w.BytesCopied.text(), std::to_string((k + 1) * 256));
    EXPECT_EQ(f.host.pendingEventPasses, k);
    EXPECT_EQ(f.w.FileProgressBar.value(), 40);  // the per-file bar is left alone
    // Both files were closed on the way out.
    EXPECT_EQ(f.files.EraseFile("C:\\dest.dat"), FsResult::kOk);
    EXPECT_EQ(f.files.EraseFile("C:\\Setup\\big.dat"), FsResult::kOk);
  }
}

TEST(ProgressDisplay, PercentRoundsHalfToEvenAndMayPassHundred) {
  struct Case {
    std::int64_t bytes;
    const char* text;
    double bar;
  };
  // 35212632 bytes are 100 %; 352126.32 bytes are 1 %.
  const Case cases[] = {
      {176063, "0%", 0},         // 0.49999... %
      {176064, "1%", 1},         // just over one half
      {4401579, "12%", 12},      // exactly 12.5 %
      {13204737, "38%", 38},     // exactly 37.5 %
      {17606316, "50%", 50},     // half of the total
      {35212632, "100%", 100},
      {38733896, "110%", 100},   // the bar refuses 110 and keeps its value
      {0, "0%", 0},
  };
  WizardFixture f;
  auto& w = f.Start();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    w.BytesCopied.SetText(std::to_string(c.bytes));
    EXPECT_EQ(w.PercentText.text(), c.text);
    EXPECT_EQ(w.PercentDone.text() + "%", c.text);
    EXPECT_EQ(w.OverallProgressBar.value(), c.bar);
  }
}

TEST(ProgressDisplay, CounterPercentBarAndTextInThatOrder) {
  WizardFixture f;
  auto& w = f.Start();
  // Each update sees the ones before it already done.
  std::string counterSeenByPercent, barSeenByText;
  int textChanges = 0;
  w.PercentDone.Observe([&](wizard::Control&, wizard::Property) { counterSeenByPercent = w.BytesCopied.text(); });
  w.PercentText.Observe([&](wizard::Control&, wizard::Property) {
    barSeenByText = std::to_string(static_cast<int>(w.OverallProgressBar.value()));
    ++textChanges;
  });
  wizard::AddToBytesCopied(w, 17606316);
  EXPECT_EQ(counterSeenByPercent, "17606316");
  EXPECT_EQ(barSeenByText, "50");
  wizard::AddToBytesCopied(w, 1);  // the whole percent does not change
  EXPECT_EQ(textChanges, 1);
}

}  // namespace

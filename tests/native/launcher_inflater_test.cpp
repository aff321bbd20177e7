#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "file_inflater.h"
#include "launcher/fake/launcher_files.h"
#include "launcher_test_payloads.h"

namespace launcher {
namespace {

using testing::deflateBytes;
using FakeFiles = fake::LauncherFiles;

// Half noise, half repetition: long matches and incompressible runs both
// cross the 4096-byte buffer boundaries.
std::vector<unsigned char> mixedData(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<unsigned char> data(size);
  for (size_t i = 0; i < size; ++i) {
    data[i] = (i / 3000) % 2 ? static_cast<unsigned char>(random()) : static_cast<unsigned char>("quillon"[i % 7]);
  }
  return data;
}

class RecordingInflater : public FileInflater {
 public:
  explicit RecordingInflater(LauncherFiles& files, uint64_t outputLimit = FileInflater::kLargestOutput)
      : FileInflater(files, outputLimit) {}
  void OnProgress(int percent) override {
    progress.push_back(percent);
    if (abortAtProgress >= 0 && static_cast<int>(progress.size()) > abortAtProgress) RequestAbort();
  }
  void OnStatus(const char* text) override { statuses.push_back(text); }
  std::vector<int> progress;
  std::vector<std::string> statuses;
  int abortAtProgress = -1;
};

struct Inflation {
  int result;
  std::vector<unsigned char> output;
  std::vector<std::string> statuses;
  std::vector<int> progress;
};

Inflation inflateThroughFiles(const std::vector<unsigned char>& stream, FakeFiles& files, int abortAt = -1,
                              uint64_t outputLimit = FileInflater::kLargestOutput) {
  files.AddDirectory("C:\\t");
  files.Put("C:\\t\\in", stream);
  RecordingInflater inflater(files, outputLimit);
  inflater.abortAtProgress = abortAt;
  Inflation r;
  r.result = inflater.InflateFile("C:\\t\\in", "C:\\t\\out");
  r.output = files.Exists("C:\\t\\out") ? files.At("C:\\t\\out").data : std::vector<unsigned char>();
  r.statuses = inflater.statuses;
  r.progress = inflater.progress;
  EXPECT_EQ(0, files.openHandles) << "both files are closed on every path";
  return r;
}

TEST(FileInflater, InflatesAcrossBufferBoundaries) {
  // Sizes around one and several 4096-byte buffers on both sides, and both
  // a stored (level 0) and a compressed stream.
  for (size_t size : {1u, 4095u, 4096u, 4097u, 8192u, 12289u, 200000u}) {
    for (int level : {0, Z_DEFAULT_COMPRESSION, 9}) {
      std::vector<unsigned char> data = mixedData(size, static_cast<unsigned>(size));
      FakeFiles files;
      Inflation r = inflateThroughFiles(deflateBytes(data, level), files);
      ASSERT_EQ(0, r.result) << size << " level " << level;
      ASSERT_EQ(data, r.output) << size << " level " << level;
      EXPECT_EQ(std::vector<std::string>{"Success"}, r.statuses);
      ASSERT_FALSE(r.progress.empty());
      EXPECT_EQ(100, r.progress.back());
    }
  }
}

TEST(FileInflater, DamagedStreamsFailWithZlibsResult) {
  std::vector<unsigned char> data = mixedData(50000, 7);
  std::vector<unsigned char> good = deflateBytes(data);
  struct Case {
    const char* label;
    std::vector<unsigned char> stream;
    int expected;
  };
  std::vector<Case> cases;
  for (size_t keep : {size_t(1), size_t(2), good.size() / 2, good.size() - 4, good.size() - 1}) {
    cases.push_back({"truncated", std::vector<unsigned char>(good.begin(), good.begin() + keep), Z_BUF_ERROR});
  }
  std::vector<unsigned char> header = good;
  header[0] = 0x79;  // header checksum no longer divides by 31
  cases.push_back({"header", header, Z_DATA_ERROR});
  std::vector<unsigned char> adler = good;
  adler[adler.size() - 1] ^= 0x01;
  cases.push_back({"adler", adler, Z_DATA_ERROR});
  std::vector<unsigned char> body = good;
  for (size_t i = 10; i < 40; ++i) body[i] = 0xFF;
  cases.push_back({"corrupt", body, Z_DATA_ERROR});
  cases.push_back({"rawDeflate", std::vector<unsigned char>(good.begin() + 2, good.end()), Z_DATA_ERROR});
  cases.push_back({"empty", {}, Z_BUF_ERROR});
  // A stream that needs a preset dictionary, which setup never has: zlib's
  // Z_NEED_DICT is positive, but the result must still be a failure code.
  {
    z_stream z = {};
    ASSERT_EQ(Z_OK, deflateInit(&z, Z_DEFAULT_COMPRESSION));
    const unsigned char dictionary[] = "quillon quillon quillon";
    ASSERT_EQ(Z_OK, deflateSetDictionary(&z, dictionary, sizeof dictionary));
    std::vector<unsigned char> stream(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = data.data();
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = stream.data();
    z.avail_out = static_cast<uInt>(stream.size());
    ASSERT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
    stream.resize(z.total_out);
    deflateEnd(&z);
    cases.push_back({"presetDictionary", stream, Z_DATA_ERROR});
  }

  for (const Case& c : cases) {
    FakeFiles files;
    Inflation r = inflateThroughFiles(c.stream, files);
    EXPECT_EQ(c.expected, r.result) << c.label << " of " << c.stream.size();
    EXPECT_EQ(std::vector<std::string>{"Zlib Error"}, r.statuses) << c.label;
  }
}

TEST(FileInflater, ShortWriteFailsAndStaysFailed) {
  // Within the first write batch, and well into a larger output.
  struct Case {
    size_t size;
    uint64_t budget;
  };
  for (const Case& c : {Case{30000, 0}, Case{30000, 100}, Case{30000, 4096}, Case{30000, 29999}, Case{300000, 70000},
                        Case{300000, FileInflater::kWriteBatchSize}, Case{300000, 299999}}) {
    std::vector<unsigned char> data = mixedData(c.size, 3);
    FakeFiles files;
    files.writeBudget = c.budget;
    Inflation r = inflateThroughFiles(deflateBytes(data), files);
    EXPECT_EQ(FileInflater::kWriteFailed, r.result) << c.budget;
    EXPECT_EQ(std::vector<std::string>{"Zlib Error"}, r.statuses) << c.budget;
    // What reached the disk is the output's beginning, all the disk took.
    ASSERT_EQ(c.budget, r.output.size()) << c.budget;
    EXPECT_TRUE(std::equal(r.output.begin(), r.output.end(), data.begin())) << c.budget;
  }
}

TEST(FileInflater, AbortFromTheProgressHookStopsWithMinus7) {
  std::vector<unsigned char> data = mixedData(100000, 11);
  FakeFiles files;
  Inflation r = inflateThroughFiles(deflateBytes(data, 0), files, 1);
  EXPECT_EQ(FileInflater::kAborted, r.result);
  EXPECT_EQ(std::vector<std::string>{"User Abort"}, r.statuses);
  EXPECT_LT(r.output.size(), data.size());
}

TEST(FileInflater, OutputPastTheLimitFailsAsADamagedStream) {
  EXPECT_EQ(0xFFFFFFFFu, FileInflater::kLargestOutput) << "the largest archive the format can describe";
  // 32 MiB of zeros deflate to about 32 KiB: without a limit a small
  // resource fills the disk long before any size check.
  const uint64_t limit = 1u << 20;
  std::vector<unsigned char> bomb = deflateBytes(std::vector<unsigned char>(32u << 20, 0), 9);
  FakeFiles files;
  Inflation r = inflateThroughFiles(bomb, files, -1, limit);
  EXPECT_EQ(Z_DATA_ERROR, r.result);
  EXPECT_EQ(std::vector<std::string>{"Zlib Error"}, r.statuses);
  EXPECT_LE(r.output.size(), limit) << "nothing is written past the limit";
  EXPECT_GT(r.output.size(), limit - FileInflater::kBufferSize) << "stopped just there";
  ASSERT_FALSE(r.progress.empty());
  EXPECT_LT(r.progress.back(), 10) << "the rest of the input is not even read";

  // Exactly at the limit is still a whole archive, one byte more is not.
  for (size_t size : {size_t(4096), size_t(4097), size_t(100000)}) {
    std::vector<unsigned char> data = mixedData(size, 13);
    FakeFiles atLimit, pastLimit;
    Inflation fits = inflateThroughFiles(deflateBytes(data), atLimit, -1, size);
    EXPECT_EQ(0, fits.result) << size;
    EXPECT_EQ(data, fits.output) << size;
    EXPECT_EQ(Z_DATA_ERROR, inflateThroughFiles(deflateBytes(data), pastLimit, -1, size - 1).result) << size;
  }
}

TEST(FileInflater, MissingInputFails) {
  FakeFiles files;
  RecordingInflater inflater(files);
  files.AddDirectory("C:\\t");
  EXPECT_NE(0, inflater.InflateFile("C:\\t\\missing", "C:\\t\\out"));
  EXPECT_FALSE(files.Exists("C:\\t\\out"));
  EXPECT_EQ(0, files.openHandles);
}

TEST(FileInflater, ProgressIsTheShareOfInputConsumed) {
  // Stored blocks consume input evenly, so each 4096-byte read moves the
  // figure by 4096 * 100 / length.
  std::vector<unsigned char> data = mixedData(40000, 5);
  std::vector<unsigned char> stream = deflateBytes(data, 0);
  FakeFiles files;
  Inflation r = inflateThroughFiles(stream, files);
  ASSERT_EQ(0, r.result);
  ASSERT_GE(r.progress.size(), 3u);
  EXPECT_EQ(static_cast<int>(4096u * 100u / stream.size()), r.progress[0]);
  for (size_t i = 1; i < r.progress.size(); ++i) EXPECT_LE(r.progress[i - 1], r.progress[i]);
  EXPECT_EQ(100, r.progress.back());
}

}  // namespace
}  // namespace launcher

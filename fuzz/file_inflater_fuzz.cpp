// The FileInflater on the fake files, with reads cut into short chunks.
// Input: one byte k, then k & 7 + 1 chunk sizes (0 means a whole 4096-byte
// buffer), one byte for the output limit (0: none, else n * 256 bytes),
// then the zlib stream. The result must agree with zlib inflating the same
// stream in one piece.
#include <string>
#include <vector>

#include <zlib.h>

#include "file_inflater.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_files.h"

using namespace launcher;

namespace {

const char kDir[] = "C:\\T";
const char kInput[] = "C:\\T\\packed";
const char kOutput[] = "C:\\T\\archive";
const size_t kReferenceLimit = 64u << 20;

class RecordingInflater : public FileInflater {
 public:
  RecordingInflater(LauncherFiles& files, uint64_t limit) : FileInflater(files, limit) {}
  void OnProgress(int percent) override {
    FUZZ_CHECK(percent >= 0 && percent <= 100);
    FUZZ_CHECK(percent >= lastPercent);
    lastPercent = percent;
  }
  void OnStatus(const char* text) override { statuses.push_back(text); }
  int lastPercent = 0;
  std::vector<std::string> statuses;
};

// zlib on the whole stream; bytes after its end are not looked at, as the
// inflater does not look at them either. False for a damaged or short stream.
bool referenceInflate(const unsigned char* data, size_t size, std::vector<unsigned char>* out, bool* tooLarge) {
  z_stream z = {};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<unsigned char*>(data);
  z.avail_in = static_cast<uInt>(size);
  unsigned char buffer[16384];
  int result = Z_OK;
  *tooLarge = false;
  while (result == Z_OK) {
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    result = inflate(&z, Z_NO_FLUSH);  // Z_BUF_ERROR: the input ended first
    out->insert(out->end(), buffer, buffer + (sizeof buffer - z.avail_out));
    if (out->size() > kReferenceLimit) {
      *tooLarge = true;
      break;
    }
  }
  inflateEnd(&z);
  return result == Z_STREAM_END;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t chunkCount = (data[0] & 7u) + 1u;
  if (size < 2 + chunkCount) return 0;
  quillon::fuzz::TrackedFiles files;
  for (size_t i = 0; i < chunkCount; ++i) files.chunks.push_back(data[1 + i] == 0 ? 4096u : data[1 + i]);
  uint8_t limitByte = data[1 + chunkCount];
  uint64_t limit = limitByte == 0 ? FileInflater::kLargestOutput : limitByte * 256u;
  const unsigned char* stream = data + 2 + chunkCount;
  size_t streamSize = size - 2 - chunkCount;

  std::vector<unsigned char> expected;
  bool tooLarge = false;
  bool valid = referenceInflate(stream, streamSize, &expected, &tooLarge);
  if (tooLarge) return 0;

  files.AddDirectory(kDir);
  files.Put(kInput, std::vector<unsigned char>(stream, stream + streamSize));
  int result;
  std::vector<std::string> statuses;
  {
    RecordingInflater inflater(files, limit);
    result = inflater.InflateFile(kInput, kOutput);
    statuses = inflater.statuses;
  }
  FUZZ_CHECK(files.openHandles == 0);
  FUZZ_CHECK(statuses.size() == 1);
  // Zero, or one of the negative failure codes; never the abort nobody asked for.
  FUZZ_CHECK(result == 0 || result < 0);
  FUZZ_CHECK(result != FileInflater::kAborted);
  if (valid && expected.size() <= limit) {
    FUZZ_CHECK(result == 0);
    FUZZ_CHECK(statuses[0] == "Success");
    FUZZ_CHECK(files.Exists(kOutput) && files.At(kOutput).data == expected);
  } else {
    FUZZ_CHECK(result != 0);
    FUZZ_CHECK(statuses[0] == "Zlib Error");
  }
  for (const std::string& path : files.touched) FUZZ_CHECK(path == kInput || path == kOutput);
  for (const auto& file : files.files) {
    FUZZ_CHECK(file.first == fake::LauncherFiles::Key(kInput) || file.first == fake::LauncherFiles::Key(kOutput));
  }
  return 0;
}

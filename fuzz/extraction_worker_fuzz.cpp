// The whole ExtractionWorker on the fake host, checkpoints instant; the input
// is the payload resource. Whatever it holds, the worker ends by asking the
// dialog to close with no file left open, and touches no path outside the
// temporary directory and ExtractPath: every path it names, and every file
// left, is a plain name directly inside one of the two.
//
// Under libFuzzer a mutator works on the inflated archive half the time and
// compresses it again, so that mutations get past the Adler-32 check and
// reach the unpacking and copying.
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "extraction_worker.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_files.h"
#include "launcher/fake/worker_host.h"

using namespace launcher;

namespace {

const char kExtract[] = "D:\\Extract";

class FuzzHost : public fake::WorkerHost {
 public:
  quillon::fuzz::TrackedFiles tracked;
  bool TemporaryDirectory(PathText* directory) override {
    tracked.AddDirectory(tempDir);
    return directory->Assign(tempDir);
  }
  LauncherFiles& files() override { return tracked; }
};

// Lower case, as the fake keys its files.
std::string lower(const std::string& s) { return fake::LauncherFiles::Key(s.c_str()); }

// The plain name of `path` inside `dir` (which ends with a backslash), or "".
std::string nameInside(const std::string& path, const std::string& dir) {
  std::string p = lower(path), d = lower(dir);
  if (p.size() <= d.size() || p.compare(0, d.size(), d) != 0) return "";
  std::string name = p.substr(d.size());
  if (name.find_first_of("\\/:") != std::string::npos || name == "." || name == "..") return "";
  return name;
}

bool confined(const std::string& path, const std::string& temp) {
  return !nameInside(path, temp).empty() || !nameInside(path, std::string(kExtract) + "\\").empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzHost host;
  host.payload.assign(data, data + size);
  host.hasPayload = size != 0;
  host.tracked.AddDirectory(kExtract);
  {
    ExtractionWorker worker(host, kExtract);
    FUZZ_CHECK(worker.Run() == 0);
  }
  FUZZ_CHECK(host.closeRequests == 1);
  FUZZ_CHECK(host.tracked.openHandles == 0);
  for (const std::string& path : host.tracked.touched) {
    if (!confined(path, host.tempDir)) std::fprintf(stderr, "touched outside: %s\n", path.c_str());
    FUZZ_CHECK(confined(path, host.tempDir));
  }
  for (const auto& file : host.tracked.files) FUZZ_CHECK(confined(file.first, host.tempDir));
  for (const auto& start : host.starts) FUZZ_CHECK(start.file == std::string(kExtract) + "\\trampo.exe");
  if (!host.starts.empty()) {
    // A hand-over only after every copy: each file in ExtractPath is the
    // unpacked file of the same name.
    for (const std::string& name : host.tracked.NamesUnder(std::string(kExtract) + "\\")) {
      FUZZ_CHECK(host.tracked.Exists(host.tempDir + name));
      FUZZ_CHECK(host.tracked.At(host.tempDir + name).data ==
                 host.tracked.At(std::string(kExtract) + "\\" + name).data);
    }
  }
  return 0;
}

#ifdef QUILLON_LIBFUZZER
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
  std::vector<unsigned char> archive(64 * 1024);
  uLongf length = archive.size();
  if ((seed & 1) == 0 || uncompress(archive.data(), &length, data, size) != Z_OK) {
    return LLVMFuzzerMutate(data, size, maxSize);
  }
  length = LLVMFuzzerMutate(archive.data(), length, archive.size());
  std::vector<unsigned char> stream(compressBound(length));
  uLongf streamSize = stream.size();
  int level = (seed >> 1) % 10;
  if (compress2(stream.data(), &streamSize, archive.data(), length, level) != Z_OK || streamSize > maxSize) {
    return LLVMFuzzerMutate(data, size, maxSize);
  }
  std::memcpy(data, stream.data(), streamSize);
  return streamSize;
}
#endif

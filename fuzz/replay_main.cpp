// Runs a fuzz target once over each input file, or each file of a folder,
// without libFuzzer: the normal test run replays the seed corpus and every
// crash that fuzzing found, so a mended fault stays mended.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void runFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::fprintf(stderr, "replay %s (%zu bytes)\n", path.string().c_str(), bytes.size());
  // A copy of exactly the input's size, so the sanitizers see any read past it.
  std::vector<unsigned char> exact(bytes);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
}

}  // namespace

int main(int argc, char** argv) {
  size_t runs = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(arg)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      for (const auto& f : files) runFile(f);
      runs += files.size();
    } else if (std::filesystem::is_regular_file(arg, ec)) {
      runFile(arg);
      ++runs;
    }
    // A folder that does not exist (no regression found yet) replays nothing.
  }
  std::printf("%zu inputs replayed\n", runs);
  return runs == 0 ? 1 : 0;
}

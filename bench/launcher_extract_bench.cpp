// The launcher's own work for a payload of the stock size (five files, about
// 1.86 MB inflated): compressing it, inflating it through the 4096-byte
// buffers, and a whole extraction run with instant checkpoints on the
// in-memory host. The 18 checkpoints' 100 ms each come on top in setup.exe.
// Prints figures; asserts nothing.
#include <chrono>
#include <cstdio>
#include <random>

#include "extraction_worker.h"
#include "file_inflater.h"
#include "launcher/fake/worker_host.h"
#include "payload_codec.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  using namespace launcher;
  // Program code compresses to roughly half, like the stock payload.
  std::mt19937 random(2004);
  std::vector<ArchiveFile> files;
  const char* names[] = {"trampo.exe", "quillon.dll", "quilbox.dll", "readme.txt", "setup.ini"};
  const size_t sizes[] = {420000, 760000, 520000, 150000, 5798};
  for (int i = 0; i < 5; ++i) {
    ArchiveFile f;
    f.name = names[i];
    f.data.resize(sizes[i]);
    for (size_t k = 0; k < f.data.size(); ++k) {
      f.data[k] = (k / 64) % 2 ? static_cast<unsigned char>(random() % 16) : static_cast<unsigned char>(k >> 4);
    }
    files.push_back(f);
  }
  std::vector<unsigned char> archive = BuildArchive(files);

  auto start = std::chrono::steady_clock::now();
  std::vector<unsigned char> stream = packer::CompressPayload(archive);
  double compress = secondsSince(start);

  fake::LauncherFiles fakeFiles;
  fakeFiles.AddDirectory("C:\\t");
  fakeFiles.Put("C:\\t\\packed", stream);
  const int rounds = 20;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    FileInflater inflater(fakeFiles);
    inflater.InflateFile("C:\\t\\packed", "C:\\t\\archive");
  }
  double inflate = secondsSince(start) / rounds;

  start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    fake::WorkerHost host;
    host.payload = stream;
    host.fakeFiles.AddDirectory("D:\\Extract");
    ExtractionWorker worker(host, "D:\\Extract");
    worker.Run();
  }
  double run = secondsSince(start) / rounds;

  std::printf("archive           %zu bytes in %zu files\n", archive.size(), files.size());
  std::printf("payload stream    %zu bytes (%.1f %%)\n", stream.size(), 100.0 * static_cast<double>(stream.size()) / static_cast<double>(archive.size()));
  std::printf("compress          %.1f ms\n", compress * 1e3);
  std::printf("inflate           %.2f ms (%.0f MB/s of output)\n", inflate * 1e3, static_cast<double>(archive.size()) / inflate / 1e6);
  std::printf("extraction run    %.2f ms without checkpoint waits\n", run * 1e3);
  std::printf("FIGURE|launcher run, stock payload (native, fakes)|%.2f|ms|||\n", run * 1e3);
  std::printf("checkpoint waits  %u x %u ms in setup.exe\n", 8u + 2u * 5u, ExtractionWorker::kCheckpointMilliseconds);
  return 0;
}

// The floor for the wizard's block copy under Wine: every file of a folder
// copied in 256-byte blocks, once with one event pass per block in a shown
// window and once without, so the pass's own cost shows. Prints figures;
// asserts nothing.
//   copy_floor <source folder> <scratch folder>
#include "bench/win32/copy_floor.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: copy_floor <source folder> <scratch folder>\n");
    return 2;
  }
  CreateDirectoryA(argv[2], nullptr);
  const auto copies = copybench::FolderCopies(argv[1], argv[2]);
  const double blocks = static_cast<double>(copybench::BlockCount(copies));
  if (blocks == 0) {
    std::fprintf(stderr, "copy_floor: no whole block in %s\n", argv[1]);
    return 1;
  }
  copybench::FloorWindow window;
  const auto io = copybench::FloorCopy(copies, false);
  const auto floor = copybench::FloorCopy(copies, true);
  std::printf("blocks %.0f; mean per block: I/O %.2f us, I/O and pass %.2f us\n", blocks, io.seconds * 1e6 / blocks,
              floor.seconds * 1e6 / blocks);
  copybench::Figure("floor per block: I/O alone", io.medianBlock * 1e6, "us");
  copybench::Figure("floor per block: I/O and event pass", floor.medianBlock * 1e6, "us");
  return 0;
}

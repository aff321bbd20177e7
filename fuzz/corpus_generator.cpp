// Writes the seed corpus of every fuzz target into the folder given (the
// committed fuzz/corpus): small valid inputs and a few typical damages, so
// that fuzzing starts from inputs that reach deep into each reader.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "payload_archive.h"
#include "payload_codec.h"
#include "pe_resources.h"
#include "test_pe_image.h"

using packer::Bytes;
using launcher::ArchiveFile;

namespace {

std::filesystem::path root;

void save(const std::string& target, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(root / target);
  std::ofstream out(root / target / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::vector<ArchiveFile> files(int n) {
  const char* names[] = {"trampo.exe", "quillon.dll", "readme.txt", "A.TXT", "a.txt"};
  std::vector<ArchiveFile> out;
  for (int i = 0; i < n; ++i) {
    ArchiveFile f;
    f.name = names[i];
    f.creationTime = 0x01D0000000000000ull + static_cast<uint64_t>(i);
    f.lastAccessTime = f.creationTime + 1;
    f.lastWriteTime = f.creationTime + 2;
    f.data = text("content of " + f.name + std::string(static_cast<size_t>(i) * 11, 'x'));
    out.push_back(f);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_corpus_generator CORPUS_FOLDER\n");
    return 2;
  }
  root = argv[1];
  using namespace packer;

  // Payload archives.
  Bytes three = launcher::BuildArchive(files(3));
  Bytes five = launcher::BuildArchive(files(5));
  save("payload_archive", "three_files", three);
  save("payload_archive", "repeated_names", five);
  save("payload_archive", "count_zero", Bytes(4, 0));
  Bytes badName = three;
  std::memcpy(&badName[4 + 36], "..\\up", 6);
  save("payload_archive", "directory_part", badName);
  Bytes cut(three.begin(), three.end() - 5);
  save("payload_archive", "data_cut_short", cut);

  // Inflater: chunk sizes and a limit in front of each stream.
  Bytes stream = CompressPayload(three);
  auto inflaterInput = [](const Bytes& chunks, unsigned char limit, const Bytes& s) {
    Bytes in(1, static_cast<unsigned char>(chunks.size() - 1));
    for (unsigned char c : chunks) in.push_back(c);
    in.push_back(limit);
    for (unsigned char c : s) in.push_back(c);
    return in;
  };
  save("file_inflater", "whole_reads", inflaterInput(Bytes{0}, 0, stream));
  save("file_inflater", "byte_by_byte", inflaterInput(Bytes{1}, 0, stream));
  save("file_inflater", "mixed_chunks", inflaterInput(Bytes{3, 200, 1, 0}, 0, stream));
  save("file_inflater", "over_the_limit", inflaterInput(Bytes{0}, 1, CompressPayload(Bytes(2000, 'z'))));
  Bytes damaged = stream;
  damaged[damaged.size() / 2] ^= 0x55;
  save("file_inflater", "damaged", inflaterInput(Bytes{5}, 0, damaged));

  // Worker: payload resources.
  save("extraction_worker", "three_files", stream);
  save("extraction_worker", "repeated_names", CompressPayload(five));
  save("extraction_worker", "count_zero", CompressPayload(Bytes(4, 0)));
  save("extraction_worker", "directory_part", CompressPayload(badName));
  Bytes sizeZero = three;
  packer::put32(sizeZero, 4 + 296 + 32, 0);
  save("extraction_worker", "size_zero", CompressPayload(sizeZero));
  save("extraction_worker", "adler_damaged", Bytes(stream.begin(), stream.end() - 1));

  // PE images with a few resources, one with the payload already in.
  for (bool plus : {false, true}) {
    Bytes pe = packer::makeImage(plus).bytes;
    ResourceTree tree;
    tree[ResourceKey::FromId(3)][ResourceKey::FromId(1)][1033].bytes = Bytes(40, 0x11);
    tree[ResourceKey::FromId(5)][ResourceKey::FromName("NAMED")][1031] = {1252, Bytes(9, 0x44)};
    tree[PayloadType()][PayloadName()][kPayloadLanguage].bytes = Bytes(60, 0x7E);
    std::string error;
    if (!WriteResources(&pe, tree, &error, nullptr)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    save("pe_resources", plus ? "pe32plus" : "pe32", pe);
  }
  save("pe_resources", "bare_pe32plus", packer::makeImage(true).bytes);

  // ProgramFiles values.
  save("removal_script", "program_files", text("C:\\Program Files"));
  save("removal_script", "x86", text("C:\\Program Files (x86)"));
  save("removal_script", "second_drive", text("D:\\Apps:\\More"));
  save("removal_script", "trailing_separators", text("E:\\\\Prog\\\\"));
  save("removal_script", "batch_characters", text("C:\\100% & ^(x)"));
  save("removal_script", "no_drive", text("Program Files"));
  return 0;
}

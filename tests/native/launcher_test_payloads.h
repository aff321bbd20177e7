// Payloads for the launcher tests: archives built entry by entry, so a test
// can damage exactly one field, and zlib-compressed as the resource holds them.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "payload_archive.h"

namespace launcher {
namespace testing {

inline std::vector<unsigned char> bytesOf(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

inline std::vector<unsigned char> deflateBytes(const std::vector<unsigned char>& in, int level = Z_DEFAULT_COMPRESSION) {
  uLongf size = compressBound(static_cast<uLong>(in.size()));
  std::vector<unsigned char> out(size);
  if (compress2(out.data(), &size, in.data(), static_cast<uLong>(in.size()), level) != Z_OK) return {};
  out.resize(size);
  return out;
}

// Files named, sized and timed so that each entry is recognisable.
inline std::vector<ArchiveFile> sampleFiles(int n) {
  static const char* names[] = {"trampo.exe", "quillon.dll", "readme.txt", "setup.ini", "data.bin"};
  std::vector<ArchiveFile> files;
  for (int i = 0; i < n; ++i) {
    ArchiveFile f;
    f.name = i < 5 ? names[i] : "file" + std::to_string(i) + ".dat";
    f.creationTime = 0x01D0000000000000ull + static_cast<uint64_t>(i) * 1000;
    f.lastAccessTime = f.creationTime + 1;
    f.lastWriteTime = f.creationTime + 2;
    f.data = bytesOf("content of " + f.name + std::string(static_cast<size_t>(i) * 37, 'x'));
    files.push_back(f);
  }
  return files;
}

// Overwrites one 32-bit field of entry `index` in an inflated archive.
inline void patchEntry(std::vector<unsigned char>& archive, uint32_t index, uint32_t fieldOffset, uint32_t value) {
  WriteU32(archive.data() + kCountSize + index * kEntrySize + fieldOffset, value);
}

inline void patchName(std::vector<unsigned char>& archive, uint32_t index, const std::string& name) {
  unsigned char* field = archive.data() + kCountSize + index * kEntrySize + 36;
  std::memset(field, 0, kNameSize);
  std::memcpy(field, name.data(), name.size() < kNameSize ? name.size() : kNameSize);
}

const uint32_t kSizeHighField = 28;
const uint32_t kSizeLowField = 32;

}  // namespace testing
}  // namespace launcher

// A small PE image as a linker lays it out, for the packer's tests and the
// fuzz corpus, with the little-endian accessors they read and patch it by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/little_endian.h"

namespace packer {

using Bytes = std::vector<unsigned char>;

inline uint32_t get32(const Bytes& b, size_t at) { return platform::ReadU32(&b[at]); }
inline void put32(Bytes& b, size_t at, uint32_t v) { platform::WriteU32(&b[at], v); }
inline void put16(Bytes& b, size_t at, uint32_t v) { platform::WriteU16(&b[at], v); }

// A minimal PE image as a linker lays it out: .text, .rsrc with an empty
// root directory, then a discardable .reloc, and a symbol table after the
// sections. File alignment 0x200, section alignment 0x1000.
struct TestImage {
  Bytes bytes;
  size_t optional = 0;
  size_t sections = 0;
  size_t directories = 0;
  bool pe32plus = true;

  size_t section(int i) const { return sections + 40u * static_cast<size_t>(i); }
  uint32_t sectionVa(int i) const { return get32(bytes, section(i) + 12); }
  uint32_t sectionRaw(int i) const { return get32(bytes, section(i) + 20); }
  uint32_t directoryRva(int d) const { return get32(bytes, directories + 8u * static_cast<size_t>(d)); }
  uint32_t directorySize(int d) const { return get32(bytes, directories + 8u * static_cast<size_t>(d) + 4); }
};

inline TestImage makeImage(bool pe32plus, uint32_t thirdCharacteristics = 0x42000040u) {
  TestImage t;
  t.pe32plus = pe32plus;
  Bytes& b = t.bytes;
  b.assign(0xA40, 0);
  b[0] = 'M';
  b[1] = 'Z';
  put32(b, 0x3C, 0x80);
  std::memcpy(&b[0x80], "PE\0\0", 4);
  size_t coff = 0x84;
  put16(b, coff, pe32plus ? 0x8664 : 0x14C);
  put16(b, coff + 2, 3);
  put32(b, coff + 8, 0xA00);  // symbol table
  put32(b, coff + 12, 1);
  uint16_t optionalSize = pe32plus ? 240 : 224;
  put16(b, coff + 16, optionalSize);
  put16(b, coff + 18, 0x22);
  t.optional = coff + 20;
  put16(b, t.optional, pe32plus ? 0x20B : 0x10B);
  put32(b, t.optional + 32, 0x1000);
  put32(b, t.optional + 36, 0x200);
  put32(b, t.optional + 56, 0x4000);
  put32(b, t.optional + 60, 0x400);
  size_t count = t.optional + (pe32plus ? 108u : 92u);
  put32(b, count, 16);
  t.directories = count + 4;
  put32(b, t.directories + 8 * 2, 0x2000);  // resources
  put32(b, t.directories + 8 * 2 + 4, 16);
  put32(b, t.directories + 8 * 5, 0x3000);  // base relocations
  put32(b, t.directories + 8 * 5 + 4, 0x20);
  t.sections = t.optional + optionalSize;
  const char* names[] = {".text", ".rsrc", ".reloc"};
  uint32_t characteristics[] = {0x60000020u, 0x40000040u, thirdCharacteristics};
  for (int i = 0; i < 3; ++i) {
    size_t s = t.section(i);
    std::memcpy(&b[s], names[i], std::strlen(names[i]));
    put32(b, s + 8, i == 1 ? 16 : 0x200);
    put32(b, s + 12, 0x1000u * static_cast<uint32_t>(i + 1));
    put32(b, s + 16, 0x200);
    put32(b, s + 20, 0x400u + 0x200u * static_cast<uint32_t>(i));
    put32(b, s + 36, characteristics[i]);
  }
  for (size_t i = 0; i < 0x200; ++i) b[0x400 + i] = static_cast<unsigned char>(i * 7);          // code
  for (size_t i = 0; i < 0x200; ++i) b[0x800 + i] = static_cast<unsigned char>(0xA5 ^ i);       // relocations
  for (size_t i = 0; i < 0x40; ++i) b[0xA00 + i] = static_cast<unsigned char>('S' + (i % 5));  // symbols
  return t;
}

}  // namespace packer

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
// sections; or .reloc before .rsrc, which then is the last section. File
// alignment 0x200, section alignment 0x1000.
struct TestImage {
  Bytes bytes;
  size_t optional = 0;
  size_t sections = 0;
  size_t directories = 0;
  bool pe32plus = true;
  int resources = 1, relocations = 2;  // section indexes

  size_t section(int i) const { return sections + 40u * static_cast<size_t>(i); }
  uint32_t sectionVa(int i) const { return get32(bytes, section(i) + 12); }
  uint32_t sectionRaw(int i) const { return get32(bytes, section(i) + 20); }
  uint32_t directoryRva(int d) const { return get32(bytes, directories + 8u * static_cast<size_t>(d)); }
  uint32_t directorySize(int d) const { return get32(bytes, directories + 8u * static_cast<size_t>(d) + 4); }
};

// The base relocations of .text as a linker writes them: one block for its
// first page, fixups of the image's width (HIGHLOW, or DIR64 for PE32+) and
// an ABSOLUTE entry padding the block to 32 bits. kRelocationBlockSize bytes.
const uint32_t kTextRva = 0x1000;
const uint32_t kRelocationBlockSize = 0x20;
const uint32_t kRelocationFixups = 11;

inline void putRelocations(Bytes& b, size_t at, bool pe32plus) {
  put32(b, at, kTextRva);
  put32(b, at + 4, kRelocationBlockSize);
  const uint32_t type = pe32plus ? 10u : 3u;
  for (uint32_t i = 0; i < kRelocationFixups; ++i) put16(b, at + 8 + 2 * i, (type << 12) | (0x2C * i + 4));
  put16(b, at + 8 + 2 * kRelocationFixups, 0);
}

inline TestImage makeImage(bool pe32plus, uint32_t relocationCharacteristics = 0x42000040u,
                           bool relocationsFirst = false) {
  TestImage t;
  t.pe32plus = pe32plus;
  t.resources = relocationsFirst ? 2 : 1;
  t.relocations = relocationsFirst ? 1 : 2;
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
  const uint32_t resourceRva = 0x1000u * static_cast<uint32_t>(t.resources + 1);
  const uint32_t relocationRva = 0x1000u * static_cast<uint32_t>(t.relocations + 1);
  put32(b, t.directories + 8 * 2, resourceRva);
  put32(b, t.directories + 8 * 2 + 4, 16);
  put32(b, t.directories + 8 * 5, relocationRva);
  put32(b, t.directories + 8 * 5 + 4, kRelocationBlockSize);
  t.sections = t.optional + optionalSize;
  const char* names[] = {".text", "", ""};
  uint32_t characteristics[] = {0x60000020u, 0, 0};
  names[t.resources] = ".rsrc";
  characteristics[t.resources] = 0x40000040u;
  names[t.relocations] = ".reloc";
  characteristics[t.relocations] = relocationCharacteristics;
  for (int i = 0; i < 3; ++i) {
    size_t s = t.section(i);
    std::memcpy(&b[s], names[i], std::strlen(names[i]));
    put32(b, s + 8, i == t.resources ? 16 : 0x200);
    put32(b, s + 12, 0x1000u * static_cast<uint32_t>(i + 1));
    put32(b, s + 16, 0x200);
    put32(b, s + 20, 0x400u + 0x200u * static_cast<uint32_t>(i));
    put32(b, s + 36, characteristics[i]);
  }
  const size_t relocationRaw = 0x400u + 0x200u * static_cast<size_t>(t.relocations);
  for (size_t i = 0; i < 0x200; ++i) b[0x400 + i] = static_cast<unsigned char>(i * 7);  // code
  // Relocations, then bytes of .reloc that no directory covers.
  for (size_t i = 0; i < 0x200; ++i) b[relocationRaw + i] = static_cast<unsigned char>(0xA5 ^ i);
  putRelocations(b, relocationRaw, pe32plus);
  for (size_t i = 0; i < 0x40; ++i) b[0xA00 + i] = static_cast<unsigned char>('S' + (i % 5));  // symbols
  return t;
}

}  // namespace packer

// Whether a PE image's base relocations still hold after the packer rewrote
// its resources. The images are DYNAMIC_BASE: Windows loads them at a random
// base and applies every fixup, Wine loads them where they were linked, so a
// fixup the rewrite broke would crash on Windows only. Header-only, for the
// packer's tests; every read is checked, and malformed input is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/little_endian.h"

namespace testing_pe {

using Bytes = std::vector<unsigned char>;

struct PeSection {
  std::string name;
  uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawOffset = 0, characteristics = 0;

  // A linker may leave VirtualSize 0 and mean SizeOfRawData.
  uint64_t MemorySize() const { return virtualSize ? virtualSize : rawSize; }
  bool Holds(uint64_t rva, uint64_t size) const {
    return rva >= virtualAddress && size <= MemorySize() && rva - virtualAddress <= MemorySize() - size;
  }
};

struct PeLayout {
  bool pe32plus = false;
  uint32_t relocationRva = 0, relocationSize = 0;
  uint32_t resourceRva = 0;
  std::vector<PeSection> sections;
  size_t resourceSection = SIZE_MAX;  // the section the resource directory starts, if any
};

const uint32_t kRelocationDirectory = 5;
const uint32_t kResourceDirectory = 2;
const uint32_t kScnDiscardable = 0x02000000u;
const unsigned kFixupAbsolute = 0, kFixupHighLow = 3, kFixupDir64 = 10;

inline std::string Hex(uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
  return text;
}

inline bool Fits(const Bytes& b, uint64_t offset, uint64_t size) { return offset <= b.size() && size <= b.size() - offset; }

inline bool Refuse(std::string* why, const std::string& message) {
  if (why) *why = message;
  return false;
}

inline bool ParsePe(const Bytes& b, PeLayout* pe, std::string* why) {
  if (!Fits(b, 0, 0x40) || b[0] != 'M' || b[1] != 'Z') return Refuse(why, "no MZ header");
  const uint32_t peOffset = platform::ReadU32(&b[0x3C]);
  if (!Fits(b, peOffset, 24) || b[peOffset] != 'P' || b[peOffset + 1] != 'E' || b[peOffset + 2] != 0 ||
      b[peOffset + 3] != 0) {
    return Refuse(why, "no PE signature");
  }
  const size_t coff = peOffset + 4u;
  const uint16_t sectionCount = platform::ReadU16(&b[coff + 2]);
  const uint16_t optionalSize = platform::ReadU16(&b[coff + 16]);
  const size_t optional = coff + 20;
  if (!Fits(b, optional, optionalSize) || optionalSize < 2) return Refuse(why, "the optional header is cut short");
  const uint16_t magic = platform::ReadU16(&b[optional]);
  if (magic != 0x10B && magic != 0x20B) return Refuse(why, "unknown optional header magic " + Hex(magic));
  pe->pe32plus = magic == 0x20B;
  const size_t countField = pe->pe32plus ? 108 : 92;
  if (optionalSize < countField + 4) return Refuse(why, "the optional header ends before its data directories");
  const uint32_t directoryCount = platform::ReadU32(&b[optional + countField]);
  const size_t directories = optional + countField + 4;
  if (directoryCount > (optionalSize - countField - 4) / 8) {
    return Refuse(why, "the data directories run past the optional header");
  }
  auto directory = [&](uint32_t d, uint32_t field) {
    return d < directoryCount ? platform::ReadU32(&b[directories + 8 * d + field]) : 0u;
  };
  pe->relocationRva = directory(kRelocationDirectory, 0);
  pe->relocationSize = directory(kRelocationDirectory, 4);
  pe->resourceRva = directory(kResourceDirectory, 0);
  const size_t table = optional + optionalSize;
  if (!Fits(b, table, 40ull * sectionCount)) return Refuse(why, "the section table is cut short");
  pe->sections.clear();
  pe->resourceSection = SIZE_MAX;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const unsigned char* h = &b[table + 40u * i];
    PeSection s;
    for (size_t c = 0; c < 8 && h[c] != 0; ++c) s.name.push_back(static_cast<char>(h[c]));
    s.virtualSize = platform::ReadU32(h + 8);
    s.virtualAddress = platform::ReadU32(h + 12);
    s.rawSize = platform::ReadU32(h + 16);
    s.rawOffset = platform::ReadU32(h + 20);
    s.characteristics = platform::ReadU32(h + 36);
    if (s.rawSize != 0 && !Fits(b, s.rawOffset, s.rawSize)) {
      return Refuse(why, "section " + s.name + "'s file data lies outside the file");
    }
    if (pe->resourceRva != 0 && s.Holds(pe->resourceRva, 1) && pe->resourceSection == SIZE_MAX) {
      pe->resourceSection = i;
    }
    pe->sections.push_back(s);
  }
  return true;
}

// The section whose memory holds [rva, rva + size), or SIZE_MAX.
inline size_t SectionHolding(const PeLayout& pe, uint64_t rva, uint64_t size) {
  for (size_t i = 0; i < pe.sections.size(); ++i) {
    if (pe.sections[i].Holds(rva, size)) return i;
  }
  return SIZE_MAX;
}

// A byte of a section as the loader maps it: file data, then zero fill.
inline unsigned char MappedByte(const Bytes& b, const PeSection& s, uint64_t inSection) {
  return inSection < s.rawSize ? b[s.rawOffset + inSection] : 0;
}

// Holds, for an image before and after a resource rewrite:
//  - no section moved in memory except the resources and the discardable
//    sections after them (section count and names are kept);
//  - the base relocation directory has the same size, its RVA moved exactly
//    as far as the section holding it, and its bytes, read from the file,
//    are the same;
//  - every fixup (ABSOLUTE, HIGHLOW, DIR64) patches a section that did not
//    move, and the bytes it patches are the same in both images.
// `fixups`, if given, receives the number of HIGHLOW and DIR64 fixups seen,
// so that a caller can tell a pass from an image with nothing to check.
inline bool RelocationsSurvive(const Bytes& before, const Bytes& after, std::string* why, size_t* fixups = nullptr) {
  if (fixups) *fixups = 0;
  PeLayout was, now;
  std::string reason;
  if (!ParsePe(before, &was, &reason)) return Refuse(why, "before: " + reason);
  if (!ParsePe(after, &now, &reason)) return Refuse(why, "after: " + reason);
  if (was.pe32plus != now.pe32plus) return Refuse(why, "the optional header changed between PE32 and PE32+");
  if (was.sections.size() != now.sections.size()) {
    return Refuse(why, "the image had " + std::to_string(was.sections.size()) + " sections and now has " +
                           std::to_string(now.sections.size()));
  }
  for (size_t i = 0; i < was.sections.size(); ++i) {
    const PeSection& s = was.sections[i];
    if (s.name != now.sections[i].name) {
      return Refuse(why, "section " + std::to_string(i) + " was " + s.name + " and is now " + now.sections[i].name);
    }
    const bool mayMove = i == was.resourceSection ||
                         (was.resourceSection != SIZE_MAX && i > was.resourceSection && (s.characteristics & kScnDiscardable));
    if (!mayMove && s.virtualAddress != now.sections[i].virtualAddress) {
      return Refuse(why, "section " + s.name + " moved in memory from " + Hex(s.virtualAddress) + " to " +
                             Hex(now.sections[i].virtualAddress) +
                             "; only the resources and the discardable sections after them may move");
    }
  }

  if (was.relocationSize != now.relocationSize) {
    return Refuse(why, "the base relocation directory's size changed from " + Hex(was.relocationSize) + " to " +
                           Hex(now.relocationSize));
  }
  if (was.relocationSize == 0) return true;  // linked without relocations: nothing the loader would apply
  const size_t home = SectionHolding(was, was.relocationRva, was.relocationSize);
  if (home == SIZE_MAX) {
    return Refuse(why, "before: the base relocation directory (" + Hex(was.relocationRva) + ", " +
                           Hex(was.relocationSize) + " bytes) does not lie within one section");
  }
  const PeSection& oldHome = was.sections[home];
  const PeSection& newHome = now.sections[home];
  const uint64_t expectedRva = uint64_t{was.relocationRva} - oldHome.virtualAddress + newHome.virtualAddress;
  if (now.relocationRva != expectedRva) {
    return Refuse(why, "the base relocation directory is at " + Hex(now.relocationRva) + ", but its section " +
                           oldHome.name + " moved from " + Hex(oldHome.virtualAddress) + " to " +
                           Hex(newHome.virtualAddress) + ", so it belongs at " + Hex(expectedRva));
  }
  if (!newHome.Holds(now.relocationRva, now.relocationSize)) {
    return Refuse(why, "after: the base relocation directory runs past its section " + newHome.name);
  }
  const uint64_t oldStart = was.relocationRva - oldHome.virtualAddress;
  const uint64_t newStart = now.relocationRva - newHome.virtualAddress;
  if (oldStart + was.relocationSize > oldHome.rawSize || newStart + now.relocationSize > newHome.rawSize) {
    return Refuse(why, "the base relocation directory runs past the file data of " + oldHome.name);
  }
  const unsigned char* table = &before[oldHome.rawOffset + oldStart];
  for (uint32_t i = 0; i < was.relocationSize; ++i) {
    if (table[i] != after[newHome.rawOffset + newStart + i]) {
      return Refuse(why, "the base relocations differ at byte " + Hex(i) + " of " + Hex(was.relocationSize));
    }
  }

  const uint32_t size = was.relocationSize;
  size_t seen = 0;
  for (uint32_t block = 0; block < size;) {
    if (size - block < 8) return Refuse(why, "a relocation block header at " + Hex(block) + " is cut short");
    const uint32_t page = platform::ReadU32(table + block);
    const uint32_t blockSize = platform::ReadU32(table + block + 4);
    if (blockSize < 8 || blockSize % 2 != 0 || blockSize > size - block) {
      return Refuse(why, "the relocation block at " + Hex(block) + " (page " + Hex(page) + ") has size " +
                             Hex(blockSize) + ", which does not fit the directory");
    }
    for (uint32_t e = block + 8; e < block + blockSize; e += 2) {
      const uint16_t entry = platform::ReadU16(table + e);
      const unsigned type = entry >> 12;
      const uint64_t rva = uint64_t{page} + (entry & 0xFFFu);
      if (type == kFixupAbsolute) continue;
      if (type != kFixupHighLow && type != kFixupDir64) {
        return Refuse(why, "the fixup at " + Hex(rva) + " has type " + std::to_string(type) +
                               ", which x86 and x64 images do not use");
      }
      const uint64_t width = type == kFixupDir64 ? 8 : 4;
      const char* kind = type == kFixupDir64 ? "DIR64" : "HIGHLOW";
      const size_t target = SectionHolding(was, rva, width);
      if (target == SIZE_MAX) {
        return Refuse(why, std::string("the ") + kind + " fixup at " + Hex(rva) + " lies outside every section");
      }
      const PeSection& from = was.sections[target];
      const PeSection& to = now.sections[target];
      if (from.virtualAddress != to.virtualAddress) {
        return Refuse(why, std::string("the ") + kind + " fixup at " + Hex(rva) + " patches section " + from.name +
                               ", which moved from " + Hex(from.virtualAddress) + " to " + Hex(to.virtualAddress));
      }
      const uint64_t at = rva - from.virtualAddress;
      if (!to.Holds(rva, width)) {
        return Refuse(why, std::string("the ") + kind + " fixup at " + Hex(rva) + " lies past the end of section " +
                               to.name + " now");
      }
      for (uint64_t k = 0; k < width; ++k) {
        if (MappedByte(before, from, at + k) != MappedByte(after, to, at + k)) {
          return Refuse(why, std::string("the ") + kind + " fixup at " + Hex(rva) + " patches bytes of " + from.name +
                                 " that changed");
        }
      }
      ++seen;
    }
    block += blockSize;
  }
  if (fixups) *fixups = seen;
  return true;
}

}  // namespace testing_pe

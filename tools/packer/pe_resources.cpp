#include "pe_resources.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "platform/little_endian.h"

namespace packer {

namespace {

// Header field offsets, each from the start of its structure.
const size_t kMzHeaderSize = 64;
const size_t kMzPeOffset = 0x3C;       // e_lfanew
const size_t kPeSignatureSize = 4;     // "PE\0\0", followed by the COFF file header
const size_t kCoffSectionCount = 2;
const size_t kCoffSymbolTable = 8;     // PointerToSymbolTable, a file offset
const size_t kCoffOptionalSize = 16;
const size_t kCoffHeaderSize = 20;
const size_t kOptionalMagic = 0;
const size_t kOptionalInitializedData = 8;  // SizeOfInitializedData
const size_t kOptionalSectionAlignment = 32;
const size_t kOptionalFileAlignment = 36;
const size_t kOptionalImageSize = 56;       // SizeOfImage
const size_t kOptionalHeadersSize = 60;     // SizeOfHeaders
const size_t kOptionalCheckSum = 64;
const size_t kOptionalDirectoryCount32 = 92;   // NumberOfRvaAndSizes, PE32
const size_t kOptionalDirectoryCount64 = 108;  // NumberOfRvaAndSizes, PE32+
const size_t kDirectoryCountSize = 4;          // the data directories follow it
const uint16_t kMagicPe32 = 0x10B;
const uint16_t kMagicPe32Plus = 0x20B;
const size_t kDirectoryEntrySize = 8;  // an address (or file offset), then a size
const size_t kDirectorySize = 4;
const size_t kSectionHeaderSize = 40;
const size_t kSectionNameSize = 8;
const size_t kSectionVirtualSize = 8;
const size_t kSectionVirtualAddress = 12;
const size_t kSectionRawSize = 16;
const size_t kSectionRawOffset = 20;
const size_t kSectionCharacteristics = 36;
const size_t kDebugEntrySize = 28;     // IMAGE_DEBUG_DIRECTORY
const size_t kDebugDataAddress = 20;   // AddressOfRawData
const size_t kDebugDataOffset = 24;    // PointerToRawData
const uint32_t kMaxDebugEntries = 1024;

// The resource section's own structures.
const uint32_t kResourceDirectoryHeader = 16;  // IMAGE_RESOURCE_DIRECTORY, then its entries
const size_t kResourceNamedCount = 12;
const size_t kResourceIdCount = 14;
const uint32_t kResourceEntrySize = 8;         // a name or id, then the target
const size_t kResourceEntryTarget = 4;
const uint32_t kResourceHighBit = 0x80000000u; // a string name; a subdirectory target
const uint32_t kResourceDataEntrySize = 16;    // IMAGE_RESOURCE_DATA_ENTRY
const size_t kResourceDataSize = 4;
const size_t kResourceDataCodePage = 8;

size_t DirectoryBytes(size_t entries) { return kResourceDirectoryHeader + kResourceEntrySize * entries; }

const uint32_t kResourceDirectory = 2;
const uint32_t kSecurityDirectory = 4;
const uint32_t kDebugDirectory = 6;
const size_t kMaxEntries = 100000;  // directory entries in all; far beyond any real program

uint16_t Get16(const std::vector<unsigned char>& b, size_t at) { return platform::ReadU16(&b[at]); }
uint32_t Get32(const std::vector<unsigned char>& b, size_t at) { return platform::ReadU32(&b[at]); }
void Put16(std::vector<unsigned char>& b, size_t at, uint32_t v) { platform::WriteU16(&b[at], v); }
void Put32(std::vector<unsigned char>& b, size_t at, uint32_t v) { platform::WriteU32(&b[at], v); }
uint64_t AlignUp(uint64_t v, uint64_t a) { return a == 0 ? v : (v + a - 1) / a * a; }

struct Section {
  size_t headerOffset;
  std::string name;
  uint32_t virtualSize, virtualAddress, rawSize, rawOffset, characteristics;

  // The size in memory; a linker may leave VirtualSize 0 and mean SizeOfRawData.
  uint64_t MemorySize() const { return virtualSize ? virtualSize : rawSize; }
};

const uint32_t kDiscardable = 0x02000000u;  // IMAGE_SCN_MEM_DISCARDABLE

// The parts of the headers that a resource rewrite reads or changes.
struct Headers {
  size_t coff = 0;            // offset of the COFF file header
  size_t optional = 0;        // offset of the optional header
  bool pe32plus = false;
  uint32_t sectionAlignment = 0, fileAlignment = 0;
  size_t directories = 0;     // offset of the data directories
  uint32_t directoryCount = 0;
  uint32_t sizeOfHeaders = 0;
  size_t tableEnd = 0;        // first byte after the section table
  std::vector<Section> sections;
  size_t resourceSection = 0; // index into sections

  size_t CheckSumOffset() const { return optional + kOptionalCheckSum; }
  size_t DirectoryOffset(uint32_t index) const { return directories + kDirectoryEntrySize * index; }
};

bool InRange(const std::vector<unsigned char>& b, uint64_t offset, uint64_t size) {
  return offset <= b.size() && size <= b.size() - offset;
}

bool ParseHeaders(const std::vector<unsigned char>& b, Headers* h, std::string* error) {
  if (!InRange(b, 0, 2) || b[0] != 'M' || b[1] != 'Z') {
    *error = "not a Windows program (no MZ header)";
    return false;
  }
  if (!InRange(b, 0, kMzHeaderSize)) {
    *error = "not a PE image (cut short inside its MZ header)";
    return false;
  }
  uint32_t peOffset = Get32(b, kMzPeOffset);
  if (!InRange(b, peOffset, kPeSignatureSize + kCoffHeaderSize) || std::memcmp(&b[peOffset], "PE\0\0", 4) != 0) {
    *error = "not a PE image (no PE signature)";
    return false;
  }
  h->coff = peOffset + kPeSignatureSize;
  uint16_t sectionCount = Get16(b, h->coff + kCoffSectionCount);
  uint16_t optionalSize = Get16(b, h->coff + kCoffOptionalSize);
  h->optional = h->coff + kCoffHeaderSize;
  if (!InRange(b, h->optional, optionalSize) || optionalSize < 2) {
    *error = "the optional header is cut short";
    return false;
  }
  uint16_t magic = Get16(b, h->optional + kOptionalMagic);
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) {
    *error = "unknown optional header kind";
    return false;
  }
  h->pe32plus = magic == kMagicPe32Plus;
  size_t countField = h->pe32plus ? kOptionalDirectoryCount64 : kOptionalDirectoryCount32;
  if (optionalSize < countField + kDirectoryCountSize) {
    *error = "the optional header is too small";
    return false;
  }
  h->sectionAlignment = Get32(b, h->optional + kOptionalSectionAlignment);
  h->fileAlignment = Get32(b, h->optional + kOptionalFileAlignment);
  h->sizeOfHeaders = Get32(b, h->optional + kOptionalHeadersSize);
  h->directoryCount = Get32(b, h->optional + countField);
  h->directories = h->optional + countField + kDirectoryCountSize;
  if (h->directoryCount <= kResourceDirectory ||
      h->directoryCount > (optionalSize - countField - kDirectoryCountSize) / kDirectoryEntrySize) {
    *error = "the data directories are missing or malformed";
    return false;
  }
  // Powers of two, file alignment at most 64 KiB, as the loader demands.
  auto powerOfTwo = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!powerOfTwo(h->fileAlignment) || h->fileAlignment > 0x10000u || !powerOfTwo(h->sectionAlignment) ||
      h->sectionAlignment < h->fileAlignment) {
    *error = "the section or file alignment is invalid";
    return false;
  }
  size_t table = h->optional + optionalSize;
  if (!InRange(b, table, static_cast<uint64_t>(kSectionHeaderSize) * sectionCount)) {
    *error = "the section table is cut short";
    return false;
  }
  h->tableEnd = table + kSectionHeaderSize * sectionCount;
  uint32_t resourceRva = Get32(b, h->DirectoryOffset(kResourceDirectory));
  bool found = false;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    size_t at = table + kSectionHeaderSize * i;
    Section s;
    s.headerOffset = at;
    for (size_t c = 0; c < kSectionNameSize && b[at + c] != 0; ++c) s.name.push_back(static_cast<char>(b[at + c]));
    s.virtualSize = Get32(b, at + kSectionVirtualSize);
    s.virtualAddress = Get32(b, at + kSectionVirtualAddress);
    s.rawSize = Get32(b, at + kSectionRawSize);
    s.rawOffset = Get32(b, at + kSectionRawOffset);
    s.characteristics = Get32(b, at + kSectionCharacteristics);
    if (s.rawSize != 0 && !InRange(b, s.rawOffset, s.rawSize)) {
      *error = "section " + s.name + " lies outside the file";
      return false;
    }
    if (resourceRva != 0 && resourceRva == s.virtualAddress) {
      h->resourceSection = h->sections.size();
      found = true;
    }
    h->sections.push_back(s);
  }
  if (!found) {
    *error = resourceRva == 0 ? "the program has no resources"
                              : "the resources do not start a section of their own";
    return false;
  }
  return true;
}

// Reads the resource tree from the bytes of the resource section.
class TreeReader {
 public:
  TreeReader(const std::vector<unsigned char>& image, const Section& section, std::string* error)
      : image_(image), section_(section), error_(error) {}

  bool Read(ResourceTree* tree) {
    std::vector<Entry> types;
    if (!Directory(0, &types)) return false;
    for (const Entry& t : types) {
      if (!t.isDirectory) return Fail("a resource type has no directory");
      std::vector<Entry> names;
      if (!Directory(t.target, &names)) return false;
      for (const Entry& n : names) {
        if (!n.isDirectory) return Fail("a resource name has no directory");
        std::vector<Entry> languages;
        if (!Directory(n.target, &languages)) return false;
        for (const Entry& l : languages) {
          if (l.isDirectory || l.key.isString) return Fail("a resource language entry is malformed");
          ResourceData data;
          if (!Leaf(l.target, &data)) return false;
          (*tree)[t.key][n.key][l.key.id] = data;
        }
      }
    }
    return true;
  }

 private:
  struct Entry {
    ResourceKey key;
    bool isDirectory;
    uint32_t target;
  };

  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }
  bool SectionRange(uint64_t offset, uint64_t size) const {
    uint64_t limit = section_.rawSize < section_.virtualSize || section_.virtualSize == 0 ? section_.rawSize
                                                                                         : section_.virtualSize;
    return offset <= limit && size <= limit - offset;
  }
  size_t At(uint64_t offset) const { return section_.rawOffset + static_cast<size_t>(offset); }

  // A tree as resource compilers write it reaches every directory and data
  // entry once. Shared ones would make the walk repeat itself (and copy one
  // blob over and over) on a crafted image, so they are refused.
  bool Directory(uint32_t offset, std::vector<Entry>* entries) {
    if (!SectionRange(offset, kResourceDirectoryHeader)) return Fail("a resource directory lies outside its section");
    if (!directories_.insert(offset).second) return Fail("a resource directory is reached more than once");
    uint32_t count = static_cast<uint32_t>(Get16(image_, At(offset) + kResourceNamedCount)) +
                     Get16(image_, At(offset) + kResourceIdCount);
    if (!SectionRange(uint64_t{offset} + kResourceDirectoryHeader, uint64_t{kResourceEntrySize} * count)) {
      return Fail("a resource directory's entries run past its section");
    }
    entries_ += count;
    if (entries_ > kMaxEntries) return Fail("too many resources");
    for (uint32_t i = 0; i < count; ++i) {
      size_t e = At(uint64_t{offset} + kResourceDirectoryHeader + uint64_t{kResourceEntrySize} * i);
      uint32_t nameField = Get32(image_, e);
      uint32_t dataField = Get32(image_, e + kResourceEntryTarget);
      Entry entry;
      if (nameField & kResourceHighBit) {
        uint32_t nameOffset = nameField & ~kResourceHighBit;
        if (!SectionRange(nameOffset, 2)) return Fail("a resource name lies outside its section");
        uint16_t length = Get16(image_, At(nameOffset));
        if (!SectionRange(nameOffset + 2ull, 2ull * length)) return Fail("a resource name runs past its section");
        entry.key.isString = true;
        for (uint16_t c = 0; c < length; ++c) {
          entry.key.name.push_back(static_cast<char16_t>(Get16(image_, At(nameOffset + 2ull + 2ull * c))));
        }
      } else {
        if (nameField > 0xFFFFu) return Fail("a resource id is out of range");
        entry.key.id = static_cast<uint16_t>(nameField);
      }
      entry.isDirectory = (dataField & kResourceHighBit) != 0;
      entry.target = dataField & ~kResourceHighBit;
      entries->push_back(entry);
    }
    return true;
  }

  bool Leaf(uint32_t offset, ResourceData* data) {
    if (!SectionRange(offset, kResourceDataEntrySize)) return Fail("a resource data entry lies outside its section");
    if (!dataEntries_.insert(offset).second) return Fail("a resource data entry is reached more than once");
    uint32_t rva = Get32(image_, At(offset));
    uint32_t size = Get32(image_, At(offset) + kResourceDataSize);
    data->codePage = Get32(image_, At(offset) + kResourceDataCodePage);
    if (rva < section_.virtualAddress) return Fail("resource data lies outside the resource section");
    uint64_t inSection = rva - section_.virtualAddress;
    if (!SectionRange(inSection, size) || inSection + size > section_.rawSize) {
      return Fail("resource data runs past the resource section");
    }
    // Blobs may still overlap; together they can never honestly be more
    // than the image that holds them.
    dataBytes_ += size;
    if (dataBytes_ > image_.size()) return Fail("the resources hold more data than the image");
    data->bytes.assign(image_.begin() + static_cast<std::ptrdiff_t>(At(inSection)),
                       image_.begin() + static_cast<std::ptrdiff_t>(At(inSection) + size));
    return true;
  }

  const std::vector<unsigned char>& image_;
  const Section& section_;
  std::string* error_;
  std::set<uint32_t> directories_, dataEntries_;
  uint64_t entries_ = 0;
  uint64_t dataBytes_ = 0;
};

// Lays out a resource section: every directory first, then the data entries,
// then the name strings, then the data, each blob 8-byte aligned.
std::vector<unsigned char> BuildSection(const ResourceTree& tree, uint32_t sectionRva) {
  size_t directories = DirectoryBytes(tree.size());
  size_t leaves = 0;
  for (const auto& t : tree) {
    directories += DirectoryBytes(t.second.size());
    for (const auto& n : t.second) {
      directories += DirectoryBytes(n.second.size());
      leaves += n.second.size();
    }
  }
  size_t dataEntries = directories;
  size_t strings = dataEntries + kResourceDataEntrySize * leaves;
  size_t stringBytes = 0;
  for (const auto& t : tree) {
    if (t.first.isString) stringBytes += 2 + 2 * t.first.name.size();
    for (const auto& n : t.second) {
      if (n.first.isString) stringBytes += 2 + 2 * n.first.name.size();
    }
  }
  size_t dataStart = static_cast<size_t>(AlignUp(strings + stringBytes, 8));
  size_t total = dataStart;
  for (const auto& t : tree)
    for (const auto& n : t.second)
      for (const auto& l : n.second) total = static_cast<size_t>(AlignUp(total + l.second.bytes.size(), 8));

  std::vector<unsigned char> out(total, 0);
  size_t nextDirectory = 0, nextEntry = dataEntries, nextString = strings, nextData = dataStart;

  auto writeDirectory = [&](size_t offset, const std::vector<ResourceKey>& keys) {
    uint16_t named = 0;
    for (const ResourceKey& k : keys) named = static_cast<uint16_t>(named + (k.isString ? 1 : 0));
    Put16(out, offset + kResourceNamedCount, named);
    Put16(out, offset + kResourceIdCount, static_cast<uint32_t>(keys.size() - named));
  };
  auto writeKey = [&](size_t entryOffset, const ResourceKey& key) {
    if (!key.isString) {
      Put32(out, entryOffset, key.id);
      return;
    }
    Put32(out, entryOffset, kResourceHighBit | static_cast<uint32_t>(nextString));
    Put16(out, nextString, static_cast<uint32_t>(key.name.size()));
    for (size_t i = 0; i < key.name.size(); ++i) Put16(out, nextString + 2 + 2 * i, key.name[i]);
    nextString += 2 + 2 * key.name.size();
  };

  // Breadth first, so every directory's children follow in one block.
  std::vector<ResourceKey> typeKeys;
  for (const auto& t : tree) typeKeys.push_back(t.first);
  size_t root = nextDirectory;
  writeDirectory(root, typeKeys);
  nextDirectory += DirectoryBytes(tree.size());
  size_t typeIndex = 0;
  std::vector<size_t> nameDirectories;
  for (const auto& t : tree) {
    size_t entry = root + DirectoryBytes(typeIndex++);
    writeKey(entry, t.first);
    Put32(out, entry + kResourceEntryTarget, kResourceHighBit | static_cast<uint32_t>(nextDirectory));
    std::vector<ResourceKey> nameKeys;
    for (const auto& n : t.second) nameKeys.push_back(n.first);
    writeDirectory(nextDirectory, nameKeys);
    nameDirectories.push_back(nextDirectory);
    nextDirectory += DirectoryBytes(t.second.size());
  }
  typeIndex = 0;
  for (const auto& t : tree) {
    size_t nameDirectory = nameDirectories[typeIndex++];
    size_t nameIndex = 0;
    for (const auto& n : t.second) {
      size_t entry = nameDirectory + DirectoryBytes(nameIndex++);
      writeKey(entry, n.first);
      Put32(out, entry + kResourceEntryTarget, kResourceHighBit | static_cast<uint32_t>(nextDirectory));
      size_t languageDirectory = nextDirectory;
      Put16(out, languageDirectory + kResourceIdCount, static_cast<uint32_t>(n.second.size()));
      nextDirectory += DirectoryBytes(n.second.size());
      size_t languageIndex = 0;
      for (const auto& l : n.second) {
        size_t languageEntry = languageDirectory + DirectoryBytes(languageIndex++);
        Put32(out, languageEntry, l.first);
        Put32(out, languageEntry + kResourceEntryTarget, static_cast<uint32_t>(nextEntry));
        Put32(out, nextEntry, sectionRva + static_cast<uint32_t>(nextData));
        Put32(out, nextEntry + kResourceDataSize, static_cast<uint32_t>(l.second.bytes.size()));
        Put32(out, nextEntry + kResourceDataCodePage, l.second.codePage);
        nextEntry += kResourceDataEntrySize;
        if (!l.second.bytes.empty()) std::memcpy(&out[nextData], l.second.bytes.data(), l.second.bytes.size());
        nextData = static_cast<size_t>(AlignUp(nextData + l.second.bytes.size(), 8));
      }
    }
  }
  return out;
}

}  // namespace

ResourceKey ResourceKey::FromId(uint16_t id) {
  ResourceKey k;
  k.id = id;
  return k;
}

ResourceKey ResourceKey::FromName(const std::string& ascii) {
  ResourceKey k;
  k.isString = true;
  for (char c : ascii) k.name.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return k;
}

std::string ResourceKey::Describe() const {
  if (!isString) return std::to_string(id);
  std::string s = "\"";
  for (char16_t c : name) s.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return s + "\"";
}

bool ResourceKey::operator<(const ResourceKey& other) const {
  if (isString != other.isString) return isString;
  return isString ? name < other.name : id < other.id;
}

bool ResourceKey::operator==(const ResourceKey& other) const {
  return isString == other.isString && (isString ? name == other.name : id == other.id);
}

bool ReadResources(const std::vector<unsigned char>& image, ResourceTree* tree, std::string* error) {
  Headers h;
  if (!ParseHeaders(image, &h, error)) return false;
  tree->clear();
  TreeReader reader(image, h.sections[h.resourceSection], error);
  return reader.Read(tree);
}

uint32_t PeCheckSum(const std::vector<unsigned char>& image, size_t checkSumOffset) {
  uint64_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    if (i == checkSumOffset || i == checkSumOffset + 2) continue;
    uint32_t word = image[i] | (i + 1 < image.size() ? image[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + image.size());
}

namespace {

// The rewrite copies the headers as they stand, lays the sections' file data
// out again in table order and patches the headers in place, and moves the
// sections after the resources in memory. That is only sound when the
// headers, the section table among them, come before all file data, the file
// data of the sections follows the table's order without overlapping, and so
// do their addresses.
bool CheckLayout(const Headers& h, size_t fileSize, std::string* error) {
  if (h.tableEnd > h.sizeOfHeaders) {
    *error = "the section table lies outside the headers (SizeOfHeaders " + std::to_string(h.sizeOfHeaders) + ")";
    return false;
  }
  if (h.sizeOfHeaders > fileSize) {
    *error = "the headers run past the end of the file";
    return false;
  }
  uint64_t previousEnd = h.sizeOfHeaders;
  const Section* previous = nullptr;
  for (const Section& s : h.sections) {
    if (s.rawSize == 0) continue;
    if (s.rawOffset < previousEnd) {
      *error = previous == nullptr ? "the file data of section " + s.name + " starts inside the headers"
                                   : "the file data of sections " + previous->name + " and " + s.name +
                                         " overlap or are not in table order";
      return false;
    }
    previousEnd = static_cast<uint64_t>(s.rawOffset) + s.rawSize;
    previous = &s;
  }
  uint64_t previousVirtualEnd = 0;
  for (const Section& s : h.sections) {
    uint64_t size = s.virtualSize ? s.virtualSize : s.rawSize;
    if (s.virtualAddress < previousVirtualEnd || s.virtualAddress + size > 0xFFFFFFFFu) {
      *error = "the address of section " + s.name + " overlaps the one before it or is not in table order";
      return false;
    }
    previousVirtualEnd = s.virtualAddress + size;
  }
  return true;
}

// The resource section is built anew and may grow, so a data directory must
// lie in the headers or wholly in another section: one in the resources, or
// in the gap they may grow into, would be lost, and patching it (a debug
// directory's entries) would write into the new resources.
bool CheckDirectories(const Headers& h, const std::vector<unsigned char>& image, std::string* error) {
  for (uint32_t d = 0; d < h.directoryCount; ++d) {
    if (d == kResourceDirectory || d == kSecurityDirectory) continue;  // the security one holds a file offset
    const uint64_t rva = Get32(image, h.DirectoryOffset(d));
    const uint64_t end = rva + Get32(image, h.DirectoryOffset(d) + kDirectorySize);
    if (rva == 0 || end <= h.sizeOfHeaders) continue;
    bool kept = false;
    for (size_t i = 0; i < h.sections.size() && !kept; ++i) {
      const Section& s = h.sections[i];
      kept = i != h.resourceSection && rva >= s.virtualAddress && end <= s.virtualAddress + s.MemorySize();
    }
    if (!kept) {
      *error = "data directory " + std::to_string(d) + " lies in the resources or outside every section";
      return false;
    }
  }
  return true;
}

// One rewrite of the resource section, from the plan to the patched file.
struct Rewrite {
  Rewrite(const std::vector<unsigned char>& input, const Headers& headers, std::vector<unsigned char> section)
      : image(input), h(headers), fresh(std::move(section)) {}

  const std::vector<unsigned char>& image;
  const Headers& h;
  std::vector<unsigned char> fresh;  // the new resource section, padded to the file alignment
  uint32_t newVirtualSize = 0;
  uint32_t newRawSize = 0;
  std::vector<Section> sections;     // every section as it will be
  // The sections after the resources that move in memory: their old start
  // and how far they move, in table order from the one after the resources.
  std::vector<std::pair<uint32_t, int64_t>> moved;
  std::vector<unsigned char> out;
  size_t lastRawEnd = 0;             // end of the last section's file data in the input
  int64_t tailShift = 0;             // how far what followed it moves in the file
};

// Where the sections after the resources go in memory: nowhere, if the new
// resources fit in the old ones' room.
bool PlanSections(Rewrite& r, std::string* error) {
  const Headers& h = r.h;
  const Section& old = h.sections[h.resourceSection];
  r.sections = h.sections;
  uint64_t nextVirtual = AlignUp(static_cast<uint64_t>(old.virtualAddress) + r.newVirtualSize, h.sectionAlignment);
  for (size_t i = h.resourceSection + 1; i < r.sections.size(); ++i) {
    Section& s = r.sections[i];
    if (s.virtualAddress >= nextVirtual) break;
    // Only what the loaded program never addresses may move: base
    // relocations and debug information, both discardable.
    if (!(s.characteristics & kDiscardable)) {
      *error = "the resource section would have to grow into section " + s.name + ", which cannot move";
      return false;
    }
    int64_t shift = static_cast<int64_t>(nextVirtual) - s.virtualAddress;
    r.moved.push_back(std::make_pair(s.virtualAddress, shift));
    s.virtualAddress = static_cast<uint32_t>(nextVirtual);
    nextVirtual = AlignUp(static_cast<uint64_t>(s.virtualAddress) + s.MemorySize(), h.sectionAlignment);
  }
  if (nextVirtual > 0xFFFFFFFFu) {
    *error = "the image would grow beyond 4 GiB";
    return false;
  }
  return true;
}

// The new file: headers, then every section's raw data in order, then
// whatever followed the last section (a symbol table, an overlay).
void LayOutFile(Rewrite& r) {
  const Headers& h = r.h;
  const std::vector<unsigned char>& image = r.image;
  size_t firstRaw = image.size();
  for (const Section& s : h.sections) {
    if (s.rawSize == 0) continue;
    if (s.rawOffset < firstRaw) firstRaw = s.rawOffset;
    size_t end = s.rawOffset + static_cast<size_t>(s.rawSize);
    if (end > r.lastRawEnd) r.lastRawEnd = end;
  }
  if (firstRaw > image.size()) firstRaw = image.size();
  std::vector<unsigned char>& out = r.out;
  out.assign(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(firstRaw));
  for (size_t i = 0; i < r.sections.size(); ++i) {
    Section& s = r.sections[i];
    if (i == h.resourceSection) {
      out.resize(static_cast<size_t>(AlignUp(out.size(), h.fileAlignment)), 0);
      s.rawOffset = static_cast<uint32_t>(out.size());
      s.rawSize = r.newRawSize;
      s.virtualSize = r.newVirtualSize;
      out.insert(out.end(), r.fresh.begin(), r.fresh.end());
      continue;
    }
    if (s.rawSize == 0) continue;
    const Section& original = h.sections[i];
    if (out.size() < original.rawOffset) out.resize(original.rawOffset, 0);  // keep gaps before the change
    out.resize(static_cast<size_t>(AlignUp(out.size(), h.fileAlignment)), 0);
    s.rawOffset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), image.begin() + original.rawOffset, image.begin() + original.rawOffset + original.rawSize);
  }
  r.tailShift = static_cast<int64_t>(out.size()) - static_cast<int64_t>(r.lastRawEnd);
  if (r.lastRawEnd < image.size()) {
    out.insert(out.end(), image.begin() + static_cast<std::ptrdiff_t>(r.lastRawEnd), image.end());
  }
}

// Where an address inside a moved section now lies; any other stays.
uint32_t MovedRva(const Rewrite& r, uint32_t rva) {
  for (size_t i = 0; i < r.moved.size(); ++i) {
    const Section& s = r.h.sections[r.h.resourceSection + 1 + i];
    if (rva >= s.virtualAddress && rva - s.virtualAddress < s.MemorySize()) {
      return static_cast<uint32_t>(rva + r.moved[i].second);
    }
  }
  return rva;
}

// Where a file offset behind the resources now lies: it moves with the
// section data, or the tail, that it points into.
uint32_t MovedFileOffset(const Rewrite& r, uint32_t offset) {
  for (size_t i = 0; i < r.sections.size(); ++i) {
    const Section& before = r.h.sections[i];
    if (i != r.h.resourceSection && before.rawSize != 0 && offset >= before.rawOffset &&
        offset - before.rawOffset < before.rawSize) {
      return r.sections[i].rawOffset + (offset - before.rawOffset);
    }
  }
  return offset >= r.lastRawEnd ? static_cast<uint32_t>(offset + r.tailShift) : offset;
}

void PatchSectionTable(Rewrite& r) {
  for (const Section& s : r.sections) {
    Put32(r.out, s.headerOffset + kSectionVirtualSize, s.virtualSize);
    Put32(r.out, s.headerOffset + kSectionVirtualAddress, s.virtualAddress);
    Put32(r.out, s.headerOffset + kSectionRawSize, s.rawSize);
    Put32(r.out, s.headerOffset + kSectionRawOffset, s.rawOffset);
  }
}

// Data directories that pointed into a moved section, the resources' new
// size, and the signature, which can no longer match.
void PatchDirectories(Rewrite& r, std::vector<std::string>* warnings) {
  const Headers& h = r.h;
  std::vector<unsigned char>& out = r.out;
  for (uint32_t d = 0; d < h.directoryCount; ++d) {
    if (d == kSecurityDirectory) continue;  // a file offset, not an address
    size_t at = h.DirectoryOffset(d);
    uint32_t rva = Get32(out, at);
    for (size_t i = 0; i < r.moved.size(); ++i) {
      const Section& s = h.sections[h.resourceSection + 1 + i];
      if (rva >= s.virtualAddress && rva < s.virtualAddress + s.MemorySize()) {
        Put32(out, at, static_cast<uint32_t>(rva + r.moved[i].second));
      }
    }
  }
  Put32(out, h.DirectoryOffset(kResourceDirectory) + kDirectorySize, r.newVirtualSize);
  if (h.directoryCount > kSecurityDirectory && Get32(out, h.DirectoryOffset(kSecurityDirectory)) != 0) {
    Put32(out, h.DirectoryOffset(kSecurityDirectory), 0);
    Put32(out, h.DirectoryOffset(kSecurityDirectory) + kDirectorySize, 0);
    if (warnings) warnings->push_back("the program's signature no longer matches and has been removed");
  }
}

// File offsets that pointed behind the resources move with what they point
// at: a COFF symbol table, and the data of debug directory entries.
void PatchFileOffsets(Rewrite& r) {
  const Headers& h = r.h;
  std::vector<unsigned char>& out = r.out;
  uint32_t symbols = Get32(out, h.coff + kCoffSymbolTable);
  if (symbols != 0) Put32(out, h.coff + kCoffSymbolTable, MovedFileOffset(r, symbols));
  if (h.directoryCount <= kDebugDirectory) return;
  uint32_t debugRva = Get32(out, h.DirectoryOffset(kDebugDirectory));
  uint32_t debugSize = Get32(out, h.DirectoryOffset(kDebugDirectory) + kDirectorySize);
  for (const Section& s : r.sections) {
    if (debugRva == 0 || s.rawSize == 0 || debugRva < s.virtualAddress || debugRva - s.virtualAddress >= s.rawSize) {
      continue;
    }
    uint64_t at = static_cast<uint64_t>(s.rawOffset) + (debugRva - s.virtualAddress);
    for (uint32_t e = 0; e + kDebugEntrySize <= debugSize && at + e + kDebugEntrySize <= out.size() &&
                         e / kDebugEntrySize < kMaxDebugEntries;
         e += kDebugEntrySize) {
      size_t entry = static_cast<size_t>(at + e);
      uint32_t address = Get32(out, entry + kDebugDataAddress);
      if (address != 0) Put32(out, entry + kDebugDataAddress, MovedRva(r, address));
      uint32_t offset = Get32(out, entry + kDebugDataOffset);
      if (offset != 0) Put32(out, entry + kDebugDataOffset, MovedFileOffset(r, offset));
    }
    break;
  }
}

// SizeOfImage, SizeOfInitializedData and, last, the check sum.
void PatchSizesAndCheckSum(Rewrite& r) {
  const Headers& h = r.h;
  std::vector<unsigned char>& out = r.out;
  uint64_t imageEnd = 0;
  for (const Section& s : r.sections) {
    uint64_t end = AlignUp(static_cast<uint64_t>(s.virtualAddress) + s.MemorySize(), h.sectionAlignment);
    if (end > imageEnd) imageEnd = end;
  }
  Put32(out, h.optional + kOptionalImageSize, static_cast<uint32_t>(imageEnd));
  const Section& old = h.sections[h.resourceSection];
  int64_t initialized =
      static_cast<int64_t>(Get32(out, h.optional + kOptionalInitializedData)) + r.newRawSize - old.rawSize;
  Put32(out, h.optional + kOptionalInitializedData, static_cast<uint32_t>(initialized < 0 ? 0 : initialized));
  Put32(out, h.CheckSumOffset(), 0);
  Put32(out, h.CheckSumOffset(), PeCheckSum(out, h.CheckSumOffset()));
}

}  // namespace

bool WriteResources(std::vector<unsigned char>* image, const ResourceTree& tree, std::string* error,
                    std::vector<std::string>* warnings) {
  Headers h;
  if (!ParseHeaders(*image, &h, error)) return false;
  if (!CheckLayout(h, image->size(), error) || !CheckDirectories(h, *image, error)) return false;
  const Section& old = h.sections[h.resourceSection];
  Rewrite r(*image, h, BuildSection(tree, old.virtualAddress));
  if (r.fresh.size() >= 0xFFFFFFFFu - old.virtualAddress) {
    *error = "the resources would not fit in a 4 GiB image";
    return false;
  }
  r.newVirtualSize = static_cast<uint32_t>(r.fresh.size());
  r.newRawSize = static_cast<uint32_t>(AlignUp(r.fresh.size(), h.fileAlignment));
  r.fresh.resize(r.newRawSize, 0);

  if (!PlanSections(r, error)) return false;
  LayOutFile(r);
  PatchSectionTable(r);
  PatchDirectories(r, warnings);
  PatchFileOffsets(r);
  PatchSizesAndCheckSum(r);
  image->swap(r.out);
  return true;
}

}  // namespace packer

#include "pe_resources.h"

#include <cstring>
#include <set>

namespace quillon {
namespace packer {

namespace {

const uint32_t kResourceDirectory = 2;
const uint32_t kSecurityDirectory = 4;
const uint32_t kDebugDirectory = 6;
const size_t kMaxEntries = 100000;  // directory entries in all; far beyond any real program

uint16_t get16(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t get32(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void put16(std::vector<unsigned char>& b, size_t at, uint32_t v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void put32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}
uint64_t alignUp(uint64_t v, uint64_t a) { return a == 0 ? v : (v + a - 1) / a * a; }

struct Section {
  size_t headerOffset;
  std::string name;
  uint32_t virtualSize, virtualAddress, rawSize, rawOffset, characteristics;
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

  size_t checkSumOffset() const { return optional + 64; }
  size_t directoryOffset(uint32_t index) const { return directories + 8u * index; }
};

bool inRange(const std::vector<unsigned char>& b, uint64_t offset, uint64_t size) {
  return offset <= b.size() && size <= b.size() - offset;
}

bool parseHeaders(const std::vector<unsigned char>& b, Headers* h, std::string* error) {
  if (!inRange(b, 0, 2) || b[0] != 'M' || b[1] != 'Z') {
    *error = "not a Windows program (no MZ header)";
    return false;
  }
  if (!inRange(b, 0, 64)) {
    *error = "not a PE image (cut short inside its MZ header)";
    return false;
  }
  uint32_t peOffset = get32(b, 0x3C);
  if (!inRange(b, peOffset, 24) || std::memcmp(&b[peOffset], "PE\0\0", 4) != 0) {
    *error = "not a PE image (no PE signature)";
    return false;
  }
  h->coff = peOffset + 4;
  uint16_t sectionCount = get16(b, h->coff + 2);
  uint16_t optionalSize = get16(b, h->coff + 16);
  h->optional = h->coff + 20;
  if (!inRange(b, h->optional, optionalSize) || optionalSize < 2) {
    *error = "the optional header is cut short";
    return false;
  }
  uint16_t magic = get16(b, h->optional);
  if (magic != 0x10B && magic != 0x20B) {
    *error = "unknown optional header kind";
    return false;
  }
  h->pe32plus = magic == 0x20B;
  size_t countField = h->pe32plus ? 108u : 92u;
  if (optionalSize < countField + 4) {
    *error = "the optional header is too small";
    return false;
  }
  h->sectionAlignment = get32(b, h->optional + 32);
  h->fileAlignment = get32(b, h->optional + 36);
  h->sizeOfHeaders = get32(b, h->optional + 60);
  h->directoryCount = get32(b, h->optional + countField);
  h->directories = h->optional + countField + 4;
  if (h->directoryCount <= kResourceDirectory || h->directoryCount > (optionalSize - countField - 4) / 8) {
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
  if (!inRange(b, table, 40ull * sectionCount)) {
    *error = "the section table is cut short";
    return false;
  }
  h->tableEnd = table + 40u * sectionCount;
  uint32_t resourceRva = get32(b, h->directoryOffset(kResourceDirectory));
  bool found = false;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    size_t at = table + 40u * i;
    Section s;
    s.headerOffset = at;
    for (size_t c = 0; c < 8 && b[at + c] != 0; ++c) s.name.push_back(static_cast<char>(b[at + c]));
    s.virtualSize = get32(b, at + 8);
    s.virtualAddress = get32(b, at + 12);
    s.rawSize = get32(b, at + 16);
    s.rawOffset = get32(b, at + 20);
    s.characteristics = get32(b, at + 36);
    if (s.rawSize != 0 && !inRange(b, s.rawOffset, s.rawSize)) {
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

  bool read(ResourceTree* tree) {
    std::vector<Entry> types;
    if (!directory(0, &types)) return false;
    for (const Entry& t : types) {
      if (!t.isDirectory) return fail("a resource type has no directory");
      std::vector<Entry> names;
      if (!directory(t.target, &names)) return false;
      for (const Entry& n : names) {
        if (!n.isDirectory) return fail("a resource name has no directory");
        std::vector<Entry> languages;
        if (!directory(n.target, &languages)) return false;
        for (const Entry& l : languages) {
          if (l.isDirectory || l.key.isString) return fail("a resource language entry is malformed");
          ResourceData data;
          if (!leaf(l.target, &data)) return false;
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

  bool fail(const std::string& message) {
    *error_ = message;
    return false;
  }
  bool sectionRange(uint64_t offset, uint64_t size) const {
    uint64_t limit = section_.rawSize < section_.virtualSize || section_.virtualSize == 0 ? section_.rawSize
                                                                                         : section_.virtualSize;
    return offset <= limit && size <= limit - offset;
  }
  size_t at(uint64_t offset) const { return section_.rawOffset + static_cast<size_t>(offset); }

  // A tree as resource compilers write it reaches every directory and data
  // entry once. Shared ones would make the walk repeat itself (and copy one
  // blob over and over) on a crafted image, so they are refused.
  bool directory(uint32_t offset, std::vector<Entry>* entries) {
    if (!sectionRange(offset, 16)) return fail("a resource directory lies outside its section");
    if (!directories_.insert(offset).second) return fail("a resource directory is reached more than once");
    uint32_t count = static_cast<uint32_t>(get16(image_, at(offset) + 12)) + get16(image_, at(offset) + 14);
    if (!sectionRange(offset + 16ull, 8ull * count)) return fail("a resource directory's entries run past its section");
    entries_ += count;
    if (entries_ > kMaxEntries) return fail("too many resources");
    for (uint32_t i = 0; i < count; ++i) {
      size_t e = at(offset + 16ull + 8ull * i);
      uint32_t nameField = get32(image_, e);
      uint32_t dataField = get32(image_, e + 4);
      Entry entry;
      if (nameField & 0x80000000u) {
        uint32_t nameOffset = nameField & 0x7FFFFFFFu;
        if (!sectionRange(nameOffset, 2)) return fail("a resource name lies outside its section");
        uint16_t length = get16(image_, at(nameOffset));
        if (!sectionRange(nameOffset + 2ull, 2ull * length)) return fail("a resource name runs past its section");
        entry.key.isString = true;
        for (uint16_t c = 0; c < length; ++c) {
          entry.key.name.push_back(static_cast<char16_t>(get16(image_, at(nameOffset + 2ull + 2ull * c))));
        }
      } else {
        if (nameField > 0xFFFFu) return fail("a resource id is out of range");
        entry.key.id = static_cast<uint16_t>(nameField);
      }
      entry.isDirectory = (dataField & 0x80000000u) != 0;
      entry.target = dataField & 0x7FFFFFFFu;
      entries->push_back(entry);
    }
    return true;
  }

  bool leaf(uint32_t offset, ResourceData* data) {
    if (!sectionRange(offset, 16)) return fail("a resource data entry lies outside its section");
    if (!dataEntries_.insert(offset).second) return fail("a resource data entry is reached more than once");
    uint32_t rva = get32(image_, at(offset));
    uint32_t size = get32(image_, at(offset) + 4);
    data->codePage = get32(image_, at(offset) + 8);
    if (rva < section_.virtualAddress) return fail("resource data lies outside the resource section");
    uint64_t inSection = rva - section_.virtualAddress;
    if (!sectionRange(inSection, size) || inSection + size > section_.rawSize) {
      return fail("resource data runs past the resource section");
    }
    // Blobs may still overlap; together they can never honestly be more
    // than the image that holds them.
    dataBytes_ += size;
    if (dataBytes_ > image_.size()) return fail("the resources hold more data than the image");
    data->bytes.assign(image_.begin() + static_cast<std::ptrdiff_t>(at(inSection)),
                       image_.begin() + static_cast<std::ptrdiff_t>(at(inSection) + size));
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
std::vector<unsigned char> buildSection(const ResourceTree& tree, uint32_t sectionRva) {
  size_t directories = 16 + 8 * tree.size();
  size_t leaves = 0;
  for (const auto& t : tree) {
    directories += 16 + 8 * t.second.size();
    for (const auto& n : t.second) {
      directories += 16 + 8 * n.second.size();
      leaves += n.second.size();
    }
  }
  size_t dataEntries = directories;
  size_t strings = dataEntries + 16 * leaves;
  size_t stringBytes = 0;
  for (const auto& t : tree) {
    if (t.first.isString) stringBytes += 2 + 2 * t.first.name.size();
    for (const auto& n : t.second) {
      if (n.first.isString) stringBytes += 2 + 2 * n.first.name.size();
    }
  }
  size_t dataStart = static_cast<size_t>(alignUp(strings + stringBytes, 8));
  size_t total = dataStart;
  for (const auto& t : tree)
    for (const auto& n : t.second)
      for (const auto& l : n.second) total = static_cast<size_t>(alignUp(total + l.second.bytes.size(), 8));

  std::vector<unsigned char> out(total, 0);
  size_t nextDirectory = 0, nextEntry = dataEntries, nextString = strings, nextData = dataStart;

  auto writeDirectory = [&](size_t offset, const std::vector<ResourceKey>& keys) {
    uint16_t named = 0;
    for (const ResourceKey& k : keys) named = static_cast<uint16_t>(named + (k.isString ? 1 : 0));
    put16(out, offset + 12, named);
    put16(out, offset + 14, static_cast<uint32_t>(keys.size() - named));
  };
  auto writeKey = [&](size_t entryOffset, const ResourceKey& key) {
    if (!key.isString) {
      put32(out, entryOffset, key.id);
      return;
    }
    put32(out, entryOffset, 0x80000000u | static_cast<uint32_t>(nextString));
    put16(out, nextString, static_cast<uint32_t>(key.name.size()));
    for (size_t i = 0; i < key.name.size(); ++i) put16(out, nextString + 2 + 2 * i, key.name[i]);
    nextString += 2 + 2 * key.name.size();
  };

  // Breadth first, so every directory's children follow in one block.
  std::vector<ResourceKey> typeKeys;
  for (const auto& t : tree) typeKeys.push_back(t.first);
  size_t root = nextDirectory;
  writeDirectory(root, typeKeys);
  nextDirectory += 16 + 8 * tree.size();
  size_t typeIndex = 0;
  std::vector<size_t> nameDirectories;
  for (const auto& t : tree) {
    size_t entry = root + 16 + 8 * typeIndex++;
    writeKey(entry, t.first);
    put32(out, entry + 4, 0x80000000u | static_cast<uint32_t>(nextDirectory));
    std::vector<ResourceKey> nameKeys;
    for (const auto& n : t.second) nameKeys.push_back(n.first);
    writeDirectory(nextDirectory, nameKeys);
    nameDirectories.push_back(nextDirectory);
    nextDirectory += 16 + 8 * t.second.size();
  }
  typeIndex = 0;
  for (const auto& t : tree) {
    size_t nameDirectory = nameDirectories[typeIndex++];
    size_t nameIndex = 0;
    for (const auto& n : t.second) {
      size_t entry = nameDirectory + 16 + 8 * nameIndex++;
      writeKey(entry, n.first);
      put32(out, entry + 4, 0x80000000u | static_cast<uint32_t>(nextDirectory));
      size_t languageDirectory = nextDirectory;
      put16(out, languageDirectory + 14, static_cast<uint32_t>(n.second.size()));
      nextDirectory += 16 + 8 * n.second.size();
      size_t languageIndex = 0;
      for (const auto& l : n.second) {
        size_t languageEntry = languageDirectory + 16 + 8 * languageIndex++;
        put32(out, languageEntry, l.first);
        put32(out, languageEntry + 4, static_cast<uint32_t>(nextEntry));
        put32(out, nextEntry, sectionRva + static_cast<uint32_t>(nextData));
        put32(out, nextEntry + 4, static_cast<uint32_t>(l.second.bytes.size()));
        put32(out, nextEntry + 8, l.second.codePage);
        nextEntry += 16;
        if (!l.second.bytes.empty()) std::memcpy(&out[nextData], l.second.bytes.data(), l.second.bytes.size());
        nextData = static_cast<size_t>(alignUp(nextData + l.second.bytes.size(), 8));
      }
    }
  }
  return out;
}

}  // namespace

ResourceKey ResourceKey::fromId(uint16_t id) {
  ResourceKey k;
  k.id = id;
  return k;
}

ResourceKey ResourceKey::fromName(const std::string& ascii) {
  ResourceKey k;
  k.isString = true;
  for (char c : ascii) k.name.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return k;
}

std::string ResourceKey::describe() const {
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

bool readResources(const std::vector<unsigned char>& image, ResourceTree* tree, std::string* error) {
  Headers h;
  if (!parseHeaders(image, &h, error)) return false;
  tree->clear();
  TreeReader reader(image, h.sections[h.resourceSection], error);
  return reader.read(tree);
}

uint32_t peCheckSum(const std::vector<unsigned char>& image, size_t checkSumOffset) {
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
bool checkLayout(const Headers& h, size_t fileSize, std::string* error) {
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

}  // namespace

bool writeResources(std::vector<unsigned char>* imagePointer, const ResourceTree& tree, std::string* error,
                    std::vector<std::string>* warnings) {
  std::vector<unsigned char>& image = *imagePointer;
  Headers h;
  if (!parseHeaders(image, &h, error)) return false;
  if (!checkLayout(h, image.size(), error)) return false;
  const Section old = h.sections[h.resourceSection];
  std::vector<unsigned char> fresh = buildSection(tree, old.virtualAddress);
  if (fresh.size() >= 0xFFFFFFFFu - old.virtualAddress) {
    *error = "the resources would not fit in a 4 GiB image";
    return false;
  }
  uint32_t newVirtualSize = static_cast<uint32_t>(fresh.size());
  uint32_t newRawSize = static_cast<uint32_t>(alignUp(fresh.size(), h.fileAlignment));
  fresh.resize(newRawSize, 0);

  // Where the following sections go in memory: nowhere, if the new resources
  // fit in the old ones' room.
  std::vector<Section> sections = h.sections;
  uint64_t nextVirtual = alignUp(static_cast<uint64_t>(old.virtualAddress) + newVirtualSize, h.sectionAlignment);
  std::vector<std::pair<uint32_t, int64_t>> moved;  // old start, shift
  for (size_t i = h.resourceSection + 1; i < sections.size(); ++i) {
    Section& s = sections[i];
    if (s.virtualAddress >= nextVirtual) break;
    // Only what the loaded program never addresses may move: base
    // relocations and debug information, both discardable.
    if (!(s.characteristics & kDiscardable)) {
      *error = "the resource section would have to grow into section " + s.name + ", which cannot move";
      return false;
    }
    int64_t shift = static_cast<int64_t>(nextVirtual) - s.virtualAddress;
    moved.push_back(std::make_pair(s.virtualAddress, shift));
    s.virtualAddress = static_cast<uint32_t>(nextVirtual);
    nextVirtual = alignUp(static_cast<uint64_t>(s.virtualAddress) + (s.virtualSize ? s.virtualSize : s.rawSize),
                          h.sectionAlignment);
  }
  if (nextVirtual > 0xFFFFFFFFu) {
    *error = "the image would grow beyond 4 GiB";
    return false;
  }

  // The new file: headers, then every section's raw data in order, then
  // whatever followed the last section (a symbol table, an overlay).
  size_t firstRaw = image.size();
  size_t lastRawEnd = 0;
  for (const Section& s : h.sections) {
    if (s.rawSize == 0) continue;
    if (s.rawOffset < firstRaw) firstRaw = s.rawOffset;
    if (s.rawOffset + static_cast<size_t>(s.rawSize) > lastRawEnd) lastRawEnd = s.rawOffset + static_cast<size_t>(s.rawSize);
  }
  if (firstRaw > image.size()) firstRaw = image.size();
  std::vector<unsigned char> out(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(firstRaw));
  for (size_t i = 0; i < sections.size(); ++i) {
    Section& s = sections[i];
    if (i == h.resourceSection) {
      out.resize(static_cast<size_t>(alignUp(out.size(), h.fileAlignment)), 0);
      s.rawOffset = static_cast<uint32_t>(out.size());
      s.rawSize = newRawSize;
      s.virtualSize = newVirtualSize;
      out.insert(out.end(), fresh.begin(), fresh.end());
      continue;
    }
    if (s.rawSize == 0) continue;
    const Section& original = h.sections[i];
    if (out.size() < original.rawOffset) out.resize(original.rawOffset, 0);  // keep gaps before the change
    out.resize(static_cast<size_t>(alignUp(out.size(), h.fileAlignment)), 0);
    s.rawOffset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), image.begin() + original.rawOffset, image.begin() + original.rawOffset + original.rawSize);
  }
  int64_t tailShift = static_cast<int64_t>(out.size()) - static_cast<int64_t>(lastRawEnd);
  if (lastRawEnd < image.size()) out.insert(out.end(), image.begin() + static_cast<std::ptrdiff_t>(lastRawEnd), image.end());

  // Section headers.
  for (const Section& s : sections) {
    put32(out, s.headerOffset + 8, s.virtualSize);
    put32(out, s.headerOffset + 12, s.virtualAddress);
    put32(out, s.headerOffset + 16, s.rawSize);
    put32(out, s.headerOffset + 20, s.rawOffset);
  }
  // Data directories that pointed into a moved section.
  for (uint32_t d = 0; d < h.directoryCount; ++d) {
    if (d == kSecurityDirectory) continue;  // a file offset, not an address
    size_t at = h.directoryOffset(d);
    uint32_t rva = get32(out, at);
    for (size_t i = 0; i < moved.size(); ++i) {
      const Section& s = h.sections[h.resourceSection + 1 + i];
      if (rva >= s.virtualAddress && rva < s.virtualAddress + (s.virtualSize ? s.virtualSize : s.rawSize)) {
        put32(out, at, static_cast<uint32_t>(rva + moved[i].second));
      }
    }
  }
  put32(out, h.directoryOffset(kResourceDirectory) + 4, newVirtualSize);
  if (h.directoryCount > kSecurityDirectory && get32(out, h.directoryOffset(kSecurityDirectory)) != 0) {
    put32(out, h.directoryOffset(kSecurityDirectory), 0);
    put32(out, h.directoryOffset(kSecurityDirectory) + 4, 0);
    if (warnings) warnings->push_back("the program's signature no longer matches and has been removed");
  }
  // File offsets that pointed behind the resources move with what they
  // point at: a COFF symbol table, and the data of debug directory entries.
  auto movedFileOffset = [&](uint32_t offset) -> uint32_t {
    for (size_t i = 0; i < sections.size(); ++i) {
      const Section& before = h.sections[i];
      if (i != h.resourceSection && before.rawSize != 0 && offset >= before.rawOffset &&
          offset - before.rawOffset < before.rawSize) {
        return sections[i].rawOffset + (offset - before.rawOffset);
      }
    }
    return offset >= lastRawEnd ? static_cast<uint32_t>(offset + tailShift) : offset;
  };
  auto movedRva = [&](uint32_t rva) -> uint32_t {
    for (size_t i = 0; i < moved.size(); ++i) {
      const Section& s = h.sections[h.resourceSection + 1 + i];
      if (rva >= s.virtualAddress && rva - s.virtualAddress < (s.virtualSize ? s.virtualSize : s.rawSize)) {
        return static_cast<uint32_t>(rva + moved[i].second);
      }
    }
    return rva;
  };
  uint32_t symbols = get32(out, h.coff + 8);
  if (symbols != 0) put32(out, h.coff + 8, movedFileOffset(symbols));
  if (h.directoryCount > kDebugDirectory) {
    uint32_t debugRva = get32(out, h.directoryOffset(kDebugDirectory));
    uint32_t debugSize = get32(out, h.directoryOffset(kDebugDirectory) + 4);
    for (const Section& s : sections) {
      if (debugRva == 0 || s.rawSize == 0 || debugRva < s.virtualAddress || debugRva - s.virtualAddress >= s.rawSize) {
        continue;
      }
      uint64_t at = static_cast<uint64_t>(s.rawOffset) + (debugRva - s.virtualAddress);
      for (uint32_t e = 0; e + 28 <= debugSize && at + e + 28 <= out.size() && e / 28 < 1024; e += 28) {
        size_t entry = static_cast<size_t>(at + e);
        if (get32(out, entry + 20) != 0) put32(out, entry + 20, movedRva(get32(out, entry + 20)));
        if (get32(out, entry + 24) != 0) put32(out, entry + 24, movedFileOffset(get32(out, entry + 24)));
      }
      break;
    }
  }

  uint64_t imageEnd = 0;
  for (const Section& s : sections) {
    uint64_t end = alignUp(static_cast<uint64_t>(s.virtualAddress) + (s.virtualSize ? s.virtualSize : s.rawSize),
                           h.sectionAlignment);
    if (end > imageEnd) imageEnd = end;
  }
  put32(out, h.optional + 56, static_cast<uint32_t>(imageEnd));
  int64_t initialized = static_cast<int64_t>(get32(out, h.optional + 8)) + newRawSize - old.rawSize;
  put32(out, h.optional + 8, static_cast<uint32_t>(initialized < 0 ? 0 : initialized));
  put32(out, h.checkSumOffset(), 0);
  put32(out, h.checkSumOffset(), peCheckSum(out, h.checkSumOffset()));
  image.swap(out);
  return true;
}

}  // namespace packer
}  // namespace quillon

#include "payload_archive.h"

#include <cstring>
#include <set>

#include "platform/text.h"

namespace launcher {

using platform::ReadU64;
using platform::WriteU64;

void DecodeEntry(const unsigned char* record, PayloadEntry* entry) {
  entry->index = ReadU32(record);
  entry->creationTime = ReadU64(record + 4);
  entry->lastAccessTime = ReadU64(record + 12);
  entry->lastWriteTime = ReadU64(record + 20);
  entry->sizeHigh = ReadU32(record + 28);
  entry->sizeLow = ReadU32(record + 32);
  std::memcpy(entry->name, record + 36, kNameSize);
}

void EncodeEntry(const PayloadEntry& entry, unsigned char* record) {
  WriteU32(record, entry.index);
  WriteU64(record + 4, entry.creationTime);
  WriteU64(record + 12, entry.lastAccessTime);
  WriteU64(record + 20, entry.lastWriteTime);
  WriteU32(record + 28, entry.sizeHigh);
  WriteU32(record + 32, entry.sizeLow);
  std::memcpy(record + 36, entry.name, kNameSize);
}

uint64_t DataStart(uint32_t count) {
  return kCountSize + static_cast<uint64_t>(kEntrySize) * count;
}

bool EntryTableFits(uint64_t length, uint32_t count) {
  return length >= kCountSize && DataStart(count) <= length;
}

namespace {

// Windows takes these as devices in any directory: the part before the first
// dot counts, trailing blanks dropped, case ignored. COM and LPT take a digit
// or one of code page 1252's superscripts 1, 2 and 3.
bool IsDeviceName(const unsigned char* name, size_t length) {
  size_t end = 0;
  while (end < length && name[end] != '.') ++end;
  while (end > 0 && name[end - 1] == ' ') --end;
  // No device name is longer than CONOUT$; the worker allocates nothing here.
  char upper[7];
  if (end > sizeof upper) return false;
  for (size_t i = 0; i < end; ++i) {
    const char c = static_cast<char>(name[i]);
    upper[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const std::string_view base(upper, end);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (base == device) return true;
  }
  if (base.size() != 4 || (base.substr(0, 3) != "COM" && base.substr(0, 3) != "LPT")) return false;
  unsigned char last = static_cast<unsigned char>(base[3]);
  return (last >= '0' && last <= '9') || last == 0xB9 || last == 0xB2 || last == 0xB3;
}

}  // namespace

NameCheck CheckEntryName(const unsigned char name[kNameSize]) {
  const void* nul = std::memchr(name, 0, kNameSize);
  if (nul == nullptr) return NameCheck::NoTerminator;
  size_t length = static_cast<size_t>(static_cast<const unsigned char*>(nul) - name);
  if (length == 0) return NameCheck::Empty;
  for (size_t i = 0; i < length; ++i) {
    if (name[i] == '\\' || name[i] == '/') return NameCheck::DirectoryPart;
    if (name[i] == ':') return NameCheck::Colon;
  }
  if ((length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.')) {
    return NameCheck::DotName;
  }
  if (IsDeviceName(name, length)) return NameCheck::DeviceName;
  if (name[length - 1] == '.' || name[length - 1] == ' ') return NameCheck::TrailingDotOrBlank;
  return NameCheck::Ok;
}

const char* DescribeNameCheck(NameCheck check) {
  switch (check) {
    case NameCheck::Ok: return "a plain file name";
    case NameCheck::Empty: return "the name is empty";
    case NameCheck::NoTerminator: return "the name has no terminating NUL within 260 bytes";
    case NameCheck::DirectoryPart: return "the name has a directory part";
    case NameCheck::Colon: return "the name has a drive or stream colon";
    case NameCheck::DotName: return "the name is \".\" or \"..\"";
    case NameCheck::DeviceName: return "the name is that of a device (CON, NUL, COM1, ...)";
    case NameCheck::TrailingDotOrBlank: return "the name ends in a dot or a blank";
  }
  return "the name is not usable";
}

namespace {

// Both joins in one: `Out` is a std::string or a PathText.
template <typename Out>
bool Join(Out* out, std::string_view dir, std::string_view separator, std::string_view name) {
  if (dir.size() + separator.size() + name.size() > kMaxPath) return false;
  out->clear();
  for (std::string_view part : {dir, separator, name})
    for (char c : part) out->push_back(c);
  return true;
}

template <typename Out>
void AppendComparable(std::string_view path, const platform::LeadBytes& lead, Out* out) {
  bool afterSeparator = false;
  for (size_t i = 0; i < path.size();) {
    const size_t next = platform::NextCharacter(path, i, lead);
    const char c = path[i];
    const bool single = next == i + 1;
    const bool separator = single && (c == '\\' || c == '/');
    if (separator) {
      if (!(afterSeparator && out->size() > 1)) out->push_back('\\');
    } else if (single && c >= 'a' && c <= 'z') {
      out->push_back(static_cast<char>(c - 'a' + 'A'));
    } else {
      for (size_t k = i; k < next; ++k) out->push_back(path[k]);
    }
    afterSeparator = separator;
    i = next;
  }
}

}  // namespace

bool JoinPath(PathText* out, std::string_view dir, std::string_view separator, std::string_view name) {
  return Join(out, dir, separator, name);
}
bool JoinPath(std::string* out, std::string_view dir, std::string_view separator, std::string_view name) {
  return Join(out, dir, separator, name);
}

std::string_view EntryNameView(const PayloadEntry& entry) {
  const void* nul = std::memchr(entry.name, 0, kNameSize);
  size_t length = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - entry.name) : kNameSize;
  return std::string_view(reinterpret_cast<const char*>(entry.name), length);
}

std::string EntryName(const PayloadEntry& entry) { return std::string(EntryNameView(entry)); }

std::vector<unsigned char> BuildArchive(const std::vector<ArchiveFile>& files) {
  uint64_t total = DataStart(static_cast<uint32_t>(files.size()));
  for (const ArchiveFile& f : files) total += f.data.size();
  std::vector<unsigned char> archive(static_cast<size_t>(total));
  WriteU32(archive.data(), static_cast<uint32_t>(files.size()));
  size_t offset = static_cast<size_t>(DataStart(static_cast<uint32_t>(files.size())));
  for (size_t i = 0; i < files.size(); ++i) {
    const ArchiveFile& f = files[i];
    PayloadEntry e;
    e.index = static_cast<uint32_t>(i);
    e.creationTime = f.creationTime;
    e.lastAccessTime = f.lastAccessTime;
    e.lastWriteTime = f.lastWriteTime;
    e.sizeHigh = 0;
    e.sizeLow = static_cast<uint32_t>(f.data.size());
    std::memcpy(e.name, f.name.data(), f.name.size() < kNameSize ? f.name.size() : kNameSize - 1);
    EncodeEntry(e, archive.data() + kCountSize + i * kEntrySize);
    if (!f.data.empty()) std::memcpy(archive.data() + offset, f.data.data(), f.data.size());
    offset += f.data.size();
  }
  return archive;
}

bool ReadArchive(const unsigned char* data, size_t length, ArchiveListing* listing, std::string* error) {
  *listing = ArchiveListing();
  if (length == 0) {
    *error = "the archive is empty";
    return false;
  }
  if (length < kCountSize) {
    *error = "the archive is too short to hold its entry count";
    return false;
  }
  uint32_t count = ReadU32(data);
  listing->count = count;
  if (!EntryTableFits(length, count)) {
    *error = "the entry table of " + std::to_string(count) + " entries does not fit in " +
             std::to_string(length) + " bytes";
    return false;
  }
  uint64_t offset = DataStart(count);
  std::set<std::string> seen;
  for (uint32_t i = 0; i < count; ++i) {
    PayloadEntry e;
    DecodeEntry(data + kCountSize + static_cast<size_t>(i) * kEntrySize, &e);
    std::string where = "entry " + std::to_string(i);
    NameCheck check = CheckEntryName(e.name);
    if (check != NameCheck::Ok) {
      *error = where + ": " + DescribeNameCheck(check);
      return false;
    }
    std::string name = EntryName(e);
    where += " (\"" + name + "\")";
    if (e.sizeLow == 0) {
      *error = where + ": size is 0";
      return false;
    }
    if (e.sizeHigh != 0) {
      *error = where + ": size is 4 GiB or more";
      return false;
    }
    if (offset + e.sizeLow > length) {
      *error = where + ": data runs past the end of the archive";
      return false;
    }
    // Windows file names ignore case, so "A.TXT" replaces "a.txt" on disk.
    if (!seen.insert(platform::UpperAscii(name)).second) listing->repeatedNames.push_back(name);
    listing->entries.push_back(e);
    listing->offsets.push_back(offset);
    offset += e.sizeLow;
  }
  listing->trailingBytes = length - offset;
  return true;
}

std::string ComparablePath(std::string_view path, const platform::LeadBytes& lead) {
  std::string out;
  AppendComparable(path, lead, &out);
  return out;
}

bool ComparablePath(std::string_view path, const platform::LeadBytes& lead, PathText* out) {
  out->clear();
  AppendComparable(path, lead, out);
  return !out->overflowed();
}

}  // namespace launcher

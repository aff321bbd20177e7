// The payload archive that setup carries: a count, a table of 296-byte
// PayloadEntry records and the files' bytes, all inside one zlib stream.
// Every integer is unsigned 32-bit little-endian with no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "path_text.h"
#include "platform/little_endian.h"
#include "platform/text.h"

namespace launcher {

constexpr uint32_t kCountSize = 4;
constexpr uint32_t kEntrySize = 296;
constexpr uint32_t kNameSize = 260;
// Longest path the launcher handles: a 260-byte buffer less its NUL.
constexpr size_t kMaxPath = 259;

struct PayloadEntry {
  uint32_t index = 0;
  uint64_t creationTime = 0;    // FILETIME, 100 ns since 1601-01-01 UTC
  uint64_t lastAccessTime = 0;
  uint64_t lastWriteTime = 0;
  uint32_t sizeHigh = 0;
  uint32_t sizeLow = 0;
  unsigned char name[kNameSize] = {};
};

using platform::ReadU32;
using platform::WriteU32;

void DecodeEntry(const unsigned char* record, PayloadEntry* entry);
void EncodeEntry(const PayloadEntry& entry, unsigned char* record);

// Offset of the first file's data; 64-bit because count may be anything.
uint64_t DataStart(uint32_t count);
// Whether the count and the whole entry table lie inside an archive of
// `length` bytes, computed without overflow.
bool EntryTableFits(uint64_t length, uint32_t count);

enum class NameCheck {
  Ok,
  Empty,
  NoTerminator,   // no NUL within the 260 bytes
  DirectoryPart,  // "\" or "/"
  Colon,          // drive letter or alternate stream
  DotName,        // "." or ".."
  DeviceName,     // CON, NUL.txt, COM1, CONIN$, ...: opens a device, not a file
  TrailingDotOrBlank,  // Windows drops it and writes another name
};

// A name is safe when it is a plain file name: it can then only ever name a
// file directly inside the directory it is joined to, and that very file (not
// a device, not another name that Windows makes of a trailing dot or blank).
NameCheck CheckEntryName(const unsigned char name[kNameSize]);
const char* DescribeNameCheck(NameCheck check);

// dir + separator + name into `out`; false when the result would not fit in
// a 260-byte path buffer (more than 259 characters).
bool JoinPath(PathText* out, std::string_view dir, std::string_view separator, std::string_view name);
bool JoinPath(std::string* out, std::string_view dir, std::string_view separator, std::string_view name);

// The name field (up to its NUL; the caller has checked it).
std::string_view EntryNameView(const PayloadEntry& entry);
std::string EntryName(const PayloadEntry& entry);

// A path as Windows compares it: ASCII case ignored, "/" read as "\" and a
// run of separators as one (a leading "\\" stays), read by the characters of
// the code page whose lead bytes are `lead` (a trail byte is neither a
// letter to fold nor a separator).
std::string ComparablePath(std::string_view path, const platform::LeadBytes& lead);
// The same into `out`; false when it does not fit.
bool ComparablePath(std::string_view path, const platform::LeadBytes& lead, PathText* out);

// --- Whole-archive view, used by the packaging tool and by tests. -------------

struct ArchiveFile {
  std::string name;
  uint64_t creationTime = 0;
  uint64_t lastAccessTime = 0;
  uint64_t lastWriteTime = 0;
  std::vector<unsigned char> data;
};

// Builds the inflated archive for the files in order. Names are not checked
// here; the packaging tool refuses unsafe ones before it gets this far.
std::vector<unsigned char> BuildArchive(const std::vector<ArchiveFile>& files);

struct ArchiveListing {
  uint32_t count = 0;
  std::vector<PayloadEntry> entries;
  std::vector<uint64_t> offsets;  // data offset of each entry
  uint64_t trailingBytes = 0;     // bytes after the last entry's data
  std::vector<std::string> repeatedNames;
};

// Checks everything the launcher's worker relies on: the table fits, every
// entry has data inside the archive, sizeLow is not 0, sizeHigh is 0 and every
// name is safe.
// Trailing bytes and repeated names are reported in the listing, not refused.
bool ReadArchive(const unsigned char* data, size_t length, ArchiveListing* listing, std::string* error);

}  // namespace launcher

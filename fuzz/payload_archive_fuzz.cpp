// The payload archive reader on arbitrary bytes: it refuses with a reason or
// gives back a listing in which every entry is what the worker relies on.
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "payload_archive.h"

using namespace launcher;

namespace {

// What a name that passes the check must be: a plain name directly inside
// whatever directory it is joined to.
void checkPlainName(const PayloadEntry& entry) {
  std::string name = EntryName(entry);
  FUZZ_CHECK(!name.empty() && name.size() < kNameSize);
  FUZZ_CHECK(name.find_first_of("\\/:") == std::string::npos);
  FUZZ_CHECK(name != "." && name != "..");
  std::string joined;
  if (JoinPath(&joined, "C:\\T", "\\", name)) {
    FUZZ_CHECK(joined.size() <= kMaxPath);
    FUZZ_CHECK(joined.compare(0, 5, "C:\\T\\") == 0 && joined.find('\\', 5) == std::string::npos);
  } else {
    FUZZ_CHECK(5 + name.size() > kMaxPath);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every whole record of the input, taken as an entry: the name check and
  // the record's round trip, whatever the rest of the archive holds.
  for (size_t at = kCountSize; at + kEntrySize <= size && at < kCountSize + 64 * kEntrySize; at += kEntrySize) {
    PayloadEntry entry;
    DecodeEntry(data + at, &entry);
    unsigned char record[kEntrySize];
    EncodeEntry(entry, record);
    FUZZ_CHECK(std::memcmp(record, data + at, kEntrySize) == 0);
    if (CheckEntryName(entry.name) == NameCheck::Ok) checkPlainName(entry);
  }

  ArchiveListing listing;
  std::string error;
  if (!ReadArchive(data, size, &listing, &error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(size >= kCountSize && listing.count == ReadU32(data));
  FUZZ_CHECK(EntryTableFits(size, listing.count));
  FUZZ_CHECK(listing.entries.size() == listing.count && listing.offsets.size() == listing.count);
  uint64_t offset = DataStart(listing.count);
  for (uint32_t i = 0; i < listing.count; ++i) {
    const PayloadEntry& e = listing.entries[i];
    FUZZ_CHECK(listing.offsets[i] == offset);
    FUZZ_CHECK(e.sizeLow != 0 && e.sizeHigh == 0);
    FUZZ_CHECK(offset + e.sizeLow <= size);
    FUZZ_CHECK(CheckEntryName(e.name) == NameCheck::Ok);
    checkPlainName(e);
    offset += e.sizeLow;
  }
  FUZZ_CHECK(listing.trailingBytes == size - offset);
  FUZZ_CHECK(listing.repeatedNames.size() < listing.count || listing.count == 0);
  return 0;
}

#include "extraction_worker.h"

#include <cstring>

#include "file_inflater.h"
#include "platform/double_arithmetic.h"

namespace launcher {

namespace {

// Reading the archive in pieces keeps every single request well inside what
// one 32-bit read can take.
const uint32_t kReadChunk = 1u << 20;

// "%s%08X" without the formatted-output machinery, which setup would carry
// for these two texts alone. The directory leaves room for the digits.
void HexName(const PathText& directory, uint32_t number, PathText* name) {
  char digits[8];
  for (int i = 7; i >= 0; --i, number >>= 4) digits[i] = "0123456789ABCDEF"[number & 0xF];
  name->Assign(directory.view());
  name->Append(std::string_view(digits, sizeof digits));
}

// FNV-1a: spreads the comparable paths over the table.
size_t HashOf(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

// A slot of the table: its state, then the path and its NUL.
enum SlotState : char { kFree = 0, kUsed = 1, kErased = 2 };

// "%ld%%" of a value from 0 to 100 and beyond.
void PercentText(long value, char (&text)[24]) {
  char digits[20];
  size_t n = 0;
  unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  size_t k = 0;
  if (value < 0) text[k++] = '-';
  while (n > 0) text[k++] = digits[--n];
  text[k++] = '%';
  text[k] = '\0';
}

}  // namespace


int FilePercentage(uint32_t index, uint32_t count) {
  return static_cast<int>(platform::QuotientTimes(static_cast<double>(index) + 1.0, static_cast<double>(count), 100.0));
}

bool ExtractionWorker::OwnFiles::Reserve(uint32_t entries) {
  size_t slots = 4;
  while (slots / 2 < entries) {
    if (slots > static_cast<size_t>(-1) / 2 / (kSlot + 1)) return false;
    slots *= 2;
  }
  if (!table_.Allocate(slots * (kSlot + 1))) return false;
  slots_ = slots;
  return true;
}

size_t ExtractionWorker::OwnFiles::Find(const PathText& comparable) const {
  const size_t mask = slots_ - 1;
  size_t free = slots_;
  for (size_t i = HashOf(comparable.view()) & mask, probes = 0; probes < slots_; i = (i + 1) & mask, ++probes) {
    const char* slot = SlotAt(i);
    if (slot[0] == kFree) return free != slots_ ? free : i;
    if (slot[0] == kErased) {
      if (free == slots_) free = i;
    } else if (comparable == std::string_view(slot + 1)) {
      return i;
    }
  }
  return free;
}

size_t ExtractionWorker::OwnFiles::Used(const PathText& comparable) const {
  if (slots_ == 0) return slots_;
  const size_t i = Find(comparable);
  return i != slots_ && SlotAt(i)[0] == kUsed ? i : slots_;
}

bool ExtractionWorker::OwnFiles::Contains(const PathText& comparable) const {
  for (const PathText& early : early_)
    if (!early.empty() && early == comparable.view()) return true;
  return Used(comparable) != slots_;
}

bool ExtractionWorker::OwnFiles::Insert(const PathText& comparable) {
  if (Contains(comparable)) return true;
  if (slots_ == 0) {
    for (PathText& early : early_)
      if (early.empty()) return early.Assign(comparable.view());
    return false;
  }
  const size_t i = Find(comparable);
  if (i == slots_ || comparable.size() > kMaxPath) return false;
  char* slot = SlotAt(i);
  slot[0] = kUsed;
  std::memcpy(slot + 1, comparable.c_str(), comparable.size() + 1);
  return true;
}

bool ExtractionWorker::OwnFiles::Erase(const PathText& comparable) {
  for (PathText& early : early_) {
    if (!early.empty() && early == comparable.view()) {
      early.clear();
      return true;
    }
  }
  const size_t i = Used(comparable);
  if (i == slots_) return false;
  SlotAt(i)[0] = kErased;
  return true;
}

ExtractionWorker::ExtractionWorker(WorkerHost& host, std::string_view extractPath, uint64_t archiveLimit)
    : host_(host),
      files_(host.files()),
      memory_(host.memory()),
      lead_(host.AnsiLeadBytes()),
      extractPath_(extractPath),
      archiveLimit_(archiveLimit),
      openFile_(kNoFile),
      archive_(memory_),
      entryTable_(memory_),
      tableRead_(false),
      count_(0),
      current_(0),
      dataOffset_(0),
      created_(memory_),
      hasTrampo_(false),
      trampoOffset_(0),
      trampoSize_(0) {}

int ExtractionWorker::Run() {
  const Outcome outcome = RunStages();
  if (outcome == Outcome::kRollback) Rollback();
  CleanUp();
  return 0;
}

ExtractionWorker::Outcome ExtractionWorker::RunStages() {
  Outcome outcome = PreparePayload();
  if (outcome == Outcome::kContinue) outcome = LoadArchive();
  if (outcome == Outcome::kContinue) outcome = UnpackEntries();
  if (outcome == Outcome::kContinue) outcome = CopyEntries();
  if (outcome == Outcome::kContinue) outcome = Finish();
  return outcome == Outcome::kContinue ? Outcome::kCleanUp : outcome;
}

bool ExtractionWorker::StopRequested() { return host_.WaitForStop(kCheckpointMilliseconds); }

void ExtractionWorker::CloseOpenFile() {
  if (openFile_ != kNoFile) {
    files_.Close(openFile_);
    openFile_ = kNoFile;
  }
}

void ExtractionWorker::SetPosition(int position) { host_.SetProgressPosition(position); }
// The bar and its percent text always change together.
void ExtractionWorker::SetProgress(int position, const char* percent) {
  SetPosition(position);
  host_.SetPercentText(percent);
}
void ExtractionWorker::SetStatus(const char* text) { host_.SetStatusText(text); }

void ExtractionWorker::SetFilePercentage(uint32_t index) {
  int percent = FilePercentage(index, count_);
  char text[24];
  PercentText(percent, text);
  SetProgress(percent, text);
}

PayloadEntry ExtractionWorker::EntryAt(uint32_t index) const {
  PayloadEntry entry;
  DecodeEntry(entryTable_.data() + static_cast<size_t>(index) * kEntrySize, &entry);
  return entry;
}

bool ExtractionWorker::Claim(const PathText& path, bool* known) {
  if (!ComparablePath(path.view(), lead_, &comparable_)) return false;
  *known = created_.Contains(comparable_);
  return *known || created_.Insert(comparable_);
}

void ExtractionWorker::Unclaim(const PathText& path, bool known) {
  if (!known && ComparablePath(path.view(), lead_, &comparable_)) created_.Erase(comparable_);
}

bool ExtractionWorker::CreateOwn(const PathText& path) {
  bool known = false;
  if (!Claim(path, &known)) return false;
  openFile_ = files_.CreateForWrite(path.c_str());
  if (openFile_ == kNoFile) Unclaim(path, known);
  return openFile_ != kNoFile;
}

void ExtractionWorker::RemoveOwn(const PathText& path) {
  if (!ComparablePath(path.view(), lead_, &comparable_) || !created_.Contains(comparable_)) return;
  // Once gone it is no longer ours: a later file of that name may not be.
  if (files_.Remove(path.c_str())) created_.Erase(comparable_);
}

bool ExtractionWorker::UnpackedPath(const PayloadEntry& entry, PathText* path) const {
  if (CheckEntryName(entry.name) != NameCheck::Ok) return false;
  return JoinPath(path, tempDirectory_.view(), "", EntryNameView(entry));
}

// Preparing: the payload goes to the packed temp file and is inflated into
// the archive temp file.
ExtractionWorker::Outcome ExtractionWorker::PreparePayload() {
  host_.SetProgressRange(1, 100);
  SetProgress(0, "");
  SetStatus("Preparing data file...");
  if (StopRequested()) return Outcome::kCleanUp;
  if (StopRequested()) return Outcome::kCleanUp;

  SetProgress(25, "25%");
  // Eight hex digits must still fit behind the directory.
  if (!host_.TemporaryDirectory(&tempDirectory_) || tempDirectory_.empty() || tempDirectory_.size() > kMaxPath - 8) {
    return Outcome::kCleanUp;
  }
  HexName(tempDirectory_, host_.TickCount(), &writtenPath_);
  uint32_t second = host_.TickCount() * 12345u;  // wraps modulo 2^32 before the division
  HexName(tempDirectory_, second / 8725u, &targetPath_);
  if (StopRequested()) return Outcome::kCleanUp;

  SetProgress(50, "50%");
  SetStatus("Extracting file information...");
  const unsigned char* payload = nullptr;
  uint32_t payloadSize = 0;
  if (!host_.LoadPayload(&payload, &payloadSize) || payload == nullptr || payloadSize == 0) return Outcome::kCleanUp;
  if (!CreateOwn(writtenPath_)) return Outcome::kCleanUp;
  // A short write shows up as an inflation failure in the next step.
  files_.Write(openFile_, payload, payloadSize);
  CloseOpenFile();
  if (StopRequested()) return Outcome::kCleanUp;

  SetProgress(75, "75%");
  SetStatus("Decompress merge data file...");
  {
    bool known = false;
    if (!Claim(targetPath_, &known)) return Outcome::kCleanUp;
    FileInflater inflater(files_, archiveLimit_, memory_);
    int result = inflater.InflateFile(writtenPath_.c_str(), targetPath_.c_str());
    if (!inflater.createdOutput()) Unclaim(targetPath_, known);
    if (result != 0) return Outcome::kCleanUp;
  }

  SetProgress(100, "100%");
  SetStatus("");
  if (StopRequested()) return Outcome::kCleanUp;
  return Outcome::kContinue;
}

// Loading: the inflated archive is read whole and its entry table copied.
ExtractionWorker::Outcome ExtractionWorker::LoadArchive() {
  SetProgress(0, "0%");
  SetStatus("Initialize file information...");
  openFile_ = files_.OpenForRead(targetPath_.c_str(), nullptr);
  if (openFile_ == kNoFile) return Outcome::kCleanUp;
  uint64_t length = 0;
  if (!files_.FileSize(openFile_, &length) || length == 0) {
    CloseOpenFile();
    return Outcome::kCleanUp;
  }
  if (length > 0xFFFFFFFFu || length > static_cast<uint64_t>(static_cast<size_t>(-1))) {
    CloseOpenFile();
    return Outcome::kRollback;  // more than one allocation can hold
  }
  if (!archive_.Allocate(static_cast<size_t>(length))) {
    CloseOpenFile();
    return Outcome::kRollback;
  }
  // A short read leaves zeros behind; the checks below still hold.
  for (uint64_t done = 0; done < length;) {
    uint64_t left = length - done;
    uint32_t want = left < kReadChunk ? static_cast<uint32_t>(left) : kReadChunk;
    uint32_t got = files_.Read(openFile_, archive_.data() + done, want);
    if (got == 0) break;
    done += got;
  }
  CloseOpenFile();

  if (archive_.size() < kCountSize) return Outcome::kRollback;
  count_ = ReadU32(archive_.data());
  if (count_ == 0) return Outcome::kCleanUp;
  if (!EntryTableFits(archive_.size(), count_)) return Outcome::kRollback;
  size_t tableSize = static_cast<size_t>(DataStart(count_) - kCountSize);
  if (!entryTable_.Allocate(tableSize) || !created_.Reserve(count_)) return Outcome::kRollback;
  std::memcpy(entryTable_.data(), archive_.data() + kCountSize, tableSize);
  tableRead_ = true;
  return Outcome::kContinue;
}

// Unpacking: every entry into the temporary directory, with its stored times.
ExtractionWorker::Outcome ExtractionWorker::UnpackEntries() {
  SetStatus("Extracting file information...");
  dataOffset_ = DataStart(count_);
  for (uint32_t i = 0; i < count_; ++i) {
    current_ = i;
    PayloadEntry entry = EntryAt(i);
    PathText copyTarget;
    // An unsafe name or one that cannot be joined is refused before anything
    // touches the disk: nothing may be written outside the two directories.
    if (!UnpackedPath(entry, &writtenPath_) || !JoinPath(&copyTarget, extractPath_, "\\", EntryNameView(entry))) {
      writtenPath_.clear();
      return Outcome::kRollback;
    }
    if (!CreateOwn(writtenPath_)) return Outcome::kRollback;
    if (entry.sizeLow == 0) return Outcome::kRollback;
    if (dataOffset_ + entry.sizeLow > archive_.size()) return Outcome::kRollback;  // never read past the buffer
    uint32_t written = files_.Write(openFile_, archive_.data() + dataOffset_, entry.sizeLow);
    if (written != entry.sizeLow) return Outcome::kRollback;
    files_.SetTimes(openFile_, entry.creationTime, entry.lastAccessTime, entry.lastWriteTime);
    CloseOpenFile();
    // A later entry of the same name replaces the earlier one on disk.
    if (ComparablePath(EntryNameView(entry), lead_, &comparable_) && comparable_ == "TRAMPO.EXE") {
      hasTrampo_ = true;
      trampoOffset_ = dataOffset_;
      trampoSize_ = entry.sizeLow;
    }
    dataOffset_ += entry.sizeLow;
    SetFilePercentage(i);
    if (StopRequested()) return Outcome::kRollback;
  }
  // No rollback for a stop here: the clean-up deletes only the last entry,
  // which writtenPath_ still names, and the archive temp file.
  if (StopRequested()) return Outcome::kCleanUp;
  return Outcome::kContinue;
}

// Copying: every unpacked file into ExtractPath.
ExtractionWorker::Outcome ExtractionWorker::CopyEntries() {
  SetProgress(0, "0%");
  SetStatus("");
  // TMP and TEMP may name one folder in two spellings (a short and a long
  // name, a mapped drive, a "." segment): only the file system can tell that
  // each copy would be onto the file itself.
  PathText extractPath;
  extractPath.Assign(extractPath_);
  const bool sameDirectory = files_.SameDirectory(tempDirectory_.c_str(), extractPath.c_str());
  for (uint32_t i = 0; i < count_; ++i) {
    current_ = i;
    PayloadEntry entry = EntryAt(i);
    const std::string_view name = EntryNameView(entry);
    SetFilePercentage(i);
    PathText status;
    status.Assign("Copying ...\\");
    status.Append(name);
    SetStatus(status.c_str());
    // Both joins were checked while unpacking.
    UnpackedPath(entry, &writtenPath_);
    JoinPath(&targetPath_, extractPath_, "\\", name);
    // When the temporary directory is ExtractPath there is nothing to copy.
    // Any other failure may leave someone else's file where ours should be.
    PathText source, target;
    ComparablePath(writtenPath_.view(), lead_, &source);
    ComparablePath(targetPath_.view(), lead_, &target);
    if (!sameDirectory && source != target.view() && !files_.Copy(writtenPath_.c_str(), targetPath_.c_str())) {
      return Outcome::kRollback;
    }
    if (StopRequested()) return Outcome::kRollback;
  }
  return Outcome::kContinue;
}

// Finishing: from here on every file stays, whatever happens; then the
// hand-over to trampo.exe.
ExtractionWorker::Outcome ExtractionWorker::Finish() {
  writtenPath_.clear();
  targetPath_.clear();
  if (StopRequested()) return Outcome::kCleanUp;
  SetProgress(50, "50%");
  if (StopRequested()) return Outcome::kCleanUp;
  SetProgress(100, "100%");
  SetStatus("Update completed.");
  HandOver();
  return Outcome::kCleanUp;
}

void ExtractionWorker::HandOver() {
  PathText ownPath;
  host_.OwnPath(&ownPath);
  PathText line;
  line.Assign("Current path is: ");
  line.Append(extractPath_);
  host_.Diagnostic(line.c_str());
  PathText program;
  // A TEMP value too long to take the program name starts nothing rather
  // than a truncated path.
  if (!JoinPath(&program, extractPath_, "\\", "trampo.exe")) return;
  // ExtractPath is shared with every other program: what is started must be
  // the payload's trampo.exe, held so until the shell has opened it.
  if (!HoldsPayloadTrampo(program)) {
    CloseOpenFile();
    return;
  }
  host_.ShellOpen(program.c_str(), ownPath.c_str());
  CloseOpenFile();
}

bool ExtractionWorker::HoldsPayloadTrampo(const PathText& program) {
  // Without a trampo.exe of our own only its absence is safe; the start is
  // still tried and fails.
  if (!hasTrampo_) {
    // A file another program holds is there all the same.
    OpenFailure failure = OpenFailure::kNone;
    openFile_ = files_.OpenForRead(program.c_str(), &failure);
    return openFile_ == kNoFile && failure != OpenFailure::kSharingViolation;
  }
  if (!OpenAgainstChange(program)) return false;
  uint64_t size = 0;
  if (!files_.FileSize(openFile_, &size) || size != trampoSize_) return false;
  ZeroedBlock chunk(memory_);
  if (!chunk.Allocate(trampoSize_ < kReadChunk ? trampoSize_ : kReadChunk)) return false;
  for (uint64_t done = 0; done < trampoSize_;) {
    uint64_t left = trampoSize_ - done;
    uint32_t want = left < chunk.size() ? static_cast<uint32_t>(left) : static_cast<uint32_t>(chunk.size());
    if (files_.Read(openFile_, chunk.data(), want) != want) return false;
    if (std::memcmp(chunk.data(), archive_.data() + trampoOffset_ + done, want) != 0) return false;
    done += want;
  }
  return true;
}

// Virus scanners commonly open a program just written for some hundred
// milliseconds, refusing our open meanwhile; nothing else that fails an open
// goes away by waiting.
bool ExtractionWorker::OpenAgainstChange(const PathText& path) {
  for (int attempt = 1;; ++attempt) {
    OpenFailure failure = OpenFailure::kNone;
    openFile_ = files_.OpenForRead(path.c_str(), &failure);
    if (openFile_ != kNoFile) return true;
    if (failure != OpenFailure::kSharingViolation || attempt == kTrampoOpenAttempts) return false;
    if (StopRequested()) return false;
  }
}

void ExtractionWorker::Rollback() {
  SetStatus("Rollback the updated file...");
  host_.RepaintDialog();
  CloseOpenFile();
  if (!tableRead_) return;
  for (uint32_t k = current_ + 1; k-- > 0;) {
    SetPosition(static_cast<int>(platform::QuotientTimes(static_cast<double>(k), static_cast<double>(count_), 100.0)));
    PayloadEntry entry = EntryAt(k);
    // Only names that were safe to create are safe to delete.
    if (!UnpackedPath(entry, &targetPath_)) {
      targetPath_.clear();
      continue;
    }
    RemoveOwn(targetPath_);
  }
}

void ExtractionWorker::CleanUp() {
  CloseOpenFile();
  entryTable_.Release();
  archive_.Release();
  // Whatever the slots still name is what this stop or failure takes back.
  if (!writtenPath_.empty()) RemoveOwn(writtenPath_);
  if (!targetPath_.empty()) RemoveOwn(targetPath_);
  SetProgress(0, "");
  SetStatus("");
  host_.RepaintDialog();
  host_.RequestClose();
}

}  // namespace launcher

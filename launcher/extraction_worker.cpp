#include "extraction_worker.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

#include "file_inflater.h"

namespace quillon {
namespace launcher {

namespace {

// Reading the archive in pieces keeps every single request well inside what
// one 32-bit read can take.
const uint32_t kReadChunk = 1u << 20;

std::string hexName(const std::string& directory, uint32_t number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(number));
  return directory + digits;
}

}  // namespace

std::string comparablePath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\\' && out.size() > 1 && out.back() == '\\') continue;
    out.push_back(c);
  }
  return out;
}

int filePercentage(uint32_t index, uint32_t count) {
  return static_cast<int>((static_cast<double>(index) + 1.0) / static_cast<double>(count) * 100.0);
}

ExtractionWorker::ExtractionWorker(WorkerHost& host, const std::string& extractPath, uint64_t archiveLimit)
    : host_(host),
      files_(host.files()),
      extractPath_(extractPath),
      archiveLimit_(archiveLimit),
      openFile_(kNoFile),
      tableRead_(false),
      count_(0),
      current_(0),
      dataOffset_(0),
      hasTrampo_(false),
      trampoOffset_(0),
      trampoSize_(0) {}

int ExtractionWorker::run() {
  Outcome outcome;
  try {
    outcome = runStages();
  } catch (...) {
    // Any fault inside the stages (an allocation that fails, ...) is treated
    // like a failed entry.
    outcome = kRollback;
  }
  if (outcome == kRollback) {
    try {
      rollback();
    } catch (...) {
    }
  }
  cleanUp();
  return 0;
}

ExtractionWorker::Outcome ExtractionWorker::runStages() {
  Outcome outcome = prepare();
  if (outcome == kContinue) outcome = loadArchive();
  if (outcome == kContinue) outcome = unpackEntries();
  if (outcome == kContinue) outcome = copyEntries();
  if (outcome == kContinue) outcome = finish();
  return outcome == kContinue ? kCleanUp : outcome;
}

bool ExtractionWorker::stopRequested() { return host_.waitForStop(kCheckpointMilliseconds); }

void ExtractionWorker::closeOpenFile() {
  if (openFile_ != kNoFile) {
    files_.close(openFile_);
    openFile_ = kNoFile;
  }
}

void ExtractionWorker::setPosition(int position) { host_.setProgressPosition(position); }
void ExtractionWorker::setPercent(const char* text) { host_.setPercentText(text); }
void ExtractionWorker::setStatus(const char* text) { host_.setStatusText(text); }

void ExtractionWorker::setFilePercentage(uint32_t index) {
  int percent = filePercentage(index, count_);
  setPosition(percent);
  char text[32];
  std::snprintf(text, sizeof text, "%ld%%", static_cast<long>(percent));
  setPercent(text);
}

PayloadEntry ExtractionWorker::entryAt(uint32_t index) const {
  PayloadEntry entry;
  decodeEntry(entryTable_.data() + static_cast<size_t>(index) * kEntrySize, &entry);
  return entry;
}

bool ExtractionWorker::createOwn(const std::string& path) {
  openFile_ = files_.createForWrite(path.c_str());
  if (openFile_ == kNoFile) return false;
  created_.insert(comparablePath(path));
  return true;
}

void ExtractionWorker::removeOwn(const std::string& path) {
  auto own = created_.find(comparablePath(path));
  if (own == created_.end()) return;
  // Once gone it is no longer ours: a later file of that name may not be.
  if (files_.remove(path.c_str())) created_.erase(own);
}

bool ExtractionWorker::unpackedPath(const PayloadEntry& entry, std::string* path) const {
  if (checkEntryName(entry.name) != NameCheck::Ok) return false;
  return joinPath(path, tempDirectory_, "", entryName(entry));
}

// Steps 1 to 5: the payload goes to PackedTempFile and is inflated into
// ArchiveTempFile.
ExtractionWorker::Outcome ExtractionWorker::prepare() {
  host_.setProgressRange(1, 100);
  setPosition(0);
  setPercent("");
  setStatus("Preparing data file...");
  if (stopRequested()) return kCleanUp;
  if (stopRequested()) return kCleanUp;

  setPosition(25);
  setPercent("25%");
  // Eight hex digits must still fit behind the directory.
  if (!host_.temporaryDirectory(&tempDirectory_) || tempDirectory_.empty() || tempDirectory_.size() > kMaxPath - 8) {
    return kCleanUp;
  }
  firstPath_ = hexName(tempDirectory_, host_.tickCount());
  uint32_t second = host_.tickCount() * 12345u;  // wraps modulo 2^32 before the division
  secondPath_ = hexName(tempDirectory_, second / 8725u);
  if (stopRequested()) return kCleanUp;

  setPosition(50);
  setPercent("50%");
  setStatus("Extracting file information...");
  const unsigned char* payload = nullptr;
  uint32_t payloadSize = 0;
  if (!host_.loadPayload(&payload, &payloadSize) || payload == nullptr || payloadSize == 0) return kCleanUp;
  if (!createOwn(firstPath_)) return kCleanUp;
  // A short write shows up as an inflation failure in the next step.
  files_.write(openFile_, payload, payloadSize);
  closeOpenFile();
  if (stopRequested()) return kCleanUp;

  setPosition(75);
  setPercent("75%");
  setStatus("Decompress merge data file...");
  {
    FileInflater inflater(files_, archiveLimit_);
    int result = inflater.inflateFile(firstPath_.c_str(), secondPath_.c_str());
    if (inflater.createdOutput()) created_.insert(comparablePath(secondPath_));
    if (result != 0) return kCleanUp;
  }

  setPosition(100);
  setPercent("100%");
  setStatus("");
  if (stopRequested()) return kCleanUp;
  return kContinue;
}

// Step 6: the inflated archive is read whole and its entry table copied.
ExtractionWorker::Outcome ExtractionWorker::loadArchive() {
  setPosition(0);
  setPercent("0%");
  setStatus("Initialize file information...");
  openFile_ = files_.openForRead(secondPath_.c_str());
  if (openFile_ == kNoFile) return kCleanUp;
  uint64_t length = 0;
  if (!files_.fileSize(openFile_, &length) || length == 0) {
    closeOpenFile();
    return kCleanUp;
  }
  if (length > 0xFFFFFFFFu || length > static_cast<uint64_t>(static_cast<size_t>(-1))) {
    closeOpenFile();
    return kRollback;  // more than one allocation can hold
  }
  archive_.assign(static_cast<size_t>(length), 0);
  // A short read leaves zeros behind; the checks below still hold.
  for (uint64_t done = 0; done < length;) {
    uint64_t left = length - done;
    uint32_t want = left < kReadChunk ? static_cast<uint32_t>(left) : kReadChunk;
    uint32_t got = files_.read(openFile_, archive_.data() + done, want);
    if (got == 0) break;
    done += got;
  }
  closeOpenFile();

  if (archive_.size() < kCountSize) return kRollback;
  count_ = readU32(archive_.data());
  if (count_ == 0) return kCleanUp;
  if (!entryTableFits(archive_.size(), count_)) return kRollback;
  entryTable_.assign(archive_.begin() + kCountSize,
                     archive_.begin() + static_cast<std::ptrdiff_t>(dataStart(count_)));
  tableRead_ = true;
  return kContinue;
}

// Step 7: every entry into the temporary directory, with its stored times.
ExtractionWorker::Outcome ExtractionWorker::unpackEntries() {
  setStatus("Extracting file information...");
  dataOffset_ = dataStart(count_);
  for (uint32_t i = 0; i < count_; ++i) {
    current_ = i;
    PayloadEntry entry = entryAt(i);
    std::string copyTarget;
    // An unsafe name or one that cannot be joined is refused before anything
    // touches the disk: nothing may be written outside the two directories.
    if (!unpackedPath(entry, &firstPath_) || !joinPath(&copyTarget, extractPath_, "\\", entryName(entry))) {
      firstPath_.clear();
      return kRollback;
    }
    if (!createOwn(firstPath_)) return kRollback;
    if (entry.sizeLow == 0) return kRollback;
    if (dataOffset_ + entry.sizeLow > archive_.size()) return kRollback;  // never read past the buffer
    uint32_t written = files_.write(openFile_, archive_.data() + dataOffset_, entry.sizeLow);
    if (written != entry.sizeLow) return kRollback;
    files_.setTimes(openFile_, entry.creationTime, entry.lastAccessTime, entry.lastWriteTime);
    closeOpenFile();
    // A later entry of the same name replaces the earlier one on disk.
    if (comparablePath(entryName(entry)) == "trampo.exe") {
      hasTrampo_ = true;
      trampoOffset_ = dataOffset_;
      trampoSize_ = entry.sizeLow;
    }
    dataOffset_ += entry.sizeLow;
    setFilePercentage(i);
    if (stopRequested()) return kRollback;
  }
  if (stopRequested()) return kCleanUp;
  return kContinue;
}

// Steps 8 and 9: every unpacked file into ExtractPath.
ExtractionWorker::Outcome ExtractionWorker::copyEntries() {
  setPosition(0);
  setPercent("0%");
  setStatus("");
  for (uint32_t i = 0; i < count_; ++i) {
    current_ = i;
    PayloadEntry entry = entryAt(i);
    std::string name = entryName(entry);
    setFilePercentage(i);
    setStatus(("Copying ...\\" + name).c_str());
    // Both joins were checked while unpacking.
    unpackedPath(entry, &firstPath_);
    joinPath(&secondPath_, extractPath_, "\\", name);
    // When the temporary directory is ExtractPath there is nothing to copy.
    // Any other failure may leave someone else's file where ours should be.
    if (comparablePath(firstPath_) != comparablePath(secondPath_) &&
        !files_.copy(firstPath_.c_str(), secondPath_.c_str())) {
      return kRollback;
    }
    if (stopRequested()) return kRollback;
  }
  return kContinue;
}

// Steps 10 to 12: from here on every file stays, whatever happens.
ExtractionWorker::Outcome ExtractionWorker::finish() {
  firstPath_.clear();
  secondPath_.clear();
  if (stopRequested()) return kCleanUp;
  setPosition(50);
  setPercent("50%");
  if (stopRequested()) return kCleanUp;
  setPosition(100);
  setPercent("100%");
  setStatus("Update completed.");
  handOver();
  return kCleanUp;
}

void ExtractionWorker::handOver() {
  std::string ownPath;
  host_.ownPath(&ownPath);
  host_.diagnostic(("Current path is: " + extractPath_).c_str());
  std::string program;
  // A TEMP value too long to take the program name starts nothing rather
  // than a truncated path.
  if (!joinPath(&program, extractPath_, "\\", "trampo.exe")) return;
  // ExtractPath is shared with every other program: what is started must be
  // the payload's trampo.exe, held so until the shell has opened it.
  if (!holdsPayloadTrampo(program)) {
    closeOpenFile();
    return;
  }
  host_.shellOpen(program.c_str(), ownPath.c_str());
  closeOpenFile();
}

bool ExtractionWorker::holdsPayloadTrampo(const std::string& program) {
  openFile_ = files_.openForRead(program.c_str());
  // Without a trampo.exe of our own only its absence is safe; the start is
  // still tried and fails.
  if (!hasTrampo_) return openFile_ == kNoFile;
  if (openFile_ == kNoFile) return false;
  uint64_t size = 0;
  if (!files_.fileSize(openFile_, &size) || size != trampoSize_) return false;
  std::vector<unsigned char> chunk(trampoSize_ < kReadChunk ? trampoSize_ : kReadChunk);
  for (uint64_t done = 0; done < trampoSize_;) {
    uint64_t left = trampoSize_ - done;
    uint32_t want = left < chunk.size() ? static_cast<uint32_t>(left) : static_cast<uint32_t>(chunk.size());
    if (files_.read(openFile_, chunk.data(), want) != want) return false;
    if (std::memcmp(chunk.data(), archive_.data() + trampoOffset_ + done, want) != 0) return false;
    done += want;
  }
  return true;
}

void ExtractionWorker::rollback() {
  setStatus("Rollback the updated file...");
  host_.repaintDialog();
  closeOpenFile();
  if (!tableRead_) return;
  for (uint32_t k = current_ + 1; k-- > 0;) {
    setPosition(static_cast<int>(static_cast<double>(k) / static_cast<double>(count_) * 100.0));
    PayloadEntry entry = entryAt(k);
    // Only names that were safe to create are safe to delete.
    if (!unpackedPath(entry, &secondPath_)) {
      secondPath_.clear();
      continue;
    }
    removeOwn(secondPath_);
  }
}

void ExtractionWorker::cleanUp() {
  closeOpenFile();
  std::vector<unsigned char>().swap(entryTable_);
  std::vector<unsigned char>().swap(archive_);
  if (!firstPath_.empty()) removeOwn(firstPath_);
  if (!secondPath_.empty()) removeOwn(secondPath_);
  setPosition(0);
  setPercent("");
  setStatus("");
  host_.repaintDialog();
  host_.requestClose();
}

}  // namespace launcher
}  // namespace quillon

#include "file_inflater.h"

#include <cstring>

namespace launcher {

namespace {

voidpf Allocate(voidpf memory, uInt items, uInt size) {
  if (size != 0 && items > static_cast<size_t>(-1) / size) return Z_NULL;
  return static_cast<Memory*>(memory)->Allocate(static_cast<size_t>(items) * size);
}

void Free(voidpf memory, voidpf block) { static_cast<Memory*>(memory)->Free(block); }

}  // namespace

FileInflater::FileInflater(LauncherFiles& files, uint64_t outputLimit, Memory& memory)
    : input_(kNoFile),
      output_(kNoFile),
      inputLength_(0),
      outputLimit_(outputLimit),
      written_(0),
      createdOutput_(false),
      lastResult_(0),
      abortRequested_(false),
      batchSize_(0),
      files_(files),
      memory_(memory) {
  std::memset(&stream_, 0, sizeof stream_);
}

FileInflater::~FileInflater() {
  if (input_ != kNoFile) files_.Close(input_);
  if (output_ != kNoFile) files_.Close(output_);
}

void FileInflater::OnProgress(int) {}
void FileInflater::OnStatus(const char*) {}

int FileInflater::PercentConsumed() const {
  if (inputLength_ <= 0) return 100;
  uint64_t consumed = stream_.total_in;
  uint64_t length = static_cast<uint64_t>(inputLength_);
  // Above ten million bytes the product would leave 32 bits, so divide first.
  if (length <= 10000000u) return static_cast<int>(consumed * 100u / length);
  return static_cast<int>(consumed / (length / 100u));
}

uint32_t FileInflater::FlushOutput() {
  uint32_t produced = kBufferSize - stream_.avail_out;
  if (produced != 0) {
    if (produced > outputLimit_ - written_) {
      // More than any archive can be: a stream crafted to fill the disk is
      // treated as damaged before its excess reaches the file.
      lastResult_ = Z_DATA_ERROR;
    } else {
      if (produced > kWriteBatchSize - batchSize_) WriteBatch();
      std::memcpy(batch_ + batchSize_, outputBuffer_, produced);
      batchSize_ += produced;
      written_ += produced;
    }
  }
  stream_.next_out = outputBuffer_;
  stream_.avail_out = kBufferSize;
  return produced;
}

void FileInflater::WriteBatch() {
  if (batchSize_ != 0 && files_.Write(output_, batch_, batchSize_) != batchSize_) lastResult_ = kWriteFailed;
  batchSize_ = 0;
}

int FileInflater::InflateFile(const char* inputPath, const char* outputPath) {
  lastResult_ = Z_OK;
  abortRequested_ = false;
  written_ = 0;
  batchSize_ = 0;
  createdOutput_ = false;
  std::memset(&stream_, 0, sizeof stream_);
  stream_.zalloc = Allocate;
  stream_.zfree = Free;
  stream_.opaque = &memory_;
  stream_.next_in = inputBuffer_;
  stream_.avail_in = 0;
  stream_.next_out = outputBuffer_;
  stream_.avail_out = kBufferSize;

  input_ = files_.OpenForRead(inputPath, nullptr);
  output_ = input_ != kNoFile ? files_.CreateForWrite(outputPath) : kNoFile;
  createdOutput_ = output_ != kNoFile;
  if (input_ == kNoFile || output_ == kNoFile) {
    OnStatus("Zlib Error");
    if (input_ != kNoFile) files_.Close(input_);
    input_ = kNoFile;
    return kWriteFailed;
  }
  uint64_t length = 0;
  files_.FileSize(input_, &length);
  inputLength_ = length > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(length);

  int init = inflateInit(&stream_);
  if (init != Z_OK) {
    lastResult_ = init;
  } else {
    while (!abortRequested_) {
      if (stream_.avail_in == 0) {
        uint32_t got = files_.Read(input_, inputBuffer_, kBufferSize);
        if (got == 0) break;
        stream_.next_in = inputBuffer_;
        stream_.avail_in = got;
      }
      int result = inflate(&stream_, Z_NO_FLUSH);
      // setup has no preset dictionary: a stream that asks for one is damaged.
      lastResult_ = result == Z_NEED_DICT ? Z_DATA_ERROR : result;
      FlushOutput();
      if (lastResult_ != Z_OK) break;
      OnProgress(PercentConsumed());
    }
    // A failure while feeding stays the result: finishing after a short
    // write would otherwise report a damaged output as complete.
    if (!abortRequested_ && lastResult_ >= Z_OK) {
      for (;;) {
        int result = inflate(&stream_, Z_FINISH);
        lastResult_ = result == Z_NEED_DICT ? Z_DATA_ERROR : result;
        uint32_t produced = FlushOutput();
        if (produced == 0 || lastResult_ != Z_OK || abortRequested_) break;
      }
    }
    // What was produced before any failure reaches the file, as it would
    // have a write at a time.
    WriteBatch();
    OnProgress(PercentConsumed());
    inflateEnd(&stream_);
  }

  int result = lastResult_;
  if (abortRequested_) {
    OnStatus("User Abort");
  } else if (result != Z_OK && result != Z_STREAM_END) {
    OnStatus("Zlib Error");
  } else {
    OnStatus("Success");
    result = Z_OK;
  }
  files_.Close(input_);
  files_.Close(output_);
  input_ = kNoFile;
  output_ = kNoFile;
  return abortRequested_ ? kAborted : result;
}

}  // namespace launcher

#include "file_inflater.h"

#include <cstring>

namespace quillon {
namespace launcher {

FileInflater::FileInflater(LauncherFiles& files, uint64_t outputLimit)
    : abortRequested(0),
      input_(kNoFile),
      output_(kNoFile),
      inputLength_(0),
      outputLimit_(outputLimit),
      written_(0),
      createdOutput_(false),
      lastResult_(0),
      files_(files) {
  std::memset(&stream_, 0, sizeof stream_);
}

FileInflater::~FileInflater() {
  if (input_ != kNoFile) files_.close(input_);
  if (output_ != kNoFile) files_.close(output_);
}

void FileInflater::onProgress(int) {}
void FileInflater::onStatus(const char*) {}

int FileInflater::percentConsumed() const {
  if (inputLength_ <= 0) return 100;
  uint64_t consumed = stream_.total_in;
  uint64_t length = static_cast<uint64_t>(inputLength_);
  // Above ten million bytes the product would leave 32 bits, so divide first.
  if (length <= 10000000u) return static_cast<int>(consumed * 100u / length);
  return static_cast<int>(consumed / (length / 100u));
}

uint32_t FileInflater::flushOutput() {
  uint32_t produced = kBufferSize - stream_.avail_out;
  if (produced != 0) {
    if (produced > outputLimit_ - written_) {
      // More than any archive can be: a stream crafted to fill the disk is
      // treated as damaged before its excess reaches the file.
      lastResult_ = Z_DATA_ERROR;
    } else if (files_.write(output_, outputBuffer_, produced) != produced) {
      lastResult_ = kWriteFailed;
    } else {
      written_ += produced;
    }
  }
  stream_.next_out = outputBuffer_;
  stream_.avail_out = kBufferSize;
  return produced;
}

int FileInflater::inflateFile(const char* inputPath, const char* outputPath) {
  lastResult_ = Z_OK;
  abortRequested = 0;
  written_ = 0;
  createdOutput_ = false;
  std::memset(&stream_, 0, sizeof stream_);
  stream_.next_in = inputBuffer_;
  stream_.avail_in = 0;
  stream_.next_out = outputBuffer_;
  stream_.avail_out = kBufferSize;

  input_ = files_.openForRead(inputPath);
  output_ = input_ != kNoFile ? files_.createForWrite(outputPath) : kNoFile;
  createdOutput_ = output_ != kNoFile;
  if (input_ == kNoFile || output_ == kNoFile) {
    onStatus("Zlib Error");
    if (input_ != kNoFile) files_.close(input_);
    input_ = kNoFile;
    return kWriteFailed;
  }
  uint64_t length = 0;
  files_.fileSize(input_, &length);
  inputLength_ = length > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(length);

  int init = inflateInit(&stream_);
  if (init != Z_OK) {
    lastResult_ = init;
  } else {
    while (!abortRequested) {
      if (stream_.avail_in == 0) {
        uint32_t got = files_.read(input_, inputBuffer_, kBufferSize);
        if (got == 0) break;
        stream_.next_in = inputBuffer_;
        stream_.avail_in = got;
      }
      int result = inflate(&stream_, Z_NO_FLUSH);
      // setup has no preset dictionary: a stream that asks for one is damaged.
      lastResult_ = result == Z_NEED_DICT ? Z_DATA_ERROR : result;
      flushOutput();
      if (lastResult_ != Z_OK) break;
      onProgress(percentConsumed());
    }
    // A failure while feeding stays the result: finishing after a short
    // write would otherwise report a damaged output as complete.
    if (!abortRequested && lastResult_ >= Z_OK) {
      for (;;) {
        int result = inflate(&stream_, Z_FINISH);
        lastResult_ = result == Z_NEED_DICT ? Z_DATA_ERROR : result;
        uint32_t produced = flushOutput();
        if (produced == 0 || lastResult_ != Z_OK || abortRequested) break;
      }
    }
    onProgress(percentConsumed());
    inflateEnd(&stream_);
  }

  int result = lastResult_;
  if (abortRequested) {
    onStatus("User Abort");
  } else if (result != Z_OK && result != Z_STREAM_END) {
    onStatus("Zlib Error");
  } else {
    onStatus("Success");
    result = Z_OK;
  }
  files_.close(input_);
  files_.close(output_);
  input_ = kNoFile;
  output_ = kNoFile;
  return abortRequested ? kAborted : result;
}

}  // namespace launcher
}  // namespace quillon

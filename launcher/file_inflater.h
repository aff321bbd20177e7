// Inflates one zlib-format file into another through two 4096-byte buffers.
// Created for one inflation and destroyed after it.
#pragma once

#include <cstdint>

#include <zlib.h>

#include "launcher_files.h"

namespace quillon {
namespace launcher {

class FileInflater {
 public:
  static constexpr int kAborted = -7;
  static constexpr int kWriteFailed = -1;
  static constexpr uint32_t kBufferSize = 4096;
  // The largest archive the format can describe: 4 GiB - 1 bytes.
  static constexpr uint64_t kLargestOutput = 0xFFFFFFFFu;

  // Output past `outputLimit` bytes fails the inflation as a damaged stream.
  explicit FileInflater(LauncherFiles& files, uint64_t outputLimit = kLargestOutput);
  virtual ~FileInflater();

  // Hooks for a caller that wants to follow the inflation; setup needs neither.
  // `percent` is the share of the input consumed so far.
  virtual void onProgress(int percent);
  virtual void onStatus(const char* text);

  // 0 on success, kAborted when abortRequested was set, kWriteFailed when the
  // last failing step was a short write (or a file could not be opened),
  // otherwise zlib's negative result (Z_DATA_ERROR, also for output past the
  // limit; Z_BUF_ERROR for input that ends before the stream does, ...).
  int inflateFile(const char* inputPath, const char* outputPath);
  // Whether the last inflateFile created its output file, which the caller
  // then owns even when the inflation failed.
  bool createdOutput() const { return createdOutput_; }

  // Set from a hook to stop the inflation.
  int abortRequested;

 private:
  FileInflater(const FileInflater&);
  FileInflater& operator=(const FileInflater&);

  int percentConsumed() const;
  // Writes what inflate produced and makes the whole output buffer free again;
  // returns the number of bytes produced.
  uint32_t flushOutput();

  z_stream stream_;
  FileHandle input_;
  FileHandle output_;
  int32_t inputLength_;
  uint64_t outputLimit_;
  uint64_t written_;
  bool createdOutput_;
  int lastResult_;
  unsigned char inputBuffer_[kBufferSize];
  unsigned char outputBuffer_[kBufferSize];
  LauncherFiles& files_;
};

}  // namespace launcher
}  // namespace quillon

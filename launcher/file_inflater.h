// Inflates one zlib-format file into another through two 4096-byte buffers.
// Created for one inflation and destroyed after it.
#pragma once

#include <cstdint>

#include <zlib.h>

#include "launcher_files.h"
#include "zeroed_block.h"

namespace launcher {

class FileInflater {
 public:
  static constexpr int kAborted = -7;
  static constexpr int kWriteFailed = -1;
  static constexpr uint32_t kBufferSize = 4096;
  // Output goes to the file in batches of up to this many bytes: under Wine
  // each write call costs about as much as copying 40 KiB.
  static constexpr uint32_t kWriteBatchSize = 64 * 1024;
  // The largest archive the format can describe: 4 GiB - 1 bytes.
  static constexpr uint64_t kLargestOutput = 0xFFFFFFFFu;

  // Output past `outputLimit` bytes fails the inflation as a damaged stream.
  // zlib's state comes from `memory`; a refusal fails the inflation.
  explicit FileInflater(LauncherFiles& files, uint64_t outputLimit = kLargestOutput,
                        Memory& memory = theSystemMemory);
  virtual ~FileInflater();

  // Hooks for a caller that wants to follow the inflation; setup needs neither.
  // `percent` is the share of the input consumed so far.
  virtual void OnProgress(int percent);
  virtual void OnStatus(const char* text);

  // 0 on success, kAborted when a hook asked to abort, kWriteFailed when the
  // last failing step was a short write (or a file could not be opened),
  // otherwise zlib's negative result (Z_DATA_ERROR, also for output past the
  // limit; Z_BUF_ERROR for input that ends before the stream does, ...).
  int InflateFile(const char* inputPath, const char* outputPath);
  // Whether the last InflateFile created its output file, which the caller
  // then owns even when the inflation failed.
  bool createdOutput() const { return createdOutput_; }

  // Called from a hook to stop the inflation; the next InflateFile starts afresh.
  void RequestAbort() { abortRequested_ = true; }

  FileInflater(const FileInflater&) = delete;
  FileInflater& operator=(const FileInflater&) = delete;

 private:
  int PercentConsumed() const;
  // Takes what inflate produced into the write batch and makes the whole
  // output buffer free again; returns the number of bytes produced.
  uint32_t FlushOutput();
  // Writes the batch out; a short write sets the last result.
  void WriteBatch();

  z_stream stream_;
  FileHandle input_;
  FileHandle output_;
  int32_t inputLength_;
  uint64_t outputLimit_;
  uint64_t written_;
  bool createdOutput_;
  int lastResult_;
  bool abortRequested_;
  unsigned char inputBuffer_[kBufferSize];
  unsigned char outputBuffer_[kBufferSize];
  uint32_t batchSize_;
  unsigned char batch_[kWriteBatchSize];
  LauncherFiles& files_;
  Memory& memory_;
};

}  // namespace launcher

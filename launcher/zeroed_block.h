// One zero-initialised block of memory whose allocation may fail without an
// exception: the worker holds the whole inflated archive in one, and an
// archive too large for the process is an ordinary failure (the rollback).
#pragma once

#include <cstddef>
#include <cstdlib>

namespace launcher {

class ZeroedBlock {
 public:
  ZeroedBlock() = default;
  ~ZeroedBlock() { Release(); }
  ZeroedBlock(const ZeroedBlock&) = delete;
  ZeroedBlock& operator=(const ZeroedBlock&) = delete;

  // Replaces the block with `size` zero bytes; false, and empty, when they
  // cannot be had.
  bool Allocate(size_t size) {
    Release();
    data_ = static_cast<unsigned char*>(std::calloc(size != 0 ? size : 1, 1));
    size_ = data_ != nullptr ? size : 0;
    return data_ != nullptr;
  }
  void Release() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
  }
  unsigned char* data() { return data_; }
  const unsigned char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  unsigned char* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace launcher

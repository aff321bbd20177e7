// The worker's memory: every block it needs comes through a Memory, which may
// refuse it, so that a failed allocation is an ordinary failure (the
// rollback) rather than the end of the program. zlib's allocations come
// through the same Memory.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace launcher {

class Memory {
 public:
  virtual ~Memory() = default;
  // `size` zero bytes (at least one byte's block for 0), or nullptr.
  virtual void* Allocate(size_t size) = 0;
  virtual void Free(void* block) = 0;
};

// The C runtime's heap.
class SystemMemory : public Memory {
 public:
  constexpr SystemMemory() = default;
  void* Allocate(size_t size) override { return std::calloc(size != 0 ? size : 1, 1); }
  void Free(void* block) override { std::free(block); }
};
// Constant-initialised, unlike a function's static (whose guard would bring
// the exception machinery into setup).
inline SystemMemory theSystemMemory;

// One zero-initialised block that frees itself.
class ZeroedBlock {
 public:
  explicit ZeroedBlock(Memory& memory) : memory_(memory) {}
  ~ZeroedBlock() { Release(); }
  ZeroedBlock(const ZeroedBlock&) = delete;
  ZeroedBlock& operator=(const ZeroedBlock&) = delete;

  // Replaces the block with `size` zero bytes; false, and empty, when they
  // cannot be had.
  bool Allocate(size_t size) {
    Release();
    data_ = static_cast<unsigned char*>(memory_.Allocate(size));
    size_ = data_ != nullptr ? size : 0;
    return data_ != nullptr;
  }
  void Release() {
    if (data_ != nullptr) memory_.Free(data_);
    data_ = nullptr;
    size_ = 0;
  }
  unsigned char* data() { return data_; }
  const unsigned char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  Memory& memory_;
  unsigned char* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace launcher

// setup's share of the C++ runtime, kept small. setup.exe's own code is
// built without exceptions; the static runtime's defaults would still drag
// in the exception machinery, its threads library and the symbol demangler
// through the few routines below. These replacements end the program where
// the runtime would throw: nothing in setup catches, and the worker
// tolerates being ended at any point. MinGW only: the linker takes these
// definitions before it looks in the runtime's archive.
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void Fail() { std::abort(); }

}  // namespace

// Allocations that cannot fail quietly; the archive's own allocation, which
// can, goes through ZeroedBlock and reports failure.
void* operator new(std::size_t size) {
  void* block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) Fail();
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

// The terminate handler is platform/win32/quiet_terminate.cpp, which the
// wizard links too.

namespace std {
// The checked library's failed precondition (setup is built with
// _GLIBCXX_ASSERTIONS) and the throws of the standard containers.
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { Fail(); }
void __throw_bad_exception() { Fail(); }
void __throw_bad_alloc() { Fail(); }
void __throw_bad_array_new_length() { Fail(); }
void __throw_bad_cast() { Fail(); }
void __throw_bad_typeid() { Fail(); }
void __throw_logic_error(const char*) { Fail(); }
void __throw_domain_error(const char*) { Fail(); }
void __throw_invalid_argument(const char*) { Fail(); }
void __throw_length_error(const char*) { Fail(); }
void __throw_out_of_range(const char*) { Fail(); }
void __throw_out_of_range_fmt(const char*, ...) { Fail(); }
void __throw_runtime_error(const char*) { Fail(); }
void __throw_range_error(const char*) { Fail(); }
void __throw_overflow_error(const char*) { Fail(); }
void __throw_underflow_error(const char*) { Fail(); }
}  // namespace std

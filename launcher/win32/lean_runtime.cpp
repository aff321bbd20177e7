// setup's share of the C++ runtime, kept small. setup.exe is built without
// exceptions; the static runtime's defaults would still drag in the
// exception machinery and the symbol demangler through the few routines
// below. These replacements end the program where the runtime would throw,
// as every other path of setup ends: exit code 18, nothing shown (abort()
// would show msvcrt's box and exit with 3). The worker allocates only
// through its Memory and never gets here; what does is the dialog thread's
// few texts. MinGW only: the linker takes these
// definitions before it looks in the runtime's archive.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "launcher/win32/worker_host.h"

namespace {

[[noreturn]] void Fail() { ExitProcess(launcher::win32::kSetupExitCode); }

}  // namespace

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
// The throws of the standard containers. A failed check of the standard
// library is platform/win32/quiet_terminate.cpp's.
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

// The runtime's default terminate handler names the uncaught exception on
// the console, and its handler of a failed standard-library check (the
// platform's text helpers are built with the checks) prints the failure;
// both bring formatted output and the symbol demangler along, and windowed
// programs have no console to tell. MinGW only: the linker takes these
// definitions before it looks in the runtime's archive.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { std::abort(); }
}  // namespace std

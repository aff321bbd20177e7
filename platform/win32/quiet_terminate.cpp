// The runtime's default terminate handler names the uncaught exception on
// the console, and brings the symbol demangler along to do it; windowed
// programs have no console to tell. MinGW only: the linker takes this
// definition before it looks in the runtime's archive.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

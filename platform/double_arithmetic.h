#pragma once

// Progress percentages are defined as IEEE double arithmetic: 29 of 100 files
// is (29 / 100) * 100 = 28.999..., shown as 28. The i686 build computes on the
// x87 unit, whose registers carry more precision than a double unless its
// control word says otherwise, and that setting belongs to the thread
// (MinGW's start-up leaves the main thread at 64 bits, a new thread starts at
// 53). Each step here is rounded to a double whatever the thread's setting.
#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86)) && !defined(__SSE2_MATH__) && \
    !(defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <float.h>
#define QUILLON_X87_MATH 1
#endif

namespace platform {

namespace detail {

// A double's precision on the x87 for as long as it lives; nothing elsewhere.
class DoublePrecision {
 public:
#if defined(QUILLON_X87_MATH)
  DoublePrecision() : saved_(_controlfp(0, 0)) { _controlfp(_PC_53, _MCW_PC); }
  ~DoublePrecision() { _controlfp(saved_, _MCW_PC); }
  DoublePrecision(const DoublePrecision&) = delete;
  DoublePrecision& operator=(const DoublePrecision&) = delete;

 private:
  unsigned int saved_;
#else
  DoublePrecision() {}
#endif
};

}  // namespace detail

// (a / b) * c, each step rounded to a double. The volatile operands are read
// after the precision is set and the result is stored before it is put back,
// so the compiler cannot move the arithmetic out of that span.
inline double QuotientTimes(double a, double b, double c) {
  detail::DoublePrecision precision;
  volatile double x = a, y = b, z = c;
  volatile double quotient = x / y;
  volatile double result = quotient * z;
  return result;
}

// (a * b) / c, each step rounded to a double.
inline double ProductOver(double a, double b, double c) {
  detail::DoublePrecision precision;
  volatile double x = a, y = b, z = c;
  volatile double product = x * y;
  volatile double result = product / z;
  return result;
}

}  // namespace platform

#pragma once

#include <cmath>

namespace wizard {

// Rounds to the nearest whole number, a tie to the even neighbour, whatever
// rounding mode the process runs in.
inline double RoundHalfEven(double value) {
  const double whole = std::floor(value);
  const double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) return whole + 1.0;
  return whole;
}

}  // namespace wizard

// What a fuzz target asserts: a failed check aborts, so libFuzzer keeps the
// input as a crash and the replay program fails.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace quillon {
namespace fuzz {

[[noreturn]] inline void checkFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

}  // namespace fuzz
}  // namespace quillon

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::quillon::fuzz::checkFailed(#condition, __FILE__, __LINE__))

// GoogleTest's customisation point, found ahead of its own empty one.
//
// The Windows programs are built with MinGW's win32-thread compilers, so
// that no POSIX-thread runtime ships in them; their standard library has no
// std::mutex or std::condition_variable, which GoogleTest's Notification
// (used only to start its own helper threads) is written with. The same
// thing on a Windows event instead; everything else of GoogleTest already
// has its own Windows side.
#pragma once

#if defined(_WIN32) && !defined(_GLIBCXX_HAS_GTHREADS)
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif

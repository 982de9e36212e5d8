// GoogleTest's Notification for the win32 thread model, which has no std::mutex or
// std::condition_variable: a manual-reset event. Included ahead of GoogleTest's own headers, which
// then take this one.
#pragma once
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
public:
  Notification() : m_event(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { ::CloseHandle(m_event); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { ::SetEvent(m_event); }
  void WaitForNotification() { ::WaitForSingleObject(m_event, INFINITE); }

private:
  HANDLE m_event;
};

}  // namespace internal
}  // namespace testing

#define GTEST_HAS_NOTIFICATION_ 1

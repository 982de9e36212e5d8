// A bound on a wait that only another program can end: a message sent to it, whose answer can
// be lost under Wine (and then even SendMessageTimeout's time-out does not end the wait).
#pragma once
#include <windows.h>

#include <atomic>
#include <vector>

#include "framework/handles.h"
#include "support/test_thread.h"

namespace test {

// Watches the scope it lives in: when the scope has not ended within boundMs, every program
// given is ended with TerminateProcess, which releases a sender waiting on it, and Fired()
// turns true so that the test fails. The handles are borrowed and must outlive the watchdog.
class Watchdog {
public:
  Watchdog(DWORD boundMs, std::vector<HANDLE> programs);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  bool Fired() const { return m_fired.load(); }

private:
  void Watch(DWORD boundMs);

  std::vector<HANDLE> m_programs;
  ScopedHandle m_scopeEnded;
  std::atomic<bool> m_fired{false};
  Thread m_thread;
};

}  // namespace test

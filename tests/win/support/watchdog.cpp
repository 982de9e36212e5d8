#include "support/watchdog.h"

#include <cstdio>
#include <utility>

namespace test {

Watchdog::Watchdog(DWORD boundMs, std::vector<HANDLE> programs)
    : m_programs(std::move(programs)),
      m_scopeEnded(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_thread([this, boundMs] { Watch(boundMs); }) {}

Watchdog::~Watchdog() {
  ::SetEvent(m_scopeEnded.Get());
  m_thread.Join();
}

void Watchdog::Watch(DWORD boundMs) {
  if (::WaitForSingleObject(m_scopeEnded.Get(), boundMs) != WAIT_TIMEOUT) return;
  m_fired = true;
  std::printf("watchdog: the wait did not end within %lu ms; ending %u program(s)\n", boundMs,
              static_cast<unsigned>(m_programs.size()));
  std::fflush(stdout);
  for (HANDLE program : m_programs) ::TerminateProcess(program, 1);
}

}  // namespace test

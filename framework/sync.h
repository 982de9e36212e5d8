// Locks of the program's threads, on what every Windows from 95 and NT 4.0 on has: critical
// sections for short holds, and a kernel mutex where a wait must be bounded (the critical
// section's own TryEnterCriticalSection is missing on 95, 98 and Me). None can be copied.
#pragma once
#include <windows.h>

#include <utility>

// A critical section; the same thread may enter it again (it counts).
class CCriticalSection {
public:
  CCriticalSection() { ::InitializeCriticalSection(&m_section); }
  ~CCriticalSection() { ::DeleteCriticalSection(&m_section); }
  CCriticalSection(const CCriticalSection&) = delete;
  CCriticalSection& operator=(const CCriticalSection&) = delete;

  void Enter() { ::EnterCriticalSection(&m_section); }
  void Leave() { ::LeaveCriticalSection(&m_section); }

private:
  CRITICAL_SECTION m_section;
};

// Holds a critical section for one scope.
class CCriticalSectionLock {
public:
  explicit CCriticalSectionLock(CCriticalSection& section) : m_section(section) { m_section.Enter(); }
  ~CCriticalSectionLock() { m_section.Leave(); }
  CCriticalSectionLock(const CCriticalSectionLock&) = delete;
  CCriticalSectionLock& operator=(const CCriticalSectionLock&) = delete;

private:
  CCriticalSection& m_section;
};

// Ownership of a kernel mutex (named or not) taken by a wait of at most timeoutMs, released when
// the owner goes. An abandoned mutex is owned all the same: its last holder died. Held() is
// false when the wait ran out or the mutex is null.
class CMutexOwnership {
public:
  CMutexOwnership(HANDLE mutex, DWORD timeoutMs) : m_mutex(mutex) {
    const DWORD wait = mutex ? ::WaitForSingleObject(mutex, timeoutMs) : WAIT_FAILED;
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) m_mutex = nullptr;
  }
  ~CMutexOwnership() {
    if (m_mutex) ::ReleaseMutex(m_mutex);
  }
  CMutexOwnership(CMutexOwnership&& other) noexcept : m_mutex(std::exchange(other.m_mutex, nullptr)) {}
  CMutexOwnership(const CMutexOwnership&) = delete;
  CMutexOwnership& operator=(const CMutexOwnership&) = delete;
  CMutexOwnership& operator=(CMutexOwnership&&) = delete;

  bool Held() const { return m_mutex != nullptr; }

private:
  HANDLE m_mutex;
};

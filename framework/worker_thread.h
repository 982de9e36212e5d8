// A thread started on a plain function, joined (never terminated) by its owner.
#pragma once
#include <windows.h>

#include "framework/handles.h"

class CWorkerThread {
public:
  using Function = unsigned(__stdcall*)(void* param);

  CWorkerThread() = default;
  // Joins a thread that is still running, so no thread outlives the object it works on.
  ~CWorkerThread() { Join(INFINITE); }
  CWorkerThread(const CWorkerThread&) = delete;
  CWorkerThread& operator=(const CWorkerThread&) = delete;

  // False when a thread is already running or the system refuses a new one.
  bool Start(Function fn, void* param);
  // True when the thread has ended (or none was started) within the time-out.
  bool Join(DWORD timeoutMs);
  bool IsRunning() const;
  DWORD GetId() const { return m_id; }
  // The thread function's result once the thread has been joined; false before.
  bool ExitCode(DWORD& code) const { return m_ended && (code = m_exitCode, true); }

private:
  ScopedHandle m_thread;
  unsigned m_id = 0;
  bool m_ended = false;
  DWORD m_exitCode = 0;
};

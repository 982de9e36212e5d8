#include "framework/worker_thread.h"

#include <process.h>

bool CWorkerThread::Start(Function fn, void* param) {
  if (IsRunning()) return false;
  m_ended = false;
  m_thread.Reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, fn, param, 0, &m_id)));
  return m_thread.IsValid();
}

bool CWorkerThread::Join(DWORD timeoutMs) {
  if (!m_thread.IsValid()) return true;
  if (::WaitForSingleObject(m_thread.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
  m_ended = ::GetExitCodeThread(m_thread.Get(), &m_exitCode) != FALSE;
  m_thread.Close();
  return true;
}

bool CWorkerThread::IsRunning() const {
  return m_thread.IsValid() && ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}

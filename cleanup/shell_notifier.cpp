#include "cleanup/shell_notifier.h"

#include <shlobj.h>

#include <chrono>
#include <utility>

namespace {
// The item is an ANSI path (0x0001), and the shell is asked to deliver the event without waiting
// (0x2000). Spelled out: the headers' SHCNF_FLUSHNOWAIT is another value.
constexpr UINT kNotifyPathFlush = 0x2001;
}  // namespace

CShellNotifier& CShellNotifier::Instance() {
  static CShellNotifier notifier;
  return notifier;
}

CShellNotifier::CShellNotifier()
    : m_queued(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_drained(::CreateEventA(nullptr, TRUE, TRUE, nullptr)),
      m_thread(&CShellNotifier::SendAnnouncements, this) {}

CShellNotifier::~CShellNotifier() {
  Flush();
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stopping = true;
  }
  ::SetEvent(m_queued.Get());
  m_thread.join();
}

void CShellNotifier::Announce(LONG event, const char* path) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_queue.push_back(Announcement{event, path});
    ::ResetEvent(m_drained.Get());
  }
  ::SetEvent(m_queued.Get());
}

void CShellNotifier::Flush() {
  const HANDLE drained = m_drained.Get();
  while (::MsgWaitForMultipleObjects(1, &drained, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void CShellNotifier::SendAnnouncements() {
  for (;;) {
    Announcement next{};
    bool taken = false;
    {
      std::lock_guard<std::mutex> lock(m_lock);
      if (!m_queue.empty()) {
        next = std::move(m_queue.front());
        m_queue.pop_front();
        taken = true;
      } else {
        ::SetEvent(m_drained.Get());
        if (m_stopping) return;
      }
    }
    if (taken) {
      const std::lock_guard<std::timed_mutex> sending(m_sending);
      ::SHChangeNotify(next.event, kNotifyPathFlush, next.path.c_str(), nullptr);
    } else {
      ::WaitForSingleObject(m_queued.Get(), INFINITE);
    }
  }
}

std::unique_lock<std::timed_mutex> CShellNotifier::WaitUntilQuiet() {
  std::unique_lock<std::timed_mutex> quiet(m_sending, std::defer_lock);
  quiet.try_lock_for(std::chrono::milliseconds(kQuietWaitMs));
  return quiet;
}

void FlushShellNotifications() { CShellNotifier::Instance().Flush(); }

#include "cleanup/shell_notifier.h"

#include <shlobj.h>

#include <utility>

#include "framework/wide_text.h"

namespace {
// The item is an ANSI path (0x0001), and the shell is asked to deliver the event without waiting
// (0x2000). Spelled out: the headers' SHCNF_FLUSHNOWAIT is another value.
constexpr UINT kNotifyPathFlush = 0x2001;
// The same for a UTF-16 path.
constexpr UINT kNotifyWidePathFlush = 0x2005;
}  // namespace

CShellNotifier& CShellNotifier::Instance() {
  static CShellNotifier notifier;
  return notifier;
}

CShellNotifier::CShellNotifier()
    : m_sending(::CreateMutexA(nullptr, FALSE, nullptr)),
      m_queued(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_drained(::CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
  m_thread.Start(&CShellNotifier::NotifierThread, this);
}

unsigned __stdcall CShellNotifier::NotifierThread(void* notifier) {
  static_cast<CShellNotifier*>(notifier)->SendAnnouncements();
  return 0;
}

CShellNotifier::~CShellNotifier() {
  Flush();
  {
    CCriticalSectionLock lock(m_lock);
    m_stopping = true;
  }
  ::SetEvent(m_queued.Get());
  m_thread.Join(INFINITE);
}

void CShellNotifier::Announce(LONG event, const std::wstring& path) {
  bool exact = false;
  std::string text = AnsiFromWide(path, &exact);
  {
    CCriticalSectionLock lock(m_lock);
    m_queue.push_back(exact ? Announcement{event, std::move(text), std::wstring()} : Announcement{event, std::string(), path});
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
      CCriticalSectionLock lock(m_lock);
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
      const CMutexOwnership sending(m_sending.Get(), INFINITE);
      if (next.widePath.empty())
        ::SHChangeNotify(next.event, kNotifyPathFlush, next.path.c_str(), nullptr);
      else
        ::SHChangeNotify(next.event, kNotifyWidePathFlush, next.widePath.c_str(), nullptr);
    } else {
      ::WaitForSingleObject(m_queued.Get(), INFINITE);
    }
  }
}

CMutexOwnership CShellNotifier::WaitUntilQuiet() { return CMutexOwnership(m_sending.Get(), kQuietWaitMs); }

void FlushShellNotifications() { CShellNotifier::Instance().Flush(); }

#include "cleanup/files/shell_notifier.h"

#include <shlobj.h>

#include <utility>

#include "framework/wide_text.h"

namespace {
// The item is an ANSI path (0x0001), and the shell is asked to deliver the event without waiting
// (0x2000). Spelled out: the headers' SHCNF_FLUSHNOWAIT is another value.
constexpr UINT kNotifyPathFlush = 0x2001;
// The same for a UTF-16 path, and for an item list.
constexpr UINT kNotifyWidePathFlush = 0x2005;
constexpr UINT kNotifyItemListFlush = 0x2000;
}  // namespace

CShellNotifier& CShellNotifier::Instance() {
  static CShellNotifier notifier;
  return notifier;
}

CShellNotifier::CShellNotifier()
    : m_quietHolders(::CreateMutexA(nullptr, FALSE, nullptr)),
      m_wake(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_drained(::CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
  m_sender.Start(&CShellNotifier::SenderThread, this);
}

unsigned __stdcall CShellNotifier::SenderThread(void* notifier) {
  static_cast<CShellNotifier*>(notifier)->SendAnnouncements();
  return 0;
}

CShellNotifier::~CShellNotifier() {
  Flush();
  {
    CCriticalSectionLock lock(m_lock);
    m_stopping = true;
  }
  ::SetEvent(m_wake.Get());
  m_sender.Join(INFINITE);
}

void CShellNotifier::Announce(LONG event, const std::wstring& path) {
  std::vector<Announcement> one = {Announcement{event, path}};
  AnnounceAll(one);
}

void CShellNotifier::AnnounceAll(std::vector<Announcement>& announcements) {
  if (announcements.empty()) return;
  CCriticalSectionLock lock(m_lock);
  for (Announcement& announcement : announcements) m_queue.push_back(std::move(announcement));
  announcements.clear();
  if (m_drainedSet) {
    ::ResetEvent(m_drained.Get());
    m_drainedSet = false;
  }
  WakeSender();
}

void CShellNotifier::Flush() {
  const HANDLE drained = m_drained.Get();
  while (::MsgWaitForMultipleObjects(1, &drained, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void CShellNotifier::WakeSender() {
  if (m_senderAsleep) ::SetEvent(m_wake.Get());
}

void CShellNotifier::Send(const Announcement& announcement, CRemovedItemLists& itemLists) {
  const bool folder = announcement.event == SHCNE_RMDIR;
  const ItemList item = itemLists.Of(announcement.path, folder);
  if (!item.empty()) {
    ::SHChangeNotify(announcement.event, kNotifyItemListFlush, item.data(), nullptr);
  } else {
    // The text is made here, on the notifier's thread, not where the removal runs.
    bool exact = false;
    const std::string text = AnsiFromWide(announcement.path, &exact);
    if (exact)
      ::SHChangeNotify(announcement.event, kNotifyPathFlush, text.c_str(), nullptr);
    else
      ::SHChangeNotify(announcement.event, kNotifyWidePathFlush, announcement.path.c_str(), nullptr);
  }
  if (folder) itemLists.Forget(announcement.path);
}

void CShellNotifier::SendAnnouncements() {
  const ComApartment apartment;
  CRemovedItemLists itemLists;
  for (;;) {
    Announcement next{};
    {
      CCriticalSectionLock lock(m_lock);
      while (!MaySendNext()) {
        if (m_queue.empty() && !m_drainedSet) {
          ::SetEvent(m_drained.Get());
          m_drainedSet = true;
        }
        if (m_stopping && m_queue.empty()) return;
        m_senderAsleep = true;
        m_lock.Leave();
        ::WaitForSingleObject(m_wake.Get(), INFINITE);
        m_lock.Enter();
        m_senderAsleep = false;
      }
      next = std::move(m_queue.front());
      m_queue.pop_front();
      m_sending = true;
    }
    Send(next, itemLists);
    CCriticalSectionLock lock(m_lock);
    m_sending = false;
  }
}

CShellNotifier::CQuiet CShellNotifier::WaitUntilQuiet() {
  const DWORD start = ::GetTickCount();
  CMutexOwnership holders(m_quietHolders.Get(), kQuietWaitMs);
  if (!holders.Held()) return CQuiet(nullptr, std::move(holders));
  {
    CCriticalSectionLock lock(m_lock);
    m_quietWanted = true;
  }
  // What is being sent ends soon; nothing new starts meanwhile.
  for (;;) {
    {
      CCriticalSectionLock lock(m_lock);
      if (!m_sending) return CQuiet(this, std::move(holders));
    }
    if (::GetTickCount() - start >= static_cast<DWORD>(kQuietWaitMs)) break;
    ::Sleep(1);
  }
  EndQuiet();
  return CQuiet(nullptr, CMutexOwnership(nullptr, 0));
}

void CShellNotifier::EndQuiet() {
  CCriticalSectionLock lock(m_lock);
  m_quietWanted = false;
  WakeSender();
}

CShellNotifier::CQuiet::CQuiet(CQuiet&& other) noexcept
    : m_notifier(std::exchange(other.m_notifier, nullptr)), m_holders(std::move(other.m_holders)) {}

CShellNotifier::CQuiet::~CQuiet() {
  if (m_notifier) m_notifier->EndQuiet();
}

void FlushShellNotifications() { CShellNotifier::Instance().Flush(); }

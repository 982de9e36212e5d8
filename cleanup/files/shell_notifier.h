// Tells the shell about removals from a thread of its own, so deleting never waits for the shell.
// Each announcement goes out with its own SHChangeNotify, in the order made: the shell hears of a
// folder's files before the folder and of the folder before anything made later. The item is
// handed over as the shell's item list, made from its name through folder objects kept from one
// announcement to the next (cleanup/files/removed_items.h); where the shell cannot make one that
// way, as its path.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "cleanup/files/removed_items.h"
#include "framework/handles.h"
#include "framework/sync.h"
#include "framework/worker_thread.h"

class CShellNotifier {
public:
  // The process's notifier; its threads start on first use. At process exit it sends what is
  // still queued before it goes.
  static CShellNotifier& Instance();

  ~CShellNotifier();
  CShellNotifier(const CShellNotifier&) = delete;
  CShellNotifier& operator=(const CShellNotifier&) = delete;

  // Queues the announcement of event (SHCNE_DELETE or SHCNE_RMDIR) for path and returns at once.
  // Sent as an item list; else as the path, in UTF-16 when it has no exact form in the system code
  // page, so the shell is told the item that went rather than a look-alike.
  void Announce(LONG event, const std::wstring& path);
  // Queues several at once, in order.
  struct Announcement {
    LONG event;
    std::wstring path;
  };
  void AnnounceAll(std::vector<Announcement>& announcements);
  // Returns once nothing is left to send, so every announcement queued before the call has gone
  // out. Messages sent to the calling thread's windows are handled meanwhile: the shell may
  // deliver an announcement to a window of this process.
  void Flush();

  // While the returned hold lasts, no announcement is being sent, and one holder at a time has
  // it. The shell looks an announced path up one folder at a time and holds each folder open
  // meanwhile (Wine without sharing its deletion), as it does the root of the first item list, so
  // a removal that failed beside the notifier is tried again under this hold. The wait is bounded: after kQuietWaitMs the hold is given
  // without being had (Held() false).
  class CQuiet {
  public:
    CQuiet(CQuiet&& other) noexcept;
    ~CQuiet();
    CQuiet(const CQuiet&) = delete;
    CQuiet& operator=(const CQuiet&) = delete;
    CQuiet& operator=(CQuiet&&) = delete;
    bool Held() const { return m_notifier != nullptr; }

  private:
    friend class CShellNotifier;
    CQuiet(CShellNotifier* notifier, CMutexOwnership holders) : m_notifier(notifier), m_holders(std::move(holders)) {}
    CShellNotifier* m_notifier;
    CMutexOwnership m_holders;
  };
  CQuiet WaitUntilQuiet();
  static constexpr int kQuietWaitMs = 5000;

private:
  CShellNotifier();
  static unsigned __stdcall SenderThread(void* notifier);
  void SendAnnouncements();
  static void Send(const Announcement& announcement, CRemovedItemLists& itemLists);
  // Under m_lock: whether the front of the queue may go out now.
  bool MaySendNext() const { return !m_queue.empty() && !m_quietWanted; }
  // Under m_lock: wakes the sender when it sleeps.
  void WakeSender();
  void EndQuiet();

  CCriticalSection m_lock;
  std::deque<Announcement> m_queue;  // the rest under m_lock too
  bool m_sending = false;            // an announcement is being sent
  bool m_senderAsleep = false;       // the sender waits for m_wake
  bool m_quietWanted = false;
  bool m_drainedSet = true;
  bool m_stopping = false;
  ScopedHandle m_quietHolders;  // unnamed mutex: one quiet hold at a time
  ScopedHandle m_wake;          // auto-reset: something for the sleeping sender to look at
  ScopedHandle m_drained;       // manual-reset: set while nothing is queued or being sent
  // One sender: the item lists' folder objects belong to the thread that made them.
  CWorkerThread m_sender;
};

// Waits for the process's notifier to have sent every announcement made so far.
void FlushShellNotifications();

// Announcements gathered and handed to the notifier kBatch at a time, in order, the rest when
// released: the shell hears of a walk's removals while the walk goes on (its item lists need
// nothing of the disk), at one hand-over for many removals.
class CBatchedAnnouncements {
public:
  CBatchedAnnouncements() = default;
  ~CBatchedAnnouncements() { Release(); }
  CBatchedAnnouncements(const CBatchedAnnouncements&) = delete;
  CBatchedAnnouncements& operator=(const CBatchedAnnouncements&) = delete;
  CBatchedAnnouncements(CBatchedAnnouncements&& other) noexcept : m_gathered(std::move(other.m_gathered)) {
    other.m_gathered.clear();
  }

  void Add(LONG event, const std::wstring& path) {
    m_gathered.push_back(CShellNotifier::Announcement{event, path});
    if (m_gathered.size() >= kBatch) Release();
  }
  // Hands what is gathered to the notifier.
  void Release() {
    if (!m_gathered.empty()) CShellNotifier::Instance().AnnounceAll(m_gathered);
  }

private:
  static constexpr size_t kBatch = 64;
  std::vector<CShellNotifier::Announcement> m_gathered;
};

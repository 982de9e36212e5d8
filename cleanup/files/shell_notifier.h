// Tells the shell about removals from threads of their own, so deleting never waits for the shell
// (under Wine one notification costs more than the deletion it announces: the shell looks each
// folder of the path up in turn). Each announcement goes out with its own SHChangeNotify. Three
// threads send the files' announcements side by side (the look-ups wait on the file system more
// than on the processor); an announcement of a folder waits until
// everything announced before it has gone out, and what comes after waits for it, so the shell
// hears of a folder's files before the folder and of the folder before anything made later.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

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

  // Queues SHChangeNotify(event, 0x2001, path, null) and returns at once. A path that has no exact
  // form in the system code page is announced as UTF-16 (0x2005), so the shell is told the item
  // that went rather than a look-alike.
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
  // meanwhile (Wine without sharing its deletion), so a removal that failed beside the notifier
  // is tried again under this hold. The wait is bounded: after kQuietWaitMs the hold is given
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
  static constexpr int kSenders = 3;

  CShellNotifier();
  static unsigned __stdcall SenderThread(void* notifier);
  void SendAnnouncements();
  // Under m_lock: whether the front of the queue may go out now.
  bool MaySendNext() const;
  // Under m_lock: wakes a sender that sleeps, when one does.
  void WakeASender();
  void EndQuiet();

  CCriticalSection m_lock;
  std::deque<Announcement> m_queue;  // the rest under m_lock too
  int m_inFlight = 0;                // announcements being sent
  bool m_folderInFlight = false;     // one of them a folder's
  int m_sleeping = 0;                // senders waiting for m_wake
  bool m_quietWanted = false;
  bool m_drainedSet = true;
  bool m_stopping = false;
  ScopedHandle m_quietHolders;  // unnamed mutex: one quiet hold at a time
  ScopedHandle m_wake;          // auto-reset: something for a sleeping sender to look at
  ScopedHandle m_drained;       // manual-reset: set while nothing is queued or being sent
  CWorkerThread m_senders[kSenders];
};

// Waits for the process's notifier to have sent every announcement made so far.
void FlushShellNotifications();

// Announcements held back until they are released, all at once and in order: the shell looks each
// announced path up folder by folder, and under Wine that costs the more the more the path's
// folder still holds and the more of its folders are still there.
class CHeldAnnouncements {
public:
  CHeldAnnouncements() = default;
  ~CHeldAnnouncements() { Release(); }
  CHeldAnnouncements(const CHeldAnnouncements&) = delete;
  CHeldAnnouncements& operator=(const CHeldAnnouncements&) = delete;
  CHeldAnnouncements(CHeldAnnouncements&& other) noexcept : m_held(std::move(other.m_held)) { other.m_held.clear(); }

  void Add(LONG event, const std::wstring& path) { m_held.push_back(CShellNotifier::Announcement{event, path}); }
  // Hands what is held to the notifier.
  void Release() {
    if (!m_held.empty()) CShellNotifier::Instance().AnnounceAll(m_held);
  }

private:
  std::vector<CShellNotifier::Announcement> m_held;
};

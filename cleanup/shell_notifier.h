// Tells the shell about removals from a thread of its own, so deleting never waits for the shell
// (under Wine one notification costs more than the deletion it announces). The announcements go
// out one by one, each with its own SHChangeNotify, in the order they were made.
#pragma once
#include <windows.h>

#include <deque>
#include <string>

#include "framework/handles.h"
#include "framework/sync.h"
#include "framework/worker_thread.h"

class CShellNotifier {
public:
  // The process's notifier; its thread starts on first use. At process exit it sends what is
  // still queued before it goes.
  static CShellNotifier& Instance();

  ~CShellNotifier();
  CShellNotifier(const CShellNotifier&) = delete;
  CShellNotifier& operator=(const CShellNotifier&) = delete;

  // Queues SHChangeNotify(event, 0x2001, path, null) and returns at once. A path that has no exact
  // form in the system code page is announced as UTF-16 (0x2005), so the shell is told the item
  // that went rather than a look-alike.
  void Announce(LONG event, const std::wstring& path);
  // Returns once nothing is left to send, so every announcement queued before the call has gone
  // out. Messages sent to the calling thread's windows are handled meanwhile: the shell may
  // deliver an announcement to a window of this process.
  void Flush();

  // While the returned lock is held, no announcement is being sent. The shell looks an announced
  // path up one folder at a time and holds each folder open meanwhile (Wine without sharing its
  // deletion), so a removal that failed beside the notifier is tried again under this lock. The
  // wait is bounded: after kQuietWaitMs the lock is returned without being held.
  CMutexOwnership WaitUntilQuiet();
  static constexpr int kQuietWaitMs = 5000;

private:
  struct Announcement {
    LONG event;
    std::string path;       // the path in the system code page
    std::wstring widePath;  // the path when it has no exact form there
  };

  CShellNotifier();
  static unsigned __stdcall NotifierThread(void* notifier);
  void SendAnnouncements();

  CCriticalSection m_lock;
  ScopedHandle m_sending;            // unnamed mutex, held while SHChangeNotify runs
  std::deque<Announcement> m_queue;  // under m_lock
  bool m_stopping = false;           // under m_lock
  ScopedHandle m_queued;   // auto-reset: an announcement was queued, or the notifier stops
  ScopedHandle m_drained;  // manual-reset: set while nothing is queued or being sent
  CWorkerThread m_thread;
};

// Waits for the process's notifier to have sent every announcement made so far.
void FlushShellNotifications();

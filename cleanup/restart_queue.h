// Removal at the next restart of what is in use now: a file another program holds open, and
// the folders that only such files keep from going. Windows NT and later carry out the queue of
// MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT); Windows 95, 98 and Me the "[rename]" section of
// WININIT.INI, which removes files only.
#pragma once
#include <atomic>
#include <set>
#include <string>

#include "framework/sync.h"

class CRestartQueue {
public:
  // The queue of this run.
  static CRestartQueue& Instance();

  // Queues a file that is still there because it is in use (it cannot be opened for deletion:
  // a sharing violation, or access denied with its attributes reset). True when it is queued.
  bool QueueFileInUse(const std::string& path);
  // Queues a folder that still holds something, when all it holds is queued already (a folder
  // is removed at restart only after what is in it). True when it is queued.
  bool QueueFolderOfQueuedItems(const std::string& folder, const std::string& alsoGoing = std::string());

  // True once anything was queued in this run: a restart completes the removal.
  bool Any() const { return m_any; }

private:
  CRestartQueue() = default;
  bool Queue(const std::string& path, bool folder);
  bool IsQueued(const std::string& path) const;

  mutable CCriticalSection m_lock;
  std::set<std::string> m_queued;  // lower-case paths
  std::atomic<bool> m_any{false};
};

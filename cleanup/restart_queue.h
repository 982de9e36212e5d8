// Removal at the next restart of what the system cannot remove now: a file another program holds
// open, a program or library that is loaded, an entry left delete-pending, and the folders that
// only such entries keep from going. Windows NT and later carry out the queue of
// MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT); Windows 95, 98 and Me the "[rename]" section of
// WININIT.INI, which removes files only.
#pragma once
#include <set>
#include <string>

#include "framework/sync.h"

class CRestartQueue {
public:
  // The queue of this run.
  static CRestartQueue& Instance();

  // Queues the entry at path (exact, as the file system names it). True when it is queued, now or
  // before; false when the system's queue cannot take it (a folder on Windows 95, 98 and Me).
  bool Queue(const std::wstring& path, bool folder);
  bool IsQueued(const std::wstring& path) const;

  // True once anything was queued in this run: a restart completes the removal.
  bool Any() const { return m_any != 0; }

private:
  CRestartQueue() = default;

  mutable CCriticalSection m_lock;
  std::set<std::wstring> m_queued;  // paths with ASCII letters lowered
  volatile LONG m_any = 0;
};

// Adds "NUL=<shortPath>" to the "[rename]" section of the WININIT.INI text, which Windows 95, 98
// and Me carry out at their next start: right after the section's header when there is one (a
// line that holds only "[rename]", in any case), else in a new section at the end. Every other
// byte stays as it was.
std::string WithRenameEntry(const std::string& wininit, const std::string& shortPath);

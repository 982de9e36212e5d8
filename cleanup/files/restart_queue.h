// Removal at the next restart of what the system cannot remove now: a file another program holds
// open, a program or library that is loaded, an entry left delete-pending, and the folders that
// only such entries keep from going. What is queued is built from the folder that holds the entry,
// as its handle says the folder really lies, and the entry's name: the restart follows that path
// with the system's rights. The queue of the system is chosen once: the one Windows NT carries out
// (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT), or the "[rename]" section of WININIT.INI that
// Windows 95, 98 and Me carry out, which removes files only.
#pragma once
#include <set>
#include <string>

#include "cleanup/files/open_folder.h"
#include "framework/sync.h"

class CRestartQueue {
public:
  // The queue of this system.
  static CRestartQueue& Instance();
  virtual ~CRestartQueue() = default;
  CRestartQueue(const CRestartQueue&) = delete;
  CRestartQueue& operator=(const CRestartQueue&) = delete;

  // Queues the entry the listing gave in folder. True when it is queued, now or before; false when
  // the system's queue cannot take it (a folder on Windows 95, 98 and Me) or it would not be safe.
  bool Queue(const COpenFolder& folder, const FolderEntry& entry);
  // Queues the folder itself, once all it holds is queued.
  bool QueueItself(const COpenFolder& folder);
  bool IsQueued(const COpenFolder& folder, const FolderEntry& entry) const;

  // True once anything was queued in this run: a restart completes the removal.
  bool Any() const { return m_any != 0; }

protected:
  CRestartQueue() = default;

private:
  // Hands the entry at its real place to the system's queue; false when it cannot take it.
  virtual bool Take(const std::wstring& real, bool folder) = 0;
  bool QueueReal(const std::wstring& real, bool folder);

  mutable CCriticalSection m_lock;
  std::set<std::wstring> m_queued;  // real places with ASCII letters lowered
  volatile LONG m_any = 0;
};

// Adds "NUL=<shortPath>" to the "[rename]" section of the WININIT.INI text, which Windows 95, 98
// and Me carry out at their next start: right after the section's header when there is one (a
// line that holds only "[rename]", in any case), else in a new section at the end. Every other
// byte stays as it was.
std::string WithRenameEntry(const std::string& wininit, const std::string& shortPath);

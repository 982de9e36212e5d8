#include "cleanup/restart_queue.h"

#include <windows.h>

#include <cctype>

#include "cleanup/folder_walk.h"
#include "cleanup/run_report.h"
#include "framework/file_sharing.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x80) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsWindows9x() { return (::GetVersion() & 0x80000000u) != 0; }

// Whether an existing file cannot be opened for deletion because it is in use.
bool IsInUse(const std::string& path) {
  const ScopedHandle file = OpenSharingAll(path, DELETE, FILE_FLAG_BACKUP_SEMANTICS);
  if (file.IsValid()) return false;
  const DWORD error = ::GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// Adds "NUL=<short path>" to the "[rename]" section of WININIT.INI in the Windows folder, which
// Windows 95, 98 and Me carry out at the next start. The profile functions cannot write the
// same key twice, so the file is written as text.
bool QueueInWininit(const std::string& path) {
  char shortPath[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath, sizeof(shortPath));
  if (length == 0 || length >= sizeof(shortPath)) return false;
  char windows[MAX_PATH] = {};
  if (!::GetWindowsDirectoryA(windows, sizeof(windows))) return false;
  const std::string ini = std::string(windows) + "\\WININIT.INI";
  std::string text;
  {
    // The whole file; a missing one is empty. The C++ streams would add most of a megabyte to
    // the program, so this uses the file functions.
    ScopedHandle in(::CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char chunk[4096];
    DWORD got = 0;
    while (in.IsValid() && ::ReadFile(in.Get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) text.append(chunk, got);
  }
  const std::string entry = std::string("NUL=") + shortPath + "\r\n";
  const size_t section = Lower(text).find("[rename]");
  if (section == std::string::npos) {
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    text += "[rename]\r\n" + entry;
  } else {
    const size_t lineEnd = text.find('\n', section);
    if (lineEnd == std::string::npos)
      text += "\r\n" + entry;
    else
      text.insert(lineEnd + 1, entry);
  }
  ScopedHandle out(::CreateFileA(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return out.IsValid() && ::WriteFile(out.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

}  // namespace

CRestartQueue& CRestartQueue::Instance() {
  static CRestartQueue queue;
  return queue;
}

bool CRestartQueue::IsQueued(const std::string& path) const {
  CCriticalSectionLock hold(m_lock);
  return m_queued.count(Lower(path)) != 0;
}

bool CRestartQueue::Queue(const std::string& path, bool folder) {
  if (IsQueued(path)) return true;
  bool queued = false;
  if (IsWindows9x())
    queued = !folder && QueueInWininit(path);  // WININIT.INI removes no folders
  else
    queued = ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  if (!queued) return false;
  {
    CCriticalSectionLock hold(m_lock);
    m_queued.insert(Lower(path));
  }
  m_any = true;
  ReportRemoval(path, RemovalResult::AtRestart);
  return true;
}

bool CRestartQueue::QueueFileInUse(const std::string& path) {
  if (path.empty() || ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (!IsQueued(path) && !IsInUse(path)) return false;
  return Queue(path, false);
}

bool CRestartQueue::QueueFolderOfQueuedItems(const std::string& folder, const std::string& alsoGoing) {
  if (folder.empty() || !m_any) return false;
  bool onlyQueued = true, any = false;
  const std::string going = Lower(alsoGoing);
  const bool listed = ForEachFolderEntry(folder, [&](const FolderEntry& entry) {
    any = true;
    if (!IsQueued(entry.path) && Lower(entry.path) != going) onlyQueued = false;
  });
  if (!listed || !any || !onlyQueued) return false;
  return Queue(folder, true);
}

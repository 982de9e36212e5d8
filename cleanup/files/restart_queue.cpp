#include "cleanup/files/restart_queue.h"

#include <windows.h>

#include "cleanup/trust/file_security.h"
#include "cleanup/report/run_report.h"
#include "framework/capabilities.h"
#include "framework/file_names.h"
#include "framework/handles.h"
#include "framework/path_text.h"
#include "framework/wide_text.h"

namespace {

// The whole file at path; false when it exists and cannot be read to its end. A missing file
// reads as empty.
bool ReadWholeFile(const std::string& path, std::string& text) {
  text.clear();
  ScopedHandle in(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!in.IsValid()) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  char chunk[4096];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(in.Get(), chunk, sizeof(chunk), &got, nullptr)) return false;
    if (got == 0) return true;
    text.append(chunk, got);
  }
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  ScopedHandle out(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return out.IsValid() && ::WriteFile(out.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size() && ::FlushFileBuffers(out.Get());
}

// Puts the new file in place of the old one. Windows 95, 98 and Me have no MoveFileEx: the old file
// is deleted first.
bool ReplaceFile(const std::string& newFile, const std::string& target) {
  ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!::DeleteFileA(target.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  return ::MoveFileA(newFile.c_str(), target.c_str()) != FALSE;
}

// Queues a file in WININIT.INI of the Windows folder. The file is read whole, the new text written
// to a file beside it and put in its place, so a stop half-way leaves either file whole; a file
// that cannot be read is left as it is, and nothing is queued.
bool QueueInWininit(const std::string& path) {
  bool exact = false;
  const std::string shortPath = AnsiFromWide(ShortPathNamed(WideFromAnsi(path)), &exact);
  if (shortPath.empty() || !exact || shortPath.size() >= MAX_PATH) return false;
  char windows[MAX_PATH] = {};
  const UINT folderLength = ::GetWindowsDirectoryA(windows, sizeof(windows));
  if (folderLength == 0 || folderLength >= sizeof(windows)) return false;
  const std::string ini = std::string(windows) + "\\WININIT.INI";
  std::string text;
  if (!ReadWholeFile(ini, text)) {
    ReportStep("WININIT.INI could not be read: " + path + " is not queued for the restart");
    return false;
  }
  const std::string replacement = std::string(windows) + "\\WININIT.NEW";
  if (WriteWholeFile(replacement, WithRenameEntry(text, shortPath)) && ReplaceFile(replacement, ini)) return true;
  ::DeleteFileA(replacement.c_str());
  ReportStep("WININIT.INI could not be written: " + path + " is not queued for the restart");
  return false;
}

}  // namespace

std::string WithRenameEntry(const std::string& wininit, const std::string& shortPath) {
  const std::string entry = "NUL=" + shortPath + "\r\n";
  for (size_t line = 0; line < wininit.size();) {
    size_t end = wininit.find('\n', line);
    const size_t next = end == std::string::npos ? wininit.size() : end + 1;
    // The line without its end and surrounding blanks.
    size_t first = line, last = end == std::string::npos ? wininit.size() : end;
    while (first < last && (wininit[first] == ' ' || wininit[first] == '\t')) ++first;
    while (last > first && (wininit[last - 1] == '\r' || wininit[last - 1] == ' ' || wininit[last - 1] == '\t')) --last;
    if (::lstrcmpiA(wininit.substr(first, last - first).c_str(), "[rename]") == 0) {
      const std::string before = wininit.substr(0, next);
      return before + (end == std::string::npos ? "\r\n" : "") + entry + wininit.substr(next);
    }
    line = next;
  }
  const bool needsLineEnd = !wininit.empty() && wininit.back() != '\n';
  return wininit + (needsLineEnd ? "\r\n" : "") + "[rename]\r\n" + entry;
}

namespace {

// The queue of the Windows NT family, carried out by the system at its next start.
class CMoveFileQueue : public CRestartQueue {
  bool Take(const std::wstring& real, bool folder) override {
    // The system follows the path at the restart with its own rights: through a folder that others
    // could change meanwhile, it could be led to delete something else.
    const TrustVerdict verdict = JudgeForTheRestart(real, folder);
    if (!verdict.trusted) {
      ReportLeftForSafety(AnsiFromWide(real), "not queued for the restart: " + verdict.reason);
      return false;
    }
    return ::MoveFileExW(real.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  }
};

// The queue of Windows 95, 98 and Me, whose names come from the code page (so the text form is
// exact), and which removes no folders.
class CWininitQueue : public CRestartQueue {
  bool Take(const std::wstring& real, bool folder) override { return !folder && QueueInWininit(AnsiFromWide(real)); }
};

}  // namespace

CRestartQueue& CRestartQueue::Instance() {
  static CMoveFileQueue moveFile;
  static CWininitQueue wininit;
  static CRestartQueue* const chosen = HasNtCalls() ? static_cast<CRestartQueue*>(&moveFile) : &wininit;
  return *chosen;
}

bool CRestartQueue::IsQueued(const COpenFolder& folder, const FolderEntry& entry) const {
  const std::wstring real = FoldedAscii(folder.RealPathOf(entry.name));
  CCriticalSectionLock hold(m_lock);
  return m_queued.count(real) != 0;
}

bool CRestartQueue::Queue(const COpenFolder& folder, const FolderEntry& entry) {
  // The restart would follow a link or a mount point to what it leads to: never queued.
  if (entry.IsLink()) return false;
  return QueueReal(folder.RealPathOf(entry.name), entry.IsFolder());
}

bool CRestartQueue::QueueItself(const COpenFolder& folder) { return QueueReal(folder.RealPath(), true); }

bool CRestartQueue::QueueReal(const std::wstring& real, bool folder) {
  if (real.empty()) return false;
  const std::wstring key = FoldedAscii(real);
  {
    CCriticalSectionLock hold(m_lock);
    if (m_queued.count(key)) return true;
  }
  if (!Take(real, folder)) return false;
  {
    CCriticalSectionLock hold(m_lock);
    m_queued.insert(key);
  }
  ::InterlockedExchange(&m_any, 1);
  return true;
}

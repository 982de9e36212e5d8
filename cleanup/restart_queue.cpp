#include "cleanup/restart_queue.h"

#include <windows.h>

#include "cleanup/file_identity.h"
#include "cleanup/file_security.h"
#include "cleanup/run_report.h"
#include "framework/capabilities.h"
#include "framework/handles.h"
#include "framework/wide_text.h"

namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

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

// Puts the new file in place of the old one. MoveFileEx replaces it in one step on Windows NT;
// Windows 95, 98 and Me have no MoveFileEx, and there the old file is deleted first.
bool ReplaceFile(const std::string& newFile, const std::string& target) {
  if (HasNtCalls())
    return ::MoveFileExA(newFile.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!::DeleteFileA(target.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  return ::MoveFileA(newFile.c_str(), target.c_str()) != FALSE;
}

// Queues a file in WININIT.INI of the Windows folder. The file is read whole, the new text written
// to a file beside it and put in its place, so a stop half-way leaves either file whole; a file
// that cannot be read is left as it is, and nothing is queued.
bool QueueInWininit(const std::string& path) {
  char shortPath[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath, sizeof(shortPath));
  if (length == 0 || length >= sizeof(shortPath)) return false;
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

// The entry at path in its folder's real place (links and mapped drives resolved, as the file
// system names it), where the system can tell; the path itself elsewhere.
std::wstring RealPathOfEntry(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash + 1 >= path.size() || path.size() <= 3) return path;
  const std::wstring folder = slash == 2 ? path.substr(0, 3) : path.substr(0, slash);
  const ScopedHandle opened = OpenForIdentity(folder);
  std::wstring real = opened.IsValid() ? FinalPathOf(opened.Get()) : std::wstring();
  if (real.empty()) return path;
  if (real.back() != L'\\') real += L'\\';
  return real + path.substr(slash + 1);
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

CRestartQueue& CRestartQueue::Instance() {
  static CRestartQueue queue;
  return queue;
}

bool CRestartQueue::IsQueued(const std::wstring& path) const {
  const std::wstring real = RealPathOfEntry(path);
  CCriticalSectionLock hold(m_lock);
  return m_queued.count(Lower(path)) != 0 || m_queued.count(Lower(real)) != 0;
}

bool CRestartQueue::Queue(const std::wstring& path, bool folder) {
  if (path.empty()) return false;
  if (IsQueued(path)) return true;
  // The path the restart follows: the entry in its folder's real place, which is what is judged
  // and what is queued.
  const std::wstring real = RealPathOfEntry(path);
  bool queued = false;
  if (!HasNtCalls()) {
    // Names there come from the code page, so the text form is exact.
    queued = !folder && QueueInWininit(AnsiFromWide(real));  // WININIT.INI removes no folders
  } else {
    // The system follows the path at the restart with its own rights: through a folder that others
    // could change meanwhile, it could be led to delete something else.
    const TrustVerdict verdict = JudgeFoldersAboveForTheRestart(real);
    if (!verdict.trusted) {
      ReportLeftForSafety(AnsiFromWide(real), "not queued for the restart: " + verdict.reason);
      return false;
    }
    queued = ::MoveFileExW(real.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  }
  if (!queued) return false;
  {
    CCriticalSectionLock hold(m_lock);
    m_queued.insert(Lower(path));
    m_queued.insert(Lower(real));
  }
  ::InterlockedExchange(&m_any, 1);
  return true;
}

#include "app/run_log.h"

#include <windows.h>

#include <cstdio>

#include "framework/file_facts.h"
#include "framework/file_names.h"
#include "framework/native_files.h"
#include "framework/path_text.h"

CRunLog::Opening CRunLog::Open(const std::wstring& path) {
  CCriticalSectionLock lock(m_lock);
  const std::wstring folder = FolderAbove(path);
  if (folder.empty()) return Opening::NotWritable;
  if (!nt::TellsWhatHandlesReach()) {
    // Windows 95, 98 and Me: no links, and no second names of a file.
    m_file = CreateFileNamed(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    return m_file.IsValid() ? Opening::Opened : Opening::NotWritable;
  }
  // The folder is held against renaming while the log is opened in it, and must be reached as
  // itself: no link or mapped drive on the way.
  const ScopedHandle held = CreateFileNamed(folder, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (!held.IsValid()) return Opening::NotWritable;
  if (!nt::IsOpenedAs(held.Get(), folder)) return Opening::NotItself;
  ScopedHandle file = CreateFileNamed(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
  if (!file.IsValid()) return Opening::NotWritable;
  // The file itself, by no other name: a hard link would have the run append to another file.
  FileFacts facts;
  if (!ReadFileFacts(file.Get(), FactsWanted::All, facts) ||
      (facts.attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) || facts.links != 1 ||
      !nt::IsOpenedAs(file.Get(), path))
    return Opening::NotItself;
  m_file = std::move(file);
  return Opening::Opened;
}

void CRunLog::Close() {
  CCriticalSectionLock lock(m_lock);
  m_file.Close();
}

void CRunLog::Line(const std::string& text) {
  CCriticalSectionLock lock(m_lock);
  if (!m_file.IsValid()) return;
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  char stamp[40];
  std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02d %02d:%02d:%02d.%03d  ", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  const std::string line = stamp + text + "\n";
  // At the end of what is there (Windows 95, 98 and Me know no appending access); written at once,
  // so what was written survives a run that never ends.
  ::SetFilePointer(m_file.Get(), 0, nullptr, FILE_END);
  DWORD written = 0;
  ::WriteFile(m_file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void CRunLog::Removal(const std::string& what, RemovalResult result) {
  Line(std::string(RemovalResultText(result)) + ": " + what);
}

void CRunLog::Program(const std::string& commandLine, bool started) {
  Line((started ? "started: " : "could not start: ") + commandLine);
}

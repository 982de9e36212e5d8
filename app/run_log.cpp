#include "app/run_log.h"

#include <windows.h>

bool CRunLog::Open(const std::string& path) {
  CCriticalSectionLock lock(m_lock);
  if (!m_file) m_file = std::fopen(path.c_str(), "a");
  return m_file != nullptr;
}

void CRunLog::Close() {
  CCriticalSectionLock lock(m_lock);
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
}

void CRunLog::Line(const std::string& text) {
  CCriticalSectionLock lock(m_lock);
  if (!m_file) return;
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  std::fprintf(m_file, "%04d-%02d-%02d %02d:%02d:%02d.%03d  %s\n", now.wYear, now.wMonth, now.wDay, now.wHour,
               now.wMinute, now.wSecond, now.wMilliseconds, text.c_str());
  std::fflush(m_file);  // what was written survives a run that never ends
}

void CRunLog::Removal(const std::string& what, RemovalResult result) {
  Line(std::string(RemovalResultText(result)) + ": " + what);
}

void CRunLog::Program(const std::string& commandLine, bool started) {
  Line((started ? "started: " : "could not start: ") + commandLine);
}

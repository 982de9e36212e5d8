// How the stand-ins record what they were asked: one line per event appended to
// <log folder>\<name>.log, where the log folder is %SAMPLE_CLIENT_LOG_DIR% when set (tests and
// the demo point it outside the prefix's watched areas) and the stand-in's own folder otherwise.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

namespace stand_in {

inline std::string LogFolder() {
  char dir[MAX_PATH] = {};
  if (::GetEnvironmentVariableA("SAMPLE_CLIENT_LOG_DIR", dir, MAX_PATH) > 0) return dir;
  ::GetModuleFileNameA(nullptr, dir, MAX_PATH);
  std::string d = dir;
  return d.substr(0, d.rfind('\\'));
}

// Appends one line; a named mutex keeps lines of concurrent stand-ins whole.
inline void AppendLog(const char* name, const std::string& line) {
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, "SampleClientStandInLog");
  if (mutex) ::WaitForSingleObject(mutex, 10000);
  const std::string path = LogFolder() + "\\" + name + ".log";
  if (FILE* f = std::fopen(path.c_str(), "ab")) {
    std::fprintf(f, "%s\r\n", line.c_str());
    std::fclose(f);
  }
  if (mutex) {
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
  }
}

// The command line after the program's own path (quoted or not), without leading blanks.
inline std::string Arguments() {
  const char* p = ::GetCommandLineA();
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

}  // namespace stand_in

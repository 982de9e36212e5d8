// Whether a program runs, judged by its executable's file name (as a person looking at the task
// list would), for the stand-ins and the tests that wait for them.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

namespace stand_in {

inline bool IsProgramRunning(const char* exeName) {
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL ok = ::Process32First(snap, &entry); ok && !found; ok = ::Process32Next(snap, &entry))
    found = ::lstrcmpiA(entry.szExeFile, exeName) == 0;
  ::CloseHandle(snap);
  return found;
}

// The id of a running process of that executable file name, 0 when there is none.
inline DWORD FindProgramProcessId(const char* exeName) {
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  DWORD pid = 0;
  for (BOOL ok = ::Process32First(snap, &entry); ok && !pid; ok = ::Process32Next(snap, &entry))
    if (::lstrcmpiA(entry.szExeFile, exeName) == 0) pid = entry.th32ProcessID;
  ::CloseHandle(snap);
  return pid;
}

}  // namespace stand_in

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

}  // namespace stand_in

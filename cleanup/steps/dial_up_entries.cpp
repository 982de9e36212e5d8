#include "cleanup/steps/dial_up_entries.h"

#include <windows.h>

#include <string>

#include "cleanup/report/run_report.h"
#include "framework/system_library.h"

namespace {
using RasDeleteEntryFn = DWORD(WINAPI*)(LPCSTR phonebook, LPCSTR entry);
// The remote access error for an entry the phonebook does not hold.
constexpr DWORD kErrorNoSuchEntry = 623;
}  // namespace

void DeleteDialUpEntry(const char* entryName) {
  static const auto rasDeleteEntry = SystemFunctionAs<RasDeleteEntryFn>("rasapi32.dll", "RasDeleteEntryA");
  if (!rasDeleteEntry) return;
  const DWORD result = rasDeleteEntry(nullptr, entryName);
  ReportRemovalCode(std::string("dial-up entry ") + entryName, result == kErrorNoSuchEntry ? ERROR_FILE_NOT_FOUND : result);
}

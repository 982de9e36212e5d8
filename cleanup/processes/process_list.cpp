#include "cleanup/processes/process_list.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <vector>

#include "cleanup/processes/close_programs_text.h"
#include "framework/capabilities.h"
#include "framework/handles.h"
#include "framework/system_library.h"
#include "framework/wide_text.h"
#include "language/mbcs.h"

namespace {
using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessWalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
using QuerySystemInformationFn = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

// The Toolhelp process list (Windows 95 and 2000 on); false when the system has none.
bool ForEachProcessBySnapshot(const std::function<bool(const std::string&, DWORD)>& visit) {
  if (!MayUse(Capability::ProcessSnapshot)) return false;
  static const auto createSnapshot = SystemFunctionAs<CreateSnapshotFn>("kernel32.dll", "CreateToolhelp32Snapshot");
  static const auto first = SystemFunctionAs<ProcessWalkFn>("kernel32.dll", "Process32First");
  static const auto next = SystemFunctionAs<ProcessWalkFn>("kernel32.dll", "Process32Next");
  if (!createSnapshot || !first || !next) {
    MarkMissing(Capability::ProcessSnapshot);
    return false;
  }
  ScopedHandle snapshot(createSnapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid()) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  if (!first(snapshot.Get(), &entry)) return false;
  do {
    if (!visit(FoldedAnsi(ExecutableNameOf(entry.szExeFile)), entry.th32ProcessID)) break;
  } while (next(snapshot.Get(), &entry));
  return true;
}

// The process list of the native system call, which Windows NT 4.0 has where Toolhelp is missing.
bool ForEachProcessByNativeList(const std::function<bool(const std::string&, DWORD)>& visit) {
  static const auto query = SystemFunctionAs<QuerySystemInformationFn>("ntdll.dll", "NtQuerySystemInformation");
  if (!query) return false;
  constexpr ULONG kSystemProcessInformation = 5;
  constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
  std::vector<char> buffer(256 * 1024);
  LONG status = 0;
  // The list grows between the calls while processes start: a few tries with more room.
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    status = query(kSystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status != kStatusInfoLengthMismatch) break;
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 64 * 1024));
  }
  if (status < 0) return false;
  for (size_t at = 0;;) {
    const auto& process = *reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
    const std::wstring image(process.ImageName.Buffer ? process.ImageName.Buffer : L"",
                             process.ImageName.Buffer ? process.ImageName.Length / sizeof(wchar_t) : 0);
    const DWORD processId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(process.UniqueProcessId));
    if (!visit(FoldedAnsi(AnsiFromWide(image)), processId) || process.NextEntryOffset == 0) break;
    at += process.NextEntryOffset;
  }
  return true;
}

}  // namespace

bool ForEachProcess(const std::function<bool(const std::string&, DWORD)>& visit) {
  return ForEachProcessBySnapshot(visit) || ForEachProcessByNativeList(visit);
}

std::string ExecutableNameOf(const std::string& listed) {
  const size_t slash = MbFindLast(listed.c_str(), '\\');
  if (slash == std::string::npos) return listed;
  // A full path (Windows 95, 98 and Me), maybe of short names: the listing gives the long name.
  WIN32_FIND_DATAA found = {};
  const ScopedFindHandle search(::FindFirstFileA(listed.c_str(), &found));
  return search.IsValid() ? std::string(found.cFileName) : listed.substr(slash + 1);
}

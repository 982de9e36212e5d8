#include "framework/native_files.h"

#include <vector>

#include "framework/capabilities.h"
#include "framework/file_facts.h"
#include "framework/system_library.h"

namespace nt {

FileCalls::FileCalls() {
  if (!HasNtCalls()) return;  // Windows 95, 98 and Me
  createFile = SystemFunctionAs<CreateFileFn>("ntdll.dll", "NtCreateFile");
  queryDirectory = SystemFunctionAs<QueryDirectoryFn>("ntdll.dll", "NtQueryDirectoryFile");
  queryInformation = SystemFunctionAs<InformationFn>("ntdll.dll", "NtQueryInformationFile");
  setInformation = SystemFunctionAs<InformationFn>("ntdll.dll", "NtSetInformationFile");
  statusToError = SystemFunctionAs<StatusToErrorFn>("ntdll.dll", "RtlNtStatusToDosError");
  equalNames = SystemFunctionAs<EqualNamesFn>("ntdll.dll", "RtlEqualUnicodeString");
}

const FileCalls& Calls() {
  static const FileCalls calls;
  return calls;
}

bool Succeeded(LONG status) {
  if (status >= 0) return true;
  ::SetLastError(Calls().statusToError(status));
  return false;
}

namespace {
using GetFinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
// Only the NT family tells final paths (Windows Vista on).
GetFinalPathFn FinalPathFunction() {
  static const auto function =
      Calls().Available() ? reinterpret_cast<GetFinalPathFn>(reinterpret_cast<void*>(
                                ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW")))
                          : nullptr;
  return function;
}
}  // namespace

bool TellsFinalPaths() { return FinalPathFunction() != nullptr; }

std::wstring FinalPathOf(HANDLE handle) {
  const GetFinalPathFn function = FinalPathFunction();
  if (!function) return std::wstring();
  std::vector<wchar_t> path(1024);
  DWORD length = function(handle, path.data(), static_cast<DWORD>(path.size()), 0 /* normalized, drive letter */);
  if (length >= path.size()) {
    path.resize(length + 1);
    length = function(handle, path.data(), static_cast<DWORD>(path.size()), 0);
  }
  if (length == 0 || length >= path.size()) return std::wstring();
  std::wstring text(path.data(), length);
  if (text.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + text.substr(8);
  if (text.compare(0, 4, L"\\\\?\\") == 0) return text.substr(4);
  return text;
}

bool SameFileName(const std::wstring& one, const std::wstring& other) {
  if (one.size() != other.size() || one.size() * sizeof(WCHAR) > 0xFFFF) return false;
  if (!Calls().equalNames) return one == other;
  const USHORT bytes = static_cast<USHORT>(one.size() * sizeof(WCHAR));
  UNICODE_STRING a = {bytes, bytes, const_cast<PWSTR>(one.c_str())};
  UNICODE_STRING b = {bytes, bytes, const_cast<PWSTR>(other.c_str())};
  return Calls().equalNames(&a, &b, TRUE) != FALSE;
}

bool IsOpenedAs(HANDLE handle, const std::wstring& path) {
  const std::wstring final = FinalPathOf(handle);
  if (!final.empty()) return SameFileName(final, path);
  // Before Windows Vista: the path below the drive; a path that names no drive cannot be told.
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return false;
  FileFacts facts;
  return ReadFileFacts(handle, FactsWanted::All, facts) && SameFileName(facts.volumePath, path.substr(2));
}

}  // namespace nt

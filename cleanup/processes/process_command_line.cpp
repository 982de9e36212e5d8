#include "cleanup/processes/process_command_line.h"

#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "framework/wide_text.h"
#include "language/mbcs.h"

namespace {
bool ReadRemote(HANDLE process, const void* address, void* target, size_t size) {
  SIZE_T read = 0;
  return ::ReadProcessMemory(process, address, target, size, &read) && read == size;
}

using QueryInformationProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

// The command line of an open process as UTF-16, through its process parameters.
bool ReadRemoteCommandLine(HANDLE process, std::wstring& commandLine) {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  const auto query = ntdll ? reinterpret_cast<QueryInformationProcess>(reinterpret_cast<void*>(
                                 ::GetProcAddress(ntdll, "NtQueryInformationProcess")))
                           : nullptr;
  if (!query) return false;
  PROCESS_BASIC_INFORMATION basic = {};
  ULONG returned = 0;
  if (query(process, ProcessBasicInformation, &basic, sizeof(basic), &returned) < 0 ||
      !basic.PebBaseAddress)
    return false;

  const char* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
  PRTL_USER_PROCESS_PARAMETERS parameters = nullptr;
  if (!ReadRemote(process, peb + offsetof(PEB, ProcessParameters), &parameters, sizeof(parameters)) ||
      !parameters)
    return false;
  UNICODE_STRING remote = {};
  if (!ReadRemote(process,
                  reinterpret_cast<const char*>(parameters) +
                      offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine),
                  &remote, sizeof(remote)))
    return false;
  std::vector<wchar_t> text(remote.Length / sizeof(wchar_t) + 1, L'\0');
  if (remote.Length > 0 && (!remote.Buffer || !ReadRemote(process, remote.Buffer, text.data(), remote.Length)))
    return false;
  commandLine.assign(text.data(), remote.Length / sizeof(wchar_t));
  return true;
}
}  // namespace

DWORD GetProcessCommandLine(DWORD processId, char* buffer, unsigned bufferSize) {
  if (!buffer || bufferSize == 0) return ERROR_INVALID_PARAMETER;
  ScopedHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process.IsValid()) return ::GetLastError();
  std::wstring wide;
  if (!ReadRemoteCommandLine(process.Get(), wide)) return kCommandLineReadFailed;
  const std::string text = AnsiFromWide(wide);
  const size_t length = MbCutLength(text.c_str(), bufferSize - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return 0;
}

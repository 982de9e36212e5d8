#include "cleanup/close_programs.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cleanup/close_programs_text.h"
#include "cleanup/judged_file.h"
#include "cleanup/run_report.h"
#include "cleanup/setup_values.h"
#include "framework/capabilities.h"
#include "framework/handles.h"
#include "framework/system_library.h"
#include "framework/wide_text.h"
#include "language/mbcs.h"

namespace {
const char kClientFrameClass[] = "Afx:400000:b:10011:6:b035d";
const char kDialogClass[] = "#32770";
// "TelorisSkylin客户端" and "热点查询" (hotspot query) in the GBK code page, the bytes the
// client's own ANSI windows carry.
const char kBrandedClientTitle[] = "TelorisSkylin\xBF\xCD\xBB\xA7\xB6\xCB";
const char kHotspotTitle[] = "\xC8\xC8\xB5\xE3\xB2\xE9\xD1\xAF";
const char kHotspotExitMessage[] = "Qovra_INNEREXITMSG";
const char kHotspotClientKey[] = "vuvizeduvidizi.exe";
const char kHelpViewerKey[] = "hh.exe";

const UINT kClientStopMessage = WM_USER + 2;  // 0x0402
const UINT kClientExitMessage = WM_USER + 1;  // 0x0401
const UINT kClientAnswerTimeoutMs = 10000;
const DWORD kSettleMs = 1000;
// How long a terminated process may take to go, so its files are free when the caller goes on.
const DWORD kTerminationWaitMs = 5000;
const unsigned kHelpCommandLineSize = 2048;

std::string ToSystemCodePage(const std::wstring& text);

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
    if (!visit(LowerAnsi(ExecutableNameOf(entry.szExeFile)), entry.th32ProcessID)) break;
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
    if (!visit(LowerAnsi(ToSystemCodePage(image)), processId) || process.NextEntryOffset == 0) break;
    at += process.NextEntryOffset;
  }
  return true;
}

// Calls visit with each running process's lowercased executable name and id until it returns
// false. False when no process list could be had.
bool ForEachProcess(const std::function<bool(const std::string&, DWORD)>& visit) {
  return ForEachProcessBySnapshot(visit) || ForEachProcessByNativeList(visit);
}

// Whether the process runs the client's program (its image name holds programFileName).
bool IsClientProcess(DWORD processId, const std::string& programFileName) {
  const std::string client = ClientFileNameKey(programFileName);
  bool matches = false;
  ForEachProcess([&](const std::string& name, DWORD id) {
    if (id != processId) return true;
    matches = ContainsText(name, client);
    return false;
  });
  return matches;
}

bool UserAgrees() {
  const std::string text = ReadSetupValue("zString3");
  const std::string caption = ReadSetupValue("zString2");
  return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void SendToClient(HWND window, UINT message) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, kClientAnswerTimeoutMs, &ignored);
}

void TerminateAndWait(DWORD processId) {
  ScopedHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
  if (!process.IsValid()) return;
  if (::TerminateProcess(process.Get(), 0)) ::WaitForSingleObject(process.Get(), kTerminationWaitMs);
}

void TellHotspotSearchToExit() {
  const UINT exitMessage = ::RegisterWindowMessageA(kHotspotExitMessage);
  const HWND hotspot = ::FindWindowA(kDialogClass, kHotspotTitle);
  if (hotspot && exitMessage) ::PostMessageA(hotspot, exitMessage, 0, 0);
}

BOOL CALLBACK PostCloseToProcessWindow(HWND window, LPARAM processId) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId)) ::PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

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

std::string ToSystemCodePage(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int wide = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string converted(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), wide, &converted[0], size, nullptr, nullptr);
  return converted;
}
}  // namespace

std::string ExecutableNameOf(const std::string& listed) {
  const size_t slash = MbFindLast(listed.c_str(), '\\');
  if (slash == std::string::npos) return listed;
  // A full path (Windows 95, 98 and Me), maybe of short names: the listing gives the long name.
  WIN32_FIND_DATAA found = {};
  const ScopedFindHandle search(::FindFirstFileA(listed.c_str(), &found));
  return search.IsValid() ? std::string(found.cFileName) : listed.substr(slash + 1);
}

BOOL CloseClientPrograms(BOOL ask, const ClientNames& names) {
  const HWND mainWindow = FindClientMainWindow(names);
  if (!mainWindow) {
    if (!IsClientProcessRunning(names.programFileName)) return TRUE;
    if (ask && !UserAgrees()) return FALSE;
    KillClientProcesses(names.programFileName);
    return TRUE;
  }

  if (ask && !UserAgrees()) return FALSE;
  DWORD clientProcessId = 0;
  ::GetWindowThreadProcessId(mainWindow, &clientProcessId);
  SendToClient(mainWindow, kClientStopMessage);
  SendToClient(mainWindow, kClientExitMessage);
  ::Sleep(kSettleMs);
  // Whatever window led here, only the client's own program is ever terminated.
  if (clientProcessId && IsClientProcess(clientProcessId, names.programFileName)) TerminateAndWait(clientProcessId);
  TellHotspotSearchToExit();
  ::Sleep(kSettleMs);
  KillClientProcesses(names.programFileName);
  return TRUE;
}

HWND FindClientMainWindow(const ClientNames& names) {
  struct Lookup {
    const char* windowClass;
    const std::string& title;
  };
  const std::string branded = kBrandedClientTitle;
  const Lookup lookups[] = {
      {kClientFrameClass, names.engName},
      {kDialogClass, names.engName},
      {kDialogClass, names.clientName},
      {kDialogClass, names.programName},
      {kDialogClass, branded},
  };
  for (const Lookup& lookup : lookups) {
    // An empty title would match any untitled window of any program.
    if (lookup.title.empty()) continue;
    if (const HWND found = ::FindWindowA(lookup.windowClass, lookup.title.c_str())) return found;
  }
  return nullptr;
}

BOOL IsClientProcessRunning(const std::string& programFileName) {
  const std::string client = ClientFileNameKey(programFileName);
  if (client.empty()) return FALSE;
  bool running = false;
  ForEachProcess([&](const std::string& name, DWORD) {
    running = ContainsText(name, client);
    return !running;
  });
  return running ? TRUE : FALSE;
}

void KillClientProcesses(const std::string& programFileName) {
  const std::string client = ClientFileNameKey(programFileName);
  ForEachProcess([&](const std::string& name, DWORD processId) {
    if (ContainsText(name, client)) CloseOrKillProcess(processId, 0);
    if (ContainsText(name, kHotspotClientKey)) CloseOrKillProcess(processId, 0);
    return true;
  });
}

int CloseOrKillProcess(DWORD processId, DWORD timeoutMs) {
  ScopedHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
  if (!process.IsValid()) return kProcessNotEnded;
  ::EnumWindows(&PostCloseToProcessWindow, static_cast<LPARAM>(processId));
  if (::WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0) return kProcessEndedItself;
  if (!::TerminateProcess(process.Get(), 0)) return kProcessNotEnded;
  ::WaitForSingleObject(process.Get(), kTerminationWaitMs);
  return kProcessTerminated;
}

BOOL CloseHelpViewer(const char* text) {
  const std::string wanted = LowerAnsi(text ? text : "");
  bool ended = false;
  ForEachProcess([&](const std::string& name, DWORD processId) {
    if (!ContainsText(name, kHelpViewerKey)) return true;
    std::vector<char> commandLine(kHelpCommandLineSize, '\0');
    if (GetProcessCommandLine(processId, commandLine.data(), kHelpCommandLineSize) != 0) return true;
    if (ContainsText(LowerAnsi(commandLine.data()), wanted)) {
      CloseOrKillProcess(processId, 0);
      ended = true;
    }
    return true;
  });
  return ended ? TRUE : FALSE;
}

DWORD GetProcessCommandLine(DWORD processId, char* buffer, unsigned bufferSize) {
  if (!buffer || bufferSize == 0) return ERROR_INVALID_PARAMETER;
  ScopedHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process.IsValid()) return ::GetLastError();
  std::wstring wide;
  if (!ReadRemoteCommandLine(process.Get(), wide)) return kCommandLineReadFailed;
  const std::string text = ToSystemCodePage(wide);
  const size_t length = MbCutLength(text.c_str(), bufferSize - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return 0;
}

void RunBrowserUninstaller(const std::wstring& programFolder) {
  std::string commandLine;
  if (!FormBrowserUninstallerCommand(AnsiFromWide(programFolder), commandLine)) return;
  const CJudgedFile program = CJudgedFile::Open(programFolder + L"\\PavoBrowser\\Unin.exe");
  if (!program.Exists()) return;
  // An uninstaller that others could have changed is not started with these rights.
  if (!program.IsTrusted()) {
    ReportLeftForSafety(program.Text(), program.Why(), program.Id());
    return;
  }
  ReportProgram(commandLine, program.Start(L"-Qlume", std::wstring(), 0).IsValid());
}

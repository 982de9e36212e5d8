#include "cleanup/processes/close_programs.h"

#include <string>
#include <vector>

#include "cleanup/processes/close_programs_text.h"
#include "cleanup/processes/process_command_line.h"
#include "cleanup/processes/process_list.h"
#include "cleanup/report/run_report.h"
#include "framework/handles.h"
#include "framework/timeline.h"
#include "framework/wide_text.h"

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

bool UserAgrees(const ClosingQuestion& question) {
  return AnsweredMessageBox(nullptr, question.text.c_str(), question.caption.c_str(), MB_YESNO | MB_ICONQUESTION) != IDNO;
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

}  // namespace

BOOL CloseClientPrograms(BOOL ask, const ClientNames& names, const ClosingQuestion& question) {
  const HWND mainWindow = FindClientMainWindow(names);
  if (!mainWindow) {
    if (!IsClientProcessRunning(names.programFileName)) return TRUE;
    if (ask && !UserAgrees(question)) return FALSE;
    KillClientProcesses(names.programFileName);
    return TRUE;
  }

  if (ask && !UserAgrees(question)) return FALSE;
  DWORD clientProcessId = 0;
  ::GetWindowThreadProcessId(mainWindow, &clientProcessId);
  SendToClient(mainWindow, kClientStopMessage);
  SendToClient(mainWindow, kClientExitMessage);
  PrescribedPause(kSettleMs);
  // Whatever window led here, only the client's own program is ever terminated.
  if (clientProcessId && IsClientProcess(clientProcessId, names.programFileName)) TerminateAndWait(clientProcessId);
  TellHotspotSearchToExit();
  PrescribedPause(kSettleMs);
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
  const std::string wanted = FoldedAnsi(text ? text : "");
  bool ended = false;
  ForEachProcess([&](const std::string& name, DWORD processId) {
    if (!ContainsText(name, kHelpViewerKey)) return true;
    std::vector<char> commandLine(kHelpCommandLineSize, '\0');
    if (GetProcessCommandLine(processId, commandLine.data(), kHelpCommandLineSize) != 0) return true;
    if (ContainsText(FoldedAnsi(commandLine.data()), wanted)) {
      CloseOrKillProcess(processId, 0);
      ended = true;
    }
    return true;
  });
  return ended ? TRUE : FALSE;
}

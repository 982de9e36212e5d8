#include "procedures/launchers.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/shared_helpers.h"
#include "app/startup.h"
#include "app/uninstall_app.h"
#include "cleanup/close_programs.h"
#include "cleanup/file_ops.h"
#include "cleanup/restart_queue.h"
#include "cleanup/run_report.h"
#include "cleanup/setup_values.h"
#include "framework/worker_thread.h"
#include "procedures/full_uninstall.h"
#include "procedures/legacy_uninstall.h"
#include "procedures/run_record.h"
#include "procedures/worker_steps.h"
#include "ui/progress_dlg.h"

namespace {

const char kUninstallEntries[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// How a procedure's run ended.
enum class RunOutcome {
  Declined,    // the user kept the running client: nothing at all happened
  Incomplete,  // the worker ended early or could not start: the client is still there
  Completed,
};

// How long the portal browser's window may take to answer before it counts as hung.
constexpr UINT kBrowserAnswerTimeoutMs = 10000;

// After an early end the entries, the finishing program and the browser's uninstaller stay, so
// the user can try again; the user is told.
void TellIncomplete(CUninstallApp& app) {
  if (app.m_options.silent) return;
  const PackFailureMessage message = IncompleteUninstallMessageFor(app.m_langPack.GetLanguageCode());
  ::MessageBoxA(nullptr, message.text, message.caption, MB_OK | MB_ICONERROR);
}

// Settles what the worker works from and records it before anything is removed: the installer's
// setup information, or the unfinished run's record when that is gone. True when this run wrote
// a record of its own (none was there).
bool RecordRun(CUninstallApp& app, CRunRecordStore& store, const char* procedureName) {
  app.m_setupInfo = ReadSetupInfo();
  if (!app.m_setupInfo.hasSetupPath && app.m_unfinishedRun) app.m_setupInfo = app.m_unfinishedRun->info;
  if (!app.m_setupInfo.hasSetupPath) return false;  // the worker ends before its first removal
  const RunRecord record{procedureName, app.m_setupInfo, app.m_bKeepCardDriver, app.m_bDeleteUserData};
  const bool written = store.Write(record);
  ReportStep(written ? "run recorded" : "the run could not be recorded");
  return written && !app.m_unfinishedRun;
}

// What every launcher does first: close the running client, tell the portal browser, record the
// run, run the worker behind the modal progress dialog until the worker closes it. After an
// early end the user has been told.
RunOutcome RunProcedure(CUninstallApp& app, CWorkerThread& worker, CWorkerThread::Function procedure, void* param,
                        const char* procedureName) {
  // A silent run closes the client as after Yes.
  if (!CloseClientPrograms(app.m_options.silent ? FALSE : TRUE, ClientNamesFromPack(app.m_langPack))) {
    ReportStep("the user kept the running client: nothing removed");
    return RunOutcome::Declined;
  }
  if (HWND browser = ::FindWindowA(nullptr, "GetPavoBrowserUrl")) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(browser, WM_USER + 1, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kBrowserAnswerTimeoutMs,
                          &ignored);
  }
  app.m_bUninstallCompleted = false;
  CRunRecordStore store(app.m_langPack.GetDefine("UNINSTALL_KEY"));
  const bool ownRecord = RecordRun(app, store, procedureName);
  // Without a dialog nothing would end the modal run, and without a worker nothing would close
  // it: neither is started then, and nothing is removed.
  if (app.m_pProgressDlg && worker.Start(procedure, param)) {
    if (app.m_options.silent)
      app.m_pProgressDlg->RunHidden();
    else
      app.m_pProgressDlg->DoModal();
    if (app.m_bUninstallCompleted) return RunOutcome::Completed;
  }
  // Every early end comes before the setup information is touched, so a record of this run's
  // own is not needed to try again; an unfinished run's record stays for the next try.
  if (ownRecord) store.TakeBack();
  ReportStep("the procedure ended early: the client is still there");
  TellIncomplete(app);
  return RunOutcome::Incomplete;
}

// The exit code of a run: after a complete run that removed the drivers, a restart completes it.
int ExitCodeOf(RunOutcome outcome, const CUninstallApp& app) {
  switch (outcome) {
    case RunOutcome::Declined: return CUninstallApp::kExitCancelled;
    case RunOutcome::Incomplete: return CUninstallApp::kExitIncomplete;
    case RunOutcome::Completed: break;
  }
  const bool restart = !app.m_bKeepCardDriver || CRestartQueue::Instance().Any();
  return restart ? CUninstallApp::kExitDoneRestart : CUninstallApp::kExitDone;
}

// "<system directory>\Unl.exe <code>,<own path>", started in "c:\" without waiting.
void StartFinishingProgram(const char* code) {
  char ownPath[512] = {};
  ::GetModuleFileNameA(nullptr, ownPath, sizeof(ownPath));
  char systemDir[MAX_PATH] = {};
  ::GetSystemDirectoryA(systemDir, sizeof(systemDir));
  const std::string commandText = std::string(systemDir) + "\\Unl.exe " + code + "," + ownPath;
  std::string commandLine = commandText;  // CreateProcessA may write into its command line
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  const BOOL started = ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                                        nullptr, "c:\\", &si, &pi);
  ReportProgram(commandText, started != FALSE);
  if (started) {
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
}

int AskYesNo(const char* captionValue, const char* textValue) {
  const std::string caption = ReadSetupValue(captionValue);
  const std::string text = ReadSetupValue(textValue);
  return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION);
}

void DeleteUninstallEntry(CUninstallApp& app, const char* defineName) {
  DeleteRegTree(kUninstallEntries, app.m_langPack.GetDefine(defineName).c_str());
}

// The last removals of a complete run: the given entries, the client's own entry (named by
// "UNINSTALL_KEY", which holds the run's record) after them, then the uninstaller's companions
// that the file phase kept, so a run ended before this point can always be started again.
void RemoveEntriesAndCompanions(CUninstallApp& app, bool withEnglishNamedEntry) {
  ReportStep("removing the entries");
  if (withEnglishNamedEntry) DeleteUninstallEntry(app, "PROGRAME_ENG_NAME");
  DeleteUninstallEntry(app, "UNINSTALL_KEY");
  for (const std::string& companion : app.m_keptCompanions) ForceDeleteFile(companion.c_str());
  // The uninstaller's folder goes at the restart too when, besides the uninstaller itself (which
  // the finishing program deletes), it holds only what is queued.
  char ownPath[512] = {};
  ::GetModuleFileNameA(nullptr, ownPath, sizeof(ownPath));
  CRestartQueue::Instance().QueueFolderOfQueuedItems(ModuleDir(), ownPath);
}

}  // namespace

int RunFullUninstall(CUninstallApp& app) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(app, worker, &FullUninstallThread, app.m_pProgressDlg, "full");
  if (outcome != RunOutcome::Completed) return ExitCodeOf(outcome, app);
  if (!app.m_options.silent) {
    char caption[50] = {};
    char text[1024] = {};
    app.m_langPack.GetText("uninstall", "other", "TIPCAPTION3", caption, sizeof(caption));
    app.m_langPack.GetText("uninstall", "other", "TIPOUT03", text, sizeof(text));
    ReportStep("closing message");
    ::MessageBoxA(::GetActiveWindow(), text, caption, MB_OK | MB_ICONINFORMATION);
  }
  RemoveEntriesAndCompanions(app, true);
  StartFinishingProgram("21");
  RunBrowserUninstaller(ModuleDir());
  return ExitCodeOf(outcome, app);
}

int RunLegacyUninstall(CUninstallApp& app) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(app, worker, &LegacyUninstallThread, nullptr, "legacy");
  if (outcome != RunOutcome::Completed) return ExitCodeOf(outcome, app);
  // A silent run answers the closing question No.
  if (!app.m_options.silent) ReportStep("closing message");
  const int answer = app.m_options.silent ? IDNO : AskYesNo("zString6", "zString5");
  if (answer == IDYES) ForceDeleteFile("c:\\Ipdetect.exe");
  RemoveEntriesAndCompanions(app, false);
  StartFinishingProgram(answer == IDYES ? "12" : "11");
  RunBrowserUninstaller(ModuleDir());
  return ExitCodeOf(outcome, app);
}

int RunSetupTypeUninstall(CUninstallApp& app) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(app, worker, &SetupTypeUninstallThread, nullptr, "SetupType");
  if (outcome != RunOutcome::Completed) return ExitCodeOf(outcome, app);
  if (!app.m_options.silent) {
    ReportStep("closing message");
    AskYesNo("zString6", "zString7");
  }
  RemoveEntriesAndCompanions(app, false);
  StartFinishingProgram("21");
  RunBrowserUninstaller(ModuleDir());
  // This procedure leaves the drivers alone: only files in use ask for a restart.
  return CRestartQueue::Instance().Any() ? CUninstallApp::kExitDoneRestart : CUninstallApp::kExitDone;
}

#include "procedures/launchers.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "cleanup/close_programs.h"
#include "cleanup/file_ops.h"
#include "cleanup/protocol_removal.h"
#include "cleanup/restart_queue.h"
#include "cleanup/run_report.h"
#include "cleanup/setup_values.h"
#include "framework/module_dir.h"
#include "framework/start_program.h"
#include "framework/worker_thread.h"
#include "language/language_pack.h"
#include "procedures/full_uninstall.h"
#include "procedures/legacy_uninstall.h"
#include "procedures/run_record.h"
#include "procedures/worker_steps.h"
#include "ui/progress_dlg.h"

namespace {

const char kUninstallEntries[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// How long the portal browser's window may take to answer before it counts as hung.
constexpr UINT kBrowserAnswerTimeoutMs = 10000;

// Settles what the worker works from and records it before anything is removed: the installer's
// setup information, or the unfinished run's record when that is gone. True when this run wrote
// a record of its own (none was there).
bool RecordRun(UninstallRun& run, CRunRecordStore& store, const char* procedureName) {
  run.setupInfo = ReadSetupInfo();
  if (!run.setupInfo.hasSetupPath && run.unfinishedRun) run.setupInfo = run.unfinishedRun->info;
  if (!run.setupInfo.hasSetupPath) return false;  // the worker ends before its first removal
  const RunRecord record{procedureName, run.setupInfo, run.keepCardDriver, run.deleteUserData};
  const bool written = store.Write(record);
  ReportStep(written ? "run recorded" : "the run could not be recorded");
  return written && !run.unfinishedRun;
}

// What every launcher does first: close the running client, tell the portal browser, record the
// run, run the worker on the run behind the modal progress dialog until the worker closes it.
RunOutcome RunProcedure(UninstallRun& run, CWorkerThread& worker, CWorkerThread::Function procedure,
                        const char* procedureName) {
  // A silent run closes the client as after Yes.
  if (!CloseClientPrograms(run.silent ? FALSE : TRUE, ClientNamesFromPack(run.pack))) {
    ReportStep("the user kept the running client: nothing removed");
    return RunOutcome::Declined;
  }
  if (HWND browser = ::FindWindowA(nullptr, "GetPavoBrowserUrl")) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(browser, WM_USER + 1, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kBrowserAnswerTimeoutMs,
                          &ignored);
  }
  run.completed = false;
  CRunRecordStore store(run.pack.GetDefine("UNINSTALL_KEY"));
  const bool ownRecord = RecordRun(run, store, procedureName);
  // Without a dialog nothing would end the modal run, and without a worker nothing would close
  // it: neither is started then, and nothing is removed.
  if (run.progressDlg && worker.Start(procedure, &run)) {
    if (run.silent)
      run.progressDlg->RunHidden();
    else
      run.progressDlg->DoModal();
    if (run.completed) return RunOutcome::Completed;
  }
  // Every early end comes before the setup information is touched, so a record of this run's
  // own is not needed to try again; an unfinished run's record stays for the next try.
  if (ownRecord) store.TakeBack();
  ReportStep("the procedure ended early: the client is still there");
  return RunOutcome::Incomplete;
}

// A complete run asks for a restart when files in use wait for it, or when driversRemoved.
RunOutcome CompletedOutcome(bool driversRemoved) {
  return driversRemoved || CRestartQueue::Instance().Any() ? RunOutcome::CompletedRestart : RunOutcome::Completed;
}

// "<system directory>\Unl.exe <code>,<own path>", started in "c:\" without waiting.
void StartFinishingProgram(const char* code) {
  char ownPath[512] = {};
  ::GetModuleFileNameA(nullptr, ownPath, sizeof(ownPath));
  char systemDir[MAX_PATH] = {};
  ::GetSystemDirectoryA(systemDir, sizeof(systemDir));
  const std::string commandLine = std::string(systemDir) + "\\Unl.exe " + code + "," + ownPath;
  ReportProgram(commandLine, StartProgram(commandLine, "c:\\").IsValid());
}

int AskYesNo(const char* captionValue, const char* textValue) {
  const std::string caption = ReadSetupValue(captionValue);
  const std::string text = ReadSetupValue(textValue);
  return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION);
}

void DeleteUninstallEntry(CLanguagePack& pack, const char* defineName) {
  DeleteRegTree(kUninstallEntries, pack.GetDefine(defineName).c_str());
}

// The last removals of a complete run: the given entries, the client's own entry (named by
// "UNINSTALL_KEY", which holds the run's record) after them, then the uninstaller's companions
// that the file phase kept, so a run ended before this point can always be started again.
void RemoveEntriesAndCompanions(UninstallRun& run, bool withEnglishNamedEntry) {
  ReportStep("removing the entries");
  if (withEnglishNamedEntry) DeleteUninstallEntry(run.pack, "PROGRAME_ENG_NAME");
  DeleteUninstallEntry(run.pack, "UNINSTALL_KEY");
  for (const std::string& companion : run.keptCompanions) ForceDeleteFile(companion.c_str());
  // The uninstaller's folder goes at the restart too when, besides the uninstaller itself (which
  // the finishing program deletes), it holds only what is queued.
  char ownPath[512] = {};
  ::GetModuleFileNameA(nullptr, ownPath, sizeof(ownPath));
  CRestartQueue::Instance().QueueFolderOfQueuedItems(ModuleDir(), ownPath);
}

}  // namespace

RunOutcome RunFullUninstall(UninstallRun& run) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(run, worker, &FullUninstallThread, "full");
  if (outcome != RunOutcome::Completed) return outcome;
  if (!run.silent) {
    char caption[50] = {};
    char text[1024] = {};
    run.pack.GetText("uninstall", "other", "TIPCAPTION3", caption, sizeof(caption));
    run.pack.GetText("uninstall", "other", "TIPOUT03", text, sizeof(text));
    ReportStep("closing message");
    ::MessageBoxA(::GetActiveWindow(), text, caption, MB_OK | MB_ICONINFORMATION);
  }
  RemoveEntriesAndCompanions(run, true);
  StartFinishingProgram("21");
  RunBrowserUninstaller(ModuleDir());
  return CompletedOutcome(!run.keepCardDriver);
}

RunOutcome RunLegacyUninstall(UninstallRun& run) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(run, worker, &LegacyUninstallThread, "legacy");
  if (outcome != RunOutcome::Completed) return outcome;
  // A silent run answers the closing question No.
  if (!run.silent) ReportStep("closing message");
  const int answer = run.silent ? IDNO : AskYesNo("zString6", "zString5");
  if (answer == IDYES) ForceDeleteFile(kDetectorCopyPath);
  RemoveEntriesAndCompanions(run, false);
  StartFinishingProgram(answer == IDYES ? "12" : "11");
  RunBrowserUninstaller(ModuleDir());
  return CompletedOutcome(!run.keepCardDriver);
}

RunOutcome RunSetupTypeUninstall(UninstallRun& run) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(run, worker, &SetupTypeUninstallThread, "SetupType");
  if (outcome != RunOutcome::Completed) return outcome;
  if (!run.silent) {
    ReportStep("closing message");
    AskYesNo("zString6", "zString7");
  }
  RemoveEntriesAndCompanions(run, false);
  StartFinishingProgram("21");
  RunBrowserUninstaller(ModuleDir());
  // This procedure leaves the drivers alone: only files in use ask for a restart.
  return CompletedOutcome(false);
}

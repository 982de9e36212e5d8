#include "procedures/launchers.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "cleanup/close_programs.h"
#include "cleanup/file_ops.h"
#include "cleanup/file_security.h"
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

// Settles what the worker works from: the installer's setup information, or the unfinished run's
// record when that is gone.
void SettleSetupInfo(UninstallRun& run) {
  run.setupInfo = ReadSetupInfo();
  if (!run.setupInfo.hasSetupPath && run.unfinishedRun) run.setupInfo = run.unfinishedRun->info;
}

// What every launcher does first: close the running client, tell the portal browser, record the
// run, run the worker on the run behind the modal progress dialog, and take the worker's own
// result once it has ended. A run that cannot be recorded removes nothing: stopped half-way, it
// could not be finished.
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
  SettleSetupInfo(run);
  CRunRecordStore store(run.pack.GetDefine("UNINSTALL_KEY"));
  bool ownRecord = false;
  // Without an installation folder the worker ends before its first removal: nothing to record.
  if (run.setupInfo.hasSetupPath) {
    if (!store.Write(RunRecord{procedureName, run.setupInfo, run.keepCardDriver, run.deleteUserData})) {
      ReportStep("the run could not be recorded: nothing removed");
      return RunOutcome::Incomplete;
    }
    ReportStep("run recorded");
    ownRecord = !run.unfinishedRun;
  }
  // Without a dialog nothing would end the modal run, and without a worker nothing would close
  // it: neither is started then, and nothing is removed. A dialog that cannot be made tells the
  // worker, which then ends before its first removal.
  DWORD result = 0;
  if (run.progressDlg && worker.Start(procedure, &run)) {
    if (run.silent)
      run.progressDlg->RunHidden();
    else if (run.progressDlg->DoModal() == -1)
      run.progressDlg->Abandon();
    // The dialog ends only by the worker's hand, right before the worker itself ends.
    worker.Join(INFINITE);
    if (worker.ExitCode(result) && result == 1) return RunOutcome::Completed;
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

// Starts "<system directory>\Unl.exe <code>,<own path>" in "c:\", tied to this run until it is
// released.
// Not when the program beside the uninstaller, which start-up copied, or the copy could have been
// changed by others.
void StartFinishingProgram(CTiedProgram& finishing, const char* code) {
  char ownPath[512] = {};
  ::GetModuleFileNameA(nullptr, ownPath, sizeof(ownPath));
  char systemDir[MAX_PATH] = {};
  ::GetSystemDirectoryA(systemDir, sizeof(systemDir));
  const std::string program = std::string(systemDir) + "\\Unl.exe";
  for (const std::string& path : {ModuleDir() + "\\Unl.exe", program}) {
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    const TrustVerdict verdict = JudgeWhoCanChange(path);
    if (!verdict.trusted) {
      ReportLeftForSafety(path, verdict.reason);
      return;
    }
  }
  const std::string commandLine = program + " " + code + "," + ownPath;
  ReportProgram(commandLine, finishing.Start(commandLine, "c:\\"));
}

int AskYesNo(const char* captionValue, const char* textValue) {
  const std::string caption = ReadSetupValue(captionValue);
  const std::string text = ReadSetupValue(textValue);
  return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION);
}

void DeleteUninstallEntry(CLanguagePack& pack, const char* defineName) {
  DeleteRegTree(kUninstallEntries, pack.GetDefine(defineName).c_str());
}

// The end of a complete run: the entries, the companion programs and the uninstaller's own
// files, in an order that a stop at any point can be finished from. The portal browser's
// uninstaller and the finishing program start before the client's own entry (which holds the
// run's record) goes; the finishing program, which deletes this uninstaller once it has ended, is
// tied to this run until the record and the companions are gone. So a run stopped before that
// leaves the uninstaller, its record and its companions for the next run, which starts both
// programs again.
void FinishRun(UninstallRun& run, bool withEnglishNamedEntry, const char* finishingCode) {
  ReportStep("removing the entries");
  if (withEnglishNamedEntry) DeleteUninstallEntry(run.pack, "PROGRAME_ENG_NAME");
  RunBrowserUninstaller(ModuleDir());
  CTiedProgram finishing;
  StartFinishingProgram(finishing, finishingCode);
  ReportStep("finishing program started");
  DeleteUninstallEntry(run.pack, "UNINSTALL_KEY");
  for (const std::string& companion : run.keptCompanions) ForceDeleteFile(companion.c_str());
  // The uninstaller's folder goes at the restart too when, besides the uninstaller itself (which
  // the finishing program deletes), it holds only what is queued.
  char ownPath[512] = {};
  ::GetModuleFileNameA(nullptr, ownPath, sizeof(ownPath));
  CRestartQueue::Instance().QueueFolderOfQueuedItems(ModuleDir(), ownPath);
  finishing.Release();
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
  FinishRun(run, true, "21");
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
  FinishRun(run, false, answer == IDYES ? "12" : "11");
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
  FinishRun(run, false, "21");
  // This procedure leaves the drivers alone: only files in use ask for a restart.
  return CompletedOutcome(false);
}

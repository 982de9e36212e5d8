#include "procedures/launchers.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cleanup/close_programs.h"
#include "cleanup/file_identity.h"
#include "cleanup/file_ops.h"
#include "cleanup/judged_file.h"
#include "cleanup/protocol_removal.h"
#include "cleanup/removal.h"
#include "cleanup/restart_queue.h"
#include "cleanup/run_report.h"
#include "cleanup/setup_values.h"
#include "framework/capabilities.h"
#include "framework/own_program.h"
#include "framework/start_program.h"
#include "framework/system_folder.h"
#include "framework/timeline.h"
#include "framework/wide_text.h"
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

// The folder the finishing program starts in: "c:\", as it always did, where nobody but the trusted
// accounts may add files to it or change it (Windows 2000 gives Everyone Full Control there); the
// system folder otherwise.
std::wstring FinishingProgramFolder(const std::wstring& systemFolder) {
  if (JudgeWorkingFolder(L"c:\\").trusted) return L"c:\\";
  ReportStep("the finishing program starts in the system folder: others may add files to c:\\");
  return systemFolder;
}

// Starts "<system directory>\Unl.exe <code>,<own path>", tied to this run until it is released: the
// copy start-up made, judged and held as it starts. Not when the program beside the uninstaller,
// which start-up copied, or the copy could have been changed by others.
void StartFinishingProgram(CTiedProgram& finishing, const char* code) {
  const CJudgedFile original = CJudgedFile::Open(CompanionPath(L"Unl.exe"));
  const std::wstring systemFolder = SystemFolder();
  const CJudgedFile program = CJudgedFile::Open(systemFolder + L"\\Unl.exe");
  for (const CJudgedFile* file : {&original, &program}) {
    if (file->Exists() && !file->IsTrusted()) {
      ReportLeftForSafety(file->Text(), file->Why(), file->Id());
      return;
    }
  }
  const std::wstring arguments = WideFromAnsi(code) + L"," + OwnProgramPath();
  ReportProgram(program.Text() + " " + AnsiFromWide(arguments),
                program.StartTied(finishing, arguments, FinishingProgramFolder(systemFolder)));
}

int AskYesNo(const char* captionValue, const char* textValue) {
  const std::string caption = ReadSetupValue(captionValue);
  const std::string text = ReadSetupValue(textValue);
  return AnsweredMessageBox(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION);
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
  RunBrowserUninstaller(OwnProgramFolder());
  // What was left for safety stays for a run once the folders are secured, and so do the
  // uninstaller, its companions and its record: the finishing program, which would delete the
  // uninstaller, is not started.
  if (LeftAnythingForSafety()) {
    ReportStep("what was left for safety stays, with the uninstaller and its record, for a later run");
    return;
  }
  CTiedProgram finishing;
  StartFinishingProgram(finishing, finishingCode);
  ReportStep("finishing program started");
  DeleteUninstallEntry(run.pack, "UNINSTALL_KEY");
  for (const ApprovedPath& companion : run.keptCompanions) ForceDeleteFile(companion);
  // The uninstaller's folder goes at the restart too when, besides the uninstaller itself (which
  // the finishing program deletes), it holds only what is queued.
  if (const std::unique_ptr<COpenFolder> ownFolder = COpenFolder::Open(OwnProgramFolder()))
    QueueFolderKeptByQueued(*ownFolder, IdentityOfPath(OwnProgramPath()));
  finishing.Release();
}

// Tells the user what was left for safety and why, and that a restart is needed too when it is:
// in simplified Chinese (GBK) for language code 0, in English for every other.
void TellWhatWasLeftForSafety(UninstallRun& run, bool restart) {
  if (run.silent || !LeftAnythingForSafety()) return;
  const bool chinese = run.pack.GetLanguageCode() == 0;
  // "客户端已卸载，但以下部分被保留：其他用户可能修改过它们，以管理员权限使用它们并不安全。
  // 请确保只有管理员能修改这些文件夹，然后再次运行卸载程序。"
  std::string text =
      chinese ? "\xbf\xcd\xbb\xa7\xb6\xcb\xd2\xd1\xd0\xb6\xd4\xd8\xa3\xac\xb5\xab\xd2\xd4\xcf\xc2\xb2\xbf\xb7\xd6\xb1\xbb\xb1\xa3"
                "\xc1\xf4\xa3\xba\xc6\xe4\xcb\xfb\xd3\xc3\xbb\xa7\xbf\xc9\xc4\xdc\xd0\xde\xb8\xc4\xb9\xfd\xcb\xfc\xc3\xc7\xa3\xac"
                "\xd2\xd4\xb9\xdc\xc0\xed\xd4\xb1\xc8\xa8\xcf\xde\xca\xb9\xd3\xc3\xcb\xfc\xc3\xc7\xb2\xa2\xb2\xbb\xb0\xb2\xc8\xab"
                "\xa1\xa3\xc7\xeb\xc8\xb7\xb1\xa3\xd6\xbb\xd3\xd0\xb9\xdc\xc0\xed\xd4\xb1\xc4\xdc\xd0\xde\xb8\xc4\xd5\xe2\xd0\xa9"
                "\xce\xc4\xbc\xfe\xbc\xd0\xa3\xac\xc8\xbb\xba\xf3\xd4\xd9\xb4\xce\xd4\xcb\xd0\xd0\xd0\xb6\xd4\xd8\xb3\xcc\xd0\xf2\xa1\xa3"
              : "The client was removed, but these parts of it were left: other users could have changed them, so "
                "using them with administrator rights would not be safe. Make sure that only administrators can "
                "change these folders, then run the uninstaller again.";
  text += "\n";
  const std::vector<std::string> left = WhatWasLeftForSafety();
  constexpr size_t kShown = 8;
  for (size_t i = 0; i < left.size() && i < kShown; ++i) text += "\n" + left[i];
  if (left.size() > kShown) text += "\n...";
  // "还需要重新启动计算机才能完成删除。"
  if (restart)
    text += chinese ? "\n\n\xbb\xb9\xd0\xe8\xd2\xaa\xd6\xd8\xd0\xc2\xc6\xf4\xb6\xaf\xbc\xc6\xcb\xe3\xbb\xfa\xb2\xc5\xc4\xdc\xcd\xea"
                      "\xb3\xc9\xc9\xbe\xb3\xfd\xa1\xa3"
                    : "\n\nA restart is also needed to complete the removal.";
  char caption[50] = {};
  run.pack.GetText("uninstall", "other", "TIPCAPTION3", caption, sizeof(caption));
  AnsweredMessageBox(::GetActiveWindow(), text.c_str(), caption, MB_OK | MB_ICONWARNING);
}

}  // namespace

RunOutcome RunFullUninstall(UninstallRun& run) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(run, worker, &FullUninstallThread, "full");
  if (outcome != RunOutcome::Completed) return outcome;
  const RunOutcome completed = CompletedOutcome(!run.keepCardDriver);
  if (!run.silent) {
    ReportStep("closing message");
    if (LeftAnythingForSafety()) {
      TellWhatWasLeftForSafety(run, completed == RunOutcome::CompletedRestart);
    } else {
      char caption[50] = {};
      char text[1024] = {};
      run.pack.GetText("uninstall", "other", "TIPCAPTION3", caption, sizeof(caption));
      run.pack.GetText("uninstall", "other", "TIPOUT03", text, sizeof(text));
      AnsweredMessageBox(::GetActiveWindow(), text, caption, MB_OK | MB_ICONINFORMATION);
    }
  }
  FinishRun(run, true, "21");
  return completed;
}

RunOutcome RunLegacyUninstall(UninstallRun& run) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(run, worker, &LegacyUninstallThread, "legacy");
  if (outcome != RunOutcome::Completed) return outcome;
  // A silent run answers the closing question No.
  if (!run.silent) ReportStep("closing message");
  TellWhatWasLeftForSafety(run, CompletedOutcome(!run.keepCardDriver) == RunOutcome::CompletedRestart);
  const int answer = run.silent ? IDNO : AskYesNo("zString6", "zString5");
  if (answer == IDYES) ForceDeleteFile(ApprovedPath::Of(FixedFile::DetectorCopy));
  FinishRun(run, false, answer == IDYES ? "12" : "11");
  return CompletedOutcome(!run.keepCardDriver);
}

RunOutcome RunSetupTypeUninstall(UninstallRun& run) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(run, worker, &SetupTypeUninstallThread, "SetupType");
  if (outcome != RunOutcome::Completed) return outcome;
  if (!run.silent) {
    ReportStep("closing message");
    TellWhatWasLeftForSafety(run, CompletedOutcome(false) == RunOutcome::CompletedRestart);
    AskYesNo("zString6", "zString7");
  }
  FinishRun(run, false, "21");
  // This procedure leaves the drivers alone: only files in use ask for a restart.
  return CompletedOutcome(false);
}

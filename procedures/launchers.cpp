#include "procedures/launchers.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cleanup/processes/close_programs.h"
#include "cleanup/processes/close_programs_text.h"
#include "cleanup/trust/file_identity.h"
#include "cleanup/steps/file_ops.h"
#include "cleanup/trust/judged_file.h"
#include "cleanup/steps/protocol_removal.h"
#include "cleanup/files/removal.h"
#include "cleanup/files/restart_queue.h"
#include "cleanup/report/run_report.h"
#include "cleanup/steps/setup_values.h"
#include "cleanup/steps/vendor_folder.h"
#include "framework/capabilities.h"
#include "framework/file_names.h"
#include "framework/own_program.h"
#include "framework/start_program.h"
#include "framework/system_folder.h"
#include "framework/timeline.h"
#include "framework/wide_text.h"
#include "framework/worker_thread.h"
#include "language/language_pack.h"
#include "procedures/full_uninstall.h"
#include "procedures/legacy_uninstall.h"
#include "procedures/run_account.h"
#include "procedures/run_record.h"
#include "procedures/worker_steps.h"
#include "ui/program_text.h"
#include "ui/progress_dlg.h"
#include "ui/res/resource.h"

namespace {

const char kUninstallEntries[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// How long the portal browser's uninstaller may take, before the installation folder it lies in is
// removed so that the vendor's folder above can go too.
constexpr DWORD kBrowserUninstallerWaitMs = 60000;
constexpr DWORD kBrowserFolderPollMs = 100;

// How long the portal browser's window may take to answer before it counts as hung.
constexpr UINT kBrowserAnswerTimeoutMs = 10000;

// Settles what the worker works from: the installer's setup information, or the unfinished run's
// record when that is gone.
void SettleSetupInfo(UninstallRun& run) {
  run.setupInfo = ReadSetupInfo();
  if (run.setupInfo.EndsTheRunEarly() && run.unfinishedRun) run.setupInfo = run.unfinishedRun->info;
}

// What every launcher does first: close the running client, tell the portal browser, record the
// run, run the worker on the run behind the modal progress dialog, and take the worker's own
// result once it has ended. A run that cannot be recorded removes nothing: stopped half-way, it
// could not be finished.
RunOutcome RunProcedure(UninstallRun& run, CWorkerThread& worker, CWorkerThread::Function procedure,
                        const char* procedureName) {
  // A silent run closes the client as after Yes.
  if (!CloseClientPrograms(run.silent ? FALSE : TRUE, ClientNamesFromPack(run.pack),
                           ClosingQuestion{ReadSetupValue("zString3"), ReadSetupValue("zString2")})) {
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
// ownProgram: where the uninstaller lies now. False when it did not start.
bool StartFinishingProgram(CTiedProgram& finishing, const char* code, const std::wstring& ownProgram) {
  const CJudgedFile original = CJudgedFile::ForUse(CompanionPath(L"Unl.exe"));
  if (original.Exists() && !original.Usable()) return false;
  const std::wstring systemFolder = SystemFolder();
  const CJudgedFile program = CJudgedFile::ForUse(ApprovedPath::Of(FixedFile::FinishingProgramCopy).Wide());
  if (program.Exists() && !program.Usable()) return false;
  const std::wstring arguments = WideFromAnsi(code) + L"," + ownProgram;
  const bool started = program.StartTied(finishing, arguments, FinishingProgramFolder(systemFolder));
  ReportProgram(program.Text() + " " + AnsiFromWide(arguments), started);
  return started;
}

// The vendor's folder above the installation, when it can go with it: the portal browser's
// uninstaller (which removes its own folder inside the installation) has ended, nothing waits for
// the restart, and the finishing program can be ended again should the uninstaller not move up.
std::unique_ptr<CVendorFolder> VendorFolderGoingWith(const ScopedHandle& browserUninstaller) {
  if (CRestartQueue::Instance().Any() || !CTiedProgram::CanTie()) return nullptr;
  std::unique_ptr<CVendorFolder> vendor = CVendorFolder::Above(OwnProgramFolder(), CPathRule::ForThisSystem());
  if (!vendor) return nullptr;
  // The browser's uninstaller removes its folder through a copy of itself once it has ended: its
  // folder's going is what is waited for.
  if (!browserUninstaller.IsValid()) return vendor;
  const DWORD start = ::GetTickCount();
  if (::WaitForSingleObject(browserUninstaller.Get(), kBrowserUninstallerWaitMs) != WAIT_OBJECT_0) return nullptr;
  const std::wstring browserFolder = OwnProgramFolder() + L"\\PavoBrowser";
  while (FileAttributesNamed(browserFolder) != INVALID_FILE_ATTRIBUTES) {
    if (::GetTickCount() - start >= kBrowserUninstallerWaitMs) return nullptr;
    ::Sleep(kBrowserFolderPollMs);
  }
  return vendor;
}
}  // namespace

ScopedHandle RunBrowserUninstaller(const std::wstring& programFolder) {
  std::string commandLine;
  if (!FormBrowserUninstallerCommand(AnsiFromWide(programFolder), commandLine)) return ScopedHandle();
  // An uninstaller that others could have changed is not started with these rights.
  const CJudgedFile program = CJudgedFile::ForUse(programFolder + L"\\PavoBrowser\\Unin.exe");
  if (!program.Usable()) return ScopedHandle();
  ScopedHandle process = program.Start(L"-Qlume", SystemFolder(), 0);
  ReportProgram(commandLine, process.IsValid());
  return process;
}

namespace {

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
  const ScopedHandle browserUninstaller = RunBrowserUninstaller(OwnProgramFolder());
  // What was left for safety stays for a run once the folders are secured, and so do the
  // uninstaller, its companions and its record: the finishing program, which would delete the
  // uninstaller, is not started.
  if (LeftAnythingForALaterRun()) {
    ReportStep("what was left for safety or in use stays, with the uninstaller and its record, for a later run");
    return;
  }
  // With the vendor's folder going too, the finishing program is told the place the uninstaller
  // moves up to; the move comes after the record, so a run ended before it leaves the uninstaller
  // where the record finds it (and the tied finishing program ends with it).
  const std::unique_ptr<CVendorFolder> vendor = VendorFolderGoingWith(browserUninstaller);
  const std::wstring ownProgram = OwnProgramPath();
  CTiedProgram finishing;
  bool finishingStarted = StartFinishingProgram(finishing, finishingCode, vendor ? vendor->PlaceInside(ownProgram) : ownProgram);
  ReportStep("finishing program started");
  DeleteUninstallEntry(run.pack, "UNINSTALL_KEY");
  for (const ApprovedPath& companion : run.keptCompanions) ForceDeleteFile(companion);
  if (vendor && finishingStarted && !vendor->MoveProgramInAndRemoveItsFolder(ownProgram)) {
    finishing.End();
    finishingStarted = StartFinishingProgram(finishing, finishingCode, ownProgram);
  }
  // The uninstaller's folder goes at the restart too when, besides the uninstaller itself (which
  // the finishing program deletes), it holds only what is queued.
  if (const std::unique_ptr<COpenFolder> ownFolder = COpenFolder::Open(OwnProgramFolder()))
    QueueFolderKeptByQueued(*ownFolder, IdentityOfPath(OwnProgramPath()));
  finishing.Release();
  run.finishingHandedOver = finishingStarted;
}

// In one sentence, what of the client stays and why, when anything stays but what the user chose
// to keep; when something was left for a later run, what to do about it (for safety, in use) and
// whether a restart is needed too, in the program's own texts. Empty when nothing is to be said.
std::string WhatStaysText(UninstallRun& run, bool restart) {
  const int language = run.pack.GetLanguageCode();
  std::string text = CRunAccount::Take(run, true).Sentence(language);
  const auto paragraph = [&text](const std::string& more) {
    if (!more.empty()) text += (text.empty() ? "" : "\n\n") + more;
  };
  if (LeftAnythingForSafety()) paragraph(ProgramText(IDS_LEFT_FOR_SAFETY, language));
  if (AnyCompanionInUse()) paragraph(ProgramText(IDS_LEFT_IN_USE, language));
  if (restart && LeftAnythingForALaterRun()) paragraph(ProgramText(IDS_RESTART_TOO, language));
  return text;
}

// The closing text, and after it what stays.
std::string WithWhatStays(const std::string& closing, const std::string& stays) {
  return stays.empty() ? closing : closing.empty() ? stays : closing + "\n\n" + stays;
}

void ShowClosingMessage(UninstallRun& run, const std::string& text, UINT icon) {
  char caption[50] = {};
  run.pack.GetText("uninstall", "other", "TIPCAPTION3", caption, sizeof(caption));
  AnsweredMessageBox(::GetActiveWindow(), text.c_str(), caption, MB_OK | icon);
}

// The closing question of the legacy and SetupType procedures, with what stays after it; what was
// left for a later run is told in a box of its own first.
int AskClosingQuestion(UninstallRun& run, bool restart, const char* captionValue, const char* textValue) {
  const std::string stays = WhatStaysText(run, restart);
  if (LeftAnythingForALaterRun()) ShowClosingMessage(run, stays, MB_ICONWARNING);
  const std::string caption = ReadSetupValue(captionValue);
  const std::string text = WithWhatStays(ReadSetupValue(textValue), LeftAnythingForALaterRun() ? std::string() : stays);
  return AnsweredMessageBox(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION);
}

}  // namespace

RunOutcome RunFullUninstall(UninstallRun& run) {
  CWorkerThread worker;
  const RunOutcome outcome = RunProcedure(run, worker, &FullUninstallThread, "full");
  if (outcome != RunOutcome::Completed) return outcome;
  const RunOutcome completed = CompletedOutcome(!run.keepCardDriver);
  if (!run.silent) {
    ReportStep("closing message");
    const std::string stays = WhatStaysText(run, completed == RunOutcome::CompletedRestart);
    if (LeftAnythingForALaterRun()) {
      ShowClosingMessage(run, stays, MB_ICONWARNING);
    } else {
      char text[1024] = {};
      run.pack.GetText("uninstall", "other", "TIPOUT03", text, sizeof(text));
      ShowClosingMessage(run, WithWhatStays(text, stays), MB_ICONINFORMATION);
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
  const bool restart = CompletedOutcome(!run.keepCardDriver) == RunOutcome::CompletedRestart;
  const int answer = run.silent ? IDNO : AskClosingQuestion(run, restart, "zString6", "zString5");
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
    AskClosingQuestion(run, CompletedOutcome(false) == RunOutcome::CompletedRestart, "zString6", "zString7");
  }
  FinishRun(run, false, "21");
  // This procedure leaves the drivers alone: only files in use ask for a restart.
  return CompletedOutcome(false);
}

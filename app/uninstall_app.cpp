#include "app/uninstall_app.h"

#include <new>
#include <string>

#include "app/startup.h"
#include "cleanup/steps/file_ops.h"
#include "cleanup/trust/judged_file.h"
#include "cleanup/steps/protocol_removal.h"
#include "cleanup/report/run_report.h"
#include "cleanup/steps/setup_type.h"
#include "cleanup/steps/setup_values.h"
#include "cleanup/files/shell_notifier.h"
#include "framework/dll_search.h"
#include "framework/file_names.h"
#include "framework/own_program.h"
#include "framework/timeline.h"
#include "procedures/launchers.h"
#include "procedures/os_class.h"
#include "procedures/run_account.h"
#include "ui/confirm_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/res/resource.h"
#include "uninstall_version.h"

CUninstallApp::CUninstallApp() = default;

CUninstallApp::~CUninstallApp() = default;

namespace {

const char* ProcedureName(UninstallProcedure procedure) {
  switch (procedure) {
    case UninstallProcedure::SetupType: return "SetupType";
    case UninstallProcedure::Full: return "full";
    case UninstallProcedure::Legacy: return "legacy";
    case UninstallProcedure::DetectorMissing: return "legacy, but Ipdetect.exe is missing";
    case UninstallProcedure::None: return "none: the Windows version cannot be read";
  }
  return "";
}

// The start of the log: when, which program, what it was asked.
void LogStart(CRunLog& log, const std::string& arguments, const CommandLineOptions& o) {
  log.Line("start of Uninstall.exe " UNINSTALL_VERSION_TEXT);
  log.Line("arguments:" + (arguments.empty() ? std::string(" (none)") : arguments));
  log.Line(std::string("options: ") + (o.silent ? "silent" : "interactive") +
           ", keep driver " + (o.keepDriver < 0 ? "by default" : std::to_string(o.keepDriver)) +
           ", keep data " + (o.keepData < 0 ? "by default" : std::to_string(o.keepData)));
}

// The procedure an unfinished run recorded; the chosen one when the record names none.
UninstallProcedure ProcedureToFinish(UninstallProcedure chosen, const std::string& recorded) {
  for (UninstallProcedure procedure :
       {UninstallProcedure::Full, UninstallProcedure::Legacy, UninstallProcedure::SetupType})
    if (recorded == ProcedureName(procedure)) return procedure;
  return chosen;
}

}  // namespace

BOOL CUninstallApp::InitInstance() {
  Stamp("start");
  const std::wstring arguments = ArgumentsOf(CommandLineNamed());
  std::wstring error;
  bool goodArguments = ParseCommandLine(arguments, m_options, error);
  // A relative log path is the caller's: taken from the current folder before it becomes the
  // system folder.
  const std::wstring logPath = m_options.logPath.empty() ? std::wstring() : FullPathNamed(m_options.logPath);
  // Before anything else can make the system load a library on the program's behalf.
  RestrictLibrarySearch();
  m_run.silent = m_options.silent;
  if (!m_options.logPath.empty()) {
    const CRunLog::Opening opening = logPath.empty() ? CRunLog::Opening::NotWritable : m_log.Open(logPath);
    if (opening == CRunLog::Opening::Opened) {
      SetRunReport(&m_log);
      LogStart(m_log, AnsiFromWide(arguments), m_options);
    } else if (goodArguments) {
      goodArguments = false;
      error = L"the log cannot be written at " + (logPath.empty() ? m_options.logPath : logPath) +
              (opening == CRunLog::Opening::NotItself
                   ? L": the name leads elsewhere (a link), or the file has another name (a hard link)"
                   : L": it cannot be made or opened there");
    }
  }
  if (!m_runGuard.Acquire()) {
    m_bAnotherRunActive = true;
    m_log.Line("another uninstall is running, nothing removed");
    if (!m_options.silent) {
      const PackFailureMessage message = AlreadyRunningMessageFor(m_langPack.GetLanguageCode());
      ::MessageBoxA(nullptr, message.text, message.caption, MB_OK | MB_ICONINFORMATION);
    }
    m_nExitCode = kExitAlreadyRunning;
    return FALSE;
  }

  if (!goodArguments) {
    m_log.Line("bad arguments, nothing removed: " + AnsiFromWide(error));
    if (!m_options.silent) {
      const std::string text = AnsiFromWide(error) + "\r\n\r\n" + kCommandLineUsage;
      ::MessageBoxA(nullptr, text.c_str(), "Uninstall.exe", MB_OK | MB_ICONERROR);
    }
    m_nExitCode = kExitBadArguments;
    return FALSE;
  }

  switch (StartAndConfirm(OwnProgramFolder())) {
    case StartupResult::PackNotLoaded:
      m_log.Line("Language.xml could not be loaded beside the program, nothing removed");
      m_nExitCode = kExitIncomplete;
      return TRUE;
    case StartupResult::Cancelled:
      m_log.Line("cancelled in the confirmation, nothing removed");
      m_nExitCode = kExitCancelled;
      return FALSE;
    case StartupResult::Confirmed:
      break;
  }
  m_log.Line(std::string("answers: keep driver ") + (m_run.keepCardDriver ? "1" : "0") + ", keep data " +
             (m_run.deleteUserData ? "0" : "1"));
  UninstallProcedure procedure = ChooseUninstallProcedure();
  if (m_run.unfinishedRun) {
    // The earlier run is finished the way it began. Its detector steps are behind it when the
    // detector tool went with the installation's files.
    procedure = ProcedureToFinish(procedure, m_run.unfinishedRun->procedure);
    m_log.Line("an unfinished uninstall is finished: " + m_run.unfinishedRun->procedure + " procedure, folder " +
               m_run.unfinishedRun->info.setupPath);
  }
  m_log.Line("Windows class " + std::to_string(static_cast<int>(GetOsClass())) + ", procedure " + ProcedureName(procedure));
  switch (procedure) {
    case UninstallProcedure::SetupType:
      m_nExitCode = ExitCodeAfter(RunSetupTypeUninstall(m_run));
      return FALSE;
    case UninstallProcedure::Full:
      m_nExitCode = ExitCodeAfter(RunFullUninstall(m_run));
      break;
    case UninstallProcedure::Legacy:
      m_nExitCode = ExitCodeAfter(RunLegacyUninstall(m_run));
      break;
    case UninstallProcedure::DetectorMissing:
    case UninstallProcedure::None:
      m_nExitCode = kExitIncomplete;
      return FALSE;
  }
  return TRUE;
}

CUninstallApp::StartupResult CUninstallApp::StartAndConfirm(const std::wstring& programFolder) {
  // Asked before anything is loaded, so the failure message follows the system's language.
  const PackFailureMessage failure = PackFailureMessageFor(m_langPack.GetLanguageCode());
  if (!m_langPack.IsLoaded() && !LoadLanguagePack(programFolder)) {
    if (!m_options.silent) ::MessageBoxA(nullptr, failure.text, failure.caption, MB_OK);
    return StartupResult::PackNotLoaded;
  }
  g_hDialogFont = m_langPack.GetFont();
  m_skinHook.Install();

  // Before the question, so the setup values are in the registry even when the user cancels.
  ImportRegistryFile(programFolder + L"\\Uninstall.bin");

  // The small template, without bars, when the units digit of "SetupType" is non-zero.
  if (!m_run.progressDlg)
    m_run.progressDlg = new (std::nothrow)
        CProgressDlg(m_langPack, static_cast<UINT>(SelectBySetupVariant(IDD_PROGRESS, IDD_PROGRESS_SMALL)));

  RunRecord unfinished;
  if (CRunRecordStore(m_langPack.GetDefine("UNINSTALL_KEY")).Read(unfinished)) m_run.unfinishedRun = unfinished;

  // Without a question the boxes' defaults answer: keep the driver, keep the user's data. An
  // unfinished run's choices come before the defaults, a switch given now before both.
  const std::optional<RunRecord>& earlier = m_run.unfinishedRun;
  const bool keepDriver = m_options.keepDriver >= 0 ? m_options.keepDriver != 0
                          : earlier                 ? earlier->keepCardDriver != 0
                                                    : true;
  const bool keepData = m_options.keepData >= 0 ? m_options.keepData != 0
                        : earlier               ? earlier->deleteUserData == 0
                                                : true;
  if (m_options.silent) {
    m_run.keepCardDriver = keepDriver ? 1 : 0;
    m_run.deleteUserData = keepData ? 0 : 1;
    return StartupResult::Confirmed;
  }
  CConfirmDlg confirm(m_langPack);
  confirm.m_bKeepDriverChecked = keepDriver;
  confirm.m_bKeepUserDataChecked = keepData;
  // Only OK confirms: a dialog that could not even be shown asked nothing.
  const INT_PTR answer = confirm.DoModal();
  Stamp("confirmation answered");
  if (answer != IDOK) return StartupResult::Cancelled;
  m_run.keepCardDriver = confirm.m_nKeepDriver;
  // A checked user-data box keeps the data; an unchecked one has them deleted.
  m_run.deleteUserData = confirm.m_nUserDataState == 0 ? 1 : 0;
  return StartupResult::Confirmed;
}

bool CUninstallApp::LoadLanguagePack(const std::wstring& programFolder) {
  // The pack names the processes the run ends and the keys it deletes: one that others could have
  // changed is not used, and the run ends as without a pack.
  JudgedUse read;
  read.use = FileUse::Read;
  read.consequence = "nothing removed";
  const CJudgedFile pack = CJudgedFile::ForUse(programFolder + L"\\Language.xml", read);
  if (!pack.Usable()) return false;
  std::string text;
  return pack.Read(text, kLanguagePackMaxBytes) && text.size() < kLanguagePackMaxBytes &&
         m_langPack.LoadText(pack.Text(), text);
}

int CUninstallApp::ExitInstance() {
  // A missing file counts as deleted, so this is safe on every path; but the detector's copy of
  // another uninstall that runs is not this run's to delete.
  if (!m_bAnotherRunActive) ForceDeleteFile(ApprovedPath::Of(FixedFile::DetectorCopy));
  FlushShellNotifications();
  Stamp("the shell was told of every removal");
  m_skinHook.Remove();
  CWinApp::ExitInstance();
  m_log.Line("exit code " + std::to_string(m_nExitCode));
  SetRunReport(nullptr);
  m_log.Close();
  Stamp("exit");
  return m_nExitCode;
}

int CUninstallApp::ExitCodeAfter(RunOutcome outcome) {
  if (outcome == RunOutcome::Declined) return kExitCancelled;
  if (outcome == RunOutcome::Completed || outcome == RunOutcome::CompletedRestart) {
    // The account of what stays, checked again now, decides: what was left for safety is no plain
    // success, restart or not; what a program holds, or what the system would not remove, is a
    // failure a later run can mend; what only the restart removes asks for it, and so do the
    // removed drivers. What the user chose to keep, and the shared register, count as done.
    const CRunAccount account = CRunAccount::Take(m_run, m_run.finishingHandedOver);
    for (const std::string& line : account.LogLines()) m_log.Line(line);
    const bool restart = outcome == RunOutcome::CompletedRestart || account.Any(StayReason::AtRestart);
    if (restart) m_log.Line("a restart is needed to complete the removal (the data-card driver, or files that were in use)");
    if (account.Any(StayReason::ForSafety) || LeftAnythingForSafety()) return kExitLeftForSafety;
    if (account.Any(StayReason::NotRemoved) || AnyCompanionInUse()) return kExitIncomplete;
    return restart ? kExitDoneRestart : kExitDone;
  }
  // After an early end the entries, the finishing program and the browser's uninstaller stay, so
  // the user can try again; the user is told.
  if (!m_options.silent) {
    const PackFailureMessage message = IncompleteUninstallMessageFor(m_langPack.GetLanguageCode());
    ::MessageBoxA(nullptr, message.text, message.caption, MB_OK | MB_ICONERROR);
  }
  return kExitIncomplete;
}

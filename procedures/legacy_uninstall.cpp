#include "procedures/legacy_uninstall.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "cleanup/steps/com_unregister.h"
#include "cleanup/steps/dead_shortcuts.h"
#include "cleanup/steps/dial_up_entries.h"
#include "cleanup/steps/drivers.h"
#include "cleanup/steps/file_ops.h"
#include "cleanup/steps/protocol_removal.h"
#include "cleanup/report/run_report.h"
#include "cleanup/files/shell_notifier.h"
#include "framework/own_program.h"
#include "procedures/uninstall_run.h"
#include "procedures/worker_steps.h"
#include "ui/progress_dlg.h"

namespace {

// Ends the modal run of the progress dialog; the launcher then goes on and takes the worker's
// result. The shell has been told of every removal before the dialog goes.
void CloseProgressDialog(UninstallRun& run) {
  ReportStep("closing");
  FlushShellNotifications();
  if (run.progressDlg) run.progressDlg->Close();
}

// Waits for the launcher's progress dialog (a bounded time): a run whose dialog does not come up
// ends before anything is removed.
bool ProgressDialogUp(UninstallRun& run) {
  if (run.progressDlg && run.progressDlg->WaitUntilRunning(kProgressDialogWaitMs)) return true;
  ReportStep("the progress dialog did not come up: nothing removed");
  CloseProgressDialog(run);
  return false;
}

// The part both workers share: the installation folder's files and folders (the portal
// browser's stay), the recorded shortcuts, the title shortcuts, the installation folder and the
// folder of the client's shortcuts. False when "lnk2" names no folder: the worker ends there.
// Without an approved folder (ClientsInstallFolder: no tree) the installation folder is never
// listed or emptied, and no main program path is formed from it.
bool RemoveInstallation(UninstallRun& run, std::unique_ptr<CApprovedTree> tree, const CPathRule& rule) {
  const SetupInfo& info = run.setupInfo;
  std::unique_ptr<CDeadShortcutSweep> deadShortcuts;
  if (tree) {
    std::vector<TreeEntry> files;
    ListFilesInTree(*tree, files);
    DeleteMainProgram(*tree, run.pack);
    if (!InstallationStaysForALaterRun()) {
      deadShortcuts = std::make_unique<CDeadShortcutSweep>(tree->Folder());
      run.keptCompanions = DeleteFilesExceptBrowser(*tree, files, OwnFiles::OfThisProgram());
      RemoveFoldersExceptBrowser(*tree);
    } else {
      tree.reset();
    }
  }
  DeleteSetupShortcuts(info, rule);
  const std::string title = ShortcutTitle(run.pack);
  DeleteDesktopTitleShortcut(title, rule);
  if (!DeleteTitleShortcutBesideLnk2(info, title, rule)) return false;
  RemoveInstallFolder(tree);
  RemoveLnk2Folder(info, rule);
  if (deadShortcuts) deadShortcuts->Run(rule);
  return true;
}

}  // namespace

// Each worker marks its start and its installation step in the debug output, for the timeline of
// scripts/bench.sh.
unsigned __stdcall LegacyUninstallThread(void* param) {
  ReportStep("legacy procedure");
  UninstallRun& run = *static_cast<UninstallRun*>(param);
  if (!ProgressDialogUp(run)) return 0;
  // The program's folder as the file system names it: its companions are judged and used there.
  const std::wstring programFolder = OwnProgramFolder();
  if (run.keepCardDriver == 0) UninstallDrivers(programFolder);
  const SetupInfo& info = run.setupInfo;
  if (info.EndsTheRunEarly()) {
    CloseProgressDialog(run);
    return 0;
  }
  const CPathRule rule = CPathRule::ForThisSystem();
  DeleteProgramShortcuts({CSIDL_DESKTOP, CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_STARTMENU, CSIDL_DESKTOPDIRECTORY,
                          CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTUP, CSIDL_COMMON_STARTMENU,
                          CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_APPDATA},
                         run.pack, rule);
  RemoveClientProtocol(programFolder);
  const ApprovedPath folder = ClientsInstallFolder(info, rule);
  // One walk of the installation serves the COM servers, the files and the folders.
  std::unique_ptr<CApprovedTree> tree = TreeOf(folder);
  if (tree) UnregisterComServers(*tree);
  ReportStep("installation");
  if (!RemoveInstallation(run, std::move(tree), rule)) {
    CloseProgressDialog(run);
    return 0;
  }
  DeleteDialUpEntry("ADSL_DornDial");
  DeleteDialUpEntry("Pavo_PPPoE");
  DeleteRegTree("SYSTEM\\CurrentControlSet\\Services\\", "DornPPPoE");
  DeleteRegTree("SOFTWARE\\Mirel_Mini\\Dorn_pppoe2\\", "systemset");
  CloseProgressDialog(run);
  return 1;
}

unsigned __stdcall SetupTypeUninstallThread(void* param) {
  ReportStep("SetupType procedure");
  UninstallRun& run = *static_cast<UninstallRun*>(param);
  if (!ProgressDialogUp(run)) return 0;
  ReportStep("installation");
  const CPathRule rule = CPathRule::ForThisSystem();
  if (!RemoveInstallation(run, TreeOf(ClientsInstallFolder(run.setupInfo, rule)), rule)) {
    CloseProgressDialog(run);
    return 0;
  }
  DeleteDialUpEntry("Pavo_163");
  CloseProgressDialog(run);
  return 1;
}

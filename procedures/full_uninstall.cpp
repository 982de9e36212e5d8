#include "procedures/full_uninstall.h"

#include <windows.h>
#include <wininet.h>  // shlobj.h declares the Active Desktop interface only after this
#include <shlobj.h>
#include <process.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cleanup/processes/close_programs.h"
#include "cleanup/steps/com_unregister.h"
#include "cleanup/steps/dead_shortcuts.h"
#include "cleanup/steps/dial_up_entries.h"
#include "cleanup/steps/drivers.h"
#include "cleanup/steps/file_ops.h"
#include "cleanup/files/folder_tree.h"
#include "cleanup/trust/judged_file.h"
#include "cleanup/report/run_report.h"
#include "cleanup/files/shell_notifier.h"
#include "framework/com.h"
#include "framework/handles.h"
#include "framework/own_program.h"
#include "framework/shell_folders.h"
#include "framework/timeline.h"
#include "language/language_pack.h"
#include "procedures/os_class.h"
#include "procedures/progress_animation.h"
#include "procedures/uninstall_run.h"
#include "procedures/worker_steps.h"
#include "ui/progress_dlg.h"

namespace {

void ShowStatus(CProgressDlg& dialog, CLanguagePack& pack, const char* textId) {
  char text[1024] = {};
  pack.GetText("uninstall", "other", textId, text, sizeof(text));
  dialog.SetStatusText(text);
}

void EndAnimation(CProgressDlg& dialog, CProgressAnimation& animation) {
  animation.Stop();
  dialog.SetStepPos(100);
  PrescribedPause(500);
}

// The shell has been told of every removal before the dialog goes.
void CloseDialog(CProgressDlg& dialog) {
  FlushShellNotifications();
  dialog.Close();
}

// Removes the shared PPPoE component through its batch file beside the program when this client
// was its last user; a batch file that others could have changed is not run. It runs in the
// program's folder, where it finds what it names.
void RemoveSharedPppoeComponent(const std::wstring& programFolder) {
  const int answer = DoDriverReg(FALSE);
  if (answer == 1) {
    const CJudgedFile batch = CJudgedFile::ForUse(programFolder + L"\\uninstall.bat");
    if (batch.Exists() && !batch.Usable()) return;
    const ScopedHandle process = batch.Start(std::wstring(), programFolder, CREATE_NO_WINDOW);
    ReportProgram("\"" + batch.Text() + "\"", process.IsValid());
    if (process.IsValid()) ::WaitForSingleObject(process.Get(), INFINITE);
  } else if (answer < 0) {
    char text[64];
    std::snprintf(text, sizeof(text), "Fail to DoDriverReg uninstall:%d", answer);
    ::OutputDebugStringA(text);
  }
}

void DeleteUserDataFolder(const CPathRule& rule) {
  const std::string appData = ShellFolderPath(CSIDL_APPDATA);
  if (appData.empty()) return;
  DeleteFolderTree(rule.Approve(appData + "\\Teloris"));
}

// The Active Desktop object may come from a component the system starts slowly or never
// answers for (a local server); the desktop refresh waits for it this long at most.
constexpr DWORD kActiveDesktopWaitMs = 3000;

// Has the Active Desktop apply its settings again, in a COM apartment of the calling thread.
// Because the contexts include a local server, the object is run before it is asked for the
// interface.
unsigned __stdcall ApplyActiveDesktop(void*) {
  const ComApartment apartment;
  ComPtr<IUnknown> unknown;
  if (FAILED(::CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.OutParam())))
    return 0;
  ::OleRun(unknown.Get());
  ComPtr<IActiveDesktop> desktop;
  if (SUCCEEDED(unknown->QueryInterface(IID_IActiveDesktop, desktop.OutParam()))) desktop->ApplyChanges(AD_APPLY_ALL);
  return 0;
}

// Lets the desktop show that the client's shortcuts are gone. The Active Desktop is asked on a
// thread of its own, so a slow one holds the worker for a bounded time (it finishes on its own
// or ends with the process); the desktop window is redrawn in any case.
void RefreshDesktop() {
  const ScopedHandle applier(
      reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &ApplyActiveDesktop, nullptr, 0, nullptr)));
  if (applier.IsValid()) ::WaitForSingleObject(applier.Get(), kActiveDesktopWaitMs);
  ::InvalidateRect(::GetDesktopWindow(), nullptr, TRUE);
}

}  // namespace

unsigned __stdcall FullUninstallThread(void* param) {
  UninstallRun& run = *static_cast<UninstallRun*>(param);
  if (!run.progressDlg) return 0;
  CProgressDlg& dialog = *run.progressDlg;

  // Preparation. Each step is marked in the debug output (the timeline of scripts/bench.sh)
  // and in the run's log.
  ReportStep("preparation");
  // The dialog's run begins once the launcher's modal run has created its window; one that does
  // not come up ends the run before anything is removed.
  if (!dialog.WaitUntilRunning(kProgressDialogWaitMs)) {
    ReportStep("the progress dialog did not come up: nothing removed");
    CloseDialog(dialog);
    return 0;
  }
  const SetupInfo info = run.setupInfo;
  if (info.EndsTheRunEarly()) {
    PrescribedPause(2000);
    CloseDialog(dialog);
    return 0;
  }
  // A folder the path rule refuses (empty, relative, a root, the system's own folders in any
  // spelling) is never listed or emptied; every other step still runs. The folder is judged once
  // and held from the listing to the removal of what it holds.
  const CPathRule rule = CPathRule::ForThisSystem();
  const OwnFiles own = OwnFiles::OfThisProgram();
  const ApprovedPath folder = ClientsInstallFolder(info, rule);
  std::unique_ptr<CApprovedTree> tree = TreeOf(folder);
  const CDeadShortcutSweep deadShortcuts(folder);
  CloseHelpViewer((info.setupPath + "\\help.chm").c_str());
  DeleteProgramShortcuts({CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTUP,
                          CSIDL_COMMON_STARTMENU, CSIDL_APPDATA},
                         run.pack, rule);
  // The program's folder as the file system names it: its companions are judged and used there.
  const std::wstring programFolder = OwnProgramFolder();

  CProgressAnimation animation(dialog);

  // Phase 1: programs, files and registry.
  ReportStep("phase 1: programs, files and registry");
  ShowStatus(dialog, run.pack, "TEXT3");
  animation.Start(30, 60);
  if (GetOsClass() != OsClass::XpOrLater) RemoveSharedPppoeComponent(programFolder);
  std::vector<TreeEntry> files;
  if (tree) {
    UnregisterComServers(*tree);
    Stamp("COM servers unregistered");
    ListFilesInTree(*tree, files);
    Stamp("files listed");
    DeleteMainProgram(*tree, run.pack);
  }
  DeleteSetupShortcuts(info, rule);
  const std::string title = ShortcutTitle(run.pack);
  DeleteDesktopTitleShortcut(title, rule);
  if (!DeleteTitleShortcutBesideLnk2(info, title, rule)) {
    // Nothing tells where the client's shortcuts lie: stop here, but let the program end.
    animation.Stop();
    CloseDialog(dialog);
    return 0;
  }
  if (run.deleteUserData) DeleteUserDataFolder(rule);
  RemoveLnk2Folder(info, rule);
  DeleteDialUpEntry("ADSL_DornDial");
  DeleteDialUpEntry("Pavo_PPPoE");
  DeleteRegTree("SYSTEM\\CurrentControlSet\\Services\\", "DornPPPoE");
  DeleteRegTree("SOFTWARE", "Mirel_Mini");
  ReportStep("phase 1 end");
  EndAnimation(dialog, animation);

  // Phase 2: drivers.
  ReportStep(run.keepCardDriver ? "phase 2: drivers (kept)" : "phase 2: drivers, through DriverSetup.dll");
  ShowStatus(dialog, run.pack, "TEXT2");
  animation.Start(50, 30);
  if (run.keepCardDriver == 0) UninstallDrivers(programFolder);
  ReportStep("phase 2 end");
  EndAnimation(dialog, animation);

  // Phase 3: files and folders.
  ReportStep("phase 3: files and folders");
  ShowStatus(dialog, run.pack, "TEXT4");
  animation.Start(10, 100 - dialog.GetTotalPos());
  if (tree && !InstallationStaysForALaterRun()) {
    run.keptCompanions = DeleteFilesExceptBrowser(*tree, files, own);
    files.clear();
    Stamp("files deleted");
    RemoveFoldersExceptBrowser(*tree);
    Stamp("folders removed");
    RemoveInstallFolder(tree);
    ReportStep("dead shortcuts");
    deadShortcuts.Run(rule);
  }
  ReportStep("phase 3 end");
  animation.Stop();
  dialog.SetStepPos(100);
  dialog.SetStepPos(100);
  dialog.SetTotalPos(100);
  PrescribedPause(1000);

  // Closing.
  ReportStep("closing");
  CloseDialog(dialog);
  ReportStep("desktop refresh");
  RefreshDesktop();
  ReportStep("end");
  return 1;
}

// The application object: owns what lives for the whole run, and runs the whole uninstall
// inside InitInstance.
#pragma once
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/run_log.h"
#include "app/single_run.h"
#include "framework/win_app.h"
#include "language/language_pack.h"
#include "procedures/run_record.h"
#include "ui/skin_hook.h"

class CProgressDlg;

class CUninstallApp : public CWinApp {
public:
  // How start-up up to the user's answer ended.
  enum class StartupResult {
    PackNotLoaded,  // "Language.xml" could not be loaded; the user was told
    Cancelled,      // the user did not confirm
    Confirmed,      // the user confirmed; the two answers are stored
  };

  CUninstallApp();
  ~CUninstallApp() override;

  // Start-up, the confirmation and the choice of procedure, with the program's own folder and
  // the switches of its command line.
  BOOL InitInstance() override;
  // Deletes "c:\Ipdetect.exe" on every path, logs and returns the run's exit code.
  int ExitInstance() override;

  // Start-up up to the user's answer, with the companion files taken from moduleDir: the
  // language pack (or the failure message in the system's language), the dialog font, the
  // "Uninstall.bin" import, the progress dialog object and the confirmation dialog.
  StartupResult StartAndConfirm(const std::string& moduleDir);

  // The exit codes deployment tools understand.
  enum ExitCode {
    kExitDone = 0,
    kExitBadArguments = 87,
    kExitCancelled = 1602,     // the user cancelled, or kept the running client
    kExitIncomplete = 1603,    // an early end, no language pack, no detector tool
    kExitAlreadyRunning = 1618,  // another uninstall runs: nothing was done, try again later
    kExitDoneRestart = 3010,   // done; a restart completes the driver removal
  };

  CSingleRunGuard m_runGuard;  // held while this uninstall runs
  bool m_bAnotherRunActive = false;  // the guard was held by another uninstall: nothing is done
  CSkinHook m_skinHook;       // skins the main thread's dialogs and message boxes
  int m_bKeepCardDriver = 0;  // 1: keep the data-card driver
  int m_bDeleteUserData = 0;  // 1: delete the user's data folder (its check box was unchecked)
  CProgressDlg* m_pProgressDlg = nullptr;  // created in InitInstance, never deleted
  // Set by a worker that ran its procedure to the end, right before it closes the progress
  // dialog; an early end leaves it false, and the launcher then reports no success.
  std::atomic<bool> m_bUninstallCompleted{false};
  // The record of an earlier run that was ended before it finished, found at start-up: this run
  // then finishes that one, with its procedure and options.
  std::optional<RunRecord> m_unfinishedRun;
  // What the worker works from: the installer's setup information, or the unfinished run's
  // record when that is gone. Set by the launcher before the worker starts.
  SetupInfo m_setupInfo;
  // The uninstaller's companions the file phase left in place; the launcher deletes them right
  // after the entries. Written by the worker before it closes the progress dialog.
  std::vector<std::string> m_keptCompanions;
  CLanguagePack m_langPack;
  CommandLineOptions m_options;  // the switches; none without arguments
  CRunLog m_log;                 // open only when /LOG was given
  int m_nExitCode = kExitDone;
};

// The one application object of the process (Uninstall.exe's, or a test's own).
CUninstallApp& GetUninstallApp();

// The dialogs' font, copied from the language pack after it loads (may be null). The pack owns it.
extern HFONT g_hDialogFont;

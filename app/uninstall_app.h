// The application object: owns what lives for the whole run, and runs the whole uninstall
// inside InitInstance.
#pragma once
#include <windows.h>

#include <string>

#include "app/command_line.h"
#include "app/run_log.h"
#include "app/single_run.h"
#include "framework/win_app.h"
#include "language/language_pack.h"
#include "procedures/uninstall_run.h"
#include "ui/skin_hook.h"

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

  // Start-up up to the user's answer, with the companion files taken from programFolder: the
  // language pack (or the failure message in the system's language), the dialog font, the
  // "Uninstall.bin" import, the progress dialog object and the confirmation dialog. The answers
  // go into the run.
  StartupResult StartAndConfirm(const std::wstring& programFolder);
  // Loads "Language.xml" beside the program from the file as it was judged and held
  // (cleanup/trust/judged_file.h); false when it is missing, unreadable, malformed, or could have been
  // changed by others (left for safety).
  bool LoadLanguagePack(const std::wstring& programFolder);
  // A pack holds some ten kilobytes; anything near this is no pack of the client's.
  static constexpr size_t kLanguagePackMaxBytes = 16u << 20;

  // The exit codes deployment tools understand.
  enum ExitCode {
    kExitDone = 0,
    kExitBadArguments = 87,
    kExitCancelled = 1602,     // the user cancelled, or kept the running client
    kExitIncomplete = 1603,    // an early end, no language pack, no detector tool
    kExitAlreadyRunning = 1618,  // another uninstall runs: nothing was done, try again later
    kExitDoneRestart = 3010,   // done; a restart completes the driver removal
    // done, but something of the client was left because acting on it was unsafe: a companion
    // program or library others could have changed was not run, or a file in use could not
    // safely be queued for the restart (the log says which). It wins over 3010: the job is not
    // finished, and the run that finishes it asks for the restart again.
    kExitLeftForSafety = 1625,
  };

  // The exit code of a launcher's outcome; the user is told of an early end unless silent.
  int ExitCodeAfter(RunOutcome outcome);

  CSingleRunGuard m_runGuard;  // held while this uninstall runs
  bool m_bAnotherRunActive = false;  // the guard was held by another uninstall: nothing is done
  CSkinHook m_skinHook;       // skins the main thread's dialogs and message boxes
  CLanguagePack m_langPack;
  // What the launcher and the worker share: the pack, the progress dialog (created at start-up,
  // never deleted), the answers and the outcome.
  UninstallRun m_run{m_langPack};
  CommandLineOptions m_options;  // the switches; none without arguments
  CRunLog m_log;                 // open only when /LOG was given
  int m_nExitCode = kExitDone;
};

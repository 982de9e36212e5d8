// What one uninstall run shares: the application fills it after the user's answer and hands it
// to the launcher, which hands it on to the worker as the worker thread's argument.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cleanup/trust/approved_path.h"
#include "procedures/run_record.h"

class CLanguagePack;
class CProgressDlg;

// How a procedure's run ended, as the launcher reports it.
enum class RunOutcome {
  Declined,          // the user kept the running client: nothing at all happened
  Incomplete,        // the worker ended early or could not start: the client is still there
  Completed,         // the client is removed
  CompletedRestart,  // the client is removed; a restart completes it (drivers, files in use)
};

struct UninstallRun {
  explicit UninstallRun(CLanguagePack& languagePack) : pack(languagePack) {}
  UninstallRun(const UninstallRun&) = delete;
  UninstallRun& operator=(const UninstallRun&) = delete;

  CLanguagePack& pack;                 // loaded; texts and the client's names
  CProgressDlg* progressDlg = nullptr;  // made at start-up (null when it could not be)
  bool silent = false;                 // no window at all: the defaults answer every question
  int keepCardDriver = 0;              // 1: keep the data-card driver
  int deleteUserData = 0;              // 1: delete the user's data folder
  // The record of an earlier run that was ended before it finished, found at start-up: this run
  // then finishes that one, with its procedure and options.
  std::optional<RunRecord> unfinishedRun;
  // What the worker works from: the installer's setup information, or the unfinished run's
  // record when that is gone. Set by the launcher before the worker starts.
  SetupInfo setupInfo;
  // The uninstaller's companions the file phase left in place; the launcher deletes them right
  // after the entries. Written by the worker before it closes the progress dialog.
  std::vector<ApprovedPath> keptCompanions;
  // The finishing program was started and released: it deletes the uninstaller and its folder.
  bool finishingHandedOver = false;
};

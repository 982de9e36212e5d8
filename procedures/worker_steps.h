// Steps that the uninstall workers share: reading the setup information, deleting the client's
// main program with retries, emptying the installation folder while the portal browser's files
// stay, and removing the title shortcuts and the folder of the client's shortcuts.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "cleanup/files/approved_tree.h"
#include "cleanup/processes/close_programs.h"
#include "cleanup/trust/path_rule.h"
#include "procedures/own_files.h"

class CLanguagePack;

// The setup information the workers read once at their start.
struct SetupInfo {
  bool hasSetupPath = false;
  // Others could change the key the information came from: it is not used, and the installation
  // folder and the shortcuts it would have named stay (left for safety); the rest of the run goes on.
  bool leftForSafety = false;
  // Nothing tells where the client lies: the run ends before its first removal.
  bool EndsTheRunEarly() const { return !hasSetupPath && !leftForSafety; }
  std::string setupPath;            // the installation folder ("SetupPath"), empty when unread
  std::vector<std::string> shortcuts;  // lnk1, lnk2, lnk3, lnk4, lnk6, lnk7, lnk8, lnk9 (empty when unread)
  const std::string& Lnk2() const { return shortcuts[1]; }
};

// The setup information, when the keys it comes from may steer the removal (reported left for
// safety otherwise).
SetupInfo ReadSetupInfo();

// How long a worker waits for the launcher's progress dialog to be running.
constexpr unsigned long kProgressDialogWaitMs = 10000;

// The client's names from the pack's defines.
ClientNames ClientNamesFromPack(CLanguagePack& pack);

// The installation folder as the path rule approved it, when it was read, the rule lets it be
// listed and emptied, and it is the folder of the running uninstaller itself (judged by identity).
// Refused otherwise; a refusal is reported.
ApprovedPath ClientsInstallFolder(const SetupInfo& info, const CPathRule& rule);

// The tree below the approved installation folder, walked once for everything the run asks of it;
// none for a refused folder.
std::unique_ptr<CApprovedTree> TreeOf(const ApprovedPath& folder);

// Deletes the main program PROGRAM_FILENAME (the pack's define) of the tree's folder: up to 10
// tries, 500 ms apart, stopping at the first success. Nothing when the name is not a single step.
// Still in use then, it goes at the restart.
void DeleteMainProgram(CApprovedTree& tree, CLanguagePack& pack);

// Deletes every listed file whose path does not contain "PavoBrowser" (attributes reset first),
// except the uninstaller itself (the finishing program deletes it once it has ended) and its
// companions ("Language.xml", "Uninstall.bin" beside it), known by identity: those stay until the
// entries go, so a run ended after this phase can be started again. A file in use goes at the
// restart. Returns the companions left in place.
std::vector<ApprovedPath> DeleteFilesExceptBrowser(CApprovedTree& tree, const std::vector<TreeEntry>& files,
                                                   const OwnFiles& own);
// Removes every folder below the tree's folder (deepest first) whose path does not contain
// "PavoBrowser" (a link as the link itself). A folder that holds only what goes at the restart
// goes then too.
void RemoveFoldersExceptBrowser(CApprovedTree& tree);
// Removes the tree's folder itself once it is empty; one that holds only what goes at the restart
// goes then. The tree is closed first; the shell then hears of everything removed from it.
void RemoveInstallFolder(std::unique_ptr<CApprovedTree>& tree);

// Whether the installation's files and folders stay: a companion of it was left for safety, and the
// run that can use it once its folder is secured needs it with everything it needs beside it
// (a COM server's libraries, the lists that name it). Says so when they stay.
bool InstallationStaysForALaterRun();

// Deletes the eight shortcut files in the order lnk1..lnk9: each only when it names a shortcut
// file (".lnk", ".pif", ".url") that the path rule allows. One in use goes at the restart.
void DeleteSetupShortcuts(const SetupInfo& info, const CPathRule& rule);

// Deletes the program's shortcut ("PROGRAM_NAME".lnk) from each of the shell folders, in order.
void DeleteProgramShortcuts(std::initializer_list<int> folderIds, CLanguagePack& pack, const CPathRule& rule);

// The language text "TEXT1" of "uninstall"/"other": the title of the client's shortcut.
std::string ShortcutTitle(CLanguagePack& pack);
// Deletes "<desktop>\<title>.lnk" (attributes reset, no shell notification), unless the title
// leads out of the desktop folder.
void DeleteDesktopTitleShortcut(const std::string& title, const CPathRule& rule);
// Deletes "<folder of lnk2>\<title>.lnk", with "/" read as "\", when the rule allows it. False
// when lnk2 holds no "\": the workers end there.
bool DeleteTitleShortcutBesideLnk2(const SetupInfo& info, const std::string& title, const CPathRule& rule);
// Removes the folder of lnk2 (the text before its last "\") when it is empty by now and the rule
// allows it (never a shell folder itself); one that only queued shortcuts keep goes at the restart.
void RemoveLnk2Folder(const SetupInfo& info, const CPathRule& rule);

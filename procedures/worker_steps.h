// Steps that the uninstall workers share: reading the setup information, deleting the client's
// main program with retries, emptying the installation folder while the portal browser's files
// stay, and removing the title shortcuts and the folder of the client's shortcuts.
#pragma once
#include <string>
#include <vector>

#include "cleanup/close_programs.h"
#include "cleanup/path_rule.h"

class CLanguagePack;

// The setup information the workers read once at their start.
struct SetupInfo {
  bool hasSetupPath = false;
  std::string setupPath;            // the installation folder ("SetupPath"), empty when unread
  std::vector<std::string> shortcuts;  // lnk1, lnk2, lnk3, lnk4, lnk6, lnk7, lnk8, lnk9 (empty when unread)
  const std::string& Lnk2() const { return shortcuts[1]; }
};

SetupInfo ReadSetupInfo();

// How long a worker waits for the launcher's progress dialog to be running.
constexpr unsigned long kProgressDialogWaitMs = 10000;

// The client's names from the pack's defines.
ClientNames ClientNamesFromPack(CLanguagePack& pack);

// The installation folder as the path rule approved it, when it was read, the rule lets it be
// listed and emptied, and it shows that it is the client's (it holds this uninstaller, the main
// program named by the pack or "Language.xml"). Empty otherwise; a refusal is reported.
std::string ClientsInstallFolder(const SetupInfo& info, CLanguagePack& pack, const CPathRule& rule);

// Deletes folder\PROGRAM_FILENAME (the pack's define): up to 10 tries, 500 ms apart, stopping at
// the first success. Nothing when the name would lead out of the folder. Still in use then, it
// goes at the restart.
void DeleteMainProgram(const std::string& folder, CLanguagePack& pack, const CPathRule& rule);

// Deletes every listed file whose path does not contain "PavoBrowser" (attributes reset first)
// and that still lies below folder by the path rule, except the uninstaller's own companions
// ("Language.xml", "Uninstall.bin" beside the program): those stay until the entries go, so a run
// ended after this phase can be started again. A file in use goes at the restart. Returns the
// companions left in place.
std::vector<std::string> DeleteFilesExceptBrowser(const std::vector<std::string>& files, const std::string& folder,
                                                  const CPathRule& rule);
// Removes every folder below folder (deepest first) whose path does not contain "PavoBrowser"
// and that still lies below folder by the path rule (a link by the place of the link itself). A
// folder that holds only what goes at the restart goes then too.
void RemoveFoldersExceptBrowser(const std::string& folder, const CPathRule& rule);

// Deletes the eight shortcut files in the order lnk1..lnk9: each only when it names a shortcut
// file (".lnk", ".pif", ".url") that the path rule allows.
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
// allows it (never a shell folder itself).
void RemoveLnk2Folder(const SetupInfo& info, const CPathRule& rule);

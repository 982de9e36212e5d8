// Steps that the uninstall workers share: reading the setup information, deleting the client's
// main program with retries, emptying the installation folder while the portal browser's files
// stay, and removing the title shortcuts and the folder of the client's shortcuts.
#pragma once
#include <string>
#include <vector>

// The setup information the workers read once at their start.
struct SetupInfo {
  bool hasSetupPath = false;
  std::string setupPath;            // the installation folder ("SetupPath"), empty when unread
  std::vector<std::string> shortcuts;  // lnk1, lnk2, lnk3, lnk4, lnk6, lnk7, lnk8, lnk9 (empty when unread)
  const std::string& Lnk2() const { return shortcuts[1]; }
};

SetupInfo ReadSetupInfo();

// True when the installation folder may be listed and emptied (see install_folder_guard.h).
bool MayEmptyInstallFolder(const SetupInfo& info);

// Deletes folder\PROGRAM_FILENAME: up to 10 tries, 500 ms apart, stopping at the first success.
void DeleteMainProgram(const std::string& folder);

// Deletes every listed file whose path does not contain "PavoBrowser" (attributes reset first).
void DeleteFilesExceptBrowser(const std::vector<std::string>& files);
// Removes every folder below folder (deepest first) whose path does not contain "PavoBrowser".
void RemoveFoldersExceptBrowser(const std::string& folder);

// Deletes the eight shortcut files in the order lnk1..lnk9.
void DeleteSetupShortcuts(const SetupInfo& info);

// The language text "TEXT1" of "uninstall"/"other": the title of the client's shortcut.
std::string ShortcutTitle();
// Deletes "<desktop>\<title>.lnk" (attributes reset, no shell notification).
void DeleteDesktopTitleShortcut(const std::string& title);
// Deletes "<folder of lnk2>\<title>.lnk", with "/" read as "\". False when lnk2 holds no "\":
// the workers end there.
bool DeleteTitleShortcutBesideLnk2(const SetupInfo& info, const std::string& title);
// Removes the folder of lnk2 (the text before its last "\") when it is empty by now.
void RemoveLnk2Folder(const SetupInfo& info);

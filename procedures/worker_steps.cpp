#include "procedures/worker_steps.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "cleanup/trust/file_identity.h"
#include "cleanup/steps/file_ops.h"
#include "cleanup/files/removal.h"
#include "cleanup/report/run_report.h"
#include "cleanup/steps/setup_info.h"
#include "cleanup/report/run_report.h"
#include "framework/own_program.h"
#include "framework/shell_folders.h"
#include "framework/timeline.h"
#include "framework/wide_text.h"
#include "language/language_pack.h"
#include "language/mbcs.h"

namespace {
const char* const kShortcutValues[] = {"lnk1", "lnk2", "lnk3", "lnk4", "lnk6", "lnk7", "lnk8", "lnk9"};
// Reads one setup-information value into a 256-byte buffer (at most 255 bytes); empty on failure.
bool ReadInfo(const char* name, std::string& value) {
  char buffer[256] = {};
  if (!ReadSetupInfoValue(name, buffer, 255)) {
    value.clear();
    return false;
  }
  value = buffer;
  return true;
}
}  // namespace

SetupInfo ReadSetupInfo() {
  SetupInfo info;
  std::string key;
  const TrustVerdict verdict = JudgeSetupInformation(key);
  if (!verdict.trusted) {
    ReportLeftForSafety(key, verdict.reason + "; the installation folder and the shortcuts it names stay");
    info.leftForSafety = true;
    info.shortcuts.resize(8);
    return info;
  }
  info.hasSetupPath = ReadInfo("SetupPath", info.setupPath);
  for (const char* name : kShortcutValues) {
    std::string path;
    ReadInfo(name, path);
    info.shortcuts.push_back(path);
  }
  return info;
}

ClientNames ClientNamesFromPack(CLanguagePack& pack) {
  return ClientNames{pack.GetDefine("PROGRAM_FILENAME"), pack.GetDefine("PROGRAME_ENG_NAME"),
                     pack.GetDefine("PROGRAM_CLIENT_NAME"), pack.GetDefine("PROGRAM_NAME")};
}

namespace {
// Whether folder is the running uninstaller's own folder: by identity, or by its canonical text
// where folders have none (Windows 95, 98 and Me). A folder that merely holds files named like the
// client's may be another program's, reached through a link.
bool HoldsTheRunningUninstaller(const ApprovedPath& folder, const CPathRule& rule) {
  const std::wstring own = OwnProgramFolder();
  const FileId folderId = IdentityOfPath(folder.Wide()), ownId = IdentityOfPath(own);
  if (folderId.Known() && ownId.Known()) return folderId == ownId;
  return FoldedAnsi(rule.Canonical(AnsiFromWide(own))) == FoldedAnsi(rule.Canonical(folder.Text()));
}

bool IsBrowserPath(const std::wstring& path) { return path.find(L"PavoBrowser") != std::wstring::npos; }

// Removes the shortcut at an approved path without telling the shell; one in use goes at the
// restart.
void DeleteQuietlyWhenAllowed(const std::string& path, const std::string& folder, const CPathRule& rule) {
  const ApprovedPath approved = rule.ApproveBelow(path, folder);
  if (approved.IsApproved()) RemovePath(approved, kRemoveOrQueueQuietly);
}
}  // namespace

ApprovedPath ClientsInstallFolder(const SetupInfo& info, const CPathRule& rule) {
  if (!info.hasSetupPath) return ApprovedPath();
  ApprovedPath folder = rule.Approve(info.setupPath);
  if (!folder.IsApproved() || HoldsTheRunningUninstaller(folder, rule)) return folder;
  ReportRemoval(info.setupPath, RemovalResult::Refused);
  return ApprovedPath();
}

std::unique_ptr<CApprovedTree> TreeOf(const ApprovedPath& folder) {
  return folder.IsApproved() ? std::make_unique<CApprovedTree>(folder) : nullptr;
}

void DeleteMainProgram(CApprovedTree& tree, CLanguagePack& pack) {
  // A single name of the folder: "..\x" or "a\b" find nothing.
  TreeEntry program;
  if (!tree.FindInside({}, WideFromAnsi(pack.GetDefine("PROGRAM_FILENAME")), program) || program.IsDirectory()) return;
  for (int attempt = 1; attempt < 10; ++attempt) {
    if (!GoesAtRestart(RemoveTreeEntry(tree, program, kRemoveNow))) return;
    PrescribedPause(500);
  }
  // Still in use at the last try, it goes at the restart.
  RemoveTreeEntry(tree, program, kRemoveOrQueue);
}

std::vector<ApprovedPath> DeleteFilesExceptBrowser(CApprovedTree& tree, const std::vector<TreeEntry>& files,
                                                   const OwnFiles& own) {
  std::vector<ApprovedPath> companions;
  for (const TreeEntry& file : files) {
    if (IsBrowserPath(tree.WidePathOf(file))) continue;
    // Only the program and its companions need text: the rest is told apart by identity.
    const bool mayBeOwn = own.MayBeOwn(file.id);
    const std::string path = mayBeOwn ? tree.TextOf(file) : std::string();
    if (mayBeOwn && own.IsCompanion(file.id, path)) {
      companions.push_back(tree.ApprovedPathOf(file));
      continue;
    }
    // The finishing program deletes the uninstaller once it has ended.
    if (mayBeOwn && own.IsProgram(file.id, path)) continue;
    RemoveTreeEntry(tree, file);
  }
  return companions;
}

void RemoveFoldersExceptBrowser(CApprovedTree& tree) {
  std::vector<TreeEntry> folders;
  ListFoldersInTree(tree, folders);
  for (const TreeEntry& folder : folders)
    if (!IsBrowserPath(tree.WidePathOf(folder))) RemoveTreeEntry(tree, folder);
}

void RemoveInstallFolder(std::unique_ptr<CApprovedTree>& tree) {
  if (!tree) return;
  const ApprovedPath folder = tree->Folder();
  CBatchedAnnouncements announcements = tree->TakeAnnouncements();
  tree.reset();
  RemovePath(folder, kRemoveOrQueue, &announcements);
}

bool InstallationStaysForALaterRun() {
  if (!AnyFileKeptForSafety() && !AnyCompanionInUse()) return false;
  ReportStep("the installation's files stay with what was left for safety or in use, for a later run");
  return true;
}

void DeleteSetupShortcuts(const SetupInfo& info, const CPathRule& rule) {
  for (const std::string& path : info.shortcuts) {
    const ApprovedPath approved = rule.ApproveShortcut(path);
    if (approved.IsApproved()) RemovePath(approved, kRemoveOrQueue);
  }
}

void DeleteProgramShortcuts(std::initializer_list<int> folderIds, CLanguagePack& pack, const CPathRule& rule) {
  const std::string programName = pack.GetDefine("PROGRAM_NAME");
  for (int id : folderIds) DeleteProgramShortcut(id, programName, rule);
}

std::string ShortcutTitle(CLanguagePack& pack) {
  char title[256] = {};
  pack.GetText("uninstall", "other", "TEXT1", title, sizeof(title));
  return title;
}

void DeleteDesktopTitleShortcut(const std::string& title, const CPathRule& rule) {
  const std::string desktop = ShellFolderPath(CSIDL_DESKTOP);
  if (desktop.empty()) return;
  DeleteQuietlyWhenAllowed(desktop + "\\" + title + ".lnk", desktop, rule);
}

bool DeleteTitleShortcutBesideLnk2(const SetupInfo& info, const std::string& title, const CPathRule& rule) {
  if (info.leftForSafety) return true;  // its folder is not known: nothing to remove, the run goes on
  std::string folder = info.Lnk2();
  std::replace(folder.begin(), folder.end(), '/', '\\');
  const size_t slash = MbFindLast(folder.c_str(), '\\');
  if (slash == static_cast<size_t>(-1)) return false;
  folder.resize(slash);
  DeleteQuietlyWhenAllowed(folder + "\\" + title + ".lnk", folder, rule);
  return true;
}

void RemoveLnk2Folder(const SetupInfo& info, const CPathRule& rule) {
  const size_t slash = MbFindLast(info.Lnk2().c_str(), '\\');
  if (slash == static_cast<size_t>(-1)) return;  // no folder: an empty path is never removed
  const ApprovedPath folder = rule.Approve(info.Lnk2().substr(0, slash));
  if (folder.IsApproved()) RemovePath(folder, kRemoveOrQueue);
}

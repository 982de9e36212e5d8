// The small file, folder, shortcut and registry operations every uninstall procedure is built
// from. Each clears the attributes that could block it, does one removal, tells the shell about it
// (so Explorer windows and the desktop refresh) and reports what became of it. The shell is told
// through the shell notifier's thread, in order; FlushShellNotifications (cleanup/shell_notifier.h)
// waits until every announcement has gone out. Nothing here shows a message.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "cleanup/approved_tree.h"
#include "cleanup/path_rule.h"

// Copies from over to, clearing the target's attributes before and after, so a read-only target
// is replaced and a read-only or hidden source yields a plain copy. Returns CopyFile's result.
BOOL ForceCopyFile(const char* from, const char* to, BOOL failIfExists = FALSE);

// Deletes a file whatever its attributes, through the handle of its folder. Nonzero when it is
// gone or was never there; a missing file is not touched and no notification is sent. A file in
// use stays and gives 0. A link is removed as a link, never its target.
BOOL ForceDeleteFile(const char* path);

// Removes an empty folder whatever its attributes (they are reset even when it is not empty). A
// link to a folder is removed as a link, never its target.
BOOL ForceRemoveDir(const char* path);

// Deletes the file at an approved path now, or, where the system cannot (in use, loaded as a
// program or library, delete pending), at the next restart. Reported, and announced as
// ForceDeleteFile when announce is set; the result is AtRestart when it was queued.
RemovalResult DeleteFileNowOrAtRestart(const ApprovedPath& path, bool announce = true);

// Removes an entry listed in tree (a file, a link, or a folder emptied before its turn) as
// ForceDeleteFile and ForceRemoveDir do, reached again through the tree's handles. What the
// system cannot remove now is queued for the next restart, and so is a folder that only queued
// entries keep (unless queueWhenLeft is false: a try that will be made again). Reported, and
// announced to the shell when announce is set; the result says what became of it.
RemovalResult RemoveTreeEntry(CApprovedTree& tree, const TreeEntry& entry, bool announce = true,
                              bool queueWhenLeft = true);

// Deletes "<special folder>\<programName>.lnk" for a CSIDL id; for CSIDL_APPDATA the shortcut
// in the Quick Launch bar below it. Nothing is deleted when the folder cannot be resolved, the
// name is empty, or the path would leave the folder or fail the rule. One in use goes at the
// restart.
void DeleteProgramShortcut(int folderId, const std::string& programName, const CPathRule& rule);

// Deletes HKEY_LOCAL_MACHINE\parentPath\subKey with its whole tree. The parent is opened with
// create semantics, so a missing parent is created (empty). Returns 0 when the parent cannot be
// opened or the sub-key name is empty (which would name the parent itself), else 1 (also when
// the sub-key did not exist).
int DeleteRegTree(const char* parentPath, const char* subKey);

// Appends every file below the tree's folder, depth-first (links to files included; links to
// folders are not entered): a sub-folder's files come at the point where the sub-folder is met.
// Hidden and system files included. Returns 0 when the folder cannot be searched, else 1.
int ListFilesInTree(const CApprovedTree& tree, std::vector<TreeEntry>& list);

// Appends every folder below the tree's folder, each after all the folders inside it, so removing
// them in list order empties every parent before its turn. A link to a folder is listed but not
// entered. The tree's folder itself is not listed. Results as ListFilesInTree.
int ListFoldersInTree(const CApprovedTree& tree, std::vector<TreeEntry>& list);

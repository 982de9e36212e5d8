// The small file, shortcut and registry operations the uninstall procedures are built from. Each
// removal goes the one way of cleanup/files/removal.h: the attributes that could block it cleared, the
// entry itself removed (never what a link leads to), reported, and the shell told of it (so Explorer
// windows and the desktop refresh) through the shell notifier's thread, in order;
// FlushShellNotifications (cleanup/files/shell_notifier.h) waits until every announcement has gone out.
// Nothing here shows a message.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "cleanup/files/approved_tree.h"
#include "cleanup/trust/path_rule.h"

// Deletes the file at the approved path whatever its attributes, now. Nonzero when it is gone or was
// never there; a missing file is not touched and no notification is sent. A file in use stays and
// gives 0. A link is removed as a link, never its target.
BOOL ForceDeleteFile(const ApprovedPath& path);

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

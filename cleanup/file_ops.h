// The small file, folder, shortcut and registry operations every uninstall procedure is built
// from. Each clears the attributes that could block it, does one system call, tells the shell
// about a removal (so Explorer windows and the desktop refresh) and reports success BOOL-style.
// The shell is told through the shell notifier's thread, in order; FlushShellNotifications
// (cleanup/shell_notifier.h) waits until every announcement has gone out.
// Nothing here shows a message or logs; callers mostly go on whatever the result.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "cleanup/open_folder.h"
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

// As ForceDeleteFile and ForceRemoveDir for an entry listed below the root of tree: every step
// down to it is opened relative to the one above and must be a plain folder on the root's volume,
// so a step swapped for a link since the listing is never followed (the entry stays, refused).
BOOL ForceDeleteFileIn(CFolderChain& tree, const std::string& path);
BOOL ForceRemoveDirIn(CFolderChain& tree, const std::string& path);

// Deletes "<special folder>\<programName>.lnk" for a CSIDL id; for CSIDL_APPDATA the shortcut
// in the Quick Launch bar below it. Nothing is deleted when the folder cannot be resolved, the
// name is empty, or the path would leave the folder or fail the rule.
void DeleteProgramShortcut(int folderId, const std::string& programName, const CPathRule& rule);

// Deletes HKEY_LOCAL_MACHINE\parentPath\subKey with its whole tree. The parent is opened with
// create semantics, so a missing parent is created (empty). Returns 0 when the parent cannot be
// opened or the sub-key name is empty (which would name the parent itself), else 1 (also when
// the sub-key did not exist).
int DeleteRegTree(const char* parentPath, const char* subKey);

// Appends the full path of every file below folder, depth-first (links to files included; links
// to folders are not entered): a sub-folder's files come at
// the point where the sub-folder is met. Hidden and system files included. Returns 1 for an
// empty folder text (list unchanged), 0 when the folder cannot be searched, else 1.
int ListFilesInTree(const std::string& folder, std::vector<std::string>& list);

// Appends the full path of every folder below folder, each after all the folders inside it, so
// removing them in list order empties every parent before its turn. A link to a folder is listed
// but not entered. The start folder itself is
// not listed. Results as ListFilesInTree.
int ListFoldersInTree(const std::string& folder, std::vector<std::string>& list);

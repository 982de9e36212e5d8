// Removing a folder with everything below it, whatever the attributes of its files.
#pragma once
#include <string>

#include "cleanup/trust/approved_path.h"

// Deletes every file and folder below the approved folder, then the folder itself, through the
// folder's handle (links removed as links, never entered). What cannot be deleted now (a file in
// use, loaded, or delete pending) goes at the next restart, and so do the folders only such
// entries keep. A drive root deletes nothing. Unlike the single-file operations it sends no shell
// notifications; each removal is reported.
void DeleteFolderTree(const ApprovedPath& folderPath);

// False for the paths DeleteFolderTree refuses: empty, or a drive root ("C:", "C:\", "\").
bool IsDeletableFolderPath(const std::string& folderPath);

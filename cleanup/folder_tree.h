// Removing a folder with everything below it, whatever the attributes of its files.
#pragma once
#include <string>

// Deletes every file and folder below folderPath, then the folder itself. Silent: what cannot be
// deleted (a file in use) stays, with its chain of parent folders. An empty path or a drive root
// deletes nothing. Unlike the single-file operations it sends no shell notifications.
void DeleteFolderTree(std::string folderPath);

// False for the paths DeleteFolderTree refuses: empty, or a drive root ("C:", "C:\", "\").
bool IsDeletableFolderPath(const std::string& folderPath);

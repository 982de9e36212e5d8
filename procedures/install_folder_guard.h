// The workers list and delete everything below the installation folder read from the registry.
// A damaged or hostile value must never turn that into deleting a drive or the system's own
// folders, so every folder is checked here first.
#pragma once
#include <string>
#include <vector>

// True when folder may have its contents removed: an absolute path (drive or UNC) below a drive
// root or share, that is neither one of the protected folders nor a folder that contains one.
// Comparison ignores case, "/" versus "\" and trailing separators.
bool IsRemovableFolder(const std::string& folder, const std::vector<std::string>& protectedFolders);

// The same check against the system's own folders: Windows, system, Program Files (and its
// common files), the profiles and every shell folder of the user and of all users.
bool IsRemovableInstallFolder(const std::string& folder);

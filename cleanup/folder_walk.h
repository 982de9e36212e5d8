// The one folder walk that the tree walks of the program build on (see COpenFolder): it never
// enters a link. A junction, symbolic link or mount point met inside a tree is reported as a link,
// to be removed as a link (the link itself, never what it points at) and never searched.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "cleanup/open_folder.h"

// Calls visit for every entry of folder except "." and "..", in the order the file system returns
// them, listed through the folder's handle. False when the folder cannot be searched, and when it
// is itself a link.
bool ForEachFolderEntry(const std::string& folder, const std::function<void(const FolderEntry&)>& visit);

// True when path exists and is a link (by its own attributes, not its target's).
bool IsLinkPath(const std::string& path);

// The one folder walk that every tree walk of the program uses (listing files and folders,
// collecting COM servers, deleting a folder tree). It never enters a link: a junction, symbolic
// link or mount point met inside a tree is reported as a link, to be removed as a link (the link
// itself, never what it points at) and never searched.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "cleanup/open_folder.h"

// Calls visit for every entry of folder except "." and "..", in the order the file system returns
// them, listed through the folder's handle (see COpenFolder). False when the folder cannot be
// searched, and when it is itself a link.
bool ForEachFolderEntry(const std::string& folder, const std::function<void(const FolderEntry&)>& visit);

// True when path exists and is a link (by its own attributes, not its target's).
bool IsLinkPath(const std::string& path);

// Removes the link at path itself: it is opened without following it and removed only when what
// was opened is the link. False when it stays, as on a system that can only open the target.
bool RemoveLinkOnly(const std::string& path);

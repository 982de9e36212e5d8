// The one folder walk that every tree walk of the program uses (listing files and folders,
// collecting COM servers, deleting a folder tree). It never enters a link: a junction, symbolic
// link or mount point met inside a tree is reported as a link, to be removed as a link (the link
// itself, never what it points at) and never searched.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// One entry of a folder as the walk meets it.
struct FolderEntry {
  std::string path;  // the folder, "\" and the entry's name
  DWORD attributes;  // as the enumeration found them
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  // A folder the walk may enter: a link to a folder is not one.
  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(); }
};

// The entries "." and ".." that every enumeration returns: the folder itself and its parent.
bool IsDotEntry(const char* name);

// Calls visit for every entry of folder except "." and "..", in the order the file system returns
// them. False when the folder cannot be searched, and when it is itself a link.
bool ForEachFolderEntry(const std::string& folder, const std::function<void(const FolderEntry&)>& visit);

// True when path exists and is a link (by its own attributes, not its target's).
bool IsLinkPath(const std::string& path);

// Removes the link at path itself: it is opened without following it and removed only when what
// was opened is the link. False when it stays, as on a system that can only open the target.
bool RemoveLinkOnly(const std::string& path);

// What a path leads to, as the file system knows it: the object's identity (its file index) and
// its final path with every link on the way resolved. The path rule judges by these, since a
// link in any step, a drive letter mapped onto a folder or a share can give one folder many texts.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"

// The file index of an open file or folder. Under Wine the volume serial changes with the drive
// letter a folder is reached by, so the index alone decides: a chance match across volumes only
// makes the rule refuse.
struct FileId {
  DWORD high = 0;
  DWORD low = 0;
  bool Known() const { return high != 0 || low != 0; }
  bool operator==(const FileId& other) const { return high == other.high && low == other.low; }
};

// Opens path (following links) to read its attributes, files and folders alike; invalid when it
// cannot be opened.
ScopedHandle OpenForIdentity(const std::string& path);
// The same for an exact path (UTF-16, where the system takes it: Windows NT).
ScopedHandle OpenForIdentity(const std::wstring& path);

// The identity and attributes of an open file or folder; false when the system cannot tell.
bool IdentityOf(HANDLE handle, FileId& id, DWORD* attributes = nullptr);

// The identity of what path leads to; unknown when it cannot be opened.
FileId IdentityOfPath(const std::string& path);

// The final path of an open file or folder ("C:\..." or "\\host\share\..."), links resolved, in
// UTF-16 as the file system names it (never a best-fit text); empty where the system cannot tell
// (before Windows Vista).
std::wstring FinalPathOf(HANDLE handle);

// What a path leads to, as the file system knows it: the object's identity (its file index) and
// its final path with every link on the way resolved. The path rule judges by these, since a
// link in any step, a drive letter mapped onto a folder or a share can give one folder many texts.
#pragma once
#include <windows.h>

#include <string>

#include "framework/file_facts.h"
#include "framework/handles.h"

// Opens path (following links) to read its attributes, files and folders alike; invalid when it
// cannot be opened.
ScopedHandle OpenForIdentity(const std::string& path);
// The same for an exact path (UTF-16, where the system takes it: Windows NT).
ScopedHandle OpenForIdentity(const std::wstring& path);

// The identity and attributes of an open file or folder; false when the system cannot tell.
bool IdentityOf(HANDLE handle, FileId& id, DWORD* attributes = nullptr);

// The identity of what path leads to; unknown when it cannot be opened.
FileId IdentityOfPath(const std::string& path);
FileId IdentityOfPath(const std::wstring& path);

// The final path of an open file or folder ("C:\..." or "\\host\share\..."), links resolved, in
// UTF-16 as the file system names it (never a best-fit text); empty where the system cannot tell
// (before Windows Vista).
std::wstring FinalPathOf(HANDLE handle);

// Opening a file or folder while letting everyone else read, write and delete it. Windows 95, 98
// and Me reject FILE_SHARE_DELETE with ERROR_INVALID_PARAMETER: the first such refusal is
// remembered, and the rest of the run opens with reading and writing shared only.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"

// CreateFileA(path, access, all sharing, OPEN_EXISTING, flags); invalid (last error set) when it
// cannot be opened.
ScopedHandle OpenSharingAll(const std::string& path, DWORD access, DWORD flags);

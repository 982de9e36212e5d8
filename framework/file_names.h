// Names of files as the system takes and gives them: UTF-16 on the Windows NT family; text of the
// code page on Windows 95, 98 and Me, where a name without an exact form there names nothing (never a
// best-fit look-alike, which could name another file). The one place that decides between the two:
// callers hand and get UTF-16 names.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"

// CreateFile of the name. Windows 95, 98 and Me know only the generic rights and no sharing of
// deletion: there the rights that read become GENERIC_READ (attributes alone: none), those that
// write GENERIC_WRITE, and FILE_SHARE_DELETE is dropped. Invalid (last error set) when it cannot be
// opened.
ScopedHandle CreateFileNamed(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);

// The attributes of what the name leads to; INVALID_FILE_ATTRIBUTES when there is none.
DWORD FileAttributesNamed(const std::wstring& path);

// LoadLibraryEx of the name with the flags; null when it cannot be loaded.
HMODULE LoadLibraryNamed(const std::wstring& path, DWORD flags);

// The file a loaded module was loaded from (null: the running program); empty when it cannot be told.
std::wstring ModuleFileNamed(HMODULE module);

// CreateProcess with application (empty: the command line's first word), a copy of the command line
// (the system may write into it) and the folder (empty: this process's current folder).
bool CreateProcessNamed(const std::wstring& application, const std::wstring& commandLine, const std::wstring& folder,
                        DWORD flags, PROCESS_INFORMATION& process);

// The command line this process was started with; empty when it cannot be told.
std::wstring CommandLineNamed();

// The full path of a path taken from the current folder (a relative one, one on the current
// drive); empty when it cannot be made.
std::wstring FullPathNamed(const std::wstring& path);

// The short (8.3) form of an existing path; empty where the system gives none.
std::wstring ShortPathNamed(const std::wstring& path);
// The system folder as the system names it (under WoW64 "...\System32", see
// framework/system_folder.h for where that leads); empty when it cannot be told.
std::wstring SystemDirectoryNamed();

// The one way the program starts another program: from its command line, without waiting.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"

// Starts commandLine (the program's path in it, no separate application name) in folder, or in
// this process's current folder when folder is null, with the given creation flags. Returns the
// owned process handle, invalid when the program could not be started; the thread handle is
// closed at once.
ScopedHandle StartProgram(const std::string& commandLine, const char* folder = nullptr,
                          DWORD creationFlags = NORMAL_PRIORITY_CLASS);

// Reading another process's command line, through its process parameters (Windows NT).
#pragma once
#include <windows.h>

// Result of GetProcessCommandLine when a read of the other process's memory failed.
const DWORD kCommandLineReadFailed = 0xFFFFFFFF;
// The command line of another process, in the system code page, into buffer (always
// terminated, cut at a whole character to bufferSize - 1 bytes). Returns 0 on success, the
// system error code when the process cannot be opened, kCommandLineReadFailed when its memory
// cannot be read (nothing is written then), ERROR_INVALID_PARAMETER for a null or empty buffer.
DWORD GetProcessCommandLine(DWORD processId, char* buffer, unsigned bufferSize);

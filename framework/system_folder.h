// The system folder, and where this process really reaches a path. A 32-bit program on a 64-bit
// Windows (WoW64) is told "C:\Windows\System32" but reaches "C:\Windows\SysWOW64" there: every open
// of a path below it is redirected. The program never switches the redirection off; it names the
// place it reaches instead, so what a handle confirms (its final path) is the path it was given.
#pragma once
#include <string>

// Whether this process is a 32-bit program on a 64-bit Windows.
bool RunsUnderWow64();

// The path this process reaches when it names path: the redirected place under WoW64
// (framework/path_text.h), path itself elsewhere.
std::wstring ReachedPath(const std::wstring& path);

// The system folder as this process reaches it, without a trailing separator; empty when the system
// does not tell it.
std::wstring SystemFolder();

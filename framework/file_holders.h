// Who holds a file open, where the system can tell: the Restart Manager (Windows Vista on) names
// the programs that use it.
#pragma once
#include <string>

// The names of the programs that hold the file at path open ("Notepad, Explorer"), as text of the
// code page; empty where the system cannot tell.
std::string ProgramsHolding(const std::wstring& path);

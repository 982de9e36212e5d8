// The running processes, as the system lists them: Toolhelp where the system has it (Windows 95 and
// 2000 on), the native process list on Windows NT 4.0.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Calls visit with each running process's lowercased executable name and id until it returns
// false. False when no process list could be had.
bool ForEachProcess(const std::function<bool(const std::string&, DWORD)>& visit);

// The file name of a process's program as a process list gives it: the name itself (Windows NT),
// or a full path, perhaps of short (8.3) names (Windows 95, 98 and Me), whose long file name is
// read from the folder (the short name when it cannot be found).
std::string ExecutableNameOf(const std::string& listed);

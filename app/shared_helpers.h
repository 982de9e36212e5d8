// Small helpers the whole program uses: its own folder, the class of the running Windows,
// and the readers of the "SetupType" setup value.
#pragma once
#include <string>

// The folder of the running program without a trailing backslash (empty when the path has no
// backslash). Always returns 1.
int GetModuleDir(std::string& dir);
// The same folder as a value.
std::string ModuleDir();

// The operating-system class that selects the procedure: 0 when the version cannot be read,
// 1 for 4.0 and 4.10 (Windows 95, NT 4.0, 98), 2 for 5.0, 3 for 4.90 (Me), 4 for everything else.
int GetOsClass();
// The same decision on given version numbers (GetOsClass without the system call).
int OsClassFromVersion(unsigned major, unsigned minor);

// True when the tens digit of "SetupType" is 3 (values 30 to 39).
bool IsSetupTypeGroup3();
// The units digit of "SetupType" (negative for negative values; 0 when it is missing).
int GetSetupTypeVariant();
// Returns second when GetSetupTypeVariant is non-zero, else first.
int SelectBySetupVariant(int first, int second);

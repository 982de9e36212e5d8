// The client's drivers: handed to its driver set-up library for removal, and the register of
// products sharing the PPPoE component, whose last user removes it.
#pragma once
#include <windows.h>

#include <string>

// The register of products that use the shared PPPoE component (below HKEY_LOCAL_MACHINE), and
// this client's value in it.
constexpr const char kPppoeUserRegisterKey[] = "SOFTWARE\\BriskoPPPOE\\SetupInfo\\";
constexpr const char kPppoeUserRegisterParent[] = "SOFTWARE\\BriskoPPPOE";
constexpr const char kPppoeUserRegisterName[] = "SetupInfo";
constexpr const char kPppoeUserValueName[] = "Mirel_Mini";

// Loads "DriverSetup.dll" from the program folder (exact, as the file system names it), judged and
// held as it loads (cleanup/trust/judged_file.h), calls its "UninstallAllDriver" once and unloads it.
// Returns the export's result, or 0 when the library or the export is missing, or when others
// could have changed the library (left for safety).
int UninstallDrivers(const std::wstring& programFolder);

// install FALSE: removes this client from the register; 1 when no user is left and the key was
// therefore deleted (tried), 0 when other products remain or the register cannot be read to its
// end, -1 when the key could neither be
// opened nor created.
// install TRUE: adds this client to the register; 1 when written, 0 when the value could not be
// written, -1 when the key could neither be opened nor created.
int DoDriverReg(BOOL install);

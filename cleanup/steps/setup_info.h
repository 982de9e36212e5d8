// The client's setup information: its installation folder ("SetupPath") and the full paths of
// its shortcuts ("lnk1" to "lnk9", without "lnk5"), in a key below HKEY_LOCAL_MACHINE whose path
// is itself the setup value "SetupInfoRegPath".
#pragma once
#include <windows.h>

#include <string>

#include "cleanup/trust/file_security.h"

// The client's own setup-information key, used when "SetupInfoRegPath" is missing.
constexpr const char kBuiltInSetupInfoKey[] = "SOFTWARE\\Mirel_Mini\\Dorn_pppoe\\SetupInfo\\";

// Reads value name from keyPath + "\" when a key path is given, else from the key named by
// "SetupInfoRegPath" (the built-in key when that is missing). A missing key is not created.
// Nonzero when the value was read into buffer, zero-terminated, within bufferSize bytes; 0 when
// the key cannot be opened or the value is missing or too long, and then buffer is untouched.
BOOL ReadSetupInfoValue(const char* name, char* buffer, DWORD bufferSize,
                        const char* keyPath = nullptr);

// Whether the setup information may steer what the run removes: the key it is read from, and the
// setup key whose "SetupInfoRegPath" named it, opened without following a registry link and
// judged (cleanup/trust/file_security.h, JudgeKey). key is the setup-information key's path for the
// log ("HKLM\..."). Trusted when the key is not there: nothing is read from it then.
TrustVerdict JudgeSetupInformation(std::string& key);

// Deleting a registry key with everything below it, on every Windows: SHDeleteKeyA where the
// light-weight shell library has it (Internet Explorer 4 on), a walk of its own otherwise.
#pragma once
#include <windows.h>

// Deletes parent\subKey and its whole tree. ERROR_SUCCESS when it is gone, the system's error
// otherwise (ERROR_FILE_NOT_FOUND when it was not there). An empty name is refused
// (ERROR_INVALID_PARAMETER): it would name the parent itself.
LONG DeleteRegistryTree(HKEY parent, const char* subKey);

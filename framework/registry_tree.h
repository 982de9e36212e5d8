// Deleting a registry key, on every Windows, never through a registry link: each key is opened as
// itself (REG_OPTION_OPEN_LINK) and deleted through the handle that was opened (NtDeleteKey); a link
// below is deleted as the link, and what it leads to is never touched (SHDeleteKey would follow it).
#pragma once
#include <windows.h>

// Deletes parent\subKey with its whole tree (withTree) or only when it holds no sub-key. A subKey
// that is a link is deleted as the link. ERROR_SUCCESS when it is gone, the system's error otherwise
// (ERROR_FILE_NOT_FOUND when it was not there, ERROR_ACCESS_DENIED when it still holds sub-keys). An
// empty name is refused (ERROR_INVALID_PARAMETER): it would name the parent itself.
LONG DeleteRegistryKey(HKEY parent, const char* subKey, bool withTree);

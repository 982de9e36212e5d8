// Setup values: "Uninstall.bin" imported into the registry at start-up, and read back by name.
#pragma once
#include <string>

// The key that ReadSetupValue reads when no key path is given.
constexpr const char kDefaultSetupKey[] = "SOFTWARE\\Mirel_Mini\\tem";

// The client's own registry tree below HKEY_LOCAL_MACHINE, the only place "Uninstall.bin" writes to.
constexpr const char kClientRegistryTree[] = "SOFTWARE\\Mirel_Mini\\";

// Writes every value line of the file as a REG_SZ value below HKEY_LOCAL_MACHINE, creating keys
// as needed, but only below ownTree (any case): a line for any other key is skipped and logged.
// The file is judged and read as it is held (cleanup/trust/judged_file.h): one that others could have
// changed is not imported at all (left for safety), and the registry stays as it is. Returns
// whether the file could be read; a key that cannot be created skips only its own lines.
bool ImportRegistryFile(const std::wstring& path, const std::string& ownTree = kClientRegistryTree);
bool ImportRegistryFile(const char* path, const std::string& ownTree = kClientRegistryTree);

// The value as text from HKEY_LOCAL_MACHINE\keyPath (kDefaultSetupKey when null), with
// every "|" that stands as a character of its own turned into a line feed. A missing key is
// created; a missing or unreadable value, or data longer than 511 bytes, reads as "w".
std::string ReadSetupValue(const char* name, const char* keyPath = nullptr);

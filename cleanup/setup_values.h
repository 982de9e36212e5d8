// Setup values: "Uninstall.bin" imported into the registry at start-up, and read back by name.
#pragma once
#include <string>

// The key that ReadSetupValue reads when no key path is given.
constexpr const char kDefaultSetupKey[] = "SOFTWARE\\Mirel_Mini\\tem";

// Writes every value line of the file as a REG_SZ value below HKEY_LOCAL_MACHINE, creating keys
// as needed. Returns whether the file could be opened; a key that cannot be created skips only
// its own lines.
bool ImportRegistryFile(const char* path);

// The value as text from HKEY_LOCAL_MACHINE\keyPath (kDefaultSetupKey when null), with
// every "|" that stands as a character of its own turned into a line feed. A missing key is
// created; a missing or unreadable value, or data longer than 511 bytes, reads as "w".
std::string ReadSetupValue(const char* name, const char* keyPath = nullptr);

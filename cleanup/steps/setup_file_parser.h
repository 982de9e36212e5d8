// The syntax of "Uninstall.bin": a reduced registry export whose value lines become REG_SZ
// values below HKEY_LOCAL_MACHINE. Pure text handling; the registry writing lives elsewhere.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Only the first 20,000 bytes of a file are read, and a line keeps its first 9,999 bytes.
constexpr size_t kSetupFileMaxBytes = 20000;
constexpr size_t kSetupFileMaxLineBytes = 9999;

struct SetupFileValue {
  std::string key;    // path below HKEY_LOCAL_MACHINE, ending in a backslash (empty: the root)
  std::string name;
  std::string value;
};

// All value lines of the text, in file order. Lines end at a carriage return or a zero byte.
std::vector<SetupFileValue> ParseSetupFile(const char* data, size_t size);

// One trimmed line's effect: a section line replaces currentKey; a value line fills value and
// returns true.
bool ParseSetupLine(const std::string& rawLine, std::string& currentKey, SetupFileValue& value);

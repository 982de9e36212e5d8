#include "cleanup/steps/setup_file_parser.h"

#include <algorithm>

namespace {

const char kLineTrim[] = " \n\t\"";

std::string TrimLeft(const std::string& s, const char* chars) {
  const size_t first = s.find_first_not_of(chars);
  return first == std::string::npos ? std::string() : s.substr(first);
}

std::string TrimRight(const std::string& s, const char* chars) {
  const size_t last = s.find_last_not_of(chars);
  return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

std::string Trim(const std::string& s, const char* chars) {
  return TrimRight(TrimLeft(s, chars), chars);
}

// "[HKEY_LOCAL_MACHINE\SOFTWARE\X]" -> "SOFTWARE\X\". Every occurrence of the root name becomes
// one blank, which the trimming then removes at the ends.
std::string SectionKey(const std::string& line) {
  static const std::string kRoot = "HKEY_LOCAL_MACHINE\\";
  std::string key = line;
  for (size_t pos = key.find(kRoot); pos != std::string::npos; pos = key.find(kRoot, pos + 1))
    key.replace(pos, kRoot.size(), " ");
  return Trim(key, " []") + "\\";
}

}  // namespace

bool ParseSetupLine(const std::string& rawLine, std::string& currentKey, SetupFileValue& value) {
  const std::string line = Trim(rawLine, kLineTrim);
  if (line.empty()) return false;
  if (line.front() == '[' && line.back() == ']') currentKey = SectionKey(line);

  const size_t equals = line.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  value.key = currentKey;
  value.name = TrimRight(line.substr(0, equals), " \"");
  value.value = TrimLeft(line.substr(equals), " =\"");
  return true;
}

std::vector<SetupFileValue> ParseSetupFile(const char* data, size_t size) {
  std::vector<SetupFileValue> values;
  if (!data) return values;
  size = std::min(size, kSetupFileMaxBytes);
  std::string currentKey;
  size_t pos = 0;
  while (pos < size) {
    const size_t start = pos;
    while (pos < size && data[pos] != '\r' && data[pos] != '\0') ++pos;
    const size_t length = std::min(pos - start, kSetupFileMaxLineBytes);
    ++pos;  // the terminating byte
    if (length == 0) continue;
    SetupFileValue value;
    if (ParseSetupLine(std::string(data + start, length), currentKey, value))
      values.push_back(std::move(value));
  }
  return values;
}

#include "cleanup/processes/close_programs_text.h"

#include "language/mbcs.h"

namespace {
const size_t kMaxCommandLine = 255;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
}  // namespace

std::string TrimBlanks(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::string ClientFileNameKey(const std::string& defineValue) {
  return TrimBlanks(FoldedAnsi(defineValue));
}

bool ContainsText(const std::string& haystack, const std::string& needle) {
  if (needle.empty() || needle.size() > haystack.size()) return false;
  const char* start = haystack.c_str();
  size_t i = 0;
  while (i + needle.size() <= haystack.size()) {
    if (haystack.compare(i, needle.size(), needle) == 0) return true;
    const int step = MbCharLen(start + i);
    i += step > 0 ? static_cast<size_t>(step) : 1;
  }
  return false;
}

bool FormBrowserUninstallerCommand(const std::string& moduleDir, std::string& commandLine) {
  std::string formed = "\"" + moduleDir + "\\PavoBrowser\\Unin.exe\" -Qlume";
  if (formed.size() > kMaxCommandLine) {
    commandLine.clear();
    return false;
  }
  commandLine = formed;
  return true;
}

#include "cleanup/steps/com_list_file.h"

#include "cleanup/steps/path_steps.h"

namespace {

constexpr char kTextEnd = '\x1a';  // Ctrl-Z ends a file read in text mode

}  // namespace

std::vector<std::string> SplitListFileLines(const char* data, size_t size) {
  std::vector<std::string> lines;
  std::string line;
  bool lineOpen = false;
  bool cutAtZero = false;
  for (size_t i = 0; i < size && data[i] != kTextEnd; ++i) {
    const char c = data[i];
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r' && !cutAtZero) line.pop_back();
      lines.push_back(line);
      line.clear();
      lineOpen = cutAtZero = false;
      continue;
    }
    lineOpen = true;
    if (c == '\0') cutAtZero = true;
    if (!cutAtZero) line += c;
  }
  if (lineOpen) lines.push_back(line);
  return lines;
}

bool IsListedNameInsideFolder(const std::string& name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos)
    return false;
  return !HasDotStep(name);
}

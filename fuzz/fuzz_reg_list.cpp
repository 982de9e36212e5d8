// Feeds arbitrary bytes to the "reg.ini" list reader and checks what it promises: no line holds
// a line feed or a zero byte, there are never more lines than line feeds plus one, and a name
// accepted as inside its folder has no "." or ".." step and is not absolute.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cleanup/com_list_file.h"

namespace {

bool HasDotStep(const std::string& name) {
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    const std::string step = name.substr(start, end - start);
    if (step == "." || step == "..") return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  size_t lineFeeds = 0;
  for (size_t i = 0; i < size; ++i) lineFeeds += text[i] == '\n';

  const auto lines = SplitListFileLines(text, size);
  if (lines.size() > lineFeeds + 1) std::abort();
  for (const std::string& line : lines) {
    if (line.find('\n') != std::string::npos || line.find('\0') != std::string::npos) std::abort();
    if (!IsListedNameInsideFolder(line)) continue;
    if (line.empty() || line[0] == '\\' || line[0] == '/' || line.find(':') != std::string::npos ||
        HasDotStep(line))
      std::abort();
  }
  return 0;
}

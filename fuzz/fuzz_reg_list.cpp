// Feeds arbitrary bytes to the "reg.ini" list reader and checks what it promises: no line holds
// a line feed or a zero byte, there are never more lines than line feeds plus one, and a name
// accepted as inside its folder has no "." or ".." step and is not absolute.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cleanup/com_list_file.h"

namespace {

// An independent reading of the same rule: with both separators as "/" and a "/" at each end,
// a "." or ".." step shows as "/./" or "/../".
bool HasDotStep(const std::string& name) {
  std::string wrapped = "/" + name + "/";
  for (char& c : wrapped)
    if (c == '\\') c = '/';
  return wrapped.find("/./") != std::string::npos || wrapped.find("/../") != std::string::npos;
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

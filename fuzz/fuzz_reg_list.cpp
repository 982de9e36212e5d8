// Feeds arbitrary bytes to the "reg.ini" list reader and checks what it promises: no line holds
// a line feed or a zero byte, there are never more lines than line feeds plus one, and a name
// accepted as inside its folder has no "." or ".." step and is not absolute.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cleanup/steps/com_list_file.h"
#include "language/mbcs.h"

namespace {

// An independent reading of the same rule: with every separator character turned into "/" and a
// "/" at each end, a "." or ".." step shows as "/./" or "/../". The second byte of a double-byte
// character may be that of "\\" and is left alone; no second byte is "/" or ".".
bool HasDotStep(const std::string& name) {
  std::string wrapped = "/" + name + "/";
  for (size_t i = 1; i + 1 < wrapped.size();) {
    const int length = MbCharLen(&wrapped[i]);
    if (length == 1 && wrapped[i] == '\\') wrapped[i] = '/';
    i += length > 0 ? static_cast<size_t>(length) : 1;
  }
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

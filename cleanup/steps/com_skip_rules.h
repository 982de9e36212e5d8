// Which collected files are asked to unregister themselves as COM servers. Pure text rules on
// the path as collected (folder part included), applied in the order of the enum.
#pragma once
#include <string>

enum class ComSkipRule {
  kNotALibrary,     // the path does not end in ".dll" or ".ocx" (any case)
  kRuntimeLibrary,  // a ".dll" whose path holds "80" and "mfc" or "msvc" (mfc80.dll, msvcr80.dll)
  kOwnLibrary,      // one of the client's own libraries that are no COM servers
  kUnregister,      // none of the above: the file is unregistered
};

// The first rule that applies to the path. The substring tests are case-sensitive.
ComSkipRule ClassifyComServerPath(const std::string& path);

inline bool ShouldUnregisterComServer(const std::string& path) {
  return ClassifyComServerPath(path) == ComSkipRule::kUnregister;
}

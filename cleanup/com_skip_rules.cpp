#include "cleanup/com_skip_rules.h"

namespace {

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// The last four bytes with ASCII letters lowered (no locale: the path's own bytes stay as they are).
std::string LowerSuffix(const std::string& path) {
  std::string suffix = path.substr(path.size() - 4);
  for (char& c : suffix)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return suffix;
}

}  // namespace

ComSkipRule ClassifyComServerPath(const std::string& path) {
  if (path.size() < 4) return ComSkipRule::kNotALibrary;
  const std::string extension = LowerSuffix(path);
  const bool isDll = extension == ".dll";
  if (!isDll && extension != ".ocx") return ComSkipRule::kNotALibrary;
  if (isDll && Contains(path, "80") && (Contains(path, "mfc") || Contains(path, "msvc")))
    return ComSkipRule::kRuntimeLibrary;
  if (Contains(path, "Dartum.dll") || Contains(path, "orvisk.dll") || Contains(path, "Gantry.dll"))
    return ComSkipRule::kOwnLibrary;
  return ComSkipRule::kUnregister;
}

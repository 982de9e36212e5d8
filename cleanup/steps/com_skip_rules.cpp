#include "cleanup/steps/com_skip_rules.h"

#include "language/mbcs.h"

namespace {

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

ComSkipRule ClassifyComServerPath(const std::string& path) {
  if (path.size() < 4) return ComSkipRule::kNotALibrary;
  const std::string extension = FoldedAnsi(path.substr(path.size() - 4));
  const bool isDll = extension == ".dll";
  if (!isDll && extension != ".ocx") return ComSkipRule::kNotALibrary;
  if (isDll && Contains(path, "80") && (Contains(path, "mfc") || Contains(path, "msvc")))
    return ComSkipRule::kRuntimeLibrary;
  if (Contains(path, "Dartum.dll") || Contains(path, "orvisk.dll") || Contains(path, "Gantry.dll"))
    return ComSkipRule::kOwnLibrary;
  return ComSkipRule::kUnregister;
}

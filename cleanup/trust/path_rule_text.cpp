#include "cleanup/trust/path_rule_text.h"

#include <algorithm>
#include <cstring>

#include "language/mbcs.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Splits text into its steps at single-byte separators (a trail byte 0x5C is not one); empty
// steps (doubled separators) are dropped.
std::vector<std::string> SplitSteps(const std::string& text) {
  std::vector<std::string> steps;
  std::string step;
  const char* p = text.c_str();
  for (size_t i = 0; i < text.size();) {
    const int length = MbCharLenFast(p + i);
    if (length <= 0) break;
    if (length == 1 && IsSeparator(p[i])) {
      if (!step.empty()) steps.push_back(step);
      step.clear();
    } else {
      step.append(p + i, static_cast<size_t>(length));
    }
    i += static_cast<size_t>(length);
  }
  if (!step.empty()) steps.push_back(step);
  return steps;
}

// Drops trailing dots and blanks (single-byte characters only, so a trail byte stays), as the
// system does with each step it is given.
std::string TrimStep(const std::string& step) {
  size_t keep = 0;
  const char* p = step.c_str();
  for (size_t i = 0; i < step.size();) {
    const int length = MbCharLenFast(p + i);
    if (length <= 0) break;
    i += static_cast<size_t>(length);
    if (!(length == 1 && (p[i - 1] == '.' || p[i - 1] == ' '))) keep = i;
  }
  return step.substr(0, keep);
}

// No file or folder name holds these; a step with one names no place (or many, for wildcards).
bool HasForbiddenCharacter(const std::string& step) {
  const char* p = step.c_str();
  for (size_t i = 0; i < step.size();) {
    const int length = MbCharLenFast(p + i);
    if (length <= 0) return true;  // a zero byte inside the text
    if (length == 1 && (static_cast<unsigned char>(p[i]) < 0x20 || std::strchr("*?\"<>|:", p[i])))
      return true;
    i += static_cast<size_t>(length);
  }
  return false;
}

bool IsDriveStep(const std::string& step) { return step.size() == 2 && IsAsciiLetter(step[0]) && step[1] == ':'; }

// "C$" and the like: a whole drive shared under its letter.
bool IsAdministrativeShare(const std::string& share) {
  return share.size() == 2 && IsAsciiLetter(share[0]) && share[1] == '$';
}

}  // namespace

std::string CanonicalPathText(const std::string& path) {
  std::string text = path;
  // Namespace prefixes: "\\?\C:\x", "\\.\C:\x", "\\?\UNC\host\share\x".
  const bool prefixed = text.size() >= 4 && IsSeparator(text[0]) && IsSeparator(text[1]) &&
                        (text[2] == '?' || text[2] == '.') && IsSeparator(text[3]);
  bool unc = false;
  if (prefixed) {
    text = text.substr(4);
    if (text.size() >= 4 && (text.compare(0, 3, "UNC") == 0 || text.compare(0, 3, "unc") == 0) &&
        IsSeparator(text[3])) {
      text = text.substr(4);
      unc = true;
    }
  } else if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
    unc = true;
  }
  std::vector<std::string> steps = SplitSteps(text);
  std::string root;
  size_t first = 0;
  if (unc) {
    if (steps.size() < 2) return std::string();
    if (IsAdministrativeShare(steps[1])) {
      root = std::string(1, steps[1][0]) + ":";
    } else if (steps[1].back() == '$') {
      return std::string();  // "ADMIN$" and the other hidden system shares lead into the system
    } else {
      root = "\\\\" + steps[0] + "\\" + steps[1];
      if (HasForbiddenCharacter(steps[0]) || HasForbiddenCharacter(steps[1])) return std::string();
    }
    first = 2;
  } else {
    // Only "C:\..." is absolute; "\x" hangs on the current drive and "C:x" on its current folder.
    if (steps.empty() || !IsDriveStep(steps[0]) || text.size() < 3 || !IsSeparator(text[2]))
      return std::string();
    root = steps[0];
    first = 1;
  }
  std::vector<std::string> kept;
  for (size_t i = first; i < steps.size(); ++i) {
    if (steps[i] == "." || steps[i] == "..") return std::string();
    const std::string step = TrimStep(steps[i]);
    if (step.empty()) return std::string();  // only dots and blanks: no name at all
    if (HasForbiddenCharacter(step)) return std::string();
    kept.push_back(step);
  }
  std::string canonical = root;
  if (kept.empty() && root.size() == 2) return root + "\\";
  for (const std::string& step : kept) canonical += "\\" + step;
  return canonical;
}

std::vector<std::string> PathStepsBelowRoot(const std::string& canonical) {
  return SplitSteps(canonical.substr(std::min(AnsiRootLength(canonical), canonical.size())));
}

bool IsPathBelow(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
  // "C:\" ends in its separator; every other canonical folder does not.
  return folder.back() == '\\' || path[folder.size()] == '\\';
}

bool IsPathAllowed(const std::string& canonicalFolded, const ProtectedFolders& folders) {
  const std::string& p = canonicalFolded;
  const size_t root = AnsiRootLength(p);
  // A share root "\\host\share" has its whole length as its root; a drive root is "c:\".
  if (root == 0 || p.size() <= root) return false;
  const auto belowAnOpening = [&] {
    for (const std::string& opening : folders.openings)
      if (!opening.empty() && IsPathBelow(p, opening)) return true;
    return false;
  };
  for (const std::string& folder : folders.withContents)
    if (!folder.empty() && (p == folder || IsPathBelow(folder, p) || (IsPathBelow(p, folder) && !belowAnOpening())))
      return false;
  for (const std::string& folder : folders.themselves)
    if (!folder.empty() && (p == folder || IsPathBelow(folder, p))) return false;
  return true;
}

bool HasShortcutExtension(const std::string& path) {
  if (path.size() < 5) return false;
  const std::string tail = FoldedAnsi(path.substr(path.size() - 4));
  const size_t backslash = MbFindLast(path.c_str(), '\\'), slash = MbFindLast(path.c_str(), '/');
  const size_t nameStart = backslash == std::string::npos ? slash
                           : slash == std::string::npos   ? backslash
                                                          : std::max(backslash, slash);
  if (nameStart != std::string::npos && path.size() - nameStart - 1 <= 4) return false;  // ".lnk" alone
  return tail == ".lnk" || tail == ".pif" || tail == ".url";
}

#include "procedures/install_folder_guard.h"

#include <algorithm>
#include <cctype>

#include "cleanup/path_steps.h"

namespace {

// Lower case, "\" separators, no trailing separator, no "." or ".." components resolved away:
// a path that still holds ".." is refused by the caller.
std::string Normalise(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '/', '\\');
  for (char& c : p) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  while (p.size() > 1 && p.back() == '\\') p.pop_back();
  return p;
}

// "c:\x..." -> 3 (the root "c:\"), "\\server\share\x" -> length of "\\server\share\", else 0.
size_t RootLength(const std::string& p) {
  if (p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' && p[2] == '\\')
    return 3;
  if (p.size() > 2 && p[0] == '\\' && p[1] == '\\') {
    const size_t server = p.find('\\', 2);
    if (server == std::string::npos || server == 2) return 0;
    const size_t share = p.find('\\', server + 1);
    if (share == std::string::npos || share == server + 1) return 0;
    return share + 1;
  }
  return 0;
}

// a equals b or lies above it.
bool IsSameOrAncestor(const std::string& a, const std::string& b) {
  if (a == b) return true;
  return b.size() > a.size() && b.compare(0, a.size(), a) == 0 && b[a.size()] == '\\';
}

}  // namespace

bool IsRemovableFolder(const std::string& folder, const std::vector<std::string>& protectedFolders) {
  const std::string p = Normalise(folder);
  const size_t root = RootLength(p);
  if (root == 0 || p.size() <= root || HasDotStep(p)) return false;
  for (const std::string& prot : protectedFolders) {
    if (prot.empty()) continue;
    if (IsSameOrAncestor(p, Normalise(prot))) return false;
  }
  return true;
}

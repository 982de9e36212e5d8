// The one path rule: every path that comes from data (the installation folder, the user-data
// folder, each shortcut value and the folder of "lnk2", the names in "reg.ini", the main
// program's path) passes it before anything is deleted. The path is made canonical first (see
// CanonicalPathText, then the long form of each step that exists), and only then compared with
// the system's own folders.
#pragma once
#include <string>

#include "cleanup/path_rule_text.h"

class CPathRule {
public:
  // The rule of the running system: the Windows folder with everything below it; every Program
  // Files folder a 32-bit program can see (on 64-bit Windows both); the profiles folder and each
  // profile's root; every shell folder of the user and of all users. Gathered once: keep the
  // object for the whole run.
  static CPathRule ForThisSystem();
  // A rule with the given folders (canonical, case-folded), for tests.
  explicit CPathRule(ProtectedFolders folders) : m_folders(std::move(folders)) {}

  // The canonical long form of path, case kept; empty when the text names no absolute place.
  std::string Canonical(const std::string& path) const;
  // Whether path may be removed (or emptied, for a folder).
  bool Allows(const std::string& path) const;
  // Whether path may be removed and lies strictly below folder, after both are made canonical:
  // for names joined to a folder that data supplied ("..\x" leads out).
  bool AllowsBelow(const std::string& path, const std::string& folder) const;
  // Whether a shortcut value may be deleted: it names a ".lnk", ".pif" or ".url" file and passes.
  bool AllowsShortcut(const std::string& path) const;

private:
  std::string Folded(const std::string& path) const { return FoldPathCase(Canonical(path)); }

  ProtectedFolders m_folders;
};

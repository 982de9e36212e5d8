// Shortcuts that lead into the removed installation: after its files are gone, the shell folders
// that hold program shortcuts (the desktop, the Start menu with Programs and Startup, Quick Launch;
// the user's and all users') are searched, and each shortcut (".lnk", ".pif", ".url" to a file)
// whose target lay inside the installation folder and is gone now is removed, judged by the path
// rule like every other removal. A shortcut to anything else, or to a target that still exists,
// stays. A folder there that this emptied goes too.
#pragma once
#include <string>
#include <vector>

#include "cleanup/trust/approved_path.h"
#include "cleanup/trust/path_rule.h"

class CDeadShortcutSweep {
public:
  // Takes the installation folder's spellings (its long and its short form) while it still exists.
  explicit CDeadShortcutSweep(const ApprovedPath& installFolder);

  // Searches the shell folders and removes the dead shortcuts. The running uninstaller counts as
  // gone: the finishing program deletes it.
  void Run(const CPathRule& rule) const;

  // Whether target (a path as a shortcut names it, expanded) lies inside the installation folder.
  bool LeadsInside(const std::wstring& target) const;

private:
  std::vector<std::wstring> m_spellings;  // case-folded, without a trailing separator
};

// The one path rule: every path that comes from data (the installation folder, the user-data
// folder, each shortcut value and the folder of "lnk2", the names in "reg.ini", the main
// program's path) passes it before anything is deleted. The path is made canonical first (see
// CanonicalPathText, then the long form of each step that exists) and compared with the system's
// own folders as text; then what it leads to is judged as an object: its final path (every link
// on the way followed, a mapped drive letter resolved) and the identity of that folder and of each
// real folder above it, against the identities of the protected folders.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "cleanup/trust/approved_path.h"
#include "cleanup/trust/file_identity.h"
#include "cleanup/trust/path_rule_text.h"

class CPathRule {
public:
  // The rule of the running system: the Windows folder with everything below it (but what lies
  // below a shell folder or profile kept there, as on Windows 95, 98, Me and NT 4.0); every Program
  // Files folder a 32-bit program can see (on 64-bit Windows both); the profiles folder and each
  // profile's root; every shell folder of the user and of all users; each drive's root. Gathered
  // once, as text and as identities (with the real folders above each): keep the object for the
  // whole run.
  static CPathRule ForThisSystem();
  // A rule with the given folders (canonical, case-folded) and no identities, for tests: it
  // judges the text alone.
  explicit CPathRule(ProtectedFolders folders) : m_folders(std::move(folders)) {}

  // The canonical long form of path, case kept; empty when the text names no absolute place.
  std::string Canonical(const std::string& path) const;

  // The path the rule approves for removal (or emptying, for a folder): its canonical form with
  // every link and mapped drive on the way resolved, so the removal acts on exactly what was
  // judged. Refused (not IsApproved) when the path is, lies below or holds a protected folder, is
  // a root, or cannot be judged. A refusal of a non-empty path is reported to the run's report.
  ApprovedPath Approve(const std::string& path) const;
  // As Approve, and the approved path must lie strictly below folder's real place: for names
  // joined to a folder that data supplied ("..\x", or a step through a link, leads out).
  ApprovedPath ApproveBelow(const std::string& path, const std::string& folder) const;
  // As Approve for a shortcut value: it must name a ".lnk", ".pif" or ".url" file, and so must
  // what it leads to.
  ApprovedPath ApproveShortcut(const std::string& path) const;

private:
  std::string Folded(const std::string& path) const { return FoldedAnsi(Canonical(path)); }
  // The approved form of path, or empty.
  std::string Judge(const std::string& path) const;
  // The real place of folder (links resolved), canonical; its text form where it cannot be opened.
  std::string RealPlace(const std::string& folder) const;
  // The text by which path is opened to be judged: canonical, its steps in their long form unless
  // the opened object's final path will tell them; empty when it names no absolute place.
  std::string TextToOpen(const std::string& path) const;
  // The identity of a real folder above a judged path, asked once per run: most share their folders.
  FileId RealFolderIdentity(const std::string& real) const;
  bool JudgesObjects() const { return !m_themselvesIds.empty(); }
  // Takes as openings the users' folders that lie below the Windows folder, clear of the system's.
  void AddOpenings(const std::vector<std::string>& usersFolders, const std::vector<std::string>& systemFolders);

  ProtectedFolders m_folders;
  std::vector<FileId> m_withContentsIds;  // the Windows folder: nothing at or below it
  std::vector<FileId> m_openingIds;       // users' folders below it, whose contents are judged
  std::vector<FileId> m_themselvesIds;    // every protected folder and drive root
  std::vector<FileId> m_holderIds;        // every real folder above a protected one
  // While the rule gathers its folders (most share their steps), each step's long form as the
  // system gave it, by the case-folded text before it; null once the rule is made, so every
  // later judgement looks the steps up afresh.
  std::map<std::string, std::string>* m_stepsSeen = nullptr;
  // The identities of the real folders above judged paths, by their case-folded real path text. A
  // folder there cannot later turn into a protected one under the same real path: a link put in
  // its place is followed (final path) or refused (PassesALink), and no folder has a second name.
  mutable std::map<std::string, FileId> m_realFolderIds;
};

// The uninstaller's own files, known by identity rather than by the text of a path: the program
// itself and its companions beside it ("Language.xml", "Uninstall.bin"). Started by a short path, a
// link or a mapped drive, the program's path text differs from the installation folder's, but
// the objects are the same. Where a listing gives no identities (Windows 95, 98 and Me), the
// short forms of the two paths are compared instead.
#pragma once
#include <string>

#include "cleanup/trust/file_identity.h"

class OwnFiles {
public:
  OwnFiles() = default;  // nothing is the program's own
  // The running program's files, looked up once in its own folder.
  static OwnFiles OfThisProgram();

  // Whether the listed file (its identity, unknown where the listing gives none, and its path) is
  // the program itself, or one of its companions.
  bool IsProgram(const FileId& id, const std::string& path) const { return Same(m_program, id, path); }
  bool IsCompanion(const FileId& id, const std::string& path) const {
    return Same(m_languagePack, id, path) || Same(m_setupValues, id, path);
  }

  // False when the listed file is surely none of them, told by its identity alone: its path text
  // need not be made then.
  bool MayBeOwn(const FileId& id) const {
    for (const OwnFile* own : {&m_program, &m_languagePack, &m_setupValues})
      if (!own->path.empty() && (!own->id.Known() || !id.Known() || own->id == id)) return true;
    return false;
  }

private:
  struct OwnFile {
    FileId id;
    std::string path;
  };
  static bool Same(const OwnFile& own, const FileId& id, const std::string& path);

  OwnFile m_program, m_languagePack, m_setupValues;
};

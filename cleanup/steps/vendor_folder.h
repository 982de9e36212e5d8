// The vendor's folder above the installation, which goes with the installation when that was all
// it held. The finishing program deletes the running uninstaller once it has ended, and then the
// folder the uninstaller lay in; so the uninstaller moves itself up into the vendor's folder, its
// own folder is removed before it ends, and the finishing program, given the new place, takes the
// vendor's folder with it.
#pragma once
#include <memory>
#include <string>

#include "cleanup/trust/approved_path.h"
#include "cleanup/trust/path_rule.h"

class CVendorFolder {
public:
  // The folder above ownFolder, when all of this holds: the path rule approves it (never a system or
  // shell folder, Program Files or a root); nobody but the trusted accounts may change it or
  // ownFolder, so the finishing program is handed a place nobody else can redirect; and it holds
  // ownFolder alone, known by its identity (which Windows 95, 98 and Me, which cannot rename a
  // running program either, do not tell). Null otherwise.
  static std::unique_ptr<CVendorFolder> Above(const std::wstring& ownFolder, const CPathRule& rule);

  // Where the running program at ownProgram lies once moved into the vendor's folder.
  std::wstring PlaceInside(const std::wstring& ownProgram) const;
  // Moves the running program there (only its name moves: the image stays mapped), then removes
  // the program's own folder, which must be empty by now, so that the vendor's folder holds the
  // program alone; true when both were done. When the folder cannot be removed, the program moves
  // back to where it was.
  bool MoveProgramInAndRemoveItsFolder(const std::wstring& ownProgram) const;

private:
  CVendorFolder(ApprovedPath vendor, ApprovedPath own) : m_vendor(std::move(vendor)), m_own(std::move(own)) {}
  ApprovedPath m_vendor, m_own;
};

// Who could have changed a file before the uninstaller runs or loads it with administrator rights,
// read from the owner and the DACL of the file and of every folder above it. Only Administrators,
// SYSTEM, TrustedInstaller and the account that runs the uninstaller may; anyone else could have
// put their own code there. Windows 95, 98 and Me have no file security: everything passes there.
#pragma once
#include <string>

// The judgement, with the reason for the log when it is not trusted.
struct TrustVerdict {
  bool trusted = true;
  std::string reason;
};

// Whether only the trusted accounts can change the file at path: it fails on a missing security
// descriptor or a null DACL, on an owner outside the trusted accounts, and on a right granted to
// anyone else that lets them change what runs: writing, appending to or deleting the file or its
// folder, adding to its folder, deleting the folder's children, changing permissions or taking
// ownership; above the file's folder, renaming or deleting a folder on the way, changing its
// permissions or taking it over. (Adding a new folder beside the ones on the way changes nothing
// that runs: every drive root allows that to all users since Windows Vista.) Links on the way are
// followed to the real place first.
TrustVerdict JudgeWhoCanChange(const std::string& path);

// Whether nobody but Administrators and SYSTEM can change the folders above path: a path queued
// for the next restart is followed then with the system's rights, so a folder on the way that
// anyone else can change could lead the removal elsewhere.
TrustVerdict JudgeFoldersAboveForTheRestart(const std::wstring& path);

// Who could have changed a file before the uninstaller runs, loads or reads it with administrator
// rights, read from the owner and the DACL of the file and of every folder above it (see
// cleanup/trust/judged_file.h for the file that is judged as it is used). The rules:
// - Trusted are Administrators, SYSTEM, TrustedInstaller, the account that runs the uninstaller,
//   every member of Administrators, the administrators of the domain the machine belongs to (its
//   Administrator, Domain Admins and Enterprise Admins; those of any other domain are not), and,
//   where the system's tokens do not tell an elevated administrator (before Windows Vista), Power
//   Users, who can make themselves administrators there.
// - Inherit-only entries and those for CREATOR OWNER or CREATOR GROUP apply to nobody now; denying
//   and auditing entries grant nothing.
// - The file: its owner trusted, and nobody else may write, append to or delete it, or change its
//   permissions or owner. Its folder: its owner trusted, and nobody else may delete or rename what
//   it holds, delete it, or change its permissions or owner; for a file that runs (a library or a
//   program, which take the libraries beside them), nobody else may add files or folders to it
//   either. Each folder further up: its owner trusted, and nobody else may delete or
//   rename it or what it holds, or change its permissions or owner. A drive root only by its owner:
//   it cannot be renamed, and every folder below it on the way is judged in full (Windows NT 4.0
//   and 2000 give Everyone Full Control there, Vista and later let users add folders).
// - Nothing can be protected only where there is no security: on Windows 95, 98 and Me, and on a
//   volume that keeps no access control (FAT); what lies there is taken as it is found. Elsewhere an
//   object without access control is refused, and so is every object when the system folder's own
//   security cannot be read: the rule fails closed, and says why once.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/security_attributes.h"

// The judgement, with the reason for the log when it is not trusted.
struct TrustVerdict {
  bool trusted = true;
  std::string reason;
};

// One object on the way to a file the program uses, as it was opened: its exact path and the
// handle that holds it (the descriptor is read through the handle).
struct HeldObject {
  std::wstring path;
  HANDLE handle = nullptr;
};

// What the program does with a file it judged: runs it (loads, starts, or copies it to start),
// or only reads it. A file that runs takes the libraries beside it too, so its folder must not
// let others add any; a file that is read only must not be replaceable.
enum class FileUse { Run, Read };

// Judges a file and the folders above it through what was opened: way[0] the file, way[1] its
// folder, then each folder up to the drive root.
TrustVerdict JudgeHeld(const std::vector<HeldObject>& way, FileUse use);

// Whether a program may start in the folder: its owner trusted, and nobody else may add files to
// it (a library there could be loaded by what starts in it) or change its permissions or owner.
// The folder is opened by its path and judged through its handle.
TrustVerdict JudgeWorkingFolder(const std::wstring& folder);

// Whether only the trusted accounts can change a registry key whose values steer what is removed
// (text: its path, "HKLM\..."): its owner trusted, and nobody else may set its values, add keys
// below it, delete it, or change its permissions or owner.
TrustVerdict JudgeKey(HKEY key, const std::string& text);

// Whether the account is one the rule trusts (an administrator, SYSTEM, ...).
bool IsTrustedAccount(const SidBytes& sid);

// Whether nobody but the trusted accounts can change the entry at its real place (links resolved)
// and the folders above it, the drive root included in full: a path queued for the next restart is
// followed then with the system's rights and with nothing held, so a folder on the way that others
// can change could lead the removal elsewhere, and a folder they can change could have become a
// mount point by then.
TrustVerdict JudgeForTheRestart(const std::wstring& real, bool folder);

// What the rule reads: the security of files and folders, and who runs the program and who
// administers the machine. The shipped program reads the system's; the test build puts tables of
// other systems' defaults in their place.
class ISecurityFacts {
public:
  virtual ~ISecurityFacts() = default;
  // The owner and DACL of the object at path (exact, links resolved), self-relative, read through
  // opened when it is given; false when they cannot be read.
  virtual bool DescriptorOf(HANDLE opened, const std::wstring& path, std::vector<BYTE>& descriptor) const = 0;
  // The account the program runs as.
  virtual SidBytes RunningAccount() const = 0;
  // The accounts and groups that are members of Administrators.
  virtual std::vector<SidBytes> AdministratorsMembers() const = 0;
  // The SID of the domain the machine belongs to; empty when it belongs to none.
  virtual SidBytes MachineDomain() const = 0;
  // Whether the volume that holds path keeps access control (NTFS, not FAT).
  virtual bool VolumeKeepsSecurity(const std::wstring& path) const = 0;
  // The owner and DACL of an open registry key (text: its path for the log, "HKLM\..."),
  // self-relative; false when they cannot be read. The system's by default.
  virtual bool KeyDescriptorOf(HKEY key, const std::string& text, std::vector<BYTE>& descriptor) const;
};

// The seam of the tests: the rule reads facts from here from now on (null: the system's). Set
// before anything is judged.
void UseSecurityFactsForTests(const ISecurityFacts* facts);

// The default security of other Windows systems, under Wine (which stores no security descriptors
// of its own): the trust rule's facts from a table instead of the system, through the product's
// seam (cleanup/trust/file_security.h), in the test build only.
//   UNINSTALL_TEST_SDDL     a file of "PATH|SDDL" lines: an object's owner and DACL; a path not
//                           listed takes the line of the longest listed folder above it
//   UNINSTALL_TEST_ACCOUNT  "USER-SID;ADMIN-SID,ADMIN-SID,...;DOMAIN-SID": the running account, the
//                           members of Administrators, and the domain the machine belongs to
//                           (none when left out)
// A volume keeps no access control (FAT) when its root's line has none (NO_ACCESS_CONTROL).
#pragma once
#include <string>
#include <vector>

#include "cleanup/trust/file_security.h"

namespace test {

class CSecurityTable : public ISecurityFacts {
public:
  // The table the environment names; Loaded() is false when none is named or it cannot be read.
  static CSecurityTable FromEnvironment();

  bool Loaded() const { return !m_lines.empty(); }
  bool DescriptorOf(HANDLE opened, const std::wstring& path, std::vector<BYTE>& descriptor) const override;
  SidBytes RunningAccount() const override { return m_account; }
  std::vector<SidBytes> AdministratorsMembers() const override { return m_administrators; }
  SidBytes MachineDomain() const override { return m_domain; }
  bool VolumeKeepsSecurity(const std::wstring& path) const override;

private:
  struct Line {
    std::wstring path;  // lower case, no trailing separator
    std::wstring sddl;
  };
  std::vector<Line> m_lines;
  SidBytes m_account;
  std::vector<SidBytes> m_administrators;
  SidBytes m_domain;
};

// The self-relative descriptor an SDDL text describes ("D:NO_ACCESS_CONTROL": a null DACL); empty
// when the text cannot be read.
std::vector<BYTE> DescriptorFromSddl(const std::wstring& sddl);
// The SID an SDDL text names ("S-1-5-21-..." or a well-known abbreviation such as "BA").
SidBytes SidFromText(const std::wstring& text);

// Installs the table the environment names as the trust rule's facts, when it names one.
void UseSecurityTableNamedInEnvironment();

}  // namespace test

#include "support/security_table.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <cstdlib>

#include "framework/handles.h"
#include "framework/wide_text.h"

namespace test {

namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  while (text.size() > 3 && text.back() == L'\\') text.pop_back();
  return text;
}

bool ReadWhole(const char* path, std::string& text) {
  ScopedHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  char chunk[4096];
  DWORD got = 0;
  while (file.IsValid() && ::ReadFile(file.Get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) text.append(chunk, got);
  return file.IsValid();
}

std::vector<BYTE> LocalBytes(void* local, size_t size) {
  std::vector<BYTE> bytes(static_cast<BYTE*>(local), static_cast<BYTE*>(local) + size);
  ::LocalFree(local);
  return bytes;
}

}  // namespace

SidBytes SidFromText(const std::wstring& text) {
  PSID sid = nullptr;
  if (!::ConvertStringSidToSidW(text.c_str(), &sid)) return SidBytes();
  return LocalBytes(sid, ::GetLengthSid(sid));
}

std::vector<BYTE> DescriptorFromSddl(const std::wstring& sddl) {
  // No access control at all (FAT): the owner the text names and a null DACL, which the SDDL
  // reader of every system does not take.
  const size_t none = sddl.find(L"D:NO_ACCESS_CONTROL");
  if (none != std::wstring::npos) {
    const size_t owner = sddl.find(L"O:");
    if (owner == std::wstring::npos) return {};
    const size_t ownerEnd = sddl.find(L"G:", owner);
    SidBytes ownerSid = SidFromText(sddl.substr(owner + 2, (ownerEnd == std::wstring::npos ? none : ownerEnd) - owner - 2));
    if (ownerSid.empty()) return {};
    SECURITY_DESCRIPTOR absolute;
    DWORD size = 0;
    if (!::InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorOwner(&absolute, ownerSid.data(), FALSE) ||
        !::SetSecurityDescriptorDacl(&absolute, TRUE, nullptr, FALSE))
      return {};
    ::MakeSelfRelativeSD(&absolute, nullptr, &size);
    std::vector<BYTE> relative(size);
    if (!size || !::MakeSelfRelativeSD(&absolute, relative.data(), &size)) return {};
    return relative;
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ULONG size = 0;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, &size))
    return {};
  return LocalBytes(descriptor, size);
}

CSecurityTable CSecurityTable::FromEnvironment() {
  CSecurityTable table;
  const char* file = std::getenv("UNINSTALL_TEST_SDDL");
  const char* accounts = std::getenv("UNINSTALL_TEST_ACCOUNT");
  std::string text;
  if (!file || !*file || !ReadWhole(file, text)) return table;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    const size_t bar = line.find('|');
    if (bar == std::string::npos) continue;
    table.m_lines.push_back(Line{Lower(WideFromAnsi(line.substr(0, bar))), WideFromAnsi(line.substr(bar + 1))});
  }
  const std::wstring list = WideFromAnsi(accounts ? accounts : "");
  const size_t semicolon = list.find(L';');
  table.m_account = SidFromText(list.substr(0, semicolon));
  if (semicolon != std::wstring::npos) {
    std::wstring rest = list.substr(semicolon + 1);
    const size_t domain = rest.find(L';');
    if (domain != std::wstring::npos) {
      table.m_domain = SidFromText(rest.substr(domain + 1));
      rest.resize(domain);
    }
    for (size_t start = 0; start <= rest.size();) {
      size_t comma = rest.find(L',', start);
      if (comma == std::wstring::npos) comma = rest.size();
      if (comma > start) table.m_administrators.push_back(SidFromText(rest.substr(start, comma - start)));
      start = comma + 1;
    }
  }
  return table;
}

bool CSecurityTable::DescriptorOf(HANDLE, const std::wstring& path, std::vector<BYTE>& descriptor) const {
  const std::wstring wanted = Lower(path);
  const Line* best = nullptr;
  for (const Line& line : m_lines) {
    const bool exact = line.path == wanted;
    const bool above = wanted.size() > line.path.size() && wanted.compare(0, line.path.size(), line.path) == 0 &&
                       (line.path.back() == L'\\' || wanted[line.path.size()] == L'\\');
    if (exact) {
      best = &line;
      break;
    }
    if (above && (!best || line.path.size() > best->path.size())) best = &line;
  }
  if (!best) return false;
  descriptor = DescriptorFromSddl(best->sddl);
  return !descriptor.empty();
}

bool CSecurityTable::VolumeKeepsSecurity(const std::wstring& path) const {
  std::wstring root = path.substr(0, std::min<size_t>(path.size(), 3));
  std::vector<BYTE> descriptor;
  if (!DescriptorOf(nullptr, root, descriptor)) return true;
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  return ::GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted) && present && dacl;
}

void UseSecurityTableNamedInEnvironment() {
  static const CSecurityTable table = CSecurityTable::FromEnvironment();
  if (table.Loaded()) UseSecurityFactsForTests(&table);
}

}  // namespace test

#include "procedures/run_record.h"

#include <windows.h>

#include "framework/handles.h"
#include "cleanup/files/registry_removal.h"
#include "cleanup/report/run_report.h"
#include "cleanup/trust/file_security.h"

namespace {

const char kEntries[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The standard name for the installation folder of an entry, and the record's own values.
const char kFolderValue[] = "InstallLocation";
const char kProcedureValue[] = "UninstallInProgress";
const char kShortcutsValue[] = "UninstallShortcuts";
const char kKeepDriverValue[] = "UninstallKeepDriver";
const char kDeleteDataValue[] = "UninstallDeleteUserData";
// No Windows path holds "|", so it separates the shortcut values (empty ones included).
const char kShortcutSeparator = '|';

bool ValueExists(HKEY key, const char* name) {
  return ::RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool ReadText(HKEY key, const char* name, std::string& text) {
  char buffer[2048] = {};
  DWORD size = sizeof(buffer) - 1, type = 0;
  if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  text = buffer;
  return true;
}

int ReadNumber(HKEY key, const char* name) {
  DWORD value = 0, size = sizeof(value), type = 0;
  if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return 0;
  return value ? 1 : 0;
}

}  // namespace

CRunRecordStore::CRunRecordStore(const std::string& entryName)
    : m_entryName(entryName), m_keyPath(entryName.empty() ? std::string() : kEntries + entryName) {}

bool CRunRecordStore::Write(const RunRecord& record) {
  if (m_keyPath.empty()) return false;
  ScopedRegKey probe;
  const bool existed = probe.Open(HKEY_LOCAL_MACHINE, m_keyPath.c_str()) == ERROR_SUCCESS;
  probe.Close();
  ScopedRegKey entry;
  if (entry.Create(HKEY_LOCAL_MACHINE, m_keyPath.c_str()) != ERROR_SUCCESS) return false;
  if (!existed) m_createdEntry = true;

  std::string shortcuts;
  for (size_t i = 0; i < record.info.shortcuts.size(); ++i)
    shortcuts += (i ? std::string(1, kShortcutSeparator) : std::string()) + record.info.shortcuts[i];
  bool written = true;
  auto setText = [&](const char* name, const std::string& text) {
    if (!ValueExists(entry.Get(), name)) m_addedValues.push_back(name);
    written &= ::RegSetValueExA(entry.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  };
  auto setNumber = [&](const char* name, int number) {
    if (!ValueExists(entry.Get(), name)) m_addedValues.push_back(name);
    const DWORD value = number ? 1 : 0;
    written &= ::RegSetValueExA(entry.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof(value)) == ERROR_SUCCESS;
  };
  setText(kFolderValue, record.info.setupPath);
  setText(kShortcutsValue, shortcuts);
  setNumber(kKeepDriverValue, record.keepCardDriver);
  setNumber(kDeleteDataValue, record.deleteUserData);
  // Written last: a record is complete once this value is there.
  setText(kProcedureValue, record.procedure);
  return written && ::RegFlushKey(entry.Get()) == ERROR_SUCCESS;
}

bool CRunRecordStore::Read(RunRecord& record) const {
  if (m_keyPath.empty()) return false;
  ScopedRegKey entry;
  if (entry.Open(HKEY_LOCAL_MACHINE, m_keyPath.c_str()) != ERROR_SUCCESS) return false;
  // A record steers what a run removes: one that others could have written is not used.
  const TrustVerdict verdict = JudgeKey(entry.Get(), "HKLM\\" + m_keyPath);
  if (!verdict.trusted) {
    if (ValueExists(entry.Get(), kProcedureValue))
      ReportLeftForSafety("HKLM\\" + m_keyPath, verdict.reason + "; the unfinished run it records is not finished from it");
    return false;
  }
  RunRecord read;
  std::string shortcuts;
  if (!ReadText(entry.Get(), kProcedureValue, read.procedure) || read.procedure.empty() ||
      !ReadText(entry.Get(), kFolderValue, read.info.setupPath) ||
      !ReadText(entry.Get(), kShortcutsValue, shortcuts))
    return false;
  read.info.hasSetupPath = !read.info.setupPath.empty();
  size_t start = 0;
  for (;;) {
    const size_t end = shortcuts.find(kShortcutSeparator, start);
    read.info.shortcuts.push_back(shortcuts.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  // Eight shortcut values, as the setup information holds them, whatever the record says.
  read.info.shortcuts.resize(8);
  read.keepCardDriver = ReadNumber(entry.Get(), kKeepDriverValue);
  read.deleteUserData = ReadNumber(entry.Get(), kDeleteDataValue);
  record = read;
  return true;
}

void CRunRecordStore::TakeBack() {
  if (m_keyPath.empty()) return;
  if (m_createdEntry) {
    RemoveRegistryKey(kEntries, m_entryName, KeyRemoval::WholeTree);
  } else {
    ScopedRegKey entry;
    if (entry.Open(HKEY_LOCAL_MACHINE, m_keyPath.c_str(), KEY_SET_VALUE) == ERROR_SUCCESS)
      for (const std::string& name : m_addedValues) ::RegDeleteValueA(entry.Get(), name.c_str());
  }
  m_createdEntry = false;
  m_addedValues.clear();
}

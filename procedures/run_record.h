// The record of an uninstall in progress: what a later run needs to finish the job when this
// one is ended half-way (a killed process, a power cut). It is kept as values of the client's
// own Add/Remove Programs entry, which the launcher deletes as its very last removal, so the
// record outlives every step of the procedure and goes with the entry.
#pragma once
#include <string>
#include <vector>

#include "procedures/worker_steps.h"

// What a run records before its first removal.
struct RunRecord {
  std::string procedure;  // "full", "legacy" or "SetupType"
  SetupInfo info;         // the installation folder and the shortcut values
  int keepCardDriver = 0;
  int deleteUserData = 0;
};

// The record's place: the entry <entry name> below HKEY_LOCAL_MACHINE's
// "SoftWare\Microsoft\Windows\CurrentVersion\Uninstall" key. Reading never creates the entry.
class CRunRecordStore {
public:
  explicit CRunRecordStore(const std::string& entryName);

  // Writes the record and flushes the key, so it is on disk before anything is removed.
  // Creates the entry when it is missing. False when the entry name is empty or the write fails.
  bool Write(const RunRecord& record);
  // Reads a record; false when there is none (no entry, or an entry without a record).
  bool Read(RunRecord& record) const;
  // Takes back what Write added (the values that were new, and the entry when Write made it):
  // for a run that ended early before it removed what the record would be needed for.
  void TakeBack();

private:
  std::string m_entryName;
  std::string m_keyPath;
  bool m_createdEntry = false;
  std::vector<std::string> m_addedValues;
};

// What an open file or folder is, as the file system tells it through the handle: its identity (file
// index), its attributes and its path on its volume. The one reader of these facts.
#pragma once
#include <windows.h>

#include <string>

// The file index of an open file or folder. Under Wine the volume serial changes with the drive
// letter a folder is reached by, so the index alone decides: a chance match across volumes only
// makes the rule refuse.
struct FileId {
  DWORD high = 0;
  DWORD low = 0;
  bool Known() const { return high != 0 || low != 0; }
  bool operator==(const FileId& other) const { return high == other.high && low == other.low; }
};

struct FileFacts {
  FileId id;
  DWORD attributes = 0;
  // The names the object has (hard links): more than one, and what is done to the object through
  // this name is done to it under every other name too. Read with All only.
  DWORD links = 0;
  // "\dir\name" on its volume, as the file system names the object the handle reached: a link that
  // the system opened as its target (Wine does, whatever the flags) names the target here. Empty
  // unless asked for, and where the system cannot tell (Windows 95, 98 and Me).
  std::wstring volumePath;
};

// Which facts a question wants: the volume path costs a question of its own where the identity and
// the attributes come cheaper without it.
enum class FactsWanted { IdentityAndAttributes, All };

// Reads the facts of an open handle; false when the system cannot tell them (or, for All, the path
// on the volume).
bool ReadFileFacts(HANDLE handle, FactsWanted wanted, FileFacts& facts);

// What became of one thing the clean-up was to remove, and the one map from the system's error to
// that result, for files, folders and registry keys alike.
#pragma once
#include <windows.h>

enum class RemovalResult {
  Removed,
  Missing,        // it was not there
  InUse,          // held open by another program, or loaded as a program or library: left
  DeletePending,  // marked, but held open by another program: it goes when that one closes it
  NotEmpty,       // a folder that still holds something: left
  Refused,        // refused by the path rule: never touched
  Changed,        // not the object that was listed (swapped since, or a step is now a link): never touched
  LinkKept,       // a link the system could not remove by itself: left, and its target untouched
  Failed,         // left for another reason
  AtRestart,      // queued for removal at the next restart
};

// Whether what is left now may still go at the next restart: a file or folder in use or pending.
inline bool GoesAtRestart(RemovalResult result) {
  return result == RemovalResult::InUse || result == RemovalResult::DeletePending;
}

// The error a removal leaves when a step of its path is not a plain folder of the tree it was
// listed in (a link, another volume, another object than listed): never touched (Changed).
constexpr DWORD kErrorStepNotInTree = ERROR_CANT_ACCESS_FILE;

// What a removal that failed with the system's error left (ERROR_SUCCESS: removed).
RemovalResult ResultOfError(DWORD error);

// The word a log uses for a result.
const char* RemovalResultText(RemovalResult result);

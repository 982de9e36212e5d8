// The one way the program removes a file, a folder or a link, wherever it lies: an entry of an
// open folder (cleanup/files/open_folder.h) is removed as that entry itself, never what a link leads to;
// what the system cannot remove now goes at the next restart (cleanup/files/restart_queue.h), and so does
// a folder that only such entries keep; a link the system cannot remove alone is left for safety;
// each removal is reported (cleanup/report/run_report.h) and the shell told of it
// (cleanup/files/shell_notifier.h), in that order. Nothing else reaches the folders' raw removal.
#pragma once
#include <string>

#include "cleanup/trust/approved_path.h"
#include "cleanup/files/open_folder.h"

class CBatchedAnnouncements;

// How a removal goes on around the removal itself.
struct RemovalPolicy {
  bool announce;       // the shell is told (the title shortcuts are removed without)
  bool queueWhenLeft;  // what cannot go now goes at the restart (not for a try that is made again)
};
constexpr RemovalPolicy kRemoveOrQueue{true, true};
constexpr RemovalPolicy kRemoveOrQueueQuietly{false, true};
constexpr RemovalPolicy kRemoveNow{true, false};

// Removes the entry the listing gave inside folder. A removal that left the entry is tried once
// more while the shell is told nothing (it may have held a folder of the path open, looking up an
// earlier announcement). The result says what became of it: AtRestart when it was queued. With batch
// given, the announcement goes out with it.
RemovalResult RemoveEntry(const COpenFolder& folder, const FolderEntry& entry, const RemovalPolicy& policy,
                          CBatchedAnnouncements* batch = nullptr);

// Removes the entry at the approved path: its folder opened by its path, the entry found by its
// name. Missing when it is not there; Failed when path names no entry of a folder.
RemovalResult RemovePath(const ApprovedPath& path, const RemovalPolicy& policy, CBatchedAnnouncements* batch = nullptr);

// Queues the folder for the restart when all it still holds is queued already, besides alsoGoing
// (a file that goes otherwise, known by its identity). True when it was queued.
bool QueueFolderKeptByQueued(const COpenFolder& folder, const FileId& alsoGoing = FileId());

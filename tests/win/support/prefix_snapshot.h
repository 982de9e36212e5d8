// A picture of the whole Windows the tests run in: every file and folder of drive C: and every
// lasting registry key and value of the machine's and the user's software and services (volatile
// keys, made anew at each start, may be left out), so a test can compare before and after an
// uninstall and name exactly what went and what came.
#pragma once
#include <set>
#include <string>
#include <vector>

namespace test {

// Items: "D c:\folder", "F c:\folder\file", "K HKLM\SOFTWARE\x", "V HKLM\SOFTWARE\x|name".
// Paths and key names are lower-cased, since Windows compares them without case.
using Snapshot = std::set<std::string>;

struct SnapshotOptions {
  // Folders (lower case, no trailing backslash) left out with everything below them, e.g. the
  // temporary folders and the stand-ins' log folder.
  std::vector<std::string> skipFolders;
  // Registry keys left out the same way ("hkcu\software\wine": Wine's own settings).
  std::vector<std::string> skipKeys = {"hkcu\\software\\wine"};
};

Snapshot TakeSnapshot(const SnapshotOptions& options);

// The two ways TakeSnapshot reads the machine's software keys (HKLM\SOFTWARE) into out: from one
// saved copy of them (about 0.1 s; false when no copy can be saved or read, as under WoW64,
// whose 32-bit view the copy is not), or key by key (about 3 s).
bool AddSoftwareKeysFromSavedCopy(const SnapshotOptions& options, Snapshot& out);
void AddSoftwareKeysByWalking(const SnapshotOptions& options, Snapshot& out);

// Items in a but not in b.
std::vector<std::string> Minus(const Snapshot& a, const Snapshot& b);

// Lower-cases ASCII letters only, leaving double-byte characters whole.
std::string LowerPath(const std::string& path);

// A path as snapshots name it: in the system code page, lower-cased as LowerPath does, each
// character the code page has no form for written "<U+XXXX>" (a surrogate each half).
std::string SnapshotPath(const std::wstring& path);

}  // namespace test

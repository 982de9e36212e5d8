// A picture of the whole Windows the tests run in: every file and folder of drive C: and every
// registry key and value of the machine's and the user's software and services, so a test can
// compare before and after an uninstall and name exactly what went and what came.
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

// Items in a but not in b.
std::vector<std::string> Minus(const Snapshot& a, const Snapshot& b);

// Lower-cases ASCII letters only, leaving double-byte characters whole.
std::string LowerPath(const std::string& path);

// A path as snapshots name it: in the system code page, lower-cased as LowerPath does, each
// character the code page has no form for written "<U+XXXX>" (a surrogate each half).
std::string SnapshotPath(const std::wstring& path);

}  // namespace test

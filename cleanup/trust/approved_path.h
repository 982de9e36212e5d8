// A path approved for removal. Three kinds of place make one, and nothing else can: the path rule
// (cleanup/trust/path_rule.h) for every path that comes from data, canonical, with every link and mapped
// drive on the way resolved, judged as the object it leads to; the tree below an approved folder
// (cleanup/files/approved_tree.h) for the entries it walked there; and the program's own fixed files,
// which no data names. So a function that takes an ApprovedPath cannot be handed a path that was
// never judged; an empty one was refused.
#pragma once
#include <string>
#include <utility>

#include "framework/wide_text.h"

// Where an uninstall puts the detector tool for the older systems, and where the tool writes its
// report: the procedure runs and reads them there, and the program deletes both.
constexpr char kDetectorCopyPath[] = "c:\\Ipdetect.exe";
constexpr char kDetectorReportPath[] = "c:\\Dpppoe.txt";

// The program's own fixed files outside the client's folders.
enum class FixedFile {
  DetectorCopy,    // "c:\Ipdetect.exe": start-up's copy of the detector tool, for the older systems
  DetectorReport,  // "c:\Dpppoe.txt": the report the detector tool writes
  FinishingProgramCopy,  // "Unl.exe" in the system folder (as this process reaches it): start-up's copy
};

class ApprovedPath {
public:
  ApprovedPath() = default;  // refused

  // The place of a fixed file; refused where it cannot be told (no system folder).
  static ApprovedPath Of(FixedFile file);

  bool IsApproved() const { return !m_wide.empty(); }
  // The approved path in UTF-16, exactly as the system names it.
  const std::wstring& Wide() const { return m_wide; }
  // The same as text of the system code page, for the path rule's comparisons and the log (a
  // character without a form there shows as the code page's replacement).
  const std::string& Text() const { return m_text; }

private:
  friend class CPathRule;
  friend class CApprovedTree;
  explicit ApprovedPath(std::string text) : m_wide(WideFromAnsi(text)), m_text(std::move(text)) {}
  explicit ApprovedPath(std::wstring wide) : m_wide(std::move(wide)), m_text(AnsiFromWide(m_wide)) {}
  std::wstring m_wide;
  std::string m_text;
};

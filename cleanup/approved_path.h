// A path the path rule approved for removal: canonical, with every link and mapped drive on the
// way resolved, judged as the object it leads to. Only the rule makes one, so a function that takes
// an ApprovedPath cannot be handed a path that was never judged; an empty one was refused.
#pragma once
#include <string>
#include <utility>

#include "framework/wide_text.h"

class ApprovedPath {
public:
  ApprovedPath() = default;  // refused

  bool IsApproved() const { return !m_text.empty(); }
  // The approved path as text of the system code page.
  const std::string& Text() const { return m_text; }
  // The same path in UTF-16, for the calls that take it (every code-page text has one exact form).
  std::wstring Wide() const { return WideFromAnsi(m_text); }

private:
  friend class CPathRule;
  explicit ApprovedPath(std::string text) : m_text(std::move(text)) {}
  std::string m_text;
};

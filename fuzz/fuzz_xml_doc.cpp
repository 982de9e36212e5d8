// Feeds arbitrary bytes to CXmlDoc as a document, walks every element it indexed and reads
// attributes and texts, and checks what it promises: a parse succeeds exactly when it reports no
// error and has a root, the same text always gives the same result, every element found once can
// be reached again, and nothing read is longer than the document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "language/xml_doc.h"

namespace {

constexpr int kMaxDepth = 32;
constexpr int kMaxVisits = 256;

void Check(bool condition)
{
  if (!condition)
    std::abort();
}

// Attribute and element names to ask for: the usual ones and words cut from the input itself.
std::vector<std::string> NamesFrom(const std::string& text)
{
  std::vector<std::string> names = {"name", "id", "fontsize", "fontname", "module", "value"};
  const std::string delimiters = " \t\r\n<>/=?!\"'&;[]";
  size_t pos = 0;
  while (names.size() < 16 && pos < text.size()) {
    const size_t begin = text.find_first_not_of(delimiters, pos);
    if (begin == std::string::npos)
      break;
    size_t end = text.find_first_of(delimiters, begin);
    if (end == std::string::npos)
      end = text.size();
    if (end - begin <= 32)
      names.push_back(text.substr(begin, end - begin));
    pos = end;
  }
  return names;
}

struct Walker {
  CXmlDoc& doc;
  const std::vector<std::string>& names;
  size_t limit; // no value read may be longer than the document
  int visits = 0;

  // The element at path (child numbers below the root) becomes the main position.
  bool GoTo(const std::vector<int>& path)
  {
    doc.ResetPosition();
    if (!doc.FindElement(nullptr))
      return false;
    for (const int child : path) {
      for (int i = 0; i <= child; ++i)
        if (!doc.FindChild(nullptr))
          return false;
      if (!doc.EnterElement())
        return false;
    }
    return true;
  }

  void Walk(std::vector<int>& path)
  {
    Check(GoTo(path));
    for (const std::string& name : names)
      Check(doc.GetAttribute(name.c_str()).size() <= limit);
    for (int child = 0; visits < kMaxVisits; ++child) {
      Check(GoTo(path));
      bool found = true;
      for (int i = 0; i <= child && found; ++i)
        found = doc.FindChild(nullptr);
      if (!found)
        return;
      ++visits;
      for (const std::string& name : names)
        Check(doc.GetChildAttribute(name.c_str()).size() <= limit);
      Check(doc.GetChildText().size() <= limit);
      if (static_cast<int>(path.size()) < kMaxDepth) {
        path.push_back(child);
        Walk(path);
        path.pop_back();
      }
    }
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const std::string input(reinterpret_cast<const char*>(data), size);
  const char* const text = input.c_str(); // the document ends at the first zero byte

  CXmlDoc doc;
  const bool parsed = doc.SetDocument(text);
  Check(parsed == doc.HasRootElement());
  Check(parsed == doc.GetResult().empty());
  CXmlDoc again;
  again.SetDocument(text);
  Check(again.GetResult() == doc.GetResult());
  if (!parsed) {
    Check(!doc.FindElement(nullptr) && !doc.FindChild(nullptr));
    return 0;
  }

  const std::vector<std::string> names = NamesFrom(input);
  Walker walker{doc, names, std::char_traits<char>::length(text)};
  std::vector<int> path;
  walker.Walk(path);

  // Searches by name from the top, as the language pack makes them.
  for (const std::string& name : names) {
    doc.ResetPosition();
    for (int i = 0; i < kMaxVisits && doc.FindChild(name.c_str()); ++i)
      Check(doc.GetChildText().size() <= walker.limit);
    doc.ResetPosition();
    if (doc.FindElement(name.c_str()) && doc.EnterElement())
      doc.FindChild(name.c_str());
  }
  return 0;
}

#include "language/xml_doc.h"

#include "language/mbcs.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static_assert(sizeof(int32_t) == 4 && sizeof(uint32_t) == 4, "records are built of 32-bit words");

namespace {

// Byte classes of the scanner, looked up once per byte.
enum : unsigned char {
  kSpace = 0x01,     // " \t\n\r"
  kNameEnd = 0x02,   // ends a tag name: zero and " \t\n\r/>"
  kTokenEnd = 0x04,  // ends an unquoted token: zero and " \t\n\r<>=/?!"
  kNameStart = 0x08, // may follow "<" as the first byte of a tag name
  kTextEnd = 0x10,   // ends text: zero and "<"
  kLead = 0x80,      // leads a double-byte character in the system code page
};

constexpr std::array<unsigned char, 256> MakeFixedClasses()
{
  std::array<unsigned char, 256> classes{};
  for (const unsigned char c : {' ', '\t', '\n', '\r'})
    classes[c] |= kSpace | kNameEnd | kTokenEnd;
  classes[0] |= kNameEnd | kTokenEnd | kTextEnd;
  classes['<'] |= kTextEnd;
  for (const unsigned char c : {'/', '>'})
    classes[c] |= kNameEnd;
  for (const unsigned char c : {'<', '>', '=', '/', '?', '!'})
    classes[c] |= kTokenEnd;
  // Every byte above 0x60 starts a name, so lead bytes of double-byte characters do too.
  for (int c = 0x61; c < 256; ++c)
    classes[c] |= kNameStart;
  for (int c = 'A'; c <= 'Z'; ++c)
    classes[c] |= kNameStart;
  classes['_'] |= kNameStart;
  classes[':'] |= kNameStart;
  return classes;
}

// The scanner's view of bytes. The lead bytes are asked of MbCharLen once: the system code page
// cannot change while the process runs.
class ByteView {
public:
  ByteView() : m_table(Table()) {}

  bool Is(char c, unsigned char byteClass) const
  {
    return (m_table.classes[static_cast<unsigned char>(c)] & byteClass) != 0;
  }
  // As MbCharLen.
  int CharLen(const char* p) const
  {
    if (Is(*p, kLead))
      return p[1] != 0 ? 2 : 1;
    return *p != 0 ? 1 : 0;
  }
  // The first "<" or terminating zero at or after pos (a character boundary), stepping over whole
  // characters as MbCharLen does; text holds length bytes and then its zero. Words of eight bytes
  // are passed at once while they are whole characters by themselves; the word that is not is
  // passed one character at a time, and then words are tried again. Taking the position from
  // the word (a count of its leading bytes) instead would put that count in the way of every
  // following read.
  int SkipText(const char* text, int pos, int length) const
  {
    for (;;) {
      pos = SkipWholeWords(text, pos, length);
      // The word at pos is taken one character at a time.
      const int wordEnd = pos + 8;
      do {
        const unsigned char byteClass = m_table.classes[static_cast<unsigned char>(text[pos])];
        if (byteClass & kLead) {
          if (text[pos + 1] == 0)
            return pos + 1;
          pos += 2;
        } else if (byteClass & kTextEnd) {
          return pos;
        } else {
          ++pos;
        }
      } while (pos < wordEnd);
    }
  }

private:
  static constexpr uint64_t kOnes = 0x0101010101010101u;
  static constexpr uint64_t kHighBits = 0x8080808080808080u;

  struct Tables {
    std::array<unsigned char, 256> classes;
    // The longest run of bytes above 0x7F that are all lead bytes or all single characters (GBK:
    // 0x81..0xFE), as the addends of a test on the low seven bits of each byte in a word.
    uint64_t runFromAddend; // each byte 0x80 - low: the high bit is set for bytes >= the run's first
    uint64_t runToAddend;   // each byte 0x7F - high: the high bit stays clear for bytes <= its last
  };

  static const Tables& Table()
  {
    static const Tables tables = [] {
      Tables t{MakeFixedClasses(), 0, 0};
      for (int c = 0x80; c < 256; ++c) {
        const char pair[] = {static_cast<char>(c), 'A', 0};
        if (MbCharLen(pair) == 2)
          t.classes[c] |= kLead;
      }
      int bestFirst = 0x80, bestLast = 0x80;
      for (int first = 0x80; first < 256;) {
        int last = first;
        while (last + 1 < 256 && (t.classes[last + 1] & kLead) == (t.classes[first] & kLead))
          ++last;
        if (last - first > bestLast - bestFirst) {
          bestFirst = first;
          bestLast = last;
        }
        first = last + 1;
      }
      t.runFromAddend = kOnes * static_cast<uint64_t>(0x80 - (bestFirst & 0x7F));
      t.runToAddend = kOnes * static_cast<uint64_t>(0x7F - (bestLast & 0x7F));
      return t;
    }();
    return tables;
  }

  // Non-zero when word holds a zero byte.
  static uint64_t ZeroBytes(uint64_t word) { return (word - kOnes) & ~word & kHighBits; }

  // Offset of the first group of eight bytes at or after pos that is not whole characters of one
  // of two kinds: ASCII without "<" or zero, or bytes of the run above (an even number of lead
  // bytes pairs up, so the word ends on a character boundary as it began). Words are read only
  // while they lie inside the text's length bytes.
  int SkipWholeWords(const char* text, int pos, int length) const
  {
    for (; pos + 8 <= length; pos += 8) {
      uint64_t word;
      std::memcpy(&word, text + pos, sizeof word);
      const uint64_t high = word & kHighBits;
      if (high == kHighBits) {
        const uint64_t low = word & ~kHighBits;
        if (((low + m_table.runFromAddend) & kHighBits) != kHighBits ||
            ((low + m_table.runToAddend) & kHighBits) != 0)
          break;
      } else if (high != 0 || ZeroBytes(word) != 0 || ZeroBytes(word ^ (kOnes * '<')) != 0) {
        break;
      }
    }
    return pos;
  }

  const Tables& m_table;
};

std::string AtOffset(int offset)
{
  return " at offset " + std::to_string(offset);
}

// Offset just past the ">" that ends a node opened at start, scanning from pos; the bytes before
// that ">" must equal the delimiter's leading bytes. -1 at the end of the text.
int ScanToDelimiter(const ByteView& bytes, const char* text, int start, int pos, const char* delimiter)
{
  const int delimiterLength = static_cast<int>(std::strlen(delimiter));
  for (;;) {
    const char c = text[pos];
    if (c == 0)
      return -1;
    if (c == '>' && pos - start >= delimiterLength &&
        std::memcmp(text + pos - (delimiterLength - 1), delimiter, delimiterLength - 1) == 0)
      return pos + 1;
    pos += bytes.CharLen(text + pos);
  }
}

// Whether the count bytes at first and at second are equal. Up to eight are compared as one word
// when eight bytes can be read at both (the text holds length bytes).
bool SameBytes(const char* text, int first, int second, int count, int length)
{
  if (count > 8 || std::max(first, second) + 8 > length)
    return std::memcmp(text + first, text + second, static_cast<size_t>(count)) == 0;
  static const unsigned char kMaskBytes[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  uint64_t a, b, mask;
  std::memcpy(&a, text + first, sizeof a);
  std::memcpy(&b, text + second, sizeof b);
  std::memcpy(&mask, kMaskBytes + 8 - count, sizeof mask); // the first count bytes set
  return ((a ^ b) & mask) == 0;
}

// Offset just past an end tag whose name, at name, repeats the nameLength bytes of the open
// element's name at openName and is followed at once by ">"; -1 for any other end tag.
int EndOfRepeatedName(const char* text, int name, int openName, int nameLength, int length)
{
  const int close = name + nameLength;
  if (close >= length || text[close] != '>' || !SameBytes(text, name, openName, nameLength, length))
    return -1;
  return close + 1;
}

// Offset of the first byte at or after pos that ends a tag name.
int ScanName(const ByteView& bytes, const char* text, int pos)
{
  while (!bytes.Is(text[pos], kNameEnd))
    ++pos;
  return pos;
}

// Offset just past the ">" that ends a start tag, scanning from the end of its name; a ">"
// inside a quoted value does not count. -1 at the end of the text.
int ScanStartTag(const ByteView& bytes, const char* text, int pos)
{
  char quote = 0;
  for (;;) {
    const char c = text[pos];
    if (c == 0)
      return -1;
    if (c == '"' || c == '\'') {
      if (!quote)
        quote = c;
      else if (quote == c)
        quote = 0;
      ++pos;
    } else if (c == '>' && !quote) {
      return pos + 1;
    } else {
      pos += bytes.CharLen(text + pos);
    }
  }
}

// Offset just past the ">" that ends an end tag, scanning from the end of its name. -1 at the end
// of the text.
int ScanEndTag(const ByteView& bytes, const char* text, int pos)
{
  for (;;) {
    const char c = text[pos];
    if (c == 0)
      return -1;
    if (c == '>')
      return pos + 1;
    pos += bytes.CharLen(text + pos);
  }
}

bool EndsMatchedName(char after)
{
  return after == 0 || after == ' ' || after == '=' || after == '/' || after == '[';
}

// The tag name that begins at pos.
std::string NameFrom(const ByteView& bytes, const char* text, int pos)
{
  return std::string(text + pos, static_cast<size_t>(ScanName(bytes, text, pos) - pos));
}

// Whether the end-tag name [first, last) closes the element whose start tag opens at start: the
// start tag's name begins with it and goes on with nothing, "=" or "[".
bool EndTagCloses(const ByteView& bytes, const char* text, int first, int last, int start)
{
  const char* const startName = text + start + 1;
  const size_t length = static_cast<size_t>(last - first);
  if (std::memcmp(startName, text + first, length) != 0)
    return false;
  const char after = startName[length];
  return bytes.Is(after, kNameEnd) || EndsMatchedName(after);
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

} // namespace

void CXmlDoc::ElementRecord::ResetAsTop()
{
  start = 0;
  length = 0;
  SetTagLengths(0, 1);
  flagsLevel = 0;
  parent = 0;
  firstChild = 0;
  nextSibling = 0;
  prevSibling = 0;
}

CXmlDoc::CXmlDoc()
{
  static_assert(sizeof(ElementRecord) == 32, "an element record is eight 32-bit words");
  ParseDocument();
}

bool CXmlDoc::SetDocument(const char* text)
{
  m_doc = text ? text : "";
  m_result.clear();
  return ParseDocument();
}

bool CXmlDoc::LoadFile(const char* path)
{
  if (!ReadTextFile(path, m_doc, &m_result))
    return false;
  return ParseDocument();
}

bool CXmlDoc::ReadTextFile(const char* path, std::string& text, std::string* note)
{
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) {
    if (note)
      *note = std::strerror(errno);
    return false;
  }
  // Read into a string of our own, so that a failed read leaves the caller's text untouched.
  long size = -1;
  if (std::fseek(file.get(), 0, SEEK_END) == 0)
    size = std::ftell(file.get());
  if (size < 0 || static_cast<unsigned long>(size) > kMaxDocumentLength ||
      std::fseek(file.get(), 0, SEEK_SET) != 0) {
    if (note)
      *note = std::strerror(size < 0 ? errno : EFBIG);
    return false;
  }
  std::string content(static_cast<size_t>(size), '\0');
  if (size != 0) {
    errno = 0;
    if (std::fread(&content[0], 1, content.size(), file.get()) != content.size()) {
      if (note)
        *note = std::strerror(errno != 0 ? errno : EIO);
      return false;
    }
  }
  text.swap(content);
  if (note)
    *note = std::to_string(size) + " bytes";
  return true;
}

bool CXmlDoc::HasRootElement() const
{
  return m_recordCount > 0 && Record(0).firstChild != 0;
}

bool CXmlDoc::ParseDocument()
{
  const std::string readNote = m_result;
  SetPositions(0, 0, 0);
  m_nextFree = 1;
  const size_t docLength = std::min(m_doc.size(), kMaxDocumentLength + 1);
  GrowElements(static_cast<int>(docLength / 64 + 8));
  m_result.clear();

  bool parsed = false;
  if (m_doc.empty()) {
    m_result = "Empty document";
  } else if (m_doc.size() > kMaxDocumentLength) {
    m_result = "Document too large";
  } else {
    Record(0).ResetAsTop();
    TokenRange range(m_doc.c_str(), 0);
    const int root = ParseElements(0, range);
    if (root > 0) {
      Record(0).firstChild = root;
      Record(0).length = static_cast<int>(m_doc.size());
      parsed = true;
    }
  }
  if (!parsed) {
    Record(0).ResetAsTop();
    m_nextFree = 1;
  }
  SetPositions(0, 0, 0);
  if (!readNote.empty())
    m_result = m_result.empty() ? readNote : readNote + ", " + m_result;
  return parsed;
}

inline int CXmlDoc::AppendElement(int parent, int lastChild, int start, int startTagLength, int level)
{
  const int index = NewElement();
  // Taken after NewElement, which may grow the index.
  ElementRecord& parentRecord = Record(parent);
  ElementRecord& record = Record(index);
  record.parent = parent;
  record.nextSibling = 0;
  uint32_t flags = 0;
  if (!parentRecord.firstChild) {
    parentRecord.firstChild = index;
    record.prevSibling = index;
    flags = kFirstChildFlag;
  } else {
    // The first child learns its last sibling when the parent ends.
    Record(lastChild).nextSibling = index;
    record.prevSibling = lastChild;
  }
  record.flagsLevel = flags | std::min<uint32_t>(static_cast<uint32_t>(level), kLevelMask);
  record.firstChild = 0;
  record.start = start;
  record.SetTagLengths(startTagLength, 0);
  return index;
}

// Element tags are scanned here directly and text is skipped; every other node goes through
// ParseNode. Open elements are found again through the records' parent links.
int CXmlDoc::ParseElements(int parentRecord, TokenRange& range)
{
  const ByteView bytes;
  const char* const text = range.text;
  const int length = static_cast<int>(m_doc.size());
  const int baseLevel = Record(parentRecord).Level();
  int current = parentRecord;
  int depth = 0;
  int root = 0;
  // The element that ended last: when the current element has children, its last child.
  int lastEnded = 0;
  ParsedNode other;

  for (int pos = 0;;) {
    const char c = text[pos];
    if (c == 0) {
      if (depth > 0) {
        const int start = Record(current).start;
        m_result = "Element '" + NameFrom(bytes, text, start + 1) + "'" + AtOffset(start) + " not ended";
        return -1;
      }
      if (!root) {
        m_result = "Root element not found";
        return 0;
      }
      return root;
    }
    if (c != '<') {
      // Text and whitespace are not indexed; text outside the root is accepted and ignored.
      while (bytes.Is(text[pos], kSpace))
        ++pos;
      if (text[pos] != '<')
        pos = bytes.SkipText(text, pos, length);
      continue;
    }

    const char c1 = text[pos + 1];
    if (bytes.Is(c1, kNameStart)) {
      const int nameEnd = ScanName(bytes, text, pos + 1);
      const int end = text[nameEnd] == '>' ? nameEnd + 1 : ScanStartTag(bytes, text, nameEnd);
      if (end < 0) {
        m_result = "Element tag" + AtOffset(pos) + " unterminated";
        return -1;
      }
      if (root && depth == 0) {
        m_result = "Element '" + NameFrom(bytes, text, pos + 1) + "'" + AtOffset(pos) + " is sibling to root";
        return -1;
      }
      if (end - pos > kMaxStartTagLength) {
        m_result = "Element tag" + AtOffset(pos) + " too long";
        return -1;
      }
      const int index = AppendElement(current, lastEnded, pos, end - pos, baseLevel + depth);
      if (!root)
        root = index;
      if (text[end - 2] == '/') {
        Record(index).length = end - pos;
        lastEnded = index;
      } else {
        // Until the element ends, its length holds the length of its name.
        Record(index).length = nameEnd - pos - 1;
        current = index;
        ++depth;
      }
      pos = end;
    } else if (c1 == '/') {
      // An end tag that repeats the open element's name is taken at once; any other gets the full
      // scan, which also reports what is wrong with it.
      int end = -1;
      if (depth > 0)
        end = EndOfRepeatedName(text, pos + 2, Record(current).start + 1, Record(current).length, length);
      if (end < 0 || end - pos > kMaxEndTagLength) {
        const int nameEnd = ScanName(bytes, text, pos + 2);
        end = ScanEndTag(bytes, text, nameEnd);
        if (end < 0) {
          m_result = "Element end tag" + AtOffset(pos) + " unterminated";
          return -1;
        }
        if (depth == 0) {
          m_result = "No start tag for end tag '" + NameFrom(bytes, text, pos + 2) + "'" + AtOffset(pos);
          return -1;
        }
        if (end - pos > kMaxEndTagLength) {
          m_result = "Element end tag" + AtOffset(pos) + " too long";
          return -1;
        }
        const int start = Record(current).start;
        if (!EndTagCloses(bytes, text, pos + 2, nameEnd, start)) {
          m_result = "End tag '" + NameFrom(bytes, text, pos + 2) + "'" + AtOffset(pos + 1) +
                     " does not match start tag '" + NameFrom(bytes, text, start + 1) + "'" + AtOffset(start);
          return -1;
        }
      }
      ElementRecord& record = Record(current);
      record.length = end - record.start;
      record.SetTagLengths(record.StartTagLength(), end - pos);
      if (record.firstChild)
        Record(record.firstChild).prevSibling = lastEnded;
      --depth;
      lastEnded = current;
      current = record.parent;
      pos = end;
    } else {
      range.next = pos;
      if (ParseNode(range, other) == kNodeError) {
        m_result = other.name;
        return -1;
      }
      pos = range.next;
    }
  }
}

int CXmlDoc::ParseNode(TokenRange& range, ParsedNode& node) const
{
  node.start = range.next;
  node.flags = 0;
  const char c = range.text[range.next];
  if (c == 0) {
    node.length = 0;
    node.type = 0;
    return kNodeEnd;
  }
  if (c == '<')
    return ScanMarkup(range, node);
  return ScanText(range, node);
}

// Text, or a run of whitespace only; both end before the next "<" or at the end of the text.
int CXmlDoc::ScanText(TokenRange& range, ParsedNode& node) const
{
  const ByteView bytes;
  const char* const text = range.text;
  int pos = node.start;
  int type = kNodeWhitespace;
  while (bytes.Is(text[pos], kSpace))
    ++pos;
  if (!bytes.Is(text[pos], kTextEnd)) {
    type = kNodeText;
    pos = bytes.SkipText(text, pos, static_cast<int>(m_doc.size()));
  }
  range.next = pos;
  node.length = pos - node.start;
  node.type = type;
  return type;
}

// A node that begins with "<": tags, comments, CDATA sections, processing instructions and the
// document type declaration.
int CXmlDoc::ScanMarkup(TokenRange& range, ParsedNode& node) const
{
  const ByteView bytes;
  const char* const text = range.text;
  const int start = node.start;
  const auto fail = [&node](const std::string& message) {
    node.name = message;
    node.type = kNodeError;
    return kNodeError;
  };
  const auto incorrect = [&fail, start](const char* what) {
    return fail(std::string("Incorrect ") + what + AtOffset(start));
  };
  const auto unterminated = [&fail, start](const char* label) {
    return fail(label + AtOffset(start) + " unterminated");
  };
  const auto finish = [&range, &node](int end, int type) {
    range.next = end;
    node.length = end - node.start;
    node.type = type;
    return type;
  };

  const char c1 = text[start + 1];
  if (bytes.Is(c1, kNameStart)) {
    const int nameEnd = ScanName(bytes, text, start + 1);
    node.name.assign(text + start + 1, static_cast<size_t>(nameEnd - start - 1));
    const int end = ScanStartTag(bytes, text, nameEnd);
    if (end < 0)
      return unterminated("Element tag");
    if (text[end - 2] == '/')
      node.flags |= kEmptyElementFlag;
    return finish(end, kNodeElement);
  }
  if (c1 == '/') {
    const int nameEnd = ScanName(bytes, text, start + 2);
    range.first = start + 2;
    range.last = nameEnd - 1;
    const int end = ScanEndTag(bytes, text, nameEnd);
    return end < 0 ? unterminated("Element end tag") : finish(end, kNodeEndTag);
  }
  if (c1 == '?') {
    const int nameEnd = ScanName(bytes, text, start + 2);
    node.name.assign(text + start + 2, static_cast<size_t>(nameEnd - start - 2));
    const int end = ScanToDelimiter(bytes, text, start, nameEnd, "?>");
    return end < 0 ? unterminated("Processing instruction") : finish(end, kNodeProcessingInstruction);
  }
  if (c1 == 0)
    return unterminated("tag");
  if (c1 != '!')
    return incorrect("tag name character");

  const char c2 = text[start + 2];
  switch (c2) {
  case 0:
    return unterminated("tag");
  case '-': {
    const char c3 = text[start + 3];
    if (c3 == 0)
      return unterminated("tag");
    if (c3 != '-')
      return incorrect("comment tag");
    const int end = ScanToDelimiter(bytes, text, start, start + 4, "-->");
    return end < 0 ? unterminated("Comment") : finish(end, kNodeComment);
  }
  case '[': {
    const char c3 = text[start + 3];
    if (c3 == 0)
      return unterminated("tag");
    if (c3 != 'C')
      return incorrect("tag");
    const int end = ScanToDelimiter(bytes, text, start, start + 4, "]]>");
    return end < 0 ? unterminated("CDATA Section") : finish(end, kNodeCData);
  }
  case 'E':
  case 'A':
  case 'N':
    return incorrect("markup declaration outside document type");
  case 'D':
    break;
  default:
    return incorrect("! tag");
  }

  // Document type declaration: nested comments, processing instructions and markup declarations
  // are skipped whole; the first ">" outside them ends the declaration.
  for (int pos = start + 3;;) {
    const char c = text[pos];
    if (c == 0)
      return unterminated("Doctype");
    if (c == '>')
      return finish(pos + 1, kNodeDocType);
    if (c != '<') {
      pos += bytes.CharLen(text + pos);
      continue;
    }
    int end = -1;
    const char n1 = text[pos + 1];
    if (n1 == '?') {
      end = ScanToDelimiter(bytes, text, pos, pos + 2, "?>");
    } else if (n1 == '!') {
      const char n2 = text[pos + 2];
      if (n2 == '-') {
        const char n3 = text[pos + 3];
        if (n3 != '-' && n3 != 0)
          return incorrect("comment tag");
        if (n3 == '-')
          end = ScanToDelimiter(bytes, text, pos, pos + 4, "-->");
      } else if (n2 == 'E' || n2 == 'A' || n2 == 'N') {
        end = ScanToDelimiter(bytes, text, pos, pos + 3, ">");
      } else if (n2 != 0) {
        return incorrect("! tag");
      }
    } else if (n1 != 0) {
      return incorrect("tag name character");
    }
    if (end < 0)
      return unterminated("Doctype");
    pos = end;
  }
}

bool CXmlDoc::NextToken(TokenRange& range)
{
  const ByteView bytes;
  const char* const text = range.text;
  int pos = range.next;
  while (bytes.Is(text[pos], kSpace))
    ++pos;
  range.quoted = false;
  const char c = text[pos];
  if (c == 0) {
    range.first = pos;
    range.last = pos - 1;
    range.next = pos;
    return false;
  }
  if (c == '"' || c == '\'') {
    range.first = ++pos;
    while (text[pos] != 0 && text[pos] != c)
      pos += bytes.CharLen(text + pos);
    range.last = pos - 1;
    if (text[pos] != 0)
      ++pos;
    range.quoted = true;
    range.next = pos;
    return true;
  }
  range.first = pos;
  while (!bytes.Is(text[pos], kTokenEnd))
    pos += bytes.CharLen(text + pos);
  if (pos == range.first)
    ++pos; // the token is that single delimiter
  range.last = pos - 1;
  range.next = pos;
  return true;
}

bool CXmlDoc::TokenMatches(const TokenRange& token, const char* name)
{
  const int length = token.Length();
  return std::strncmp(name, token.Begin(), static_cast<size_t>(length)) == 0 && EndsMatchedName(name[length]);
}

void CXmlDoc::GrowElements(int wanted)
{
  if (wanted == 0)
    wanted = std::max(m_nextFree + m_nextFree / 2, m_nextFree + 1);
  if (m_recordCount >= wanted)
    return;
  const int lastSegment = m_recordCount ? (m_recordCount - 1) >> kSegmentBits : 0;
  int newLastSegment = (wanted - 1) >> kSegmentBits;
  if (newLastSegment > lastSegment + 1) {
    wanted = (lastSegment + 2) << kSegmentBits;
    newLastSegment = lastSegment + 1;
  }
  if (newLastSegment >= m_segmentCapacity) {
    const int capacity = newLastSegment * 2 + 4;
    std::unique_ptr<Segment[]> table(new Segment[capacity]);
    for (int i = 0; i < m_segmentCapacity; ++i)
      table[i] = std::move(m_segments[i]);
    m_segments = std::move(table);
    m_segmentCapacity = capacity;
  }
  const int inLastSegment = m_recordCount - (lastSegment << kSegmentBits);
  if (newLastSegment > lastSegment && inLastSegment < kSegmentSize)
    ResizeSegment(lastSegment, inLastSegment, kSegmentSize);
  ResizeSegment(newLastSegment, newLastSegment == lastSegment ? inLastSegment : 0,
                wanted - (newLastSegment << kSegmentBits));
  m_recordCount = wanted;
}

// New records are left uninitialised: every word is written when the record is taken.
void CXmlDoc::ResizeSegment(int segment, int keep, int size)
{
  Segment records(new ElementRecord[static_cast<size_t>(size)]);
  if (keep > 0)
    std::copy(m_segments[segment].get(), m_segments[segment].get() + keep, records.get());
  m_segments[segment] = std::move(records);
}

int CXmlDoc::NewElement()
{
  if (m_nextFree == m_recordCount)
    GrowElements(0);
  return m_nextFree++;
}

void CXmlDoc::SetPositions(int parent, int main, int child)
{
  m_parentPos = parent;
  m_mainPos = main;
  m_childPos = child;
  m_nodeType = main ? 1 : 0;
}

void CXmlDoc::ResetPosition()
{
  SetPositions(0, 0, 0);
}

int CXmlDoc::FindSibling(int parent, int current, const char* name) const
{
  int candidate = current ? Record(current).nextSibling : Record(parent).firstChild;
  if (!name || !*name)
    return candidate;
  for (; candidate; candidate = Record(candidate).nextSibling) {
    TokenRange token(m_doc.c_str(), Record(candidate).start + 1);
    NextToken(token);
    if (TokenMatches(token, name))
      return candidate;
  }
  return 0;
}

bool CXmlDoc::FindElement(const char* name)
{
  if (m_recordCount == 0)
    return false;
  const int found = FindSibling(m_parentPos, m_mainPos, name);
  if (!found)
    return false;
  SetPositions(Record(found).parent, found, 0);
  return true;
}

bool CXmlDoc::FindChild(const char* name)
{
  // From the top (or after entering an element without a child) first take the next element;
  // without one there is no main position whose children could be searched.
  if (m_mainPos == 0 && !FindElement(nullptr))
    return false;
  const int found = FindSibling(m_mainPos, m_childPos, name);
  if (!found)
    return false;
  SetPositions(Record(m_mainPos).parent, m_mainPos, found);
  return true;
}

bool CXmlDoc::EnterElement()
{
  if (m_mainPos == 0)
    return false;
  SetPositions(m_mainPos, m_childPos, 0);
  return true;
}

std::string CXmlDoc::GetAttribute(const char* name) const
{
  if (m_nodeType != 1)
    return std::string();
  return AttributeOf(m_mainPos, name);
}

std::string CXmlDoc::GetChildAttribute(const char* name) const
{
  if (m_childPos == 0)
    return std::string();
  return AttributeOf(m_childPos, name);
}

std::string CXmlDoc::GetChildText() const
{
  if (m_childPos == 0)
    return std::string();
  return ElementText(m_childPos);
}

// Scans the start tag again: token 0 is the name, then name "=" value triples; only a quoted value
// two tokens after the matching name counts.
std::string CXmlDoc::AttributeOf(int index, const char* name) const
{
  if (!name)
    return std::string();
  TokenRange token(m_doc.c_str(), Record(index).start + 1);
  int matchedAt = -1;
  for (int number = 0; NextToken(token); ++number) {
    if (token.quoted) {
      if (matchedAt >= 0 && number == matchedAt + 2)
        return UnescapeText(token.first, token.Length());
      continue;
    }
    const char first = *token.Begin();
    if (first == '>' || first == '/' || first == '?')
      break;
    const bool isEquals = token.Length() == 1 && first == '=';
    if (number != 0 && matchedAt < 0 && !isEquals && TokenMatches(token, name))
      matchedAt = number;
  }
  return std::string();
}

std::string CXmlDoc::ElementText(int index) const
{
  const ElementRecord& record = Record(index);
  if (record.firstChild || record.EndTagLength() == 0)
    return std::string();
  const char* const text = m_doc.c_str();
  const int begin = record.ContentStart();
  const int end = begin + record.ContentLength();

  const int pos = ByteView().SkipText(text, begin, static_cast<int>(m_doc.size()));
  if (pos >= end || text[pos] != '<')
    return UnescapeText(begin, end - begin);

  // Mixed content: text nodes unescaped, CDATA sections literally, everything else dropped.
  std::string result;
  TokenRange range(text, begin);
  ParsedNode node;
  while (range.next < end) {
    const int type = ParseNode(range, node);
    if (type < 0)
      break;
    const int length = std::min(node.length, end - node.start);
    if (type == kNodeText) {
      AppendUnescaped(result, node.start, length);
    } else if (type == kNodeCData && length >= 12) {
      // Without "<![CDATA[" and "]]>"; a section too short to hold both gives nothing.
      result.append(text + node.start + 9, static_cast<size_t>(length - 12));
    }
  }
  return result;
}

std::string CXmlDoc::UnescapeText(int offset, int length) const
{
  std::string result;
  result.reserve(static_cast<size_t>(std::max(length, 0)));
  AppendUnescaped(result, offset, length);
  return result;
}

void CXmlDoc::AppendUnescaped(std::string& out, int offset, int length) const
{
  static const struct {
    const char* name;
    int length;
    char replacement;
  } kEntities[] = {{"lt;", 3, '<'}, {"amp;", 4, '&'}, {"gt;", 3, '>'}, {"apos;", 5, '\''}, {"quot;", 5, '"'}};

  const ByteView bytes;
  const char* p = m_doc.c_str() + offset;
  const char* const end = p + length;
  while (p < end) {
    // Copy whole characters up to the next "&"; a character is never split nor taken past the span.
    const char* const run = p;
    while (p < end && *p != '&' && *p != 0)
      p += bytes.CharLen(p);
    p = std::min(p, end);
    out.append(run, static_cast<size_t>(p - run));
    if (p == end || *p != '&')
      return;

    const char* replaced = nullptr;
    if (p + 1 < end && p[1] == '#') {
      // Numeric reference: up to 7 bytes of digits ended by ";" inside the span.
      const bool hex = p + 2 < end && p[2] == 'x';
      const char* const digits = p + (hex ? 3 : 2);
      const char* q = digits;
      while (q < end && *q != ';' && *q != 0 && q - digits < 7)
        q += bytes.CharLen(q);
      if (q < end && *q == ';') {
        // Without a locale only the values 1 to 255 convert, each to that single byte; 0 and
        // everything else stays as written.
        const long value = std::strtol(digits, nullptr, hex ? 16 : 10);
        if (value >= 1 && value <= 255) {
          out += static_cast<char>(value);
          replaced = q + 1;
        }
      }
    } else {
      for (const auto& entity : kEntities) {
        if (end - (p + 1) >= entity.length && std::memcmp(p + 1, entity.name, entity.length) == 0) {
          out += entity.replacement;
          replaced = p + 1 + entity.length;
          break;
        }
      }
    }
    if (replaced) {
      p = replaced;
    } else {
      out += '&';
      ++p;
    }
  }
}

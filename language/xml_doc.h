// CXmlDoc: a read-only XML document kept as one text plus an index of its elements.
//
// The text stays exactly as read (ANSI multibyte, never converted). Every element is known only by
// offsets into it, through a 32-byte ElementRecord; names, attributes and texts are found again by
// scanning the text when asked for. The parser makes one pass and reports the first error.
// Navigation keeps three positions (parent, main, child) in the manner of a cursor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CXmlDoc {
public:
  // An empty document (result text "Empty document").
  CXmlDoc();
  CXmlDoc(const CXmlDoc&) = delete;
  CXmlDoc& operator=(const CXmlDoc&) = delete;

  // Replaces the document with text (null: empty) and parses it; true when a root element was
  // found and no error occurred.
  bool SetDocument(const char* text);
  // Reads the file and parses it. When the file cannot be read, returns false and keeps the
  // previous document; the result text then holds the reason.
  bool LoadFile(const char* path);
  // Reads a whole file as bytes into text. On failure text is left as it was and note (when
  // given) receives the C runtime's error text; on success note reads like "1520 bytes".
  static bool ReadTextFile(const char* path, std::string& text, std::string* note = nullptr);

  bool HasRootElement() const;
  // The note of the last load followed by the first parse error, e.g. "9 bytes, Root element not found".
  const std::string& GetResult() const { return m_result; }

  // Navigation: see the positions below. All return true when they moved.
  void ResetPosition();
  // Next sibling of the main position (or first child of the parent) named name; null or "" take
  // the next one whatever its name.
  bool FindElement(const char* name);
  // Next child of the main position named name; from the reset state it first enters the root.
  bool FindChild(const char* name);
  // The main position becomes the parent and the child position the main position.
  bool EnterElement();

  // Reading: empty strings when nothing is found. Only quoted attribute values are found.
  std::string GetAttribute(const char* name) const;
  std::string GetChildAttribute(const char* name) const;
  std::string GetChildText() const;

protected:
  // Eight 32-bit words per element.
  struct ElementRecord {
    int32_t start;       // offset of the "<" of the start tag
    int32_t length;      // through the ">" of the end tag (or of the empty-element tag)
    uint32_t tagLengths; // start-tag length in the low 22 bits, end-tag length in the high 10
    uint32_t flagsLevel; // nesting level in the low 16 bits, kFirstChildFlag
    int32_t parent;
    int32_t firstChild;
    int32_t nextSibling;
    int32_t prevSibling; // the first child holds the last sibling here

    int StartTagLength() const { return static_cast<int>(tagLengths & kStartTagMask); }
    // Sign-extended, so 0..511 read back as written; 0 marks an empty-element tag.
    int EndTagLength() const { return static_cast<int32_t>(tagLengths) >> kEndTagShift; }
    void SetTagLengths(int startTag, int endTag)
    {
      tagLengths = (static_cast<uint32_t>(startTag) & kStartTagMask) |
                   (static_cast<uint32_t>(endTag) << kEndTagShift);
    }
    int Level() const { return static_cast<int>(flagsLevel & kLevelMask); }
    int ContentStart() const { return start + StartTagLength(); }
    int ContentLength() const { return length - StartTagLength() - EndTagLength(); }
    // The virtual top record's empty state: all words 0, end-tag length 1.
    void ResetAsTop();
  };

  // A span of the text being scanned. Empty when last == first - 1.
  struct TokenRange {
    TokenRange(const char* scanned, int from) : next(from), text(scanned) {}
    int Length() const { return last - first + 1; }
    const char* Begin() const { return text + first; }

    int first = 0;
    int last = -1;
    int next = 0;        // where scanning continues
    const char* text;
    bool quoted = false; // the token was a quoted string (quotes not included)
  };

  struct ParsedNode {
    int type = 0;
    int start = 0;
    int length = 0;
    int flags = 0;
    std::string name; // tag name of a start tag or processing instruction, or the error message
  };

  enum NodeType {
    kNodeEnd = -2,
    kNodeError = -1,
    kNodeEndTag = 0,
    kNodeElement = 1,
    kNodeText = 2,
    kNodeWhitespace = 4,
    kNodeCData = 8,
    kNodeProcessingInstruction = 16,
    kNodeComment = 32,
    kNodeDocType = 64,
  };

  static constexpr int kEmptyElementFlag = 0x10000; // ParsedNode::flags: the start tag ends "/>"
  static constexpr uint32_t kFirstChildFlag = 0x80000;
  static constexpr uint32_t kLevelMask = 0xFFFF;
  static constexpr uint32_t kStartTagMask = 0x3FFFFF;
  static constexpr int kEndTagShift = 22;
  static constexpr int kMaxStartTagLength = 0x3FFFFF;
  static constexpr int kMaxEndTagLength = 511;
  static constexpr int kSegmentBits = 16;
  static constexpr int kSegmentSize = 1 << kSegmentBits; // records per segment (2 MB)

  bool ParseDocument();
  int ParseElements(int parentRecord, TokenRange& range);
  int ParseNode(TokenRange& range, ParsedNode& node) const;
  static bool NextToken(TokenRange& range);
  static bool TokenMatches(const TokenRange& token, const char* name);

  // Makes room for wanted records (0: half as many again as in use), one segment at a time.
  void GrowElements(int wanted);
  int NewElement();
  // Takes a record for an element whose start tag begins at start and links it as the last child
  // of parent, after lastChild when parent already has a child; its length and end tag are set
  // when the element ends, and so is the link from the parent's first child to its last.
  int AppendElement(int parent, int lastChild, int start, int startTagLength, int level);
  ElementRecord& Record(int index) { return m_segments[index >> kSegmentBits][index & (kSegmentSize - 1)]; }
  const ElementRecord& Record(int index) const
  {
    return m_segments[index >> kSegmentBits][index & (kSegmentSize - 1)];
  }
  int RecordCount() const { return m_recordCount; }
  int NextFreeRecord() const { return m_nextFree; }
  int SegmentCapacity() const { return m_segmentCapacity; }

  std::string UnescapeText(int offset, int length) const;
  std::string ElementText(int index) const;

  // Longest document the 32-bit offsets can address.
  static constexpr size_t kMaxDocumentLength = 0x7FFFFFF0;

private:
  using Segment = std::unique_ptr<ElementRecord[]>;

  int ScanText(TokenRange& range, ParsedNode& node) const;
  int ScanMarkup(TokenRange& range, ParsedNode& node) const;
  int FindSibling(int parent, int current, const char* name) const;
  std::string AttributeOf(int index, const char* name) const;
  void AppendUnescaped(std::string& out, int offset, int length) const;
  void SetPositions(int parent, int main, int child);
  void ResizeSegment(int segment, int keep, int size);

  std::string m_doc;
  std::string m_result;
  int m_parentPos = 0;
  int m_mainPos = 0;
  int m_childPos = 0;
  int m_nextFree = 1;
  int m_nodeType = 0;
  std::unique_ptr<Segment[]> m_segments;
  int m_recordCount = 0;
  int m_segmentCapacity = 0;
};

#include <gtest/gtest.h>

#include "language/mbcs.h"
#include "language/xml_doc.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Opens the element index to the tests.
class XmlDocProbe : public CXmlDoc {
public:
  using CXmlDoc::ElementRecord;
  using CXmlDoc::GrowElements;
  using CXmlDoc::NextFreeRecord;
  using CXmlDoc::Record;
  using CXmlDoc::RecordCount;
  using CXmlDoc::SegmentCapacity;
  using CXmlDoc::UnescapeText;
};

std::string Parse(const std::string& text)
{
  CXmlDoc doc;
  doc.SetDocument(text.c_str());
  return doc.GetResult();
}

TEST(XmlDocParse, ReportsTheFirstErrorWithItsOffset)
{
  struct Case {
    const char* text;
    const char* result;
  } cases[] = {
      {"", "Empty document"},
      {"  just text ", "Root element not found"},
      {"<?xml version='1.0'?><!-- c -->", "Root element not found"},
      {"<a/><b/>", "Element 'b' at offset 4 is sibling to root"},
      {"</a>", "No start tag for end tag 'a' at offset 0"},
      {"<a></b>", "End tag 'b' at offset 4 does not match start tag 'a' at offset 0"},
      {"<r><a></b></r>", "End tag 'b' at offset 7 does not match start tag 'a' at offset 3"},
      {"<a></b><c>", "End tag 'b' at offset 4 does not match start tag 'a' at offset 0"},
      {"<a><b>", "Element 'b' at offset 3 not ended"},
      // A lead byte just before the end of the text stands alone.
      {"<language_pack_root>\xD6", "Element 'language_pack_root' at offset 0 not ended"},
      {"<language_pack_root v='\xD6", "Element tag at offset 0 unterminated"},
      {"<language_pack_root><!--\xD6", "Comment at offset 20 unterminated"},
      {"<a x='1>'", "Element tag at offset 0 unterminated"},
      {"<a></a", "Element end tag at offset 3 unterminated"},
      {"<a><![CDATA[x]>", "CDATA Section at offset 3 unterminated"},
      {"<?xml version='1.0'>", "Processing instruction at offset 0 unterminated"},
      {"<a><!-- x", "Comment at offset 3 unterminated"},
      {"<a><!-- x ->", "Comment at offset 3 unterminated"},
      {"<!DOCTYPE a [<!ELEMENT a ANY>", "Doctype at offset 0 unterminated"},
      {"<!DOCTYPE a [<!-- > -", "Doctype at offset 0 unterminated"},
      {"<a>x<", "tag at offset 4 unterminated"},
      {"<a><!", "tag at offset 3 unterminated"},
      {"<a><!-", "tag at offset 3 unterminated"},
      {"<1/>", "Incorrect tag name character at offset 0"},
      {"<a>< b/></a>", "Incorrect tag name character at offset 3"},
      {"<!X>", "Incorrect ! tag at offset 0"},
      {"<!-x-->", "Incorrect comment tag at offset 0"},
      {"<a><![X[y]]></a>", "Incorrect tag at offset 3"},
      {"<!ELEMENT a ANY><a/>", "Incorrect markup declaration outside document type at offset 0"},
      {"<a><!ATTLIST a b CDATA #IMPLIED></a>", "Incorrect markup declaration outside document type at offset 3"},
      {"<a><!NOTATION n SYSTEM 'x'></a>", "Incorrect markup declaration outside document type at offset 3"},
      {"x<!DOCTYPE a [<b>]><a/>", "Incorrect tag name character at offset 1"},
      {"<!DOCTYPE a [<!X>]><a/>", "Incorrect ! tag at offset 0"},
      {"<!DOCTYPE a [<!-x>]><a/>", "Incorrect comment tag at offset 0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.result, Parse(c.text)) << c.text;
}

// End tags that repeat the open element's name are taken by one comparison of up to eight bytes,
// or of more; the rest by the full scan. Both give the same answers.
TEST(XmlDocParse, EndTagsMatchTheirStartTagsWhateverTheNameLength)
{
  struct Case {
    const char* text;
    const char* result;
  } cases[] = {
      {"<a></a>", ""},
      {"<abcdefgh></abcdefgh>", ""},
      {"<abcdefghi></abcdefghi>", ""},
      {"<r><abcdefgh/><abcdefgh></abcdefgh></r>", ""},
      {"<a=b></a>", ""}, // the start tag's name goes on with "="
      {"<ab></a>", "End tag 'a' at offset 5 does not match start tag 'ab' at offset 0"},
      {"<a></ab>", "End tag 'ab' at offset 4 does not match start tag 'a' at offset 0"},
      {"<abcdefgh></abcdefgx>", "End tag 'abcdefgx' at offset 11 does not match start tag 'abcdefgh' at offset 0"},
      {"<abcdefghi></abcdefghx>", "End tag 'abcdefghx' at offset 12 does not match start tag 'abcdefghi' at offset 0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.result, Parse(c.text)) << c.text;
}

TEST(XmlDocParse, EmptyAndNullDocumentsFailAndLeaveNoRoot)
{
  XmlDocProbe doc;
  EXPECT_EQ("Empty document", doc.GetResult());
  EXPECT_FALSE(doc.HasRootElement());
  ASSERT_TRUE(doc.SetDocument("<a/>"));
  EXPECT_FALSE(doc.SetDocument(nullptr));
  EXPECT_EQ("Empty document", doc.GetResult());
  EXPECT_FALSE(doc.HasRootElement());
  EXPECT_FALSE(doc.FindElement(nullptr));
  EXPECT_FALSE(doc.FindChild(nullptr));
  EXPECT_EQ(1, doc.NextFreeRecord());
}

// The packed tag lengths hold a start tag of up to 22 bits and an end tag of up to 511 bytes;
// longer tags are refused rather than stored wrapped.
TEST(XmlDocParse, TagsBeyondTheRecordFieldsAreRefused)
{
  const std::string name508(508, 'n'), name509(509, 'n');
  EXPECT_EQ("", Parse("<" + name508 + "></" + name508 + ">"));
  EXPECT_EQ("Element end tag at offset 511 too long", Parse("<" + name509 + "></" + name509 + ">"));

  const auto startTag = [](int length) { return "<a v='" + std::string(length - 9, 'x') + "'/>"; };
  XmlDocProbe doc;
  ASSERT_TRUE(doc.SetDocument(startTag(0x3FFFFF).c_str())) << doc.GetResult();
  EXPECT_EQ(0x3FFFFF, doc.Record(1).StartTagLength());
  ASSERT_TRUE(doc.FindElement("a"));
  EXPECT_EQ(std::string(0x3FFFFF - 9, 'x'), doc.GetAttribute("v"));
  EXPECT_EQ("Element tag at offset 0 too long", Parse(startTag(0x400000)));
}

TEST(XmlDocParse, IndexesElementsByOffsetsAndLinks)
{
  const std::string text = "<r><a/><b>t</b><c x='1'></c><d/></r>";
  XmlDocProbe doc;
  ASSERT_TRUE(doc.SetDocument(text.c_str())) << doc.GetResult();
  EXPECT_EQ("", doc.GetResult());
  ASSERT_EQ(6, doc.NextFreeRecord());

  const auto& top = doc.Record(0);
  EXPECT_EQ(1, top.firstChild);
  EXPECT_EQ(static_cast<int>(text.size()), top.length);
  EXPECT_EQ(1, top.EndTagLength());

  // The first child's previous-sibling word names the last sibling.
  struct Expect {
    const char* tag;
    int length, parent, firstChild, next, prev, level, endTag;
    bool firstOfParent;
  } expected[] = {
      {"<r>", static_cast<int>(text.size()), 0, 2, 0, 1, 0, 4, true},
      {"<a/>", 4, 1, 0, 3, 5, 1, 0, true},
      {"<b>", 8, 1, 0, 4, 2, 1, 4, false},
      {"<c x='1'>", 13, 1, 0, 5, 3, 1, 4, false},
      {"<d/>", 4, 1, 0, 0, 4, 1, 0, false},
  };
  for (int i = 1; i <= 5; ++i) {
    const auto& rec = doc.Record(i);
    const Expect& e = expected[i - 1];
    SCOPED_TRACE(e.tag);
    EXPECT_EQ(static_cast<int>(text.find(e.tag)), rec.start);
    EXPECT_EQ(e.length, rec.length);
    EXPECT_EQ(static_cast<int>(std::strlen(e.tag)), rec.StartTagLength());
    EXPECT_EQ(e.endTag, rec.EndTagLength());
    EXPECT_EQ(e.parent, rec.parent);
    EXPECT_EQ(e.firstChild, rec.firstChild);
    EXPECT_EQ(e.next, rec.nextSibling);
    EXPECT_EQ(e.prev, rec.prevSibling);
    EXPECT_EQ(e.level, rec.Level());
    EXPECT_EQ(e.firstOfParent, (rec.flagsLevel & 0x80000) != 0);
  }
  EXPECT_EQ(1, doc.Record(3).ContentLength());
}

TEST(XmlDocParse, AcceptsWhatSurroundsTheRoot)
{
  struct Case {
    const char* text;
    const char* root;
  } cases[] = {
      {"<a/>", "<a/>"},
      {"x<a/>y", "<a/>"},
      {"<a b='>'/>", "<a b='>'/>"},
      {"<a b=\"'>\" c='\">'/>", "<a b=\"'>\" c='\">'/>"},
      {"<?xml version='1.0' encoding='GBK'?>\r\n<!-- c --><a/><!-- d -->", "<a/>"},
      {"<!DOCTYPE a [<!ELEMENT a ANY><!ATTLIST a b CDATA #IMPLIED><!-- > --><?p > ?>]><a/>", "<a/>"},
      {"<\xD6\xD0\xCE\xC4/>", "<\xD6\xD0\xCE\xC4/>"},
      {"<_a/>", "<_a/>"},
      {"<:a/>", "<:a/>"},
      {"<Z></Z >", "<Z></Z >"},
  };
  for (const Case& c : cases) {
    XmlDocProbe doc;
    ASSERT_TRUE(doc.SetDocument(c.text)) << c.text << ": " << doc.GetResult();
    const std::string text = c.text;
    EXPECT_EQ(static_cast<int>(text.find(c.root)), doc.Record(1).start) << c.text;
    EXPECT_EQ(static_cast<int>(std::strlen(c.root)), doc.Record(1).length) << c.text;
    EXPECT_EQ(2, doc.NextFreeRecord()) << c.text;
  }
}

// Deeper than the 16-bit level field: levels stop at 0xFFFF and nothing recurses.
TEST(XmlDocParse, DeepNestingSaturatesTheLevel)
{
  const int depth = 70000;
  std::string text;
  for (int i = 0; i < depth; ++i)
    text += "<a>";
  for (int i = 0; i < depth; ++i)
    text += "</a>";
  XmlDocProbe doc;
  ASSERT_TRUE(doc.SetDocument(text.c_str())) << doc.GetResult();
  EXPECT_EQ(65535, doc.Record(65536).Level());
  EXPECT_EQ(65535, doc.Record(depth).Level());
  EXPECT_EQ(7, doc.Record(depth).length); // the innermost "<a></a>"
}

TEST(XmlDocIndex, GrowsOneSegmentAtATimeAndKeepsRecords)
{
  XmlDocProbe doc; // the constructor's parse sized the index for 8 records
  ASSERT_EQ(8, doc.RecordCount());
  ASSERT_EQ(4, doc.SegmentCapacity());
  doc.Record(7).start = 7;

  struct Step {
    int wanted, count, capacity, marker;
  } steps[] = {
      {4, 8, 4, 0},                     // already enough
      {70000, 70000, 4, 69999},         // into segment 1: segment 0 filled up to 65536
      {140000, 140000, 4, 139999},      // segment 1 filled up, segment 2 partial
      {500000, 4 * 65536, 4, 262143},   // limited to one segment beyond the last
      {5 * 65536, 5 * 65536, 12, 327679}, // the segment table grows to 4 * 2 + 4
  };
  std::vector<int> markers = {7};
  for (const Step& s : steps) {
    doc.GrowElements(s.wanted);
    EXPECT_EQ(s.count, doc.RecordCount()) << s.wanted;
    EXPECT_EQ(s.capacity, doc.SegmentCapacity()) << s.wanted;
    for (int m : markers)
      EXPECT_EQ(m, doc.Record(m).start) << "record " << m << " after growing to " << s.wanted;
    if (s.marker) {
      doc.Record(s.marker).start = s.marker;
      markers.push_back(s.marker);
      for (int m : {65535, 65536})
        if (m < s.count && std::find(markers.begin(), markers.end(), m) == markers.end()) {
          doc.Record(m).start = m;
          markers.push_back(m);
        }
    }
  }
}

// More elements than one segment holds, reached through the parser's own growth.
TEST(XmlDocIndex, ParsesAndWalksElementsAcrossSegments)
{
  const int count = 100000;
  std::string text = "<r>";
  for (int i = 0; i < count; ++i)
    text += "<e i='" + std::to_string(i) + "'/>";
  text += "<last/></r>";
  XmlDocProbe doc;
  ASSERT_TRUE(doc.SetDocument(text.c_str())) << doc.GetResult();
  EXPECT_EQ(count + 3, doc.NextFreeRecord());
  EXPECT_GE(doc.RecordCount(), count + 3);
  EXPECT_EQ(count + 2, doc.Record(doc.Record(1).firstChild).prevSibling);

  int seen = 0;
  while (doc.FindChild("e")) {
    ASSERT_EQ(std::to_string(seen), doc.GetChildAttribute("i"));
    ++seen;
  }
  EXPECT_EQ(count, seen);
  EXPECT_TRUE(doc.FindChild("last"));
  EXPECT_EQ(static_cast<int>(text.find("<last/>")), doc.Record(count + 2).start);
}

TEST(XmlDocNavigation, FindChildWalksSiblingsAndStopsAtTheLast)
{
  CXmlDoc doc;
  ASSERT_TRUE(doc.SetDocument("<r><m name='x'/><n/><m name='y'/></r>"));
  EXPECT_TRUE(doc.FindChild("m"));
  EXPECT_EQ("x", doc.GetChildAttribute("name"));
  EXPECT_TRUE(doc.FindChild("m"));
  EXPECT_EQ("y", doc.GetChildAttribute("name"));
  EXPECT_FALSE(doc.FindChild("m"));
  EXPECT_EQ("y", doc.GetChildAttribute("name"));
  EXPECT_FALSE(doc.FindChild(nullptr));

  doc.ResetPosition();
  EXPECT_TRUE(doc.FindChild(nullptr));
  EXPECT_EQ("x", doc.GetChildAttribute("name"));
  EXPECT_TRUE(doc.FindChild(""));
  EXPECT_EQ("", doc.GetChildAttribute("name"));
}

TEST(XmlDocNavigation, NamesMatchWholeTokens)
{
  struct Case {
    const char* elements;
    const char* query;
    const char* found; // the "k" attribute of the child found, null when none is
  } cases[] = {
      {"<IDD_DIALOG10 k='10'/>", "IDD_DIALOG1", nullptr},
      {"<IDD_DIALOG1 k='1'/>", "IDD_DIALOG10", nullptr},
      {"<IDD_DIALOG10 k='10'/><IDD_DIALOG1 k='1'/>", "IDD_DIALOG1", "1"},
      {"<a k='a'/>", "a=b", "a"},
      {"<a k='a'/>", "a b", "a"},
      {"<a k='a'/>", "a/", "a"},
      {"<a k='a'/>", "a[1]", "a"},
      {"<a k='a'/>", "A", nullptr},
      {"<a k='a'/>", "ab", nullptr},
      {"<ab k='ab'/>", "a", nullptr},
      {"<TEXT1\r\n k='t'/>", "TEXT1", "t"},
      {"<\xD6\xD0 k='zh'/>", "\xD6\xD0", "zh"},
  };
  for (const Case& c : cases) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDocument((std::string("<r>") + c.elements + "</r>").c_str())) << c.elements;
    const bool found = doc.FindChild(c.query);
    EXPECT_EQ(c.found != nullptr, found) << c.elements << " / " << c.query;
    if (c.found && found) {
      EXPECT_EQ(c.found, doc.GetChildAttribute("k")) << c.elements << " / " << c.query;
    }
  }
}

// The walk the language pack makes: module by name, dialog key, text id.
TEST(XmlDocNavigation, EntersModuleDialogAndText)
{
  CXmlDoc doc;
  ASSERT_TRUE(doc.SetDocument("<?xml version='1.0'?><language id='0' fontsize='12'>"
                              "<module name='define'><value><PROGRAM_NAME>P</PROGRAM_NAME></value></module>"
                              "<module name='uninstall'><IDD_DIALOG1><TEXT1>one</TEXT1><TEXT2>two</TEXT2>"
                              "</IDD_DIALOG1></module></language>"));
  EXPECT_TRUE(doc.FindElement("language"));
  EXPECT_EQ("12", doc.GetAttribute("fontsize"));
  EXPECT_FALSE(doc.FindElement(nullptr)); // the root has no sibling; the position stays
  EXPECT_EQ("0", doc.GetAttribute("id"));

  doc.ResetPosition();
  EXPECT_EQ("", doc.GetAttribute("id"));
  while (doc.FindChild("module") && doc.GetChildAttribute("name") != "uninstall") {
  }
  ASSERT_EQ("uninstall", doc.GetChildAttribute("name"));
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_EQ("uninstall", doc.GetAttribute("name"));
  ASSERT_TRUE(doc.FindChild("IDD_DIALOG1"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindChild("TEXT2"));
  EXPECT_EQ("two", doc.GetChildText());
  EXPECT_FALSE(doc.FindChild("TEXT1")); // searched after the current child only
  EXPECT_EQ("two", doc.GetChildText());
}

TEST(XmlDocNavigation, EnteringWithoutAChildLeavesNothingToRead)
{
  CXmlDoc doc;
  ASSERT_TRUE(doc.SetDocument("<x a='1'/>"));
  EXPECT_FALSE(doc.EnterElement());
  EXPECT_EQ("", doc.GetChildAttribute("a"));
  EXPECT_EQ("", doc.GetChildText());
  ASSERT_TRUE(doc.FindElement("x"));
  ASSERT_TRUE(doc.EnterElement()); // x becomes the parent, nothing the main position
  EXPECT_EQ("", doc.GetAttribute("a"));
  EXPECT_FALSE(doc.EnterElement());
  // x has no child to take as main position, so the root must not be found again as a child.
  EXPECT_FALSE(doc.FindChild("x"));
  EXPECT_FALSE(doc.FindChild(nullptr));
}

std::string Attribute(const std::string& tag, const char* name)
{
  CXmlDoc doc;
  EXPECT_TRUE(doc.SetDocument(tag.c_str())) << tag << ": " << doc.GetResult();
  EXPECT_TRUE(doc.FindElement(nullptr));
  return doc.GetAttribute(name);
}

TEST(XmlDocRead, AttributesAreQuotedValuesAfterTheirName)
{
  const std::string tag = "<a x='1' y=2 z=\"3\" w = '4' e='' q='a\"b' xy='5' x='dup' g='>' n='\xD6\xD0'/>";
  struct Case {
    const char* name;
    const char* value;
  } cases[] = {
      {"x", "1"},  {"y", ""},  {"z", "3"},   {"w", "4"},   {"e", ""},         {"q", "a\"b"}, {"xy", "5"},
      {"g", ">"},  {"n", "\xD6\xD0"}, {"a", ""}, {"1", ""}, {"missing", ""}, {"", ""},        {nullptr, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.value, Attribute(tag, c.name)) << (c.name ? c.name : "(null)");

  EXPECT_EQ("", Attribute("<a 'v'/>", "a"));      // a value without a name is no attribute
  EXPECT_EQ("", Attribute("<a y=2 '3'/>", "y"));  // nor is a quoted token after an unquoted value
  EXPECT_EQ("2", Attribute("<a x='1'\n\tk='2'/>", "k"));
  EXPECT_EQ("", Attribute("<a></a><!-- k='1' -->", "k"));
}

TEST(XmlDocRead, UnescapesReferencesInsideTheValueOnly)
{
  struct Case {
    const char* value;
    const char* expected;
  } cases[] = {
      {"&lt;b&gt; &amp; &#65;&#x42; &bogus;", "<b> & AB &bogus;"},
      {"&apos;&quot;", "'\""},
      {"&#20013;", "&#20013;"}, // above 255: no single byte for it
      {"&#65601;", "&#65601;"}, // not cut to 16 bits
      {"&#0;&#x0;&#;", "&#0;&#x0;&#;"},
      {"&#X41;", "&#X41;"},     // only a lower-case x starts a hexadecimal reference
      {"&#255;", "\xFF"},
      {"&#0000065;", "A"},      // seven digits are read
      {"&#00000065;", "&#00000065;"},
      {"&#x000041;", "A"},
      {"&lt", "&lt"},
      {"&amp&lt;", "&amp<"},
      {"a&", "a&"},
      {"\xD6\xD0&amp;\xCE\xC4", "\xD6\xD0&\xCE\xC4"},
      {"\x81&amp;", "\x81&amp;"}, // a lead byte takes the "&" as its second byte
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, Attribute(std::string("<a t='") + c.value + "'/>", "t")) << c.value;

  // The ";" that would end these lies beyond the closing quote.
  EXPECT_EQ("&#65", Attribute("<a t='&#65'/>;", "t"));

  // A reference is replaced only when it ends inside the span.
  XmlDocProbe doc;
  ASSERT_TRUE(doc.SetDocument("<a>&lt;&#65;</a>"));
  EXPECT_EQ("&lt", doc.UnescapeText(3, 3));
  EXPECT_EQ("<", doc.UnescapeText(3, 4));
  EXPECT_EQ("<&#65", doc.UnescapeText(3, 8));
  EXPECT_EQ("<A", doc.UnescapeText(3, 9));
}

std::string ChildText(const std::string& element)
{
  CXmlDoc doc;
  EXPECT_TRUE(doc.SetDocument(("<r>" + element + "</r>").c_str())) << element << ": " << doc.GetResult();
  EXPECT_TRUE(doc.FindChild("t"));
  return doc.GetChildText();
}

TEST(XmlDocRead, ChildTextJoinsTextAndCDataOnly)
{
  struct Case {
    const char* element;
    const char* text;
  } cases[] = {
      {"<t>x<!--c-->y<![CDATA[<z>]]></t>", "xy<z>"},
      {"<t>  </t>", "  "},
      {"<t> <!--c--> </t>", ""},
      {"<t>a <!--c--> b</t>", "a  b"},
      {"<t>a<u/>b</t>", ""},
      {"<t/>", ""},
      {"<t></t>", ""},
      {"<t>a &lt; b&#33;</t>", "a < b!"},
      {"<t><![CDATA[&lt;]]>&lt;</t>", "&lt;<"},
      {"<t>a<?pi x?>b</t>", "ab"},
      {"<t><![CDATA[]]></t>", ""},
      {"<t><![C]]>x</t>", "x"}, // too short to hold "<![CDATA[" and "]]>"
      {"<t>\xD6\xD0\xCE\xC4\\r</t>", "\xD6\xD0\xCE\xC4\\r"},
      {"<t>line\r\nnext</t>", "line\r\nnext"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.text, ChildText(c.element)) << c.element;
}

// The host code page is GBK: a lead byte (0x81..0xFE) takes whatever byte follows as its second,
// even a "<", which then does not end the text.
TEST(XmlDocRead, TextStepsOverWholeDoubleByteCharacters)
{
  struct Case {
    const char* text;
    const char* result;
    const char* childText;
  } cases[] = {
      {"<r><t>\x81\x81</t></r>", "", "\x81\x81"},
      {"<r><t>\x81" "a</t></r>", "", "\x81" "a"},
      {"<r><t>\xD6\xD0\xCE\xC4</t></r>", "", "\xD6\xD0\xCE\xC4"},
      {"<r><t>\x81</t>x</r>", "End tag 'r' at offset 13 does not match start tag 't' at offset 3", nullptr},
      {"<r><t>\x81\x81\x81</t>x</r>", "End tag 'r' at offset 15 does not match start tag 't' at offset 3", nullptr},
      {"<r><t>\x81" "a\x81</t></r>", "End tag 'r' at offset 14 does not match start tag 't' at offset 3", nullptr},
      {"<r><t>\x81</t>\x81</t></r>", "End tag 'r' at offset 17 does not match start tag 't' at offset 3", nullptr},
      // Runs long enough to be passed eight bytes at a time, before the last character.
      {"<r><t>\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4</t></r>", "",
       "\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4"},
      {"<r><t>abcdefghij\x81</t>x</r>", "End tag 'r' at offset 23 does not match start tag 't' at offset 3", nullptr},
      {"<r><t>\r\n        \x81</t>x</r>", "End tag 'r' at offset 23 does not match start tag 't' at offset 3", nullptr},
      {"<r><t>\x81\x81\x81\x81\x81\x81\x81\x81\x81\x81\x81\x81\x81\x81\x81\x81\x81</t>x</r>",
       "End tag 'r' at offset 29 does not match start tag 't' at offset 3", nullptr},
      // Bytes above 0x7F that are no lead bytes (0x80, 0xFF) keep a word from being passed as pairs.
      {"<r><t>\x81\xFF\xFF\x81\x81\x81\x81\x81\x81</t>x</r>", "", "\x81\xFF\xFF\x81\x81\x81\x81\x81\x81"},
      {"<r><t>\x80\x81\x81\x81\x81\x81\x81\x81\x81</t>x</r>", "", "\x80\x81\x81\x81\x81\x81\x81\x81\x81"},
  };
  for (const Case& c : cases) {
    CXmlDoc doc;
    doc.SetDocument(c.text);
    EXPECT_EQ(c.result, doc.GetResult()) << c.text;
    if (c.childText) {
      EXPECT_TRUE(doc.FindChild("t")) << c.text;
      EXPECT_EQ(c.childText, doc.GetChildText()) << c.text;
    }
  }
}

// A folder opens on some systems but cannot be read: the previous document stays.
TEST(XmlDocFile, UnreadablePathKeepsThePreviousDocument)
{
  char folder[] = "/tmp/xml_doc_testXXXXXX";
  ASSERT_NE(nullptr, mkdtemp(folder));
  CXmlDoc doc;
  ASSERT_TRUE(doc.SetDocument("<a k='v'/>"));
  ASSERT_TRUE(doc.FindElement("a"));

  for (const std::string& path : {std::string(folder), std::string(folder) + "/missing.xml"}) {
    EXPECT_FALSE(doc.LoadFile(path.c_str())) << path;
    EXPECT_FALSE(doc.GetResult().empty());
    EXPECT_EQ(std::string::npos, doc.GetResult().find("bytes")) << doc.GetResult();
    EXPECT_TRUE(doc.HasRootElement());
    EXPECT_EQ("v", doc.GetAttribute("k"));
  }
  EXPECT_EQ(std::strerror(ENOENT), doc.GetResult());
  std::string text = "kept";
  EXPECT_FALSE(CXmlDoc::ReadTextFile(folder, text));
  EXPECT_EQ("kept", text);
  rmdir(folder);
}

TEST(Mbcs, CharLengthAndCutAtWholeCharacters)
{
  EXPECT_EQ(0, MbCharLen(""));
  EXPECT_EQ(1, MbCharLen("a"));
  EXPECT_EQ(2, MbCharLen("\xD6\xD0"));
  EXPECT_EQ(1, MbCharLen("\xD6")); // a lead byte before the end stands alone
  EXPECT_EQ(1, MbCharLen("\x80\x41"));
  EXPECT_EQ(1, MbCharLen("\xD6/")); // no second byte below 0x40
  EXPECT_EQ(1, MbCharLen("\xFF\x41"));
  for (int c = 1; c < 256; ++c) {
    const char text[] = {static_cast<char>(c), 'A', 0};
    ASSERT_EQ(MbCharLen(text), MbCharLenFast(text)) << c;
  }

  const char* text = "a\xD6\xD0" "b\xCE\xC4";
  struct Case {
    size_t max, cut;
  } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 4}, {5, 4}, {6, 6}, {100, 6}};
  for (const Case& c : cases)
    EXPECT_EQ(c.cut, MbCutLength(text, c.max)) << c.max;
  EXPECT_EQ(1u, MbCutLength("\xD6", 5));
}

} // namespace

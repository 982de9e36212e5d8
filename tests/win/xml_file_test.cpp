// CXmlDoc on real files under Windows: binary reads, the read note, and GBK text walked with the
// system code page's lead bytes.
#include <gtest/gtest.h>

#include "language/mbcs.h"
#include "language/xml_doc.h"
#include "support/test_support.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace {

// GBK bytes of the names and texts used below.
#define ZH_SONGTI "\xCB\xCE\xCC\xE5"  // font name
#define ZH_DIALOG "\xB6\xD4\xBB\xB0\xBF\xF2"
#define ZH_TITLE "\xB1\xEA\xCC\xE2"
#define ZH_TEXT "\xCE\xC4\xB1\xBE"
#define ZH_UNINSTALL "\xD0\xB6\xD4\xD8"
#define ZH_QUESTION "\xC8\xB7\xB6\xA8\xD2\xAA\xD0\xB6\xD4\xD8\xC2\xF0\xA3\xBF"

const char kGbkPack[] =
    "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
    "<!-- " ZH_UNINSTALL " -->\r\n"
    "<language id=\"0\" fontsize=\"12\" fontname=\"" ZH_SONGTI "\">\r\n"
    "  <module name=\"uninstall\">\r\n"
    "    <" ZH_DIALOG " " ZH_TITLE "=\"" ZH_UNINSTALL "\">\r\n"
    "      <" ZH_TEXT ">" ZH_QUESTION "\r\n&lt;OK&gt;</" ZH_TEXT ">\r\n"
    "    </" ZH_DIALOG ">\r\n"
    "  </module>\r\n"
    "</language>\r\n";

std::string FileWith(const test::TempDir& dir, const std::string& bytes)
{
  const std::string path = dir / "Language.xml";
  EXPECT_TRUE(test::WriteFileBytes(path, bytes));
  return path;
}

TEST(XmlFile, GbkPackReadsNamesAttributesAndTexts)
{
  test::TempDir dir;
  const std::string pack = kGbkPack;
  CXmlDoc doc;
  ASSERT_TRUE(doc.LoadFile(FileWith(dir, pack).c_str())) << doc.GetResult();
  EXPECT_EQ(std::to_string(pack.size()) + " bytes", doc.GetResult());
  ASSERT_TRUE(doc.HasRootElement());

  ASSERT_TRUE(doc.FindElement("language"));
  EXPECT_EQ(ZH_SONGTI, doc.GetAttribute("fontname"));
  EXPECT_EQ("12", doc.GetAttribute("fontsize"));
  ASSERT_TRUE(doc.FindChild("module"));
  EXPECT_EQ("uninstall", doc.GetChildAttribute("name"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindChild(ZH_DIALOG));
  EXPECT_EQ(ZH_UNINSTALL, doc.GetChildAttribute(ZH_TITLE));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindChild(ZH_TEXT));
  // Read in binary mode: the line end stays "\r\n".
  EXPECT_EQ(ZH_QUESTION "\r\n<OK>", doc.GetChildText());
}

TEST(XmlFile, LeadBytesComeFromTheSystemCodePage)
{
  const bool gbk = ::GetACP() == 936;
  EXPECT_EQ(gbk ? 2 : 1, MbCharLen(ZH_SONGTI));
  EXPECT_EQ(gbk, ::IsDBCSLeadByte(0x81) != 0);

  // A lead byte takes the next byte as its second, even an "&" that would start a reference.
  test::TempDir dir;
  CXmlDoc doc;
  ASSERT_TRUE(doc.LoadFile(FileWith(dir, "<r><t>\x81&amp;</t></r>").c_str())) << doc.GetResult();
  ASSERT_TRUE(doc.FindChild("t"));
  EXPECT_EQ(::IsDBCSLeadByte(0x81) ? "\x81&amp;" : "\x81&", doc.GetChildText());
}

TEST(XmlFile, EmptyFileReadsButDoesNotParse)
{
  test::TempDir dir;
  CXmlDoc doc;
  EXPECT_FALSE(doc.LoadFile(FileWith(dir, "").c_str()));
  EXPECT_EQ("0 bytes, Empty document", doc.GetResult());
  EXPECT_FALSE(doc.HasRootElement());
}

TEST(XmlFile, ZeroByteEndsTheTextForTheScanner)
{
  struct Case {
    std::string bytes;
    bool parsed;
    const char* error; // after the read note
  } cases[] = {
      {std::string("<a><b/>\0</a>", 12), false, ", Element 'a' at offset 0 not ended"},
      {std::string("<a/>\0<b/>", 9), true, ""}, // the second root is never seen
      {std::string("\0<a/>", 5), false, ", Root element not found"},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    CXmlDoc doc;
    EXPECT_EQ(c.parsed, doc.LoadFile(FileWith(dir, c.bytes).c_str()));
    EXPECT_EQ(std::to_string(c.bytes.size()) + " bytes" + c.error, doc.GetResult());
  }
}

TEST(XmlFile, UnreadablePathKeepsThePreviousDocument)
{
  test::TempDir dir;
  CXmlDoc doc;
  ASSERT_TRUE(doc.LoadFile(FileWith(dir, "<language id='2'/>").c_str()));

  EXPECT_FALSE(doc.LoadFile((dir / "missing.xml").c_str()));
  EXPECT_EQ(std::strerror(ENOENT), doc.GetResult());
  EXPECT_FALSE(doc.LoadFile(dir.Path().c_str())); // a folder
  EXPECT_FALSE(doc.GetResult().empty());

  ASSERT_TRUE(doc.HasRootElement());
  ASSERT_TRUE(doc.FindElement("language"));
  EXPECT_EQ("2", doc.GetAttribute("id"));

  std::string text = "kept";
  std::string note;
  EXPECT_FALSE(CXmlDoc::ReadTextFile((dir / "missing.xml").c_str(), text, &note));
  EXPECT_EQ("kept", text);
  EXPECT_EQ(std::strerror(ENOENT), note);
}

} // namespace

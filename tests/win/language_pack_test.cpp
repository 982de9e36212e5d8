// CLanguagePack on real files: loading, the font, the language code, every lookup rule, the
// cut into the caller's buffer, lookups from several threads, and the language code a system
// gives before anything is loaded (probed under other Wine locales).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "language/language_pack.h"
#include "startup_window_helpers.h"
#include "support/test_support.h"
#include "support/test_thread.h"

namespace {

// GBK bytes of the Chinese texts below.
const std::string kSongTi = "\xcb\xce\xcc\xe5";                     // 宋体
const std::string kUninstall = "\xd0\xb6\xd4\xd8";                  // 卸载
const std::string kQuestion = "\xc8\xb7\xb6\xa8\xd2\xaa\xd0\xb6\xd4\xd8\xc2\xf0\xa3\xbf";  // 确定要卸载吗？
const std::string kBackslashTrail = "\x95\x5c";  // 昞: its trail byte is a backslash

// One pack that holds a case for every lookup rule.
std::string LookupPack() {
  return "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
         "<!-- test pack -->\r\n"
         "<language id=\"0\" fontsize=\"12\" fontname=\"" + kSongTi + "\">\r\n"
         "  <module name=\"Uninstall\"><IDD_DIALOG1><TEXT1>wrong case</TEXT1></IDD_DIALOG1></module>\r\n"
         "  <module name=\"uninstall\">\r\n"
         "    <IDD_DIALOG10><TEXT1>ten</TEXT1></IDD_DIALOG10>\r\n"
         "    <IDD_DIALOG1>\r\n"
         "      <MSGTIP1>" + kUninstall + "</MSGTIP1>\r\n"
         "      <TEXT1>" + kQuestion + "</TEXT1>\r\n"
         "      <TEXT1>second of the same id</TEXT1>\r\n"
         "      <TEXT2>line one\\rline two</TEXT2>\r\n"
         "      <TEXT3>keep\\nas is</TEXT3>\r\n"
         "      <TEXT4>&lt;b&gt; &amp; &quot;q&quot; &#65;&#x42;</TEXT4>\r\n"
         "      <TEXT5><![CDATA[<raw> &amp; \\r]]></TEXT5>\r\n"
         "      <TEXT6></TEXT6>\r\n"
         "      <TEXT7>" + kBackslashTrail + "r and \\r</TEXT7>\r\n"
         "    </IDD_DIALOG1>\r\n"
         "  </module>\r\n"
         "  <module name=\"uninstall\">\r\n"
         "    <IDD_DIALOG1><TEXT8>only in the second module</TEXT8></IDD_DIALOG1>\r\n"
         "    <other><TEXT1>only in the second module</TEXT1></other>\r\n"
         "  </module>\r\n"
         "  <module name=\"define\">\r\n"
         "    <value>\r\n"
         "      <PROGRAM_CLIENT_NAME>Sample" + kUninstall + "</PROGRAM_CLIENT_NAME>\r\n"
         "      <PROGRAM_FILENAME>VUVizeduVidizi.exe</PROGRAM_FILENAME>\r\n"
         "      <LONG_DEFINE>" + std::string(700, 'd') + "</LONG_DEFINE>\r\n"
         "    </value>\r\n"
         "  </module>\r\n"
         "</language>\r\n";
}

std::string Text(CLanguagePack& pack, const char* module, const char* key, const char* id,
                 size_t size = 1024) {
  std::vector<char> buffer(size, '#');
  pack.GetText(module, key, id, buffer.data(), buffer.size());
  return buffer.data();
}

class LanguagePackFile : public ::testing::Test {
protected:
  // Writes the pack as "Language.xml" and loads it; false when the load failed.
  bool LoadPack(const std::string& bytes) {
    EXPECT_TRUE(test::WriteFileBytes(m_dir / "Language.xml", bytes));
    return m_pack.Load(m_dir.Path().c_str(), "Language.xml");
  }

  test::TempDir m_dir;
  CLanguagePack m_pack;
};

TEST_F(LanguagePackFile, UnusableFilesLeaveThePackNotLoadedAndEveryLookupEmpty) {
  struct Case {
    const char* what;
    const char* bytes;  // null: no file at all
  } cases[] = {
      {"missing file", nullptr},
      {"empty file", ""},
      {"text without elements", "just some text"},
      {"element not ended", "<language><module name=\"define\"><value><A>1</A></value></module>"},
      {"second root", "<language/><language/>"},
  };
  for (const Case& c : cases) {
    CLanguagePack pack;
    test::TempDir dir;
    if (c.bytes) {
      ASSERT_TRUE(test::WriteFileBytes(dir / "Language.xml", c.bytes));
    }
    EXPECT_FALSE(pack.Load(dir.Path().c_str(), "Language.xml")) << c.what;
    EXPECT_FALSE(pack.IsLoaded()) << c.what;
    EXPECT_EQ(dir / "Language.xml", pack.GetPath()) << c.what;
    EXPECT_EQ("", Text(pack, "define", "value", "A")) << c.what;
    EXPECT_EQ("", pack.GetDefine("A")) << c.what;
    EXPECT_EQ(nullptr, pack.GetFont()) << c.what;
  }
}

TEST_F(LanguagePackFile, LoadsOnceAndASecondLoadDoesNotReread) {
  ASSERT_TRUE(LoadPack(LookupPack()));
  EXPECT_TRUE(m_pack.IsLoaded());
  ASSERT_TRUE(test::WriteFileBytes(m_dir / "Other.xml", "<broken"));
  EXPECT_TRUE(m_pack.Load(m_dir.Path().c_str(), "Other.xml"));
  EXPECT_EQ(m_dir / "Other.xml", m_pack.GetPath());
  EXPECT_EQ(kUninstall, Text(m_pack, "uninstall", "IDD_DIALOG1", "MSGTIP1"));
}

TEST_F(LanguagePackFile, EveryLookupRule) {
  ASSERT_TRUE(LoadPack(LookupPack()));
  struct Case {
    const char* what;
    const char *module, *key, *id;
    std::string expected;
  } cases[] = {
      {"GBK text, the first of two equal ids", "uninstall", "IDD_DIALOG1", "TEXT1", kQuestion},
      {"backslash-r becomes a carriage return", "uninstall", "IDD_DIALOG1", "TEXT2",
       "line one\rline two"},
      {"backslash-n stays", "uninstall", "IDD_DIALOG1", "TEXT3", "keep\\nas is"},
      {"entities and character references", "uninstall", "IDD_DIALOG1", "TEXT4",
       "<b> & \"q\" AB"},
      {"CDATA taken literally, backslash-r still expanded", "uninstall", "IDD_DIALOG1", "TEXT5",
       "<raw> &amp; \r"},
      {"empty element", "uninstall", "IDD_DIALOG1", "TEXT6", ""},
      {"backslash as a trail byte is no escape", "uninstall", "IDD_DIALOG1", "TEXT7",
       kBackslashTrail + "r and \r"},
      {"dialog key is matched whole", "uninstall", "IDD_DIALOG10", "TEXT1", "ten"},
      {"module name is case-sensitive", "Uninstall", "IDD_DIALOG1", "TEXT1", "wrong case"},
      {"missing text id", "uninstall", "IDD_DIALOG1", "TEXT9", ""},
      {"text id only in the second module of the name", "uninstall", "IDD_DIALOG1", "TEXT8", ""},
      {"dialog key only in the second module of the name", "uninstall", "other", "TEXT1", ""},
      {"missing module", "nothing", "IDD_DIALOG1", "TEXT1", ""},
      {"define through GetText", "define", "value", "PROGRAM_FILENAME", "VUVizeduVidizi.exe"},
      {"null module", nullptr, "IDD_DIALOG1", "TEXT1", ""},
      {"null text id", "uninstall", "IDD_DIALOG1", nullptr, ""},
  };
  // Twice, in order: every lookup leaves the document where the next one expects it.
  for (int round = 0; round < 2; ++round) {
    for (const Case& c : cases)
      EXPECT_EQ(c.expected, Text(m_pack, c.module, c.key, c.id)) << c.what << ", round " << round;
  }
  EXPECT_EQ("Sample" + kUninstall, m_pack.GetDefine("PROGRAM_CLIENT_NAME"));
  EXPECT_EQ("", m_pack.GetDefine("UNINSTALL_KEY"));
  EXPECT_EQ(0, m_pack.GetLanguageCode());
  // The code lookup also leaves the document at the top.
  EXPECT_EQ(kQuestion, Text(m_pack, "uninstall", "IDD_DIALOG1", "TEXT1"));
}

TEST_F(LanguagePackFile, LongTextsAreCutAtAWholeCharacterAndTerminated) {
  // 20 GBK characters, 40 bytes, after one ASCII letter: the cut falls inside a character for
  // every even buffer size.
  const std::string chinese = "\xd2\xbb\xb6\xfe\xc8\xfd\xcb\xc4\xce\xe5\xc1\xf9\xc6\xdf\xb0\xcb\xbe\xc5\xca\xae";
  const std::string text = "A" + chinese + chinese;
  ASSERT_TRUE(LoadPack("<language><module name=\"m\"><k><t>" + text + "</t></k></module></language>"));
  struct Case {
    size_t size;
    size_t kept;
  } cases[] = {{1, 0}, {2, 1}, {3, 1}, {4, 3}, {5, 3}, {40, 39}, {41, 39}, {42, 41}, {50, 49}, {51, 49}};
  for (const Case& c : cases) {
    std::vector<char> buffer(c.size + 8, '#');
    m_pack.GetText("m", "k", "t", buffer.data(), c.size);
    EXPECT_EQ(text.substr(0, c.kept), std::string(buffer.data())) << c.size;
    EXPECT_EQ(std::string(8, '#'), std::string(buffer.data() + c.size, 8)) << "written behind " << c.size;
  }
  EXPECT_EQ(text, Text(m_pack, "m", "k", "t"));
  // A zero-size buffer is not touched.
  char untouched = '#';
  m_pack.GetText("m", "k", "t", &untouched, 0);
  EXPECT_EQ('#', untouched);
}

TEST_F(LanguagePackFile, DefinesAreCutTo599Bytes) {
  ASSERT_TRUE(LoadPack(LookupPack()));
  EXPECT_EQ(std::string(599, 'd'), m_pack.GetDefine("LONG_DEFINE"));
}

TEST_F(LanguagePackFile, FontFromTheRootAttributes) {
  // A face name of 33 bytes whose 31st byte would be a lead byte: the cut keeps 30.
  const std::string longFace = "AB" + std::string("\xb0\xa1") + std::string("\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1\xb0\xa1");
  ASSERT_EQ(34u, longFace.size());
  struct Case {
    const char* what;
    std::string root;
    int height;        // 0: no font
    std::string face;
  } cases[] = {
      {"SimSun 12", "<language fontsize=\"12\" fontname=\"" + kSongTi + "\">", 12, kSongTi},
      {"Tahoma 13", "<language fontsize=\"13\" fontname=\"Tahoma\">", 13, "Tahoma"},
      {"size with trailing text", "<language fontsize=\"15px\" fontname=\"Tahoma\">", 15, "Tahoma"},
      {"face cut at a whole character", "<language fontsize=\"12\" fontname=\"" + longFace + "\">", 12,
       longFace.substr(0, 30)},
      {"size 0", "<language fontsize=\"0\" fontname=\"Tahoma\">", 0, ""},
      {"negative size", "<language fontsize=\"-12\" fontname=\"Tahoma\">", 0, ""},
      {"size not a number", "<language fontsize=\"big\" fontname=\"Tahoma\">", 0, ""},
      {"no size", "<language fontname=\"Tahoma\">", 0, ""},
      {"empty face", "<language fontsize=\"12\" fontname=\"\">", 0, ""},
      {"no face", "<language fontsize=\"12\">", 0, ""},
      {"root not named language", "<pack fontsize=\"12\" fontname=\"Tahoma\">", 0, ""},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    const std::string end = c.root.compare(0, 5, "<pack") == 0 ? "</pack>" : "</language>";
    ASSERT_TRUE(test::WriteFileBytes(dir / "Language.xml",
                                     c.root + "<module name=\"m\"><k><t>text</t></k></module>" + end));
    CLanguagePack pack;
    ASSERT_TRUE(pack.Load(dir.Path().c_str(), "Language.xml")) << c.what;
    EXPECT_EQ("text", Text(pack, "m", "k", "t")) << c.what;
    HFONT font = pack.GetFont();
    if (c.height == 0) {
      EXPECT_EQ(nullptr, font) << c.what;
      continue;
    }
    ASSERT_NE(nullptr, font) << c.what;
    LOGFONTA logFont = {};
    ASSERT_EQ(static_cast<int>(sizeof(logFont)), ::GetObjectA(font, sizeof(logFont), &logFont)) << c.what;
    EXPECT_EQ(c.height, logFont.lfHeight) << c.what;
    EXPECT_EQ(0, logFont.lfWidth) << c.what;
    EXPECT_EQ(0, logFont.lfWeight) << c.what;
    EXPECT_EQ(0, logFont.lfCharSet) << c.what;
    EXPECT_EQ(c.face, std::string(logFont.lfFaceName)) << c.what;
    // The pack owns the font and deletes it when it goes.
  }
}

TEST_F(LanguagePackFile, LanguageCodeFromTheRootOnceLoaded) {
  struct Case {
    const char* root;
    int code;
  } cases[] = {
      {"<language id=\"0\">", 0}, {"<language id=\"2\">", 2}, {"<language id=\"1\">", 1},
      {"<language id=\"7\">", 7}, {"<language>", 1},         {"<language id=\"\">", 1},
      {"<language id=\"x\">", 0}, {"<pack id=\"0\">", 1},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    const std::string root = c.root;
    const std::string end = root.compare(0, 5, "<pack") == 0 ? "</pack>" : "</language>";
    ASSERT_TRUE(test::WriteFileBytes(dir / "Language.xml",
                                     root + "<module name=\"m\"><k><t>text</t></k></module>" + end));
    CLanguagePack pack;
    ASSERT_TRUE(pack.Load(dir.Path().c_str(), "Language.xml")) << c.root;
    EXPECT_EQ(c.code, pack.GetLanguageCode()) << c.root;
    EXPECT_EQ("text", Text(pack, "m", "k", "t")) << c.root;
  }
}

// Each lookup walks the one document from the top; without the pack's lock, lookups on other
// threads move the position under it and come back with the wrong text or none.
TEST_F(LanguagePackFile, LookupsFromManyThreadsEachGetTheirOwnText) {
  std::string body;
  for (int i = 0; i < 40; ++i) {
    const std::string n = std::to_string(i);
    body += "<K" + n + "><T" + n + ">text " + n + "</T" + n + "></K" + n + ">";
  }
  ASSERT_TRUE(LoadPack("<language id=\"1\"><module name=\"a\"/><module name=\"m\">" + body +
                       "</module><module name=\"define\"><value><D>define</D></value></module></language>"));
  std::atomic<int> wrong{0};
  std::vector<std::unique_ptr<test::Thread>> threads;
  for (int t = 0; t < 4; ++t) {
    threads.push_back(std::make_unique<test::Thread>([this, t, &wrong] {
      for (int round = 0; round < 1500; ++round) {
        const int i = (round * 7 + t * 13) % 40;
        const std::string n = std::to_string(i);
        char buffer[64];
        m_pack.GetText("m", ("K" + n).c_str(), ("T" + n).c_str(), buffer, sizeof(buffer));
        if (std::string(buffer) != "text " + n) ++wrong;
        if (round % 50 == 0 && (m_pack.GetDefine("D") != "define" || m_pack.GetLanguageCode() != 1))
          ++wrong;
      }
    }));
  }
  for (auto& thread : threads) thread->Join();
  EXPECT_EQ(0, wrong.load());
}

// What the system answers before a pack is loaded, in processes started under other locales.
TEST(LanguageCodeBeforeLoading, RealSystemsUnderWineLocales) {
  struct Case {
    const char* locale;
    const char* expected;  // language id, ANSI code page, code
  } cases[] = {
      {"zh_CN.UTF-8", "2052 936 0"},
      {"en_US.UTF-8", "1033 1252 1"},
      {"zh_TW.UTF-8", "1028 950 2"},
  };
  const std::string probe = test::ExeDir() + "\\language_code_probe.exe";
  for (const Case& c : cases) {
    test::TempDir dir;
    const std::string out = dir / "answer.txt";
    ASSERT_TRUE(startup_test::StartUnderLocale(c.locale, probe, "\"" + out + "\"")) << c.locale;
    std::string answer;
    // The probe writes its answer in one go; wait until it is complete.
    EXPECT_TRUE(test::WaitUntil([&] {
      return test::ReadFileBytes(out, answer) && answer.size() >= std::strlen(c.expected);
    })) << c.locale;
    EXPECT_EQ(c.expected, answer) << c.locale;
  }
}

}  // namespace

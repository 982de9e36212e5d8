#include <gtest/gtest.h>

#include <string>

#include "cleanup/steps/com_skip_rules.h"

namespace {

struct SkipCase {
  const char* path;
  ComSkipRule expected;
};

const char* Name(ComSkipRule rule) {
  switch (rule) {
    case ComSkipRule::kNotALibrary: return "not a library";
    case ComSkipRule::kRuntimeLibrary: return "run-time library";
    case ComSkipRule::kOwnLibrary: return "own library";
    case ComSkipRule::kUnregister: return "unregister";
  }
  return "?";
}

void ExpectRules(const SkipCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i)
    EXPECT_STREQ(Name(cases[i].expected), Name(ClassifyComServerPath(cases[i].path)))
        << "path: " << cases[i].path;
}

TEST(ComSkipRules, OnlyDllAndOcxFilesInAnyCaseAreCandidates) {
  const SkipCase cases[] = {
      {"C:\\Client\\a.dll", ComSkipRule::kUnregister},
      {"C:\\Client\\a.DLL", ComSkipRule::kUnregister},
      {"C:\\Client\\a.Ocx", ComSkipRule::kUnregister},
      {"C:\\Client\\a.dll.bak", ComSkipRule::kNotALibrary},
      {"C:\\Client\\a.exe", ComSkipRule::kNotALibrary},
      {"C:\\Client\\reg.ini", ComSkipRule::kNotALibrary},
      {"C:\\Client\\adll", ComSkipRule::kNotALibrary},
      {".dll", ComSkipRule::kUnregister},
      {"dll", ComSkipRule::kNotALibrary},
      {"", ComSkipRule::kNotALibrary},
  };
  ExpectRules(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(ComSkipRules, RunTimeLibrariesOfVersion80AreKeptOut) {
  const SkipCase cases[] = {
      {"C:\\Client\\mfc80.dll", ComSkipRule::kRuntimeLibrary},
      {"C:\\Client\\msvcr80.dll", ComSkipRule::kRuntimeLibrary},
      {"C:\\Client\\msvcp80.DLL", ComSkipRule::kRuntimeLibrary},
      {"C:\\Client\\mfc42.dll", ComSkipRule::kUnregister},
      {"C:\\Client\\player80.dll", ComSkipRule::kUnregister},
      // The tests are case-sensitive and only ".dll" files are concerned.
      {"C:\\Client\\MFC80.DLL", ComSkipRule::kUnregister},
      {"C:\\Client\\mfc80.ocx", ComSkipRule::kUnregister},
      // The folder part counts: every library below such a folder is kept out.
      {"C:\\Client\\mfc\\v80\\viewer.dll", ComSkipRule::kRuntimeLibrary},
      {"C:\\Client80\\msvc\\any.dll", ComSkipRule::kRuntimeLibrary},
  };
  ExpectRules(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(ComSkipRules, TheClientsOwnLibrariesAreKeptOutEvenAsControls) {
  const SkipCase cases[] = {
      {"C:\\Client\\Dartum.dll", ComSkipRule::kOwnLibrary},
      {"C:\\Client\\orvisk.dll", ComSkipRule::kOwnLibrary},
      {"C:\\Client\\Gantry.dll", ComSkipRule::kOwnLibrary},
      {"C:\\Client\\Gantry.dll\\view.ocx", ComSkipRule::kOwnLibrary},
      {"C:\\Client\\dartum.dll", ComSkipRule::kUnregister},
      {"C:\\Client\\Dartum.DLL", ComSkipRule::kUnregister},
      {"C:\\Client\\xorvisk.dll", ComSkipRule::kOwnLibrary},
  };
  ExpectRules(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(ComSkipRules, EarlierRulesWin) {
  const SkipCase cases[] = {
      // A run-time library named like an own library is reported as the run-time rule.
      {"C:\\mfc80\\Dartum.dll", ComSkipRule::kRuntimeLibrary},
      {"C:\\mfc80\\Dartum.dll.txt", ComSkipRule::kNotALibrary},
  };
  ExpectRules(cases, sizeof(cases) / sizeof(cases[0]));
  EXPECT_TRUE(ShouldUnregisterComServer("C:\\Client\\Player.ocx"));
  EXPECT_FALSE(ShouldUnregisterComServer("C:\\Client\\mfc80.dll"));
}

TEST(ComSkipRules, DoubleByteNamesAreComparedByTheirBytes) {
  // "测试.DLL" in GBK: the trail bytes are no ASCII letters and stay as they are.
  EXPECT_TRUE(ShouldUnregisterComServer("C:\\\xb2\xe2\xca\xd4.DLL"));
  EXPECT_FALSE(ShouldUnregisterComServer("C:\\\xb2\xe2\xca\xd4.txt"));
}

}  // namespace

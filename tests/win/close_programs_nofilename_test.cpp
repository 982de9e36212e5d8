// A language pack whose PROGRAM_FILENAME is only blanks and that names no PROGRAM_CLIENT_NAME or
// PROGRAM_NAME: no process is the client's, so nothing running is asked about or ended by name
// (not even one with a blank in its name, nor the test itself, nor an untitled dialog), while the
// hotspot-search client is still ended and a client window still answered.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cleanup/processes/close_programs.h"
#include "close_programs_support.h"

namespace {

using close_test::QuestionAnswerer;
using close_test::StandIn;

std::string Pack() {
  return close_test::PackWithDefines(
      "<PROGRAME_ENG_NAME>Blank Name Client</PROGRAME_ENG_NAME>\r\n"
      "<PROGRAM_FILENAME> </PROGRAM_FILENAME>");
}

class PackEnvironment : public ::testing::Environment {
public:
  void SetUp() override { close_test::LoadPack(Pack()); }
};
const auto* const g_pack = ::testing::AddGlobalTestEnvironment(new PackEnvironment);

class BlankFileName : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(test::WriteFileBytes(m_folder / "Language.xml", Pack())); }
  std::unique_ptr<StandIn> Start(const std::string& runAs, const std::string& arguments) {
    auto standIn = std::make_unique<StandIn>(m_folder.Path(), "VUVizeduVidizi.exe", runAs, arguments);
    EXPECT_TRUE(standIn->WaitForLogStart()) << runAs;
    return standIn;
  }

  test::TempDir m_folder;
  close_test::QuestionTexts m_question;
};

TEST_F(BlankFileName, NoProcessIsTheClientsAndNothingIsAsked) {
  auto client = Start("Test Dialer.exe", "--no-window");
  QuestionAnswerer answerer(IDYES);

  EXPECT_EQ(FALSE, IsClientProcessRunning(close_test::PackNames().programFileName));
  EXPECT_EQ(TRUE, close_test::CloseClientWithin(TRUE));

  EXPECT_EQ(0, answerer.Asked());
  EXPECT_TRUE(client->IsRunning());
}

TEST_F(BlankFileName, KillingEndsOnlyTheHotspotSearchClient) {
  auto client = Start("Test Dialer.exe", "--no-window");
  auto hotspotClient = Start("VUVizeduVidizi.exe", "--no-window");

  KillClientProcesses(close_test::PackNames().programFileName);

  EXPECT_TRUE(hotspotClient->WaitForExit());
  EXPECT_TRUE(client->IsRunning());
}

TEST_F(BlankFileName, AClientWindowIsStillAskedAboutAndSentTheMessages) {
  auto client = Start("Test Dialer.exe", "--frame");
  ASSERT_TRUE(client->WaitForLogPrefix("window"));
  QuestionAnswerer answerer(IDYES);

  EXPECT_EQ(TRUE, close_test::CloseClientWithin(TRUE));

  EXPECT_EQ(1, answerer.Asked());
  EXPECT_TRUE(client->Logged("message 0x0402"));
  EXPECT_TRUE(client->Logged("message 0x0401"));
  EXPECT_TRUE(client->WaitForExit());
}

// The pack names no PROGRAM_CLIENT_NAME or PROGRAM_NAME: an empty title must not find some other
// program's untitled dialog, which would be sent the client's messages and closed.
TEST_F(BlankFileName, AnUntitledDialogOfAnotherProgramIsNeverTakenForTheClient) {
  auto other = Start("Unrelated Tool.exe", "--dialog --title \"\"");
  ASSERT_TRUE(other->WaitForLogPrefix("window"));
  QuestionAnswerer answerer(IDYES);

  EXPECT_EQ(nullptr, FindClientMainWindow(close_test::PackNames()));
  EXPECT_EQ(TRUE, close_test::CloseClientWithin(TRUE));

  EXPECT_EQ(0, answerer.Asked());
  EXPECT_FALSE(other->Logged("message 0x0402"));
  EXPECT_FALSE(other->Logged("message 0x0401"));
  EXPECT_TRUE(other->IsRunning());
}

}  // namespace

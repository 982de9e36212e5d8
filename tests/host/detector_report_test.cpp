#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "cleanup/steps/detector_report.h"

namespace {

const std::string kMarker = kDetectorFoundMarker;

bool SaysFound(const std::string& report) {
  return DetectorReportSaysFound(report.data(), report.size());
}

// A report whose marker begins at byte offset, preceded by filler.
std::string MarkerAt(size_t offset, char filler = 'x') {
  return std::string(offset, filler) + kMarker + "\r\n";
}

struct ReportCase {
  const char* what;
  std::string report;
  bool found;
};

TEST(DetectorReport, MarkerDecidesWhereverItStandsInTheWindow) {
  const ReportCase cases[] = {
      {"empty report", "", false},
      {"marker alone", kMarker, true},
      {"marker after other lines", "Ipdetect check\r\nDorn_PPPoE: " + kMarker + "\r\n", true},
      {"other text only", "Dorn_PPPoE not found.\r\n", false},
      {"marker cut short", "dornpppoe found", false},
      {"marker in other case", "Dornpppoe found.", false},
      {"marker in capitals", "DORNPPPOE FOUND.", false},
      {"marker with a tab", "dornpppoe\tfound.", false},
      {"zero bytes before the marker", std::string("head\0\0\0", 7) + kMarker, true},
      {"zero byte in place of the marker's blank", std::string("dornpppoe\0found.", 16), true},
      {"zero byte inside a word of the marker", std::string("dornp\0ppoe found.", 17), false},
      {"report that is all zero bytes", std::string(2000, '\0'), false},
      {"marker ends exactly at the window's end", MarkerAt(kDetectorReportWindow - kMarker.size()), true},
      {"marker runs one byte past the window", MarkerAt(kDetectorReportWindow - kMarker.size() + 1), false},
      {"marker begins at the window's end", MarkerAt(kDetectorReportWindow), false},
      {"marker far beyond the window", MarkerAt(5000), false},
      {"zero filler, marker inside", MarkerAt(600, '\0'), true},
      {"zero filler, marker straddles the end", MarkerAt(1020, '\0'), false},
      {"second marker beyond, first inside", MarkerAt(10) + MarkerAt(3000), true},
  };
  for (const ReportCase& c : cases) EXPECT_EQ(c.found, SaysFound(c.report)) << c.what;
}

TEST(DetectorReport, TextIsTheWindowWithZeroBytesAsBlanks) {
  const std::string report = std::string("a\0b\xff\x80\0", 6);
  EXPECT_EQ("a b\xff\x80 ", DetectorReportText(report.data(), report.size()));

  std::string longReport(3000, 'y');
  longReport[0] = '\0';
  longReport[kDetectorReportWindow - 1] = '\0';
  longReport[kDetectorReportWindow] = '\0';  // first byte past the window: not part of the text
  const std::string text = DetectorReportText(longReport.data(), longReport.size());
  ASSERT_EQ(kDetectorReportWindow, text.size());
  EXPECT_EQ(' ', text.front());
  EXPECT_EQ(' ', text.back());
  EXPECT_EQ(std::string::npos, text.find('\0'));
  EXPECT_EQ(kDetectorReportWindow - 2, static_cast<size_t>(std::count(text.begin(), text.end(), 'y')));
}

TEST(DetectorReport, NothingReadIsNothingFound) {
  EXPECT_EQ("", DetectorReportText(nullptr, 0));
  EXPECT_FALSE(DetectorReportSaysFound(nullptr, 0));
  // Only the bytes given count, even when the buffer behind them holds the marker.
  const std::string buffer = "dornpppoe found.";
  EXPECT_FALSE(DetectorReportSaysFound(buffer.data(), buffer.size() - 1));
}

}  // namespace

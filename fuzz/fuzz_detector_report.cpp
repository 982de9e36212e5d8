// Feeds arbitrary bytes to the detector report reader and holds it to what it promises: the
// text is the first 1,024 bytes with zero bytes as blanks, and "found" agrees with a direct
// search of the raw bytes in which a zero byte may stand for the marker's blank.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cleanup/steps/detector_report.h"

namespace {

bool RawBytesHoldMarker(const uint8_t* data, size_t size) {
  const size_t window = size < kDetectorReportWindow ? size : kDetectorReportWindow;
  const size_t markerLength = std::strlen(kDetectorFoundMarker);
  for (size_t start = 0; start + markerLength <= window; ++start) {
    size_t i = 0;
    while (i < markerLength && (data[start + i] == static_cast<uint8_t>(kDetectorFoundMarker[i]) ||
                                (data[start + i] == 0 && kDetectorFoundMarker[i] == ' ')))
      ++i;
    if (i == markerLength) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  const std::string text = DetectorReportText(bytes, size);
  const size_t window = size < kDetectorReportWindow ? size : kDetectorReportWindow;
  if (text.size() != window) std::abort();
  for (size_t i = 0; i < window; ++i)
    if (text[i] != (bytes[i] == '\0' ? ' ' : bytes[i])) std::abort();
  if (DetectorReportSaysFound(bytes, size) != RawBytesHoldMarker(data, size)) std::abort();
  return 0;
}

#include "cleanup/steps/detector_report.h"

#include <algorithm>

std::string DetectorReportText(const char* data, size_t size) {
  std::string text(data, data + std::min(size, kDetectorReportWindow));
  std::replace(text.begin(), text.end(), '\0', ' ');
  return text;
}

bool DetectorReportSaysFound(const char* data, size_t size) {
  return DetectorReportText(data, size).find(kDetectorFoundMarker) != std::string::npos;
}

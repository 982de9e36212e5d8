// The report file of the detector tool's check: which of its bytes count and whether they say
// that a component is installed. Pure text handling; starting the tool and reading the file
// live in protocol_removal.cpp.
#pragma once
#include <cstddef>
#include <string>

// Only the first 1,024 bytes of a report are looked at; the rest of a longer report is ignored.
constexpr size_t kDetectorReportWindow = 1024;

// The text by which the tool reports an installed component. It is the same for every
// component, and it must lie wholly inside the window to count.
constexpr const char kDetectorFoundMarker[] = "dornpppoe found.";

// The counted part of a report as text: its first kDetectorReportWindow bytes (fewer when the
// report is shorter), every zero byte among them turned into a space so that the text after a
// zero byte is still searched. data may be null when size is 0.
std::string DetectorReportText(const char* data, size_t size);

// True when the counted part of the report holds the marker (case-sensitive, anywhere).
bool DetectorReportSaysFound(const char* data, size_t size);

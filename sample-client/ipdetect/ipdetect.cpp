// Stand-in for the detector tool "Ipdetect.exe". It understands
//   Ipdetect.exe -c<component> -f<report path>   check: writes the report, with the marker
//                                                "dornpppoe found." when the component counts
//                                                as installed
//   Ipdetect.exe -u<component>                   removal: nothing to do beyond the log line
// and appends its full command line to Ipdetect.log (see stand_in_log.h), one line per call.
// What it reports comes from the environment, which the uninstaller passes on unchanged:
//   IPDETECT_INSTALLED      components reported installed, separated by commas, semicolons or
//                           blanks (exact case), e.g. "Dorn_PPPoE,NETPROTOCOL"
//   IPDETECT_ZERO_BYTES     when "1": zero bytes stand between the report's header and marker
//   IPDETECT_MARKER_OFFSET  the byte offset at which the marker begins (filler before it)
// Exit codes: 0 done, 2 command line not understood, 3 report not written.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../common/stand_in_log.h"

namespace {

constexpr char kFoundMarker[] = "dornpppoe found.";
// Zero bytes written before the marker when asked for and no offset says more.
constexpr size_t kDefaultZeroBytes = 8;

std::string Environment(const char* name) {
  char value[1024] = {};
  const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof(value));
  return length > 0 && length < sizeof(value) ? std::string(value, length) : std::string();
}

std::vector<std::string> Split(const std::string& text, const char* separators) {
  std::vector<std::string> parts;
  size_t start = text.find_first_not_of(separators);
  while (start != std::string::npos) {
    const size_t end = text.find_first_of(separators, start);
    parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    start = text.find_first_not_of(separators, end);
  }
  return parts;
}

bool IsInstalled(const std::string& component) {
  for (const std::string& name : Split(Environment("IPDETECT_INSTALLED"), ",; \t"))
    if (name == component) return true;
  return false;
}

std::string BuildReport(const std::string& component) {
  std::string report = "Ipdetect check of " + component + "\r\n";
  if (!IsInstalled(component)) return report + component + " not found.\r\n";

  const bool zeroBytes = Environment("IPDETECT_ZERO_BYTES") == "1";
  const std::string offsetText = Environment("IPDETECT_MARKER_OFFSET");
  if (!offsetText.empty()) {
    const size_t offset = std::strtoul(offsetText.c_str(), nullptr, 10);
    if (offset > report.size()) report.append(offset - report.size(), zeroBytes ? '\0' : '.');
  } else if (zeroBytes) {
    report.append(kDefaultZeroBytes, '\0');
  }
  return report + kFoundMarker + "\r\n";
}

bool WriteReport(const std::string& path, const std::string& report) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == report.size();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  stand_in::AppendLog("Ipdetect", ::GetCommandLineA());

  std::string checked, reportPath, removed;
  for (const std::string& argument : Split(stand_in::Arguments(), " \t")) {
    if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '/')) return 2;
    const std::string value = argument.substr(2);
    switch (argument[1]) {
      case 'c': checked = value; break;
      case 'f': reportPath = value; break;
      case 'u': removed = value; break;
      default: return 2;
    }
  }

  if (!checked.empty()) {
    if (reportPath.empty() || !removed.empty()) return 2;
    return WriteReport(reportPath, BuildReport(checked)) ? 0 : 3;
  }
  return removed.empty() ? 2 : 0;
}

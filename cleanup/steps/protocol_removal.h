// Removal of the client's network protocol on the older systems through the detector tool
// "c:\Ipdetect.exe", which start-up copies there: the tool is asked, component by component,
// whether the client's protocol is installed, and the matching removal command is then run.
#pragma once
#include <string>

#include "cleanup/trust/approved_path.h"  // kDetectorCopyPath, kDetectorReportPath

// Runs "c:\Ipdetect.exe -c<component> -fc:\Dpppoe.txt" in the program's folder programFolder
// (exact, as the file system names it), the tool judged and held as it starts
// (cleanup/trust/judged_file.h: one that others could have changed is not started), waits for it
// without a time limit, then reads and deletes the report "c:\Dpppoe.txt", read through the handle
// it judged (one that others could have changed is left for safety and not believed). Returns 1 when
// the report's first 1,024 bytes hold "dornpppoe found.", else 0 (also when there is no report, or
// when the component name is missing or too long for the command line, in which case nothing is
// started). A report left by an earlier run is read as well: the check does not delete it beforehand.
int CheckProtocolInstalled(const char* componentName, const std::wstring& programFolder);

// Asks the tool about "Dorn_PPPoE", "PAVOPROTOCOL" and "NETPROTOCOL" in this order, stopping at
// the first one installed, and runs the matching removal command ("c:\Ipdetect.exe -u<name>";
// "-uZR_PROTOCOL" when none is installed) seven times, each run waited for. When the tool
// cannot be started every check gives 0 and every run ends at once; a report that is not believed
// ends it without a removal.
void RemoveClientProtocol(const std::wstring& programFolder);

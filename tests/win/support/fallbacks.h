// The older routes of the product, exercised under Wine, which offers every capability: a test
// program run with UNINSTALL_TEST_FALLBACKS set (a comma-separated list of the names below, or
// "all": every one but the Windows 95 family's) switches those capabilities off before its first
// test, through the product's seam.
#pragma once
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/capabilities.h"

namespace test {

struct CapabilityName {
  const char* name;
  Capability capability;
};
constexpr CapabilityName kCapabilityNames[] = {
    {"listing", Capability::FileIdListing},
    {"sharedelete", Capability::ShareDelete},
    {"toolhelp", Capability::ProcessSnapshot},
    {"shellfolderpath", Capability::ShellFolderPath},
    {"shfolder", Capability::ShFolderLibrary},
    {"linkopen", Capability::OpenReparsePoint},
    {"dlldirs", Capability::DefaultDllDirectories},
    {"uac", Capability::ElevatedTokens},
    {"namespaces", Capability::PrivateNamespaces},
    {"folders", Capability::FolderHandles},
    // Not among "all": the routes of Windows 95, 98 and Me, which the NT family's tables do not take.
    {"win9x", Capability::NtCalls},
};

// Switches off the capabilities UNINSTALL_TEST_FALLBACKS names; returns the list as given.
inline std::string SwitchOffCapabilitiesNamedInEnvironment() {
  const char* listed = std::getenv("UNINSTALL_TEST_FALLBACKS");
  if (!listed || !*listed) return std::string();
  const std::string names = std::string(",") + listed + ",";
  for (const CapabilityName& known : kCapabilityNames)
    if (names.find(std::string(",") + known.name + ",") != std::string::npos ||
        (names == ",all," && known.capability != Capability::NtCalls))
      SwitchOffForTests(known.capability);
  return listed;
}

}  // namespace test

// Feeds arbitrary bytes to the "Uninstall.bin" parser and checks what it promises about its
// values: keys end in a backslash, names are non-empty at their start, no value line is longer
// than a line may be.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "cleanup/steps/setup_file_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto values = ParseSetupFile(reinterpret_cast<const char*>(data), size);
  for (const SetupFileValue& v : values) {
    if (!v.key.empty() && v.key.back() != '\\') std::abort();
    if (v.name.size() + v.value.size() >= kSetupFileMaxLineBytes) std::abort();
    if (!v.value.empty() && (v.value.front() == ' ' || v.value.front() == '=' || v.value.front() == '"'))
      std::abort();
  }
  return 0;
}

#include "cleanup/steps/setup_type.h"

#include <cstdlib>

#include "cleanup/steps/setup_values.h"

namespace {
int ReadSetupType() { return std::atoi(ReadSetupValue("SetupType").c_str()); }
}  // namespace

bool IsSetupTypeGroup3() { return ReadSetupType() / 10 == 3; }

int GetSetupTypeVariant() { return ReadSetupType() % 10; }

int SelectBySetupVariant(int first, int second) {
  return GetSetupTypeVariant() != 0 ? second : first;
}

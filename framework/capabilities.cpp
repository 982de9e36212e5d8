#include "framework/capabilities.h"

#include <windows.h>

namespace {
// One flag per capability, set once it is known missing. A long written by the interlocked
// functions, which every Windows has.
volatile LONG g_missing[7] = {};

volatile LONG& MissingFlag(Capability capability) { return g_missing[static_cast<int>(capability)]; }
}  // namespace

bool MayUse(Capability capability) { return MissingFlag(capability) == 0; }

void MarkMissing(Capability capability) { ::InterlockedExchange(&MissingFlag(capability), 1); }

void SwitchOffForTests(Capability capability) { MarkMissing(capability); }

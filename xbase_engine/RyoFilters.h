#pragma once
// "Roll your own" filters: record sets that callers build bit by bit, copy
// from the active filter, save and restore, and activate as a work area's
// filter. A handle (a number above 0) names each set until it is destroyed;
// handles are process-wide, like the engine's settings.
#include <cstdint>

namespace xbe {

// Each answers 0 for an unknown handle or a failure (documented in xbe61.h).
int RyoCreate();
int RyoCopy();
int RyoSave();
int RyoRestore(int handle);
int RyoActivate(int handle, int mode);
int RyoDestroy(int handle);
int RyoGetBit(int handle, int64_t rec);
int RyoSetBit(int handle, int64_t rec, bool on);
// Forgets every handle (end of the session).
void RyoReset();

}  // namespace xbe

// A stand-in engine library for the binding tests: it exports every entry
// point name (or all but one) with an empty body, and records the calls of
// xb_SetStringType so that a test can see what the binder called.
#include "data_access/XbEntryNames.h"

extern "C" {
int fake_SetStringTypeCalls = 0;
int fake_SetStringTypeLast = -1;

void xb_SetStringType(int type) {
  ++fake_SetStringTypeCalls;
  fake_SetStringTypeLast = type;
}

#define xb_SetStringType fake_unused_SetStringType
#define FAKE_EXPORT(name) \
  void name() {}
XB_ENTRY_POINTS(FAKE_EXPORT)
}

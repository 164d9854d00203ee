// A stand-in engine library for the binding tests: it exports every entry
// point name (or all but one) with an empty body, and records the calls of
// xb_SetStringType so that a test can see what the binder called. Built with
// FAKE_RECORDS_OPEN it also records what a table's open asks of xb_UseEx and
// refuses the open, so a test reads back the arguments the table passed.
#include <cstdio>

#include "xbase_engine/XbEntryNames.h"

extern "C" {
int fake_SetStringTypeCalls = 0;
int fake_SetStringTypeLast = -1;

void xb_SetStringType(int type) {
  ++fake_SetStringTypeCalls;
  fake_SetStringTypeLast = type;
}
#define xb_SetStringType fake_unused_SetStringType

#ifdef FAKE_RECORDS_OPEN
int fake_UseExCalls = 0;
char fake_UseExPath[1024] = "";
char fake_UseExAlias[64] = "";
int fake_UseExOpenMode = -1;
int fake_UseExTableType = -1;
int fake_UseExCommitLevel = -1;

// No alias is in use.
short xb_WorkArea(const char*) { return 0; }

short xb_UseEx(const char* path, const char* alias, short openMode, short tableType, short commitLevel) {
  ++fake_UseExCalls;
  std::snprintf(fake_UseExPath, sizeof fake_UseExPath, "%s", path ? path : "");
  std::snprintf(fake_UseExAlias, sizeof fake_UseExAlias, "%s", alias ? alias : "");
  fake_UseExOpenMode = openMode;
  fake_UseExTableType = tableType;
  fake_UseExCommitLevel = commitLevel;
  return 0;
}
#define xb_WorkArea fake_unused_WorkArea
#define xb_UseEx fake_unused_UseEx
#endif

#define FAKE_EXPORT(name) \
  void name() {}
XB_ENTRY_POINTS(FAKE_EXPORT)
}

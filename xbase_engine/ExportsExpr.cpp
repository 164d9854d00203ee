// The C entry points of expressions, filters, queries, "roll your own"
// filters, relations and Locate (not provided yet: each answers as xbe61.h
// documents).
#include "xbase_engine/ExportHelpers.h"
#include "xbase_engine/xbe61.h"

using namespace xbe;

extern "C" {

int xb_EvalLogical(const char*) noexcept { return 0; }
double xb_EvalNumeric(const char*) noexcept { return 0.0; }
const char* xb_EvalString(const char*) noexcept { return ""; }
short xb_EvalTest(const char*) noexcept { return 0; }
int xb_SetFilter(const char*) noexcept { return 0; }
const char* xb_DBFilter(void) noexcept { return ""; }
int xb_FilterAlias(const char*, const char*) noexcept { return 0; }

int xb_Query(const char* expression) noexcept {
  return Guard(0, [&] {
    if (expression && *expression) return 0;
    return Clamp32(Current().RecNo());
  });
}

int xb_QueryRecCount(void) noexcept { return xb_Count(); }
short xb_QueryTest(const char*) noexcept { return 0; }
void xb_QuerySetExact(int on) noexcept { S().queryExact = on != 0; }
int xb_GetQueryBit(int) noexcept { return 0; }
int xb_SetQueryBit(int, int) noexcept { return 0; }
int xb_RYOFilterActivate(int, int) noexcept { return 0; }
int xb_RYOFilterCopy(void) noexcept { return 0; }
int xb_RYOFilterCreate(void) noexcept { return 0; }
int xb_RYOFilterDestroy(int) noexcept { return 0; }
int xb_RYOFilterGetBit(int, int) noexcept { return 0; }
int xb_RYOFilterRestore(int) noexcept { return 0; }
int xb_RYOFilterSave(void) noexcept { return 0; }
int xb_RYOFilterSetBit(int, int, int) noexcept { return 0; }
int xb_SetRelation(short, const char*) noexcept { return 0; }
int xb_Locate(const char*, short, int) noexcept { return 0; }

}  // extern "C"

// The C entry points of expressions, filters, queries, "roll your own"
// filters, relations and Locate. Expressions are compiled over the current work area's
// table at each call (a compile costs microseconds; filters and queries keep
// theirs).
#include "xbase_engine/ExportHelpers.h"
#include "xbase_engine/Filters.h"
#include "xbase_engine/RyoFilters.h"
#include "xbase_engine/TableExpression.h"
#include "xbase_engine/xbe61.h"

using namespace xbe;

namespace {

// The table of the current work area, null when there is none (constants
// and alias->field expressions still compile without one).
Table* CurrentOrNone() { return AreaTable(TheEngine().current); }

std::string Text(const char* expression) {
  if (!expression) throw XbError("No expression given");
  return expression;
}

}  // namespace

extern "C" {

int xb_EvalLogical(const char* expression) noexcept {
  return Guard(0, [&] {
    TableExpression e(CurrentOrNone(), Text(expression));
    if (e.Type() != expr::Type::Logical) throw XbError("Not a logical expression: " + e.Text());
    return Bool(e.EvaluateCurrent().logical);
  });
}

double xb_EvalNumeric(const char* expression) noexcept {
  return Guard(0.0, [&] {
    TableExpression e(CurrentOrNone(), Text(expression));
    const expr::Value& v = e.EvaluateCurrent();
    switch (v.type) {
      case expr::Type::Number: return v.number;
      case expr::Type::Date: return double(v.date);
      case expr::Type::Logical: return v.logical ? 1.0 : 0.0;
      default: return expr::ReadNumber(v.text);
    }
  });
}

const char* xb_EvalString(const char* expression) noexcept {
  return Guard<const char*>("", [&] {
    TableExpression e(CurrentOrNone(), Text(expression));
    return Ret(ValueText(e.EvaluateCurrent()));
  });
}

short xb_EvalTest(const char* expression) noexcept {
  return Guard<short>(0, [&] {
    TableExpression e(CurrentOrNone(), Text(expression));
    return short(e.Type());
  });
}

int xb_SetFilter(const char* expression) noexcept {
  return Guard(0, [&] {
    SetExpressionFilter(Current(), Str(expression));
    return 1;
  });
}

const char* xb_DBFilter(void) noexcept {
  return Guard<const char*>("", [] {
    const AreaFilter* f = ActiveFilter(Current());
    return Ret(f ? f->text : std::string());
  });
}

int xb_FilterAlias(const char* alias, const char* expression) noexcept {
  return Guard(0, [&] {
    Table* t = AreaTable(AreaOfAlias(Str(alias)));
    if (!t) throw XbError("Unknown alias: " + Str(alias));
    SetExpressionFilter(*t, Str(expression));
    return 1;
  });
}

int xb_Query(const char* expression) noexcept {
  return Guard(0, [&] {
    const int rec = Clamp32(RunQuery(Current(), Str(expression)));
    Moved();
    return rec;
  });
}

int xb_QueryRecCount(void) noexcept {
  return Guard(0, [] { return Clamp32(FilteredCount(Current())); });
}

short xb_QueryTest(const char* expression) noexcept {
  return Guard<short>(0, [&] {
    return short(QueryLevel(Current(), Text(expression)));
  });
}

void xb_QuerySetExact(int on) noexcept { S().queryExact = on != 0; }

int xb_GetQueryBit(int recNo) noexcept {
  return Guard(0, [&] { return Bool(recNo > 0 && QueryBit(Current(), uint32_t(recNo))); });
}

int xb_SetQueryBit(int recNo, int value) noexcept {
  return Guard(0, [&] { return Bool(recNo > 0 && SetQueryBit(Current(), uint32_t(recNo), value != 0)); });
}

int xb_RYOFilterActivate(int handle, int mode) noexcept {
  return Guard(0, [&] { return RyoActivate(handle, mode); });
}

int xb_RYOFilterCopy(void) noexcept {
  return Guard(0, [] { return RyoCopy(); });
}

int xb_RYOFilterCreate(void) noexcept {
  return Guard(0, [] { return RyoCreate(); });
}

int xb_RYOFilterDestroy(int handle) noexcept {
  return Guard(0, [&] { return RyoDestroy(handle); });
}

int xb_RYOFilterGetBit(int handle, int recNo) noexcept {
  return Guard(0, [&] { return RyoGetBit(handle, recNo); });
}

int xb_RYOFilterRestore(int handle) noexcept {
  return Guard(0, [&] { return RyoRestore(handle); });
}

int xb_RYOFilterSave(void) noexcept {
  return Guard(0, [] { return RyoSave(); });
}

int xb_RYOFilterSetBit(int handle, int recNo, int value) noexcept {
  return Guard(0, [&] { return RyoSetBit(handle, recNo, value != 0); });
}

int xb_SetRelation(short childArea, const char* key) noexcept {
  return Guard(0, [&] {
    SetRelation(TheEngine().current, childArea, Str(key));
    return 1;
  });
}

int xb_Locate(const char* expression, short direction, int resume) noexcept {
  return Guard(0, [&] {
    const bool found = LocateRecord(Current(), Text(expression), direction, resume != 0);
    Moved();
    return Bool(found);
  });
}

}  // extern "C"

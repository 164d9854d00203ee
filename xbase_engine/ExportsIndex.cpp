// The C entry points of indexes, orders, tags, keys, seeks and scopes; the
// work is done by the work area's index set (AreaIndexes.h).
#include <string>

#include "xbase_engine/AreaIndexes.h"
#include "xbase_engine/ExportHelpers.h"
#include "xbase_engine/xbe61.h"

using namespace xbe;

namespace {

idx::AreaIndexes& Ix() { return idx::IndexesOf(Current()); }

// NULL and "" both mean "none".
std::string Opt(const char* s) { return s ? std::string(s) : std::string(); }

}  // namespace

namespace xbe {

bool IndexProperty(int property, int, int& answer) noexcept {
  switch (property) {
    case XB_PROP_ORDER_COUNT:
      answer = Guard(0, [] { return Ix().Count(); });
      return true;
    case XB_PROP_DESCENDING:
      answer = Guard(0, [] { return Bool(Ix().Descending()); });
      return true;
    default:
      return false;
  }
}

}  // namespace xbe

extern "C" {

short xb_Index(const char* fileName, const char* expression, const char* condition, int unique,
               int descending) noexcept {
  return Guard<short>(0, [&] {
    return short(Ix().CreateIndex(Str(fileName), Str(expression), Opt(condition), unique != 0, descending != 0));
  });
}

short xb_IndexTag(const char* fileName, const char* tagName, const char* condition, int unique, int descending,
                  const char* expression) noexcept {
  return Guard<short>(0, [&] {
    return short(Ix().CreateTag(Opt(fileName), Str(tagName), Str(expression), Opt(condition), unique != 0,
                                descending != 0));
  });
}

short xb_IndexOpen(const char* fileName) noexcept {
  return Guard<short>(0, [&] { return short(Ix().OpenFile(Str(fileName))); });
}

void xb_IndexClose(void) noexcept {
  GuardV([] { Ix().CloseCurrentFile(); });
}

void xb_CloseIndexes(void) noexcept {
  GuardV([] { Ix().CloseAll(); });
}

void xb_Reindex(void) noexcept {
  GuardV([] { Ix().Reindex(); });
}

short xb_SetOrder(short order) noexcept {
  return Guard<short>(0, [&] { return short(Ix().SetOrder(order)); });
}

short xb_IndexOrd(void) noexcept {
  return Guard<short>(0, [] { return short(Ix().CurrentOrder()); });
}

const char* xb_IndexName(short order) noexcept {
  return Guard<const char*>("", [&] { return Ret(Ix().FileName(order)); });
}

const char* xb_IndexKey(void) noexcept {
  return Guard<const char*>("", [] { return Ret(Ix().KeyExpression()); });
}

const char* xb_IndexKeyField(void) noexcept {
  return Guard<const char*>("", [] { return Ret(Ix().KeyFields()); });
}

const char* xb_IndexCondition(void) noexcept {
  return Guard<const char*>("", [] { return Ret(Ix().Condition()); });
}

short xb_IndexType(void) noexcept {
  return Guard<short>(0, [] { return short(Ix().Type()); });
}

int xb_IndexFlip(void) noexcept {
  return Guard(0, [] { return Bool(Ix().Flip()); });
}

short xb_TagArea(const char* tagName) noexcept {
  return Guard<short>(0, [&] { return short(Ix().TagArea(Str(tagName))); });
}

const char* xb_TagName(short order) noexcept {
  return Guard<const char*>("", [&] { return Ret(Ix().TagName(order)); });
}

int xb_TagDelete(const char* tagName) noexcept {
  return Guard(0, [&] { return Bool(Ix().DeleteTag(Str(tagName))); });
}

double xb_OrderPosGet(void) noexcept {
  return Guard(0.0, [] { return Current().OrderPos(); });
}

int xb_OrderPosSet(double position) noexcept {
  return Guard(0, [&] { return Bool(Current().SetOrderPos(position)); });
}

int xb_OrderRecNo(void) noexcept {
  return Guard(0, [] { return Ix().OrderRecNo(); });
}

int xb_KeyAdd(const char* tagName) noexcept {
  return Guard(0, [&] { return Bool(Ix().KeyAdd(Opt(tagName), nullptr)); });
}

int xb_KeyDrop(const char* tagName) noexcept {
  return Guard(0, [&] { return Bool(Ix().KeyDrop(Opt(tagName), nullptr)); });
}

const char* xb_KeyData(void) noexcept {
  return Guard<const char*>("", [] { return Ret(Ix().KeyData()); });
}

short xb_KeyLength(void) noexcept {
  return Guard<short>(0, [] { return short(Ix().KeyLength()); });
}

const char* xb_Descend(const char* text) noexcept {
  return Guard<const char*>("", [&] {
    std::string s = Str(text);
    for (char& c : s) c = char(uint8_t(256 - uint8_t(c)));
    return Ret(s);
  });
}

int xb_Seek(const char* key) noexcept {
  return Guard(0, [&] { return Bool(Ix().Seek(Str(key), false)); });
}

int xb_SeekBin(const void* key, short length) noexcept {
  return Guard(0, [&] {
    if (!key || length <= 0) throw XbError("No key given");
    return Bool(Ix().Seek(std::string(static_cast<const char*>(key), size_t(length)), true));
  });
}

int xb_Found(void) noexcept {
  return Guard(0, [] { return Bool(Ix().Found()); });
}

int xb_SetScope(const char* low, const char* high) noexcept {
  return Guard(0, [&] { return Bool(Ix().SetScope(low, high)); });
}

const char* xb_GetScope(short which) noexcept {
  return Guard<const char*>("", [&] { return Ret(Ix().Scope(which)); });
}

int xb_SetSoftSeek(int on) noexcept {
  const int old = Bool(S().softSeek);
  S().softSeek = on != 0;
  return old;
}

int xb_RYOKeyAdd(const char* tagName, const char* key) noexcept {
  return Guard(0, [&] {
    const std::string k = Str(key);
    return Bool(Ix().KeyAdd(Opt(tagName), &k));
  });
}

int xb_RYOKeyDrop(const char* tagName) noexcept {
  return Guard(0, [&] { return Bool(Ix().KeyDrop(Opt(tagName), nullptr)); });
}

}  // extern "C"

// The C entry points of indexes, orders, tags, keys, seeks and scopes. Only
// natural order is provided yet: the order positions walk it, the rest
// answers as xbe61.h documents.
#include <string>

#include "xbase_engine/ExportHelpers.h"
#include "xbase_engine/xbe61.h"

using namespace xbe;

namespace xbe {

bool IndexProperty(int property, int, int& answer) noexcept {
  switch (property) {
    case XB_PROP_ORDER_COUNT:
    case XB_PROP_DESCENDING:
      answer = 0;  // no index order is ever open
      return true;
    default:
      return false;
  }
}

}  // namespace xbe

extern "C" {

short xb_Index(const char*, const char*, const char*, int, int) noexcept { return 0; }
short xb_IndexTag(const char*, const char*, const char*, int, int, const char*) noexcept { return 0; }
short xb_IndexOpen(const char*) noexcept { return 0; }
void xb_IndexClose(void) noexcept {}
void xb_CloseIndexes(void) noexcept {}
void xb_Reindex(void) noexcept {}
short xb_SetOrder(short) noexcept { return 0; }
short xb_IndexOrd(void) noexcept { return 0; }
const char* xb_IndexName(short) noexcept { return ""; }
const char* xb_IndexKey(void) noexcept { return ""; }
const char* xb_IndexKeyField(void) noexcept { return ""; }
const char* xb_IndexCondition(void) noexcept { return ""; }
short xb_IndexType(void) noexcept { return 0; }
int xb_IndexFlip(void) noexcept { return 0; }
short xb_TagArea(const char*) noexcept { return 0; }
const char* xb_TagName(short) noexcept { return ""; }
int xb_TagDelete(const char*) noexcept { return 0; }

double xb_OrderPosGet(void) noexcept {
  return Guard(0.0, [] { return Current().OrderPos(); });
}

int xb_OrderPosSet(double position) noexcept {
  return Guard(0, [&] { return Bool(Current().SetOrderPos(position)); });
}

int xb_OrderRecNo(void) noexcept {
  return Guard(0, [] { return Clamp32(Current().RecNo()); });
}

int xb_KeyAdd(const char*) noexcept { return 0; }
int xb_KeyDrop(const char*) noexcept { return 0; }
const char* xb_KeyData(void) noexcept { return ""; }
short xb_KeyLength(void) noexcept { return 0; }

const char* xb_Descend(const char* text) noexcept {
  return Guard<const char*>("", [&] {
    std::string s = Str(text);
    for (char& c : s) c = char(uint8_t(256 - uint8_t(c)));
    return Ret(s);
  });
}

int xb_Seek(const char*) noexcept { return 0; }
int xb_SeekBin(const void*, short) noexcept { return 0; }
int xb_Found(void) noexcept { return 0; }
int xb_SetScope(const char*, const char*) noexcept { return 0; }
const char* xb_GetScope(short) noexcept { return ""; }

int xb_SetSoftSeek(int on) noexcept {
  const int old = Bool(S().softSeek);
  S().softSeek = on != 0;
  return old;
}

int xb_RYOKeyAdd(const char*, const char*) noexcept { return 0; }
int xb_RYOKeyDrop(const char*) noexcept { return 0; }

}  // extern "C"

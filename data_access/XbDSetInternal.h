#pragma once
// Pieces the files of TXbTable share: message texts, the blob slot layout and
// small helpers. Not for use outside the table.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "class_library/core/DateTime.h"
#include "class_library/core/SysUtils.h"

#include "class_library/datasets/FieldDefs.h"
#include "class_library/core/Types.h"
#include "data_access/XbDSet.h"

namespace xbdset {

inline constexpr const char* kClosedTable = "Cannot perform this operation on a closed table";
inline constexpr const char* kOpenTable = "Cannot perform this operation on an open table";
inline constexpr const char* kEmptyTable = "Cannot perform this operation on an empty table";
inline constexpr const char* kReadOnlyTable = "Cannot modify a read-only data set";
inline constexpr const char* kTranslateError = "Translate error. Value out of bounds";
inline constexpr const char* kLockFailure = "Record Lock Failure. May be locked by another user or task.";
inline constexpr const char* kNoActiveOrder = "This operation requires an active index order";

// Memo type code of the engine's Replace.
inline constexpr int kReplaceMemo = 3072;

// How a field of the engine's type letter and width is stored.
TXbFieldLayout FieldLayoutOf(char Type, int Width);

// The same bytes, a few at a time: no library call for a handful.
inline void CopyFew(Byte* to, const Byte* from, size_t n) {
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8) std::memcpy(to + i, from + i, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + n - 4, from + n - 4, 4);
  } else {
    for (size_t i = 0; i < n; ++i) to[i] = from[i];
  }
}

// Types whose record-buffer value lives in a blob slot.
inline bool IsBlobType(TFieldType t) { return t == ftMemo || t == ftBlob || t == ftGraphic || t == ftFmtMemo; }

// The trimmed names of a ";"-separated list (key fields, master fields).
inline std::vector<String> SplitNames(const String& Text) {
  std::vector<String> names;
  size_t start = 0;
  while (start <= Text.size()) {
    size_t end = Text.find(';', start);
    if (end == String::npos) end = Text.size();
    names.push_back(Trim(Text.substr(start, end - start)));
    start = end + 1;
  }
  return names;
}

// A date as the engine writes it in keys: "yyyymmdd".
inline String YmdText(TDateTime Value) {
  Word y = 0, m = 0, d = 0;
  DecodeDate(Value, y, m, d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04u%02u%02u", static_cast<unsigned>(y), static_cast<unsigned>(m),
                static_cast<unsigned>(d));
  return buf;
}

inline bool HasPathDelimiter(const String& s) { return s.find_first_of("/\\") != String::npos; }

inline String WithTrailingDelimiter(const String& s) {
  if (s.empty() || s.back() == '/' || s.back() == '\\') return s;
  return s + "/";
}

template <class T>
T Load(const Byte* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T>
void Store(Byte* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// A blob slot: int32 length, 10-character memo reference, modified byte,
// loaded byte, then a pointer to the data (owned by the buffer).
inline constexpr int kSlotLength = 0;
inline constexpr int kSlotMemoText = 4;
inline constexpr int kSlotModified = 14;
inline constexpr int kSlotLoaded = 15;
inline constexpr int kSlotData = 16;
static_assert(kSlotData + sizeof(char*) <= static_cast<size_t>(TXbTable::BlobSlotSize));

inline char* SlotData(const Byte* slot) { return Load<char*>(slot + kSlotData); }

inline void ResetSlot(Byte* slot, bool freeData) {
  if (freeData) delete[] SlotData(slot);
  Store<std::int32_t>(slot + kSlotLength, 0);
  std::memset(slot + kSlotMemoText, ' ', 10);
  slot[kSlotModified] = 0;
  slot[kSlotLoaded] = 0;
  Store<char*>(slot + kSlotData, nullptr);
}

}  // namespace xbdset

// TXbTable: the translation between the engine's record image and the record
// buffer. Every field is read and written the way the engine stores it: as
// text (C, N, F, L, D, memo references of width 10) or in its binary layout
// (I, B, Y, T, memo references of width 4); the field codec the engine uses
// holds both, so that table and engine never disagree about a stored value.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "class_library/core/DateTime.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"
#include "xbase_engine/DbfCodec.h"

using namespace xbdset;

namespace {

struct DataTypeRange {
  std::int64_t lo, hi;
};

// The length of p[0..n) without its trailing blanks, eight bytes at a time
// (padded text fields are mostly blanks): in the last eight that are not all
// blanks, the blanks at their end are the high zero bytes of word ^ blanks.
int WithoutTrailingBlanks(const char* p, int n) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kBlanks = 0x2020202020202020ull;
    for (; n >= 8; n -= 8) {
      std::uint64_t word;
      std::memcpy(&word, p + n - 8, 8);
      if (const std::uint64_t other = word ^ kBlanks; other != 0) return n - std::countl_zero(other) / 8;
    }
  }
  while (n > 0 && p[n - 1] == ' ') --n;
  return n;
}

// The length of p[0..n) up to its first zero byte (n when none), eight bytes
// at a time: in a word, the lowest byte flagged by (w - 1s) & ~w & 80s is its
// first zero byte (a flag above a zero byte may be false, one below never).
size_t UpToZeroByte(const char* p, size_t n) {
  size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    for (; i + 8 <= n; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (const std::uint64_t zeros = (word - kOnes) & ~word & kHighs; zeros != 0)
        return i + static_cast<size_t>(std::countr_zero(zeros) / 8);
    }
  }
  while (i < n && p[i] != '\0') ++i;
  return i;
}

bool IsBlank(const char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != ' ' && p[i] != '\0') return false;
  return true;
}

// The class library counts days from 1 January of year 1 (that day being 1);
// the codec counts Julian days. Both are proleptic Gregorian.
const std::int32_t kJulianOfDayZero = dbf::JulianFromYmd(1, 1, 1) - 1;

// A day number of the class library as year, month and day.
void CivilFromDayNumber(std::int32_t dayNumber, int& y, int& m, int& d) {
  dbf::YmdFromJulian(dayNumber + kJulianOfDayZero, y, m, d);
}

// The day number of a valid date; 0 otherwise.
std::int32_t DayNumber(int y, int m, int d) {
  const std::int32_t julian = dbf::JulianFromYmd(y, m, d);
  return julian == 0 ? 0 : julian - kJulianOfDayZero;
}

// The "yyyymmdd" text of a day number; a two-digit year typed by the user
// lands in the century window of Epoch. Empty when the date has no such text.
std::string DateText(std::int32_t dayNumber, int epoch) {
  int y = 0, m = 0, d = 0;
  CivilFromDayNumber(dayNumber, y, m, d);
  if (y < 100) {
    y += (epoch / 100) * 100;
    if (y < epoch)
      y += 100;
    else if (y > epoch + 100)
      y -= 100;
  }
  return dbf::FormatDate(y, m, d);
}

// A date-time value (days since the class library's origin, the fraction the
// time of day; before the origin the fraction still counts forward) and the
// stored Julian day and milliseconds.
TDateTime DateTimeFromStored(dbf::DateTime v) {
  const double days = static_cast<double>(v.julian - kJulianOfDayZero) - DateDelta;
  const std::int32_t ms = v.ms >= 0 && v.ms < MSecsPerDay ? v.ms : 0;
  const double time = static_cast<double>(ms) / MSecsPerDay;
  return days >= 0 ? days + time : days - time;
}

bool StoredFromDateTime(TDateTime value, dbf::DateTime& out) {
  if (!std::isfinite(value)) return false;
  double days = std::trunc(value);
  std::int64_t ms = std::llround(std::fabs(value - days) * MSecsPerDay);
  if (ms >= MSecsPerDay) {  // rounded up to the next day
    ms -= MSecsPerDay;
    days += value >= 0 ? 1 : -1;
  }
  std::int64_t julian = 0;
  if (!dbf::WholeInRange(days + DateDelta + kJulianOfDayZero, 1, std::numeric_limits<std::int32_t>::max(), julian))
    return false;
  int y = 0, m = 0, d = 0;
  dbf::YmdFromJulian(static_cast<std::int32_t>(julian), y, m, d);
  if (!dbf::ValidDate(y, m, d)) return false;
  out.julian = static_cast<std::int32_t>(julian);
  out.ms = static_cast<std::int32_t>(ms);
  return true;
}

// The 10-character memo reference a blob slot keeps, from a stored reference
// of either layout.
void SlotReference(Byte* slotText, TXbFieldLayout layout, const char* stored, int width) {
  if (layout == TXbFieldLayout::MemoBinary) {
    const std::uint32_t block = dbf::ReadMemoRefBinary(reinterpret_cast<const std::uint8_t*>(stored));
    const std::string text = dbf::FormatMemoRef(block, 10);
    std::memcpy(slotText, text.data(), std::min<size_t>(text.size(), 10));
  } else {
    std::memcpy(slotText, stored, static_cast<size_t>(std::min(width, 10)));
  }
}

// The readers below fill a field's value in the record buffer from its
// stored bytes (width of them at text) and answer whether it holds a value.

// A masked value: asterisks for text, zeros otherwise.
inline bool ReadMasked(Byte* value, TFieldType type, int dataSize) {
  if (type == ftString) {
    std::memset(value, '*', static_cast<size_t>(std::max(dataSize - 1, 0)));
    if (dataSize > 0) value[dataSize - 1] = 0;
  } else {
    std::memset(value, 0, static_cast<size_t>(dataSize));
  }
  return true;
}

// The text without its trailing blanks, zero-filled to the end. The one
// scan from the end also settles most blank tests: a last character kept
// that is not a zero byte is a value.
inline bool ReadText(Byte* value, const char* text, int width, int dataSize) {
  const int n = std::min(width, std::max(dataSize - 1, 0));
  const int kept = WithoutTrailingBlanks(text, n);
  const bool has = (kept > 0 && text[kept - 1] != '\0') || !IsBlank(text, width);
  std::memcpy(value, text, static_cast<size_t>(kept));
  std::memset(value + kept, 0, static_cast<size_t>(n - kept + 1));
  return has;
}

// A whole number of the field type's range; number text that is not a whole
// number within it reads as 0.
inline bool ReadWhole(Byte* value, TFieldType type, TXbFieldLayout layout, const char* text, int width) {
  std::int64_t v = 0;
  bool has = true;
  if (layout == TXbFieldLayout::Int32) {
    v = dbf::ReadInt(reinterpret_cast<const std::uint8_t*>(text));
  } else {
    const DataTypeRange range = type == ftSmallint ? DataTypeRange{-32768, 32767}
                                : type == ftWord   ? DataTypeRange{0, 65535}
                                                   : DataTypeRange{INT32_MIN, INT32_MAX};
    const dbf::NumberRead r = dbf::ReadNumber(std::string_view(text, static_cast<size_t>(width)));
    has = r.kind != dbf::NumberKind::Blank;
    if (!dbf::WholeInRange(r.value, range.lo, range.hi, v)) v = 0;
  }
  if (type == ftSmallint)
    Store<std::int16_t>(value, static_cast<std::int16_t>(v));
  else if (type == ftWord)
    Store<std::uint16_t>(value, static_cast<std::uint16_t>(v));
  else
    Store<std::int32_t>(value, static_cast<std::int32_t>(v));
  return has;
}

inline bool ReadLogical(Byte* value, const char* text, int width) {
  const bool blank = IsBlank(text, width);
  Store<std::int16_t>(value, (!blank && (text[0] == 'T' || text[0] == 'Y')) ? -1 : 0);
  return !blank;
}

inline bool ReadReal(Byte* value, TXbFieldLayout layout, const char* text, int width) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
  double v = 0;
  bool has = true;
  switch (layout) {
    case TXbFieldLayout::Double: v = dbf::ReadDouble(bytes); break;
    case TXbFieldLayout::Currency: v = dbf::CurrencyValue(dbf::ReadCurrency(bytes)); break;
    case TXbFieldLayout::Int32: v = dbf::ReadInt(bytes); break;
    default: {
      const dbf::NumberRead r = dbf::ReadNumber(std::string_view(text, static_cast<size_t>(width)));
      has = r.kind != dbf::NumberKind::Blank;
      v = r.value;
    }
  }
  Store<double>(value, v);
  return has;
}

// The "yyyymmdd" a stored date begins with.
inline std::string_view DateDigits(const char* text, int width) {
  return std::string_view(text, static_cast<size_t>(std::min(width, 8)));
}

// A present date that is no valid date (month or day "00", garbage) reads as day 0.
inline bool ReadDateField(Byte* value, TXbFieldLayout layout, const char* text, int width) {
  std::int32_t day = 0;
  bool has = false;
  if (layout == TXbFieldLayout::DateText && text[1] != ' ' && text[1] != '\0' && text[5] != '\0' &&
      text[7] != '\0') {
    has = true;
    int y = 0, m = 0, d = 0;
    if (dbf::ReadDate(DateDigits(text, width), y, m, d) == dbf::DateKind::Valid) day = DayNumber(y, m, d);
  }
  Store<std::int32_t>(value, day);
  return has;
}

inline bool ReadDateTimeField(Byte* value, TXbFieldLayout layout, const char* text, int width) {
  TDateTime v = 0;
  bool has = false;
  if (layout == TXbFieldLayout::DateTime) {
    const dbf::DateTime stored = dbf::ReadDateTime(reinterpret_cast<const std::uint8_t*>(text));
    if (stored.julian != 0) {
      has = true;
      v = DateTimeFromStored(stored);
    }
  } else if (layout == TXbFieldLayout::DateText) {
    int y = 0, m = 0, d = 0;
    if (dbf::ReadDate(DateDigits(text, width), y, m, d) == dbf::DateKind::Valid) {
      has = true;
      v = static_cast<double>(DayNumber(y, m, d)) - DateDelta;
    }
  }
  Store<double>(value, v);
  return has;
}

// A field's place in the engine's record image and how it is stored there.
// The writers below put a field's value there from the record buffer and
// answer false when the stored form cannot hold it.
struct StoredField {
  char* dest;
  int width;
  int decimals;
  TXbFieldLayout layout;

  std::uint8_t* Bytes() const { return reinterpret_cast<std::uint8_t*>(dest); }
  bool Binary() const {
    return layout == TXbFieldLayout::Int32 || layout == TXbFieldLayout::Double || layout == TXbFieldLayout::Currency ||
           layout == TXbFieldLayout::DateTime || layout == TXbFieldLayout::MemoBinary;
  }
  void Blanks() const { std::memset(dest, ' ', static_cast<size_t>(width)); }
  // An empty field: blanks where the field is text, zeros where it is binary.
  void Empty() const { std::memset(dest, Binary() ? 0 : ' ', static_cast<size_t>(width)); }
  void PutText(const std::string& t) const {
    Blanks();
    std::memcpy(dest, t.data(), std::min(t.size(), static_cast<size_t>(width)));
  }
};

inline void WriteText(const StoredField& f, const Byte* value, bool has, int dataSize) {
  f.Blanks();
  if (has) {
    const char* s = reinterpret_cast<const char*>(value);
    const size_t n = strnlen(s, static_cast<size_t>(std::max(dataSize - 1, 0)));
    std::memcpy(f.dest, s, std::min(n, static_cast<size_t>(f.width)));
  }
}

inline bool WriteWhole(const StoredField& f, TFieldType type, const Byte* value, std::string& text) {
  const std::int64_t v = type == ftSmallint ? Load<std::int16_t>(value)
                         : type == ftWord   ? Load<std::uint16_t>(value)
                                            : Load<std::int32_t>(value);
  if (f.layout == TXbFieldLayout::Int32) {
    dbf::WriteInt(f.Bytes(), static_cast<std::int32_t>(v));
    return true;
  }
  if (f.Binary() || !dbf::FormatNumber(static_cast<double>(v), f.width, 0, text)) return false;
  f.PutText(text);
  return true;
}

inline void WriteLogical(const StoredField& f, const Byte* value, bool has) {
  f.Blanks();
  if (f.width > 0) f.dest[0] = has ? (Load<std::int16_t>(value) != 0 ? 'T' : 'F') : ' ';
}

inline bool WriteReal(const StoredField& f, const Byte* value, std::string& text) {
  const double v = Load<double>(value);
  std::int64_t whole = 0;
  switch (f.layout) {
    case TXbFieldLayout::Double:
      if (!std::isfinite(v)) return false;
      dbf::WriteDouble(f.Bytes(), v);
      return true;
    case TXbFieldLayout::Currency:
      if (!dbf::CurrencyFromDouble(v, whole)) return false;
      dbf::WriteCurrency(f.Bytes(), whole);
      return true;
    case TXbFieldLayout::Int32:
      if (!dbf::WholeInRange(v, INT32_MIN, INT32_MAX, whole)) return false;
      dbf::WriteInt(f.Bytes(), static_cast<std::int32_t>(whole));
      return true;
    default:
      if (f.Binary() || !dbf::FormatNumber(v, f.width, f.decimals, text)) return false;
      f.PutText(text);
      return true;
  }
}

// A date (day number) or date-time value, stored binary or as "yyyymmdd".
inline bool WriteDates(const StoredField& f, TFieldType type, const Byte* value, int epoch) {
  if (f.layout == TXbFieldLayout::DateTime) {
    dbf::DateTime stored;
    const TDateTime v =
        type == ftDate ? static_cast<double>(Load<std::int32_t>(value)) - DateDelta : Load<double>(value);
    if (!StoredFromDateTime(v, stored)) return false;
    dbf::WriteDateTime(f.Bytes(), stored);
  } else if (f.layout == TXbFieldLayout::DateText) {
    const std::int32_t day = type == ftDate ? Load<std::int32_t>(value)
                                            : static_cast<std::int32_t>(std::floor(Load<double>(value))) + DateDelta;
    // Day 0 of a date field is a date present but empty (what a stored
    // text that is no date reads as); any other day before the year 1
    // has no "yyyymmdd" text, as none after 9999 has.
    if (day < 0 || (day == 0 && type != ftDate)) return false;
    f.Blanks();
    if (day >= 1) {
      const std::string t = DateText(day, epoch);
      if (t.size() != 8) return false;
      std::memcpy(f.dest, t.data(), 8);
    }
  }
  return true;
}

// The memo reference a blob slot keeps, in the stored layout.
inline void WriteMemoReference(const StoredField& f, const Byte* blobSlot) {
  const std::string_view reference(reinterpret_cast<const char*>(blobSlot + kSlotMemoText), 10);
  if (f.layout == TXbFieldLayout::MemoBinary) {
    std::uint32_t block = 0;
    if (!dbf::ReadMemoRef(reference, block)) block = 0;
    dbf::WriteMemoRefBinary(f.Bytes(), block);
  } else {
    std::memcpy(f.dest, reference.data(), static_cast<size_t>(std::min(f.width, 10)));
  }
}

}  // namespace

TXbFieldLayout xbdset::FieldLayoutOf(char Type, int Width) {
  switch (Type) {
    case 'C': return TXbFieldLayout::Text;
    case 'N':
    case 'F': return TXbFieldLayout::NumberText;
    case 'L': return TXbFieldLayout::Logical;
    case 'D': return Width >= 8 ? TXbFieldLayout::DateText : TXbFieldLayout::Other;
    case 'I':
    case '+': return Width == 4 ? TXbFieldLayout::Int32 : TXbFieldLayout::Other;
    case 'Y': return Width == 8 ? TXbFieldLayout::Currency : TXbFieldLayout::Other;
    case 'T':
    case '@': return Width == 8 ? TXbFieldLayout::DateTime : TXbFieldLayout::Other;
    case 'O': return Width == 8 ? TXbFieldLayout::Double : TXbFieldLayout::Other;
    case 'B':
      if (Width == 8) return TXbFieldLayout::Double;
      [[fallthrough]];
    case 'M':
    case 'G':
    case 'P':
    case 'W': return Width == 4 ? TXbFieldLayout::MemoBinary : TXbFieldLayout::MemoText;
    default: return TXbFieldLayout::Other;
  }
}

void TXbTable::LoadRecord(Byte* Buffer, const char* Image) {
  if (imageOffset_ <= 0 || !Buffer) return;
  char* own = BufferImage(Buffer);
  if (Image && Image != own) std::memcpy(own, Image, static_cast<size_t>(std::max(recordSize_, 1)));
  Byte* pending = PendingFlags(Buffer);
  if (encrypted_ && !keyHeld_) {
    // Masked values depend on no byte of the record: all of them at once.
    std::memset(pending, 0, lazyFields_.size());
    for (TField* field : Fields()) {
      const int fieldNo = field->FieldNo();
      if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) continue;
      FieldFromImage(Buffer, field, *fieldInfos_[static_cast<size_t>(fieldNo - 1)], own, true, false);
    }
    return;
  }
  CopyFew(pending, lazyFields_.data(), lazyFields_.size());
  if (eagerFields_.empty()) return;
  const bool insertingAtEnd = State() == dsInsert && Eof();
  for (TField* field : eagerFields_)
    FieldFromImage(Buffer, field, *fieldInfos_[static_cast<size_t>(field->FieldNo() - 1)], own, false, insertingAtEnd);
}

bool TXbTable::ReadFieldText(TField* Field, const char*& Text, size_t& Length) {
  if (!cursorOpen_ || !Field || imageOffset_ <= 0) return false;
  const TFieldType type = Field->DataType();
  if (type != ftString && type != ftFixedChar && type != ftWideString) return false;
  const int fieldNo = Field->FieldNo();
  if (fieldNo <= 0 || fieldNo > static_cast<int>(lazyFields_.size())) return false;
  // Browsing reads the active buffer, as BufferFor answers then.
  const Byte* record = State() == dsBrowse ? ActiveBuffer() : BufferFor(Field, false);
  if (!record) return false;
  const TFieldInfo& info = *fieldInfos_[static_cast<size_t>(fieldNo - 1)];
  if (PendingFlags(const_cast<Byte*>(record))[fieldNo - 1] == 0) {
    // The slot holds the value (read, written or masked): its text up to the
    // zero byte, none when null.
    const Byte* slot = record + info.BufferOffset;
    Text = reinterpret_cast<const char*>(slot + 1);
    Length = slot[0] == 0 ? 0 : strnlen(Text, static_cast<size_t>(std::max(Field->Size(), 0)));
    return true;
  }
  // Still the engine's bytes: read where they lie, as FieldFromImage would
  // fill the slot (trailing blanks off, up to a zero byte, a field of blanks
  // and zero bytes only null), without filling it.
  const int width = info.Width;
  Text = BufferImage(const_cast<Byte*>(record));
  Length = 0;
  if (info.EngineOffset < 0 || width < 0 || info.EngineOffset + width > recordSize_) return true;
  Text += info.EngineOffset;
  const int kept = WithoutTrailingBlanks(Text, std::min(width, std::max(Field->Size(), 0)));
  if (kept > 0 && (Text[kept - 1] != '\0' || !IsBlank(Text, width)))
    Length = UpToZeroByte(Text, static_cast<size_t>(kept));
  return true;
}

void TXbTable::FillSlot(Byte* Buffer, TField* Field, int FieldNo) {
  PendingFlags(Buffer)[FieldNo - 1] = 0;
  FieldFromImage(Buffer, Field, *fieldInfos_[static_cast<size_t>(FieldNo - 1)], BufferImage(Buffer), false, false);
}

void TXbTable::FieldFromImage(Byte* Buffer, TField* Field, const TFieldInfo& Info, const char* Image, bool Masked,
                              bool InsertingAtEnd) {
  Byte* slot = Buffer + Info.BufferOffset;
  Byte* value = slot + 1;
  const int width = Info.Width;
  if (Info.EngineOffset < 0 || width < 0 || Info.EngineOffset + width > recordSize_) {
    slot[0] = 0;  // an engine answer that does not fit the record is never read
    return;
  }
  const char* text = Image + Info.EngineOffset;
  const TXbFieldLayout layout = Info.Layout;
  const TFieldType type = Field->DataType();
  bool has = false;
  if (Masked) {
    has = ReadMasked(value, type, Field->DataSize());
  } else {
    switch (type) {
      case ftString:
      case ftFixedChar:
      case ftWideString: has = ReadText(value, text, width, Field->DataSize()); break;
      case ftSmallint:
      case ftWord:
      case ftInteger:
      case ftAutoInc: has = ReadWhole(value, type, layout, text, width); break;
      case ftBoolean: has = ReadLogical(value, text, width); break;
      case ftFloat:
      case ftCurrency: has = ReadReal(value, layout, text, width); break;
      case ftDate: has = ReadDateField(value, layout, text, width); break;
      case ftDateTime: has = ReadDateTimeField(value, layout, text, width); break;
      case ftMemo:
      case ftBlob:
      case ftGraphic:
      case ftFmtMemo: {
        Byte* blobSlot = Buffer + blobAreaOffset_ + Field->Offset() * BlobSlotSize;
        ResetSlot(blobSlot, true);
        if (!InsertingAtEnd) SlotReference(blobSlot + kSlotMemoText, layout, text, width);
        has = !IsBlank(reinterpret_cast<const char*>(blobSlot + kSlotMemoText), 10);
        break;
      }
      default: break;
    }
  }
  slot[0] = has ? 1 : 0;
}

void TXbTable::TranslateBuffer(Byte* Buffer, std::vector<char>& Image, const std::vector<bool>* Only) {
  std::string text;
  for (TField* field : Fields()) {
    const int fieldNo = field->FieldNo();
    if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) continue;
    if (Only && (static_cast<size_t>(fieldNo - 1) >= Only->size() || !(*Only)[static_cast<size_t>(fieldNo - 1)]))
      continue;
    const TFieldInfo& info = *fieldInfos_[static_cast<size_t>(fieldNo - 1)];
    const int width = info.Width;
    if (info.EngineOffset < 0 || width < 0 || info.EngineOffset + width > static_cast<int>(Image.size())) continue;
    const StoredField stored{Image.data() + info.EngineOffset, width, info.Decimals, info.Layout};
    EnsureSlot(Buffer, field);
    const Byte* slot = Buffer + info.BufferOffset;
    const bool has = slot[0] != 0;
    const Byte* value = slot + 1;
    const TFieldType type = field->DataType();
    bool fits = true;
    switch (type) {
      case ftString:
      case ftFixedChar:
      case ftWideString: WriteText(stored, value, has, field->DataSize()); break;
      case ftSmallint:
      case ftWord:
      case ftInteger:
      case ftAutoInc:
        if (has)
          fits = WriteWhole(stored, type, value, text);
        else
          stored.Empty();
        break;
      case ftBoolean: WriteLogical(stored, value, has); break;
      case ftFloat:
      case ftCurrency:
        if (has)
          fits = WriteReal(stored, value, text);
        else
          stored.Empty();
        break;
      case ftDate:
      case ftDateTime:
        if (has)
          fits = WriteDates(stored, type, value, epoch_);
        else
          stored.Empty();
        break;
      case ftMemo:
      case ftBlob:
      case ftGraphic:
      case ftFmtMemo:
        WriteMemoReference(stored, Buffer + blobAreaOffset_ + field->Offset() * BlobSlotSize);
        break;
      default: break;
    }
    if (!fits) RaiseError(kTranslateError);
  }
}

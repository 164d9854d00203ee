// TXbTable: record buffers, field data, bookmarks, and the translation
// between the engine's record image and the record buffer.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "class_library/DateTime.h"
#include "class_library/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"
#include "platform/system/FileTime.h"

using namespace xbdset;

namespace {

// Numbers and dates go to and from the DBF text without regard to the
// process locale: the DBF format always uses "." and no grouping.

bool IsBlank(const char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != ' ' && p[i] != '\0') return false;
  return true;
}

std::string_view TrimmedView(const char* p, int n) {
  int b = 0, e = n;
  while (b < e && (p[b] == ' ' || p[b] == '\0')) ++b;
  while (e > b && (p[e - 1] == ' ' || p[e - 1] == '\0')) --e;
  return {p + b, static_cast<size_t>(e - b)};
}

// Whole-number text; a text that does not convert gives 0.
std::int64_t ParseDbfInteger(const char* p, int n) {
  std::string_view t = TrimmedView(p, n);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  std::int64_t v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size()) return 0;
  return v;
}

// Numeric text with "." as the decimal point; a text that does not convert gives 0.
double ParseDbfFloat(const char* p, int n) {
  std::string_view t = TrimmedView(p, n);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  double v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
  if (ec != std::errc() || end != t.data() + t.size()) return 0;
  return v;
}

// Day numbers count from 1 January of year 1 (that day being 1), proleptic
// Gregorian; DateDelta is the day number of the TDateTime origin.
std::int64_t DayNumberOf1970() { return DateDelta - sys::DaysFromCivil(1899, 12, 30); }

std::int32_t DayNumber(int y, int m, int d) {
  return static_cast<std::int32_t>(sys::DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) +
                                   DayNumberOf1970());
}

void CivilFromDayNumber(std::int32_t dayNumber, int& y, int& m, int& d) {
  long long year = 0;
  unsigned month = 0, day = 0;
  sys::CivilFromDays(dayNumber - DayNumberOf1970(), year, month, day);
  y = static_cast<int>(year);
  m = static_cast<int>(month);
  d = static_cast<int>(day);
}

bool ValidDate(int y, int m, int d) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  int dim = days[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) dim = 29;
  return d <= dim;
}

int ParseDigits(const char* p, int n) {
  int v = 0;
  auto [end, ec] = std::from_chars(p, p + n, v);
  if (ec != std::errc() || end != p + n) return 0;
  return v;
}

// Writes text right-aligned into width bytes; false when it does not fit.
bool PutRightAligned(char* dest, int width, std::string_view text) {
  if (static_cast<int>(text.size()) > width) return false;
  std::memset(dest, ' ', static_cast<size_t>(width));
  std::memcpy(dest + width - static_cast<int>(text.size()), text.data(), text.size());
  return true;
}

// The value with a fixed number of decimals, "." as the point, no grouping.
std::string FormatFixed(double value, int decimals) {
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, std::max(decimals, 0));
  if (ec != std::errc()) return std::string(400, '9');  // fits no field
  return std::string(buf, end);
}

String DateText(std::int32_t dayNumber, int epoch) {
  int y = 0, m = 0, d = 0;
  CivilFromDayNumber(dayNumber, y, m, d);
  if (y < 100) {
    // A two-digit year typed by the user lands in the century window of Epoch.
    y += (epoch / 100) * 100;
    if (y < epoch)
      y += 100;
    else if (y > epoch + 100)
      y -= 100;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  return buf;
}

}  // namespace

// ---- record buffers -------------------------------------------------------------

std::unique_ptr<Byte[]> TXbTable::NewRecordBuffer() {
  const int size = std::max(imageOffset_ > 0 ? imageOffset_ + std::max(recordSize_, 1) : recordBufferSize_, TrailerSize);
  auto buffer = std::make_unique<Byte[]>(static_cast<size_t>(size));  // zeroed
  ClearBlobSlots(buffer.get(), false);
  return buffer;
}

void TXbTable::DisposeRecordBuffer(Byte* Buffer) {
  if (Buffer) ClearBlobSlots(Buffer, true);
}

void TXbTable::ClearBlobSlots(Byte* Buffer, bool FreeData) const {
  if (recordBufferSize_ <= 0) return;
  for (int i = 0; i < BlobFieldCount(); ++i) ResetSlot(Buffer + blobAreaOffset_ + i * BlobSlotSize, FreeData);
}

void TXbTable::InitRecordBuffer(Byte* Buffer) {
  if (!Buffer || recordBufferSize_ <= 0) return;
  std::memset(Buffer, 0, static_cast<size_t>(blobAreaOffset_));
  if (imageOffset_ > 0) std::memset(PendingFlags(Buffer), 0, lazyFields_.size());
  SetTrailerRecNo(Buffer, 0);
  ClearBlobSlots(Buffer, true);
}

int TXbTable::RecordBufferSize() { return recordBufferSize_; }

void TXbTable::ResetRecordBuffers() {
  TDataSet::ResetRecordBuffers();
  if (workArea_ > 0 && BufferCount() > 0) InitRecordBuffer(ActiveBuffer());
}

void TXbTable::ResetCalcFields(Byte* Buffer) {
  if (Buffer && CalcFieldsSize() > 0) std::memset(Buffer + fieldDataSize_, 0, static_cast<size_t>(CalcFieldsSize()));
}

void TXbTable::RefreshComputedFields(Byte* Buffer) { ComputeFields(Buffer); }

std::int32_t TXbTable::TrailerRecNo(const Byte* Buffer) const {
  return Buffer ? Load<std::int32_t>(Buffer + trailerOffset_) : 0;
}

void TXbTable::SetTrailerRecNo(Byte* Buffer, std::int32_t RecNo) const {
  if (Buffer) Store<std::int32_t>(Buffer + trailerOffset_, RecNo);
}

void TXbTable::SetTrailer(Byte* Buffer, std::int32_t RecNo, TBookmarkFlag Flag) const {
  if (!Buffer) return;
  Store<std::int32_t>(Buffer + trailerOffset_, RecNo);
  Buffer[trailerOffset_ + 4] = static_cast<Byte>(Flag);
}

void TXbTable::ReadBookmarkData(Byte* Buffer, Byte* Data) {
  std::int32_t recNo = TrailerRecNo(Buffer);
  std::memcpy(Data, &recNo, 4);
}

void TXbTable::WriteBookmarkData(Byte* Buffer, const Byte* Data) {
  if (!Data || !Buffer) return;
  std::int32_t recNo = 0;
  std::memcpy(&recNo, Data, 4);
  SetTrailerRecNo(Buffer, recNo);
}

TBookmarkFlag TXbTable::ReadBookmarkFlag(Byte* Buffer) {
  return static_cast<TBookmarkFlag>(Buffer[trailerOffset_ + 4]);
}

void TXbTable::WriteBookmarkFlag(Byte* Buffer, TBookmarkFlag Value) {
  Buffer[trailerOffset_ + 4] = static_cast<Byte>(Value);
}

bool TXbTable::BookmarkIsValid(const Byte* Bookmark) { return Bookmark != nullptr; }

int TXbTable::CompareBookmarkOrder(const Byte* Bookmark1, const Byte* Bookmark2) {
  if (!Bookmark1 || !Bookmark2) return 2;
  std::int32_t a = 0, b = 0;
  std::memcpy(&a, Bookmark1, 4);
  std::memcpy(&b, Bookmark2, 4);
  auto byNumber = [](std::int32_t x, std::int32_t y) { return x == y ? 0 : (x < y ? -1 : 1); };
  if (indexName_.empty()) return byNumber(a, b);

  SelectArea();
  const std::int32_t saved = EngineRecNo();
  int result = 0;
  try {
    EngineGo(a);
    const std::int32_t recA = EngineRecNo();
    TXbCursor& cursor = Cursor();
    const String key = cursor.IndexKey();
    const int type = cursor.EvalTest(key);
    auto keyText = [&]() -> String {
      const String k = cursor.IndexKey();
      if (type == 2) return FloatToStr(cursor.EvalNumeric(k));
      if (type == 3) return IntToStr(cursor.EvalLogical(k) ? 1 : 0);
      return cursor.EvalString(k);
    };
    const String v1 = keyText();
    EngineGo(b);
    const std::int32_t recB = EngineRecNo();
    const String v2 = keyText();
    if (v1 == v2) {
      result = byNumber(recA, recB);
    } else {
      const bool descending = cursor.SysProp(3002, 0) != 0;
      const bool less = cursor.EvalLogical("\"" + v1 + "\" < \"" + v2 + "\"");
      result = descending != less ? -1 : 1;
    }
  } catch (...) {
    EngineGo(saved);
    throw;
  }
  EngineGo(saved);
  return result;
}

Byte* TXbTable::BufferFor(TField*, bool ForWrite) {
  switch (State()) {
    case dsCalcFields: return CalcBuffer();
    case dsFilter: return ForWrite ? ActiveBuffer() : filterBuffer_;
    default: return ActiveBuffer();
  }
}

int TXbTable::FieldPlace(TField* Field) const {
  const int fieldNo = Field->FieldNo();
  if (fieldNo > 0) {
    if (fieldNo > static_cast<int>(fieldInfos_.size())) return -1;
    return fieldInfos_[static_cast<size_t>(fieldNo - 1)]->BufferOffset;
  }
  return fieldDataSize_ + Field->Offset();
}

bool TXbTable::ReadFieldData(TField* Field, void* Buffer) {
  if (!cursorOpen_ || !Field) return false;
  try {
    const int place = FieldPlace(Field);
    Byte* record = BufferFor(Field, false);
    if (place < 0 || !record) return false;
    EnsureSlot(record, Field);
    if (record[place] == 0) return false;
    if (Buffer) std::memcpy(Buffer, record + place + 1, static_cast<size_t>(Field->DataSize()));
    return true;
  } catch (...) {
    return false;
  }
}

void TXbTable::WriteFieldData(TField* Field, const void* Buffer) {
  const TDataSetState state = State();
  if (state == dsInactive) return;
  const int fieldNo = Field->FieldNo();
  if (fieldNo > 0) {
    if (state != dsEdit && state != dsInsert && state != dsSetKey)
      RaiseError("Data set must be in Edit or Insert mode to update");
    Field->Validate(Buffer);
  }
  const int place = FieldPlace(Field);
  Byte* record = state == dsCalcFields ? CalcBuffer() : ActiveBuffer();
  if (place < 0 || !record) return;
  const size_t size = static_cast<size_t>(Field->DataSize());
  if (Buffer) {
    record[place] = 1;
    std::memcpy(record + place + 1, Buffer, size);
  } else {
    record[place] = 0;
    std::memset(record + place + 1, 0, size);
  }
  if (fieldNo > 0 && static_cast<size_t>(fieldNo - 1) < changedFields_.size())
    changedFields_[static_cast<size_t>(fieldNo - 1)] = true;
  if (fieldNo > 0 && imageOffset_ > 0 && static_cast<size_t>(fieldNo - 1) < lazyFields_.size())
    PendingFlags(record)[fieldNo - 1] = 0;  // the slot holds the written value now
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue) DataEvent(deFieldChange, Field);
}

// ---- record translation ---------------------------------------------------------

void TXbTable::LoadRecord(Byte* Buffer, const char* Image) {
  if (imageOffset_ <= 0 || !Buffer) return;
  char* own = BufferImage(Buffer);
  if (Image && Image != own) std::memcpy(own, Image, static_cast<size_t>(std::max(recordSize_, 1)));
  Byte* pending = PendingFlags(Buffer);
  if (encrypted_ && password_.empty()) {
    // Masked values depend on no byte of the record: all of them at once.
    std::memset(pending, 0, lazyFields_.size());
    for (TField* field : Fields()) {
      const int fieldNo = field->FieldNo();
      if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) continue;
      FieldFromImage(Buffer, field, *fieldInfos_[static_cast<size_t>(fieldNo - 1)], own, true, false);
    }
    return;
  }
  std::memcpy(pending, lazyFields_.data(), lazyFields_.size());
  if (eagerFields_.empty()) return;
  const bool insertingAtEnd = State() == dsInsert && Eof();
  for (TField* field : eagerFields_)
    FieldFromImage(Buffer, field, *fieldInfos_[static_cast<size_t>(field->FieldNo() - 1)], own, false, insertingAtEnd);
}

void TXbTable::EnsureSlot(Byte* Buffer, TField* Field) {
  const int fieldNo = Field->FieldNo();
  if (imageOffset_ <= 0 || fieldNo <= 0 || fieldNo > static_cast<int>(lazyFields_.size())) return;
  Byte& pending = PendingFlags(Buffer)[fieldNo - 1];
  if (pending == 0) return;
  pending = 0;
  FieldFromImage(Buffer, Field, *fieldInfos_[static_cast<size_t>(fieldNo - 1)], BufferImage(Buffer), false, false);
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
  const int dataSize = Field->DataSize();
  if (Masked) {
    slot[0] = 1;
    if (Field->DataType() == ftString) {
      std::memset(value, '*', static_cast<size_t>(std::max(dataSize - 1, 0)));
      if (dataSize > 0) value[dataSize - 1] = 0;
    } else {
      std::memset(value, 0, static_cast<size_t>(dataSize));
    }
    return;
  }
  const bool blank = IsBlank(text, width);
  switch (Field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString: {
      const int n = std::min(width, std::max(dataSize - 1, 0));
      slot[0] = blank ? 0 : 1;
      std::memcpy(value, text, static_cast<size_t>(n));
      value[n] = 0;
      for (int i = n - 1; i >= 0 && value[i] == ' '; --i) value[i] = 0;
      break;
    }
    case ftSmallint:
    case ftWord:
      slot[0] = blank ? 0 : 1;
      Store<std::int16_t>(value, blank ? 0 : static_cast<std::int16_t>(ParseDbfInteger(text, width)));
      break;
    case ftInteger:
    case ftAutoInc:
      slot[0] = blank ? 0 : 1;
      Store<std::int32_t>(value, blank ? 0 : static_cast<std::int32_t>(ParseDbfInteger(text, width)));
      break;
    case ftBoolean:
      slot[0] = blank ? 0 : 1;
      Store<std::int16_t>(value, (!blank && (text[0] == 'T' || text[0] == 'Y')) ? -1 : 0);
      break;
    case ftFloat:
    case ftCurrency:
      slot[0] = blank ? 0 : 1;
      Store<double>(value, blank ? 0.0 : ParseDbfFloat(text, width));
      break;
    case ftDate: {
      std::int32_t day = 0;
      if (width < 8 || text[1] == ' ' || text[1] == '\0' || text[5] == '\0' || text[7] == '\0') {
        slot[0] = 0;
      } else {
        slot[0] = 1;
        if (std::memcmp(text + 4, "00", 2) != 0 && std::memcmp(text + 6, "00", 2) != 0) {
          const int y = ParseDigits(text, 4), m = ParseDigits(text + 4, 2), d = ParseDigits(text + 6, 2);
          if (ValidDate(y, m, d)) day = DayNumber(y, m, d);
        }
      }
      Store<std::int32_t>(value, day);
      break;
    }
    case ftMemo:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo: {
      Byte* blobSlot = Buffer + blobAreaOffset_ + Field->Offset() * BlobSlotSize;
      ResetSlot(blobSlot, true);
      if (!InsertingAtEnd) std::memcpy(blobSlot + kSlotMemoText, text, static_cast<size_t>(std::min(width, 10)));
      slot[0] = IsBlank(reinterpret_cast<const char*>(blobSlot + kSlotMemoText), 10) ? 0 : 1;
      break;
    }
    default:
      slot[0] = 0;
      break;
  }
}

void TXbTable::TranslateBuffer(Byte* Buffer, std::vector<char>& Image, const std::vector<bool>* Only) {
  for (TField* field : Fields()) {
    const int fieldNo = field->FieldNo();
    if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) continue;
    if (Only && (static_cast<size_t>(fieldNo - 1) >= Only->size() || !(*Only)[static_cast<size_t>(fieldNo - 1)]))
      continue;
    const TFieldInfo& info = *fieldInfos_[static_cast<size_t>(fieldNo - 1)];
    const int width = info.Width;
    if (info.EngineOffset < 0 || width < 0 || info.EngineOffset + width > static_cast<int>(Image.size())) continue;
    char* dest = Image.data() + info.EngineOffset;
    EnsureSlot(Buffer, field);
    const Byte* slot = Buffer + info.BufferOffset;
    const bool has = slot[0] != 0;
    const Byte* value = slot + 1;
    switch (field->DataType()) {
      case ftString:
      case ftFixedChar:
      case ftWideString: {
        std::memset(dest, ' ', static_cast<size_t>(width));
        if (has) {
          const char* s = reinterpret_cast<const char*>(value);
          const size_t n = strnlen(s, static_cast<size_t>(std::max(field->DataSize() - 1, 0)));
          std::memcpy(dest, s, std::min(n, static_cast<size_t>(width)));
        }
        break;
      }
      case ftSmallint:
      case ftWord:
      case ftInteger:
      case ftAutoInc: {
        std::string text;
        if (has) {
          const std::int64_t v = field->DataType() == ftSmallint ? Load<std::int16_t>(value)
                                 : field->DataType() == ftWord   ? Load<std::uint16_t>(value)
                                                                 : Load<std::int32_t>(value);
          text = std::to_string(v);
        }
        if (!PutRightAligned(dest, width, text)) RaiseError(kTranslateError);
        break;
      }
      case ftBoolean:
        std::memset(dest, ' ', static_cast<size_t>(width));
        if (width > 0) dest[0] = has ? (Load<std::int16_t>(value) != 0 ? 'T' : 'F') : ' ';
        break;
      case ftFloat:
      case ftCurrency: {
        std::string text = has ? FormatFixed(Load<double>(value), info.Decimals) : std::string();
        if (!PutRightAligned(dest, width, text)) RaiseError(kTranslateError);
        break;
      }
      case ftDate: {
        const std::int32_t day = Load<std::int32_t>(value);
        std::memset(dest, ' ', static_cast<size_t>(width));
        if (has && day >= 1 && width >= 8) std::memcpy(dest, DateText(day, epoch_).data(), 8);
        break;
      }
      case ftMemo:
      case ftBlob:
      case ftGraphic:
      case ftFmtMemo: {
        const Byte* blobSlot = Buffer + blobAreaOffset_ + field->Offset() * BlobSlotSize;
        std::memcpy(dest, blobSlot + kSlotMemoText, static_cast<size_t>(std::min(width, 10)));
        break;
      }
      default:
        break;
    }
  }
}


#include "class_library/datasets/Fields.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "class_library/datasets/DBConsts.h"
#include "class_library/datasets/DataSet.h"
#include "class_library/core/DateTime.h"
#include "class_library/core/FormatSettings.h"
#include "class_library/core/Streams.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "platform/system/NumberText.h"

// ---------------------------------------------------------------- TField

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() {
  if (!dataSet_) return;
  // A bound field may not vanish under an open dataset: its buffers are laid
  // out for it. Closing cannot be refused here, so a failure is dropped.
  if (dataSet_->Active()) {
    try {
      dataSet_->Close();
    } catch (...) {
    }
  }
  if (dataSet_) dataSet_->fields_.Remove(this);
}

void TField::SetDataSet(TDataSet* Value) {
  if (Value == dataSet_) return;
  if (dataSet_) dataSet_->CheckInactive();
  if (Value) Value->CheckInactive();
  if (Value) Value->fields_.Add(this);  // may refuse a duplicate name: nothing changed yet
  if (dataSet_) dataSet_->fields_.Remove(this);
  dataSet_ = Value;
}

void TField::SetParentComponent(TComponent* Value) {
  if (auto* ds = dynamic_cast<TDataSet*>(Value)) SetDataSet(ds);
}

TComponent* TField::GetParentComponent() const { return dataSet_; }

void TField::SetFieldName(const String& Value) {
  if (Value == fieldName_) return;
  if (dataSet_) {
    dataSet_->CheckInactive();
    TField* other = Value.empty() ? nullptr : dataSet_->fields_.FindField(Value);
    if (other && other != this) DatabaseError(Format(SDuplicateFieldName, {Value}), dataSet_);
  }
  fieldName_ = Value;
  if (displayLabel_ == Value) displayLabel_.clear();
}

void TField::SetSize(int Value) {
  if (dataSet_) dataSet_->CheckInactive();
  CheckTypeSize(Value);
  size_ = Value;
}

void TField::CheckTypeSize(int Value) const {
  if (Value != 0) DatabaseError(SInvalidFieldSize);
}

void TField::SetFieldKind(TFieldKind Value) {
  if (Value == fieldKind_) return;
  if (dataSet_) dataSet_->CheckInactive();
  fieldKind_ = Value;
}

int TField::Index() const { return dataSet_ ? dataSet_->fields_.IndexOf(this) : -1; }

void TField::SetIndex(int Value) {
  if (dataSet_) dataSet_->fields_.SetFieldIndex(this, Value);
}

bool TField::CanModify() const {
  if (readOnly_ || !dataSet_ || !dataSet_->CanModify()) return false;
  return fieldKind_ == fkData || fieldKind_ == fkInternalCalc;
}

TDataSet& TField::CheckedDataSet() const {
  if (!dataSet_) DatabaseError(Format(SDataSetMissing, {DisplayName()}));
  return *dataSet_;
}

bool TField::TrimmedTextOrClear(const String& Value, String& Text) {
  Text = Trim(Value);
  if (!Text.empty()) return true;
  Clear();
  return false;
}

void TField::AccessError(const String& TypeName) const {
  DatabaseError(Format(SFieldAccessError, {DisplayName(), TypeName}));
}

bool TField::GetData(void* Buffer) const {
  TDataSet& ds = CheckedDataSet();
  if (validating_) {
    if (!validateBuffer_) return false;
    if (Buffer && DataSize() > 0) std::memcpy(Buffer, validateBuffer_, static_cast<size_t>(DataSize()));
    return true;
  }
  return ds.ReadFieldData(const_cast<TField*>(this), Buffer);
}

bool TField::GetTextInPlace(const char*& Text, size_t& Length) const {
  if (validating_ || !dataSet_) return false;
  return dataSet_->ReadFieldText(const_cast<TField*>(this), Text, Length);
}

void TField::SetData(const void* Buffer) {
  TDataSet& ds = CheckedDataSet();
  if (readOnly_ && fieldKind_ == fkData && ds.State() != dsSetKey && ds.State() != dsFilter)
    DatabaseError(Format(SFieldReadOnly, {DisplayName()}), &ds);
  ds.WriteFieldData(this, Buffer);
}

void TField::Validate(const void* Buffer) {
  if (!OnValidate) return;
  struct Restore {
    TField* f;
    ~Restore() {
      f->validating_ = false;
      f->validateBuffer_ = nullptr;
    }
  } restore{this};
  validating_ = true;
  validateBuffer_ = Buffer;
  OnValidate(this);
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::Clear() {
  if (fieldKind_ == fkLookup && CheckedDataSet().State() != dsCalcFields) return;
  SetData(nullptr);
}

String TField::GetAsString() const { AccessError("String"); }
void TField::SetAsStringValue(const String&) { AccessError("String"); }
int TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsIntegerValue(int) { AccessError("Integer"); }
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloatValue(double) { AccessError("Float"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBooleanValue(bool) { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTimeValue(TDateTime) { AccessError("DateTime"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }

void TField::SetAsVariant(const Variant& Value) {
  if (VarIsClear(Value)) {
    Clear();
  } else {
    SetVarValue(Value);
  }
}

void TField::AssignValue(const Variant& Value) {
  switch (Value.VarType()) {
    case varEmpty:
    case varNull:
      Clear();
      break;
    case varBoolean:
      SetAsBoolean(Value.AsBoolean());
      break;
    case varInteger:
    case varInt64: {
      int64_t v = Value.AsInteger();
      if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()) {
        SetAsInteger(static_cast<int>(v));
      } else {
        SetAsFloat(static_cast<double>(v));
      }
      break;
    }
    case varDouble:
      SetAsFloat(Value.AsFloat());
      break;
    case varDate:
      SetAsDateTime(Value.AsDateTime());
      break;
    case varString:
      SetAsString(Value.AsString());
      break;
    default:
      DatabaseError(Format(SFieldValueError, {DisplayName()}));
  }
}

Variant TField::ValueInState(int State) const {
  TDataSet& ds = CheckedDataSet();
  TDataSetState saved = ds.SetTempState(static_cast<TDataSetState>(State));
  try {
    Variant v = AsVariant();
    ds.RestoreState(saved);
    return v;
  } catch (...) {
    ds.RestoreState(saved);
    throw;
  }
}

Variant TField::OldValue() const { return ValueInState(dsOldValue); }

Variant TField::NewValue() const { return ValueInState(dsNewValue); }

void TField::GetText(String& Text, bool /*DisplayText*/) const { Text = GetAsString(); }

String TField::GetTextValue(bool DisplayText) const {
  String text;
  if (OnGetText) {
    OnGetText(const_cast<TField*>(this), text, DisplayText);
  } else {
    GetText(text, DisplayText);
  }
  return text;
}

void TField::SetText(const String& Value) {
  if (OnSetText) {
    OnSetText(this, Value);
  } else {
    SetAsString(Value);
  }
}

// ---------------------------------------------------------------- TStringField

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftString);
  SetSizeUnchecked(20);
}

void TStringField::CheckTypeSize(int Value) const {
  if (Value < 0) DatabaseError(SInvalidFieldSize);
}

// A field's value read into Size()+1 bytes on the stack (a larger field: on
// the heap). A dataset that has a value fills all DataSize() bytes, so the
// buffer needs no clearing first; the text never reaches past Size()
// characters.
class TStringField::TextReader {
public:
  explicit TextReader(const TStringField& Field) : size_(static_cast<size_t>(Field.Size())) {
    if (size_ + 1 > sizeof small_) {
      large_.resize(size_ + 1);
      data_ = large_.data();
    }
    has_ = Field.GetData(data_);
  }
  bool Has() const { return has_; }
  const char* Text() const { return data_; }
  size_t Length() const { return strnlen(data_, size_); }

private:
  size_t size_;
  char small_[256];
  std::vector<char> large_;
  char* data_ = small_;
  bool has_ = false;
};

bool TStringField::GetValue(String& Value) const {
  const TextReader read(*this);
  if (!read.Has()) return false;
  Value.assign(read.Text(), read.Length());
  return true;
}

String TStringField::GetAsString() const {
  // Built where it is answered, from the dataset's own bytes where it shows
  // them: a read allocates nothing but a text too long to live inside the
  // string.
  const char* text = nullptr;
  size_t length = 0;
  if (GetTextInPlace(text, length)) return String(text, std::min(length, static_cast<size_t>(Size())));
  const TextReader read(*this);
  return read.Has() ? String(read.Text(), read.Length()) : String();
}

void TStringField::SetAsStringValue(const String& Value) {
  std::vector<char> buf(static_cast<size_t>(Size()) + 1, '\0');
  std::memcpy(buf.data(), Value.data(), std::min(Value.size(), static_cast<size_t>(Size())));
  SetData(buf.data());
}

int TStringField::GetAsInteger() const {
  String s = Trim(GetAsString());
  if (s.empty()) return 0;
  int v = 0;
  if (!TryStrToInt(s, v)) DatabaseError(Format(SInvalidIntegerValue, {s, DisplayName()}));
  return v;
}

void TStringField::SetAsIntegerValue(int Value) { SetAsString(IntToStr(Value)); }

double TStringField::GetAsFloat() const {
  String s = Trim(GetAsString());
  if (s.empty()) return 0;
  double v = 0;
  if (!TryStrToFloat(s, v)) DatabaseError(Format(SInvalidFloatValue, {s, DisplayName()}));
  return v;
}

void TStringField::SetAsFloatValue(double Value) { SetAsString(FloatToStr(Value)); }

bool TStringField::GetAsBoolean() const {
  String s = GetAsString();
  return !s.empty() && (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y');
}

void TStringField::SetAsBooleanValue(bool Value) { SetAsString(Value ? "T" : "F"); }

TDateTime TStringField::GetAsDateTime() const {
  String s = Trim(GetAsString());
  if (s.empty()) return 0;
  TDateTime v = 0;
  if (!TryStrToDateTime(s, v)) DatabaseError(Format(SInvalidDateValue, {s, DisplayName()}));
  return v;
}

void TStringField::SetAsDateTimeValue(TDateTime Value) { SetAsString(DateTimeToStr(Value)); }

Variant TStringField::GetAsVariant() const { return Variant(GetAsString()); }

// ---------------------------------------------------------------- integers

namespace {
// The native value of an integer field of type N (range checked by the caller).
template <class N>
bool ReadInteger(const TField& Field, long long& Value) {
  N v = 0;
  if (!Field.GetData(&v)) return false;
  Value = v;
  return true;
}
template <class N>
void WriteInteger(TField& Field, long long Value) {
  auto v = static_cast<N>(Value);
  Field.SetData(&v);
}
}  // namespace

TIntegerField::TIntegerField(TComponent* AOwner)
    : TIntegerField(AOwner, ftInteger, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()) {}

TIntegerField::TIntegerField(TComponent* AOwner, TFieldType Type, long long MinRange, long long MaxRange)
    : TNumericField(AOwner), minRange_(MinRange), maxRange_(MaxRange) {
  SetDataType(Type);
}

bool TIntegerField::ReadNative(long long& Value) const { return ReadInteger<int32_t>(*this, Value); }

void TIntegerField::WriteNative(long long Value) { WriteInteger<int32_t>(*this, Value); }

bool TIntegerField::GetValue(long long& Value) const { return ReadNative(Value); }

void TIntegerField::RangeError(const String& Value) const {
  long long lo = minRange_, hi = maxRange_;
  if (minValue_ != 0 || maxValue_ != 0) {
    lo = std::max(minValue_, minRange_);
    hi = std::min(maxValue_, maxRange_);
  }
  DatabaseError(Format(SFieldRangeError, {Value, DisplayName(), IntToStr(lo), IntToStr(hi)}));
}

void TIntegerField::StoreValue(long long Value) {
  long long lo = minRange_, hi = maxRange_;
  if (minValue_ != 0 || maxValue_ != 0) {
    lo = std::max(minValue_, minRange_);
    hi = std::min(maxValue_, maxRange_);
  }
  // A value outside the native type would be stored wrapped round: refuse it.
  if (Value < lo || Value > hi) RangeError(IntToStr(Value));
  WriteNative(Value);
}

String TIntegerField::GetAsString() const {
  long long v = 0;
  return ReadNative(v) ? IntToStr(v) : String();
}

void TIntegerField::SetAsStringValue(const String& Value) {
  String s;
  if (!TrimmedTextOrClear(Value, s)) return;
  int64_t v = 0;
  if (!TryStrToInt64(s, v)) DatabaseError(Format(SInvalidIntegerValue, {s, DisplayName()}));
  StoreValue(v);
}

int TIntegerField::GetAsInteger() const {
  long long v = 0;
  ReadNative(v);
  return static_cast<int>(v);
}

void TIntegerField::SetAsIntegerValue(int Value) { StoreValue(Value); }

double TIntegerField::GetAsFloat() const {
  long long v = 0;
  ReadNative(v);
  return static_cast<double>(v);
}

void TIntegerField::SetAsFloatValue(double Value) {
  // Checked before converting: a huge or NaN double has no integer value.
  if (!std::isfinite(Value) || Value < -9.0e18 || Value > 9.0e18) RangeError(FloatToStr(Value));
  StoreValue(std::llround(Value));
}

Variant TIntegerField::GetAsVariant() const {
  long long v = 0;
  ReadNative(v);
  return Variant(v);
}

void TIntegerField::GetText(String& Text, bool DisplayText) const {
  long long v = 0;
  if (!ReadNative(v)) {
    Text.clear();
    return;
  }
  const String& fmt = (DisplayText || EditFormat().empty()) ? DisplayFormat() : EditFormat();
  Text = fmt.empty() ? IntToStr(v) : FormatFloatText(fmt, static_cast<double>(v));
}

TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner, ftSmallint, -32768, 32767) {}


bool TSmallintField::ReadNative(long long& Value) const { return ReadInteger<int16_t>(*this, Value); }

void TSmallintField::WriteNative(long long Value) { WriteInteger<int16_t>(*this, Value); }

TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner, ftWord, 0, 65535) {}

bool TWordField::ReadNative(long long& Value) const { return ReadInteger<uint16_t>(*this, Value); }

void TWordField::WriteNative(long long Value) { WriteInteger<uint16_t>(*this, Value); }

TAutoIncField::TAutoIncField(TComponent* AOwner)
    : TIntegerField(AOwner, ftAutoInc, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()) {}

// ---------------------------------------------------------------- floats

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) { SetDataType(ftFloat); }

void TFloatField::SetPrecision(int Value) { precision_ = std::clamp(Value, 2, 15); }

bool TFloatField::GetValue(double& Value) const { return GetData(&Value); }

String TFloatField::GetAsString() const {
  double v = 0;
  return GetData(&v) ? FloatToStr(v) : String();
}

void TFloatField::SetAsStringValue(const String& Value) {
  String s;
  if (!TrimmedTextOrClear(Value, s)) return;
  double v = 0;
  if (!TryStrToFloat(s, v)) DatabaseError(Format(SInvalidFloatValue, {s, DisplayName()}));
  SetAsFloat(v);
}

int TFloatField::GetAsInteger() const {
  double v = 0;
  GetData(&v);
  if (!std::isfinite(v) || v < std::numeric_limits<int>::min() - 0.5 || v > std::numeric_limits<int>::max() + 0.5)
    DatabaseError(Format(SFieldRangeError, {FloatToStr(v), DisplayName(), IntToStr(std::numeric_limits<int>::min()),
                                            IntToStr(std::numeric_limits<int>::max())}));
  return static_cast<int>(std::lround(v));
}

void TFloatField::SetAsIntegerValue(int Value) { SetAsFloat(Value); }

double TFloatField::GetAsFloat() const {
  double v = 0;
  GetData(&v);
  return v;
}

void TFloatField::SetAsFloatValue(double Value) {
  // Infinity and NaN have no text a table could hold.
  if (!std::isfinite(Value)) DatabaseError(Format(SFieldValueError, {DisplayName()}));
  SetData(&Value);
}

Variant TFloatField::GetAsVariant() const { return Variant(GetAsFloat()); }

void TFloatField::GetText(String& Text, bool DisplayText) const {
  double v = 0;
  if (!GetData(&v)) {
    Text.clear();
    return;
  }
  const String& fmt = (DisplayText || EditFormat().empty()) ? DisplayFormat() : EditFormat();
  if (!fmt.empty()) {
    Text = FormatFloatText(fmt, v);
  } else if (currency_) {
    Text = DisplayText ? FloatToPrecisionText(v, precision_, true) : FormatFloatText("0.00", v);
  } else {
    Text = FloatToPrecisionText(v, precision_, false);
  }
}

TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

// ---------------------------------------------------------------- Boolean

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftBoolean); }

void TBooleanField::SetDisplayValues(const String& Value) {
  displayValues_ = Value;
  if (Value.empty()) {
    trueText_ = STextTrue;
    falseText_ = STextFalse;
    return;
  }
  size_t p = Value.find(';');
  trueText_ = Value.substr(0, p);
  falseText_ = p == String::npos ? String() : Value.substr(p + 1);
}

bool TBooleanField::GetAsBoolean() const {
  int16_t v = 0;
  return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBooleanValue(bool Value) {
  int16_t v = Value ? -1 : 0;
  SetData(&v);
}

String TBooleanField::GetAsString() const {
  int16_t v = 0;
  if (!GetData(&v)) return String();
  return v != 0 ? trueText_ : falseText_;
}

void TBooleanField::SetAsStringValue(const String& Value) {
  if (Value.empty()) {
    Clear();
    return;
  }
  auto matches = [&Value](const String& text) {
    return !text.empty() && AnsiSameText(text.substr(0, Value.size()), Value);
  };
  if (matches(falseText_)) {
    SetAsBoolean(false);
  } else if (matches(trueText_)) {
    SetAsBoolean(true);
  } else {
    DatabaseError(Format(SInvalidBoolValue, {Value, DisplayName()}));
  }
}

Variant TBooleanField::GetAsVariant() const { return Variant(GetAsBoolean()); }

// ---------------------------------------------------------------- dates

TDateTimeField::TDateTimeField(TComponent* AOwner) : TDateTimeField(AOwner, ftDateTime) {}

TDateTimeField::TDateTimeField(TComponent* AOwner, TFieldType Type) : TField(AOwner) { SetDataType(Type); }

bool TDateTimeField::ReadDateTime(TDateTime& Value) const { return GetData(&Value); }

void TDateTimeField::WriteDateTime(TDateTime Value) { SetData(&Value); }

String TDateTimeField::FormatValue(TDateTime Value) const { return DateTimeToStr(Value); }

TDateTime TDateTimeField::ParseText(const String& Text) const {
  TDateTime v = 0;
  if (!TryStrToDateTime(Text, v)) DatabaseError(Format(SInvalidDateValue, {Text, DisplayName()}));
  return v;
}

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime v = 0;
  return ReadDateTime(v) ? v : 0;
}

void TDateTimeField::SetAsDateTimeValue(TDateTime Value) {
  if (!std::isfinite(Value)) DatabaseError(Format(SFieldValueError, {DisplayName()}));
  WriteDateTime(Value);
}

String TDateTimeField::GetAsString() const {
  TDateTime v = 0;
  return ReadDateTime(v) ? FormatValue(v) : String();
}

void TDateTimeField::SetAsStringValue(const String& Value) {
  String s;
  if (!TrimmedTextOrClear(Value, s)) return;
  SetAsDateTime(ParseText(s));
}

Variant TDateTimeField::GetAsVariant() const { return VarFromDateTime(GetAsDateTime()); }

void TDateTimeField::GetText(String& Text, bool DisplayText) const {
  TDateTime v = 0;
  if (!ReadDateTime(v)) {
    Text.clear();
    return;
  }
  Text = (DisplayText && !displayFormat_.empty()) ? FormatDateTime(displayFormat_, v) : FormatValue(v);
}

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner, ftDate) {}

bool TDateField::ReadDateTime(TDateTime& Value) const {
  int32_t day = 0;
  if (!GetData(&day)) return false;
  Value = static_cast<double>(day) - DateDelta;
  return true;
}

void TDateField::WriteDateTime(TDateTime Value) {
  double day = std::trunc(Value) + DateDelta;
  // Day numbers are 32-bit; anything beyond the year 9999 is no date.
  if (day < -3.0e6 || day > 3.7e6) DatabaseError(Format(SFieldValueError, {DisplayName()}));
  auto v = static_cast<int32_t>(day);
  SetData(&v);
}

String TDateField::FormatValue(TDateTime Value) const {
  // Day number 0 stands for a date that is present but empty.
  if (Value + DateDelta < 1) return String();
  return DateToStr(Value);
}

TDateTime TDateField::ParseText(const String& Text) const {
  TDateTime v = 0;
  if (!TryStrToDate(Text, v)) DatabaseError(Format(SInvalidDateValue, {Text, DisplayName()}));
  return v;
}

TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner, ftTime) {}

bool TTimeField::ReadDateTime(TDateTime& Value) const {
  int32_t ms = 0;
  if (!GetData(&ms)) return false;
  Value = static_cast<double>(ms) / MSecsPerDay;
  return true;
}

void TTimeField::WriteDateTime(TDateTime Value) {
  double frac = std::fabs(Value - std::trunc(Value));
  auto ms = static_cast<int32_t>(std::llround(frac * MSecsPerDay) % MSecsPerDay);
  SetData(&ms);
}

String TTimeField::FormatValue(TDateTime Value) const { return TimeToStr(Value); }

TDateTime TTimeField::ParseText(const String& Text) const {
  TDateTime v = 0;
  if (!TryStrToTime(Text, v)) DatabaseError(Format(SInvalidDateValue, {Text, DisplayName()}));
  return v;
}

// ---------------------------------------------------------------- blobs

TBlobField::TBlobField(TComponent* AOwner) : TBlobField(AOwner, ftBlob) {}

TBlobField::TBlobField(TComponent* AOwner, TFieldType Type) : TField(AOwner) { SetDataType(Type); }

void TBlobField::SetBlobType(TFieldType Value) {
  if (Value != ftBlob && Value != ftMemo && Value != ftGraphic && Value != ftFmtMemo)
    DatabaseError(Format(SFieldValueError, {DisplayName()}));
  SetDataType(Value);
}

void TBlobField::CheckTypeSize(int Value) const {
  if (Value < 0) DatabaseError(SInvalidFieldSize);
}

namespace {
std::unique_ptr<TStream> OpenStream(const TField& Field, TDataSet& DataSet, TBlobStreamMode Mode) {
  std::unique_ptr<TStream> s = DataSet.OpenBlobStream(const_cast<TField*>(&Field), Mode);
  if (!s) DatabaseError(Format(SNoBlobStream, {Field.DisplayName()}), &DataSet);
  return s;
}
}  // namespace

int64_t TBlobField::BlobSize() const { return OpenStream(*this, CheckedDataSet(), bmRead)->Size(); }

bool TBlobField::IsNull() const { return modified_ ? BlobSize() == 0 : TField::IsNull(); }

void TBlobField::Clear() {
  OpenStream(*this, CheckedDataSet(), bmWrite).reset();
  modified_ = true;
}

String TBlobField::GetAsString() const {
  std::unique_ptr<TStream> s = OpenStream(*this, CheckedDataSet(), bmRead);
  String text(static_cast<size_t>(s->Size()), '\0');
  s->SetPosition(0);
  if (!text.empty()) s->ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  return text;
}

void TBlobField::SetAsStringValue(const String& Value) {
  std::unique_ptr<TStream> s = OpenStream(*this, CheckedDataSet(), bmWrite);
  if (!Value.empty()) s->WriteBuffer(Value.data(), static_cast<int64_t>(Value.size()));
  s.reset();  // a blob stream stores what was written when it goes
  modified_ = true;
}

void TBlobField::LoadFromStream(TStream& Stream) {
  std::unique_ptr<TStream> s = OpenStream(*this, CheckedDataSet(), bmWrite);
  s->CopyFrom(Stream, 0);
  s.reset();
  modified_ = true;
}

void TBlobField::SaveToStream(TStream& Stream) const {
  std::unique_ptr<TStream> s = OpenStream(*this, CheckedDataSet(), bmRead);
  if (s->Size() > 0) Stream.CopyFrom(*s, 0);
}

Variant TBlobField::GetAsVariant() const { return Variant(GetAsString()); }

void TBlobField::GetText(String& Text, bool /*DisplayText*/) const { Text = IsNull() ? "(blob)" : "(BLOB)"; }

TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner, ftMemo) {}

void TMemoField::GetText(String& Text, bool /*DisplayText*/) const { Text = IsNull() ? "(memo)" : "(MEMO)"; }

// ---------------------------------------------------------------- field classes

TFieldFactory FieldClassFor(TFieldType Type) {
  switch (Type) {
    case ftString:
      return [](TComponent* o) -> TField* { return new TStringField(o); };
    case ftSmallint:
      return [](TComponent* o) -> TField* { return new TSmallintField(o); };
    case ftInteger:
      return [](TComponent* o) -> TField* { return new TIntegerField(o); };
    case ftWord:
      return [](TComponent* o) -> TField* { return new TWordField(o); };
    case ftAutoInc:
      return [](TComponent* o) -> TField* { return new TAutoIncField(o); };
    case ftBoolean:
      return [](TComponent* o) -> TField* { return new TBooleanField(o); };
    case ftFloat:
      return [](TComponent* o) -> TField* { return new TFloatField(o); };
    case ftCurrency:
      return [](TComponent* o) -> TField* { return new TCurrencyField(o); };
    case ftDate:
      return [](TComponent* o) -> TField* { return new TDateField(o); };
    case ftTime:
      return [](TComponent* o) -> TField* { return new TTimeField(o); };
    case ftDateTime:
      return [](TComponent* o) -> TField* { return new TDateTimeField(o); };
    case ftBlob:
    case ftGraphic:
      return [Type](TComponent* o) -> TField* {
        auto* f = new TBlobField(o);
        f->SetBlobType(Type);
        return f;
      };
    case ftMemo:
    case ftFmtMemo:
      return [Type](TComponent* o) -> TField* {
        auto* f = new TMemoField(o);
        f->SetBlobType(Type);
        return f;
      };
    default:
      return nullptr;
  }
}

// ---------------------------------------------------------------- TFields

TField* TFields::Fields(int Index) const {
  if (Index < 0 || Index >= Count()) DatabaseError(SFieldIndexError, dataSet_);
  return list_[static_cast<size_t>(Index)];
}

TField* TFields::FindField(const String& FieldName) const {
  for (TField* f : list_)
    if (AnsiSameText(f->FieldName(), FieldName)) return f;
  return nullptr;
}

TField* TFields::FieldByName(const String& FieldName) const {
  TField* f = FindField(FieldName);
  if (!f) DatabaseError(Format(SFieldNotFound, {FieldName}), dataSet_);
  return f;
}

TField* TFields::FieldByNumber(int FieldNo) const {
  for (TField* f : list_)
    if (f->FieldNo() == FieldNo && FieldNo > 0) return f;
  return nullptr;
}

int TFields::IndexOf(const TField* Field) const {
  for (size_t i = 0; i < list_.size(); ++i)
    if (list_[i] == Field) return static_cast<int>(i);
  return -1;
}

void TFields::Add(TField* Field) {
  // Fields read from a resource join before their name is read; names are
  // checked again when they are set.
  if (!Field->FieldName().empty() && FindField(Field->FieldName()))
    DatabaseError(Format(SDuplicateFieldName, {Field->FieldName()}), dataSet_);
  lastFound_ = nullptr;
  list_.push_back(Field);
}

void TFields::Remove(TField* Field) {
  lastFound_ = nullptr;
  int i = IndexOf(Field);
  if (i >= 0) list_.erase(list_.begin() + i);
}

void TFields::SetFieldIndex(TField* Field, int Index) {
  lastFound_ = nullptr;
  int cur = IndexOf(Field);
  if (cur < 0) return;
  Index = std::clamp(Index, 0, Count() - 1);
  list_.erase(list_.begin() + cur);
  list_.insert(list_.begin() + Index, Field);
}

void TFields::Clear() {
  lastFound_ = nullptr;
  while (!list_.empty()) {
    TField* f = list_.back();
    list_.pop_back();
    f->dataSet_ = nullptr;
    delete f;
  }
}

void TFields::Detach() {
  lastFound_ = nullptr;
  for (TField* f : list_) f->dataSet_ = nullptr;
  list_.clear();
}

// ---------------------------------------------------------------- number text

namespace {

// Splits a format at ';' outside quotes.
std::vector<String> FormatSections(const String& Format) {
  std::vector<String> sections(1);
  char quote = 0;
  for (char c : Format) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

String InsertThousands(const String& Digits) {
  String out;
  int n = static_cast<int>(Digits.size());
  for (int i = 0; i < n; ++i) {
    // 0: the locale groups no digits.
    if (i > 0 && (n - i) % 3 == 0 && FormatSettings.ThousandSeparator != '\0') out += FormatSettings.ThousandSeparator;
    out += Digits[static_cast<size_t>(i)];
  }
  return out;
}

// Abs rounded to Decimals digits after the point, half away from zero, on
// its 15 significant decimal digits (2.5 gives 3, 0.285 gives 0.29).
void RoundDecimal(double Abs, int Decimals, String& IntPart, String& Frac) {
  const String s = sys::ScientificText(Abs, 14);  // "." as the point whatever the process locale
  size_t e = s.find('e');
  int pointPos = std::atoi(s.c_str() + e + 1) + 1;
  String digits = s.substr(0, 1) + s.substr(2, e - 2);
  int keep = pointPos + Decimals;
  if (keep < 0) {
    IntPart = "0";
    Frac.assign(static_cast<size_t>(Decimals), '0');
    return;
  }
  if (keep < static_cast<int>(digits.size())) {
    bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (up) {
      int i = keep - 1;
      while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
      if (i >= 0) {
        ++digits[static_cast<size_t>(i)];
      } else {
        digits.insert(0, 1, '1');
        ++pointPos;
      }
    }
  } else {
    digits.append(static_cast<size_t>(keep) - digits.size(), '0');
  }
  if (pointPos <= 0) {
    IntPart = "0";
    Frac = String(static_cast<size_t>(-pointPos), '0') + digits;
  } else {
    IntPart = digits.substr(0, static_cast<size_t>(pointPos));
    Frac = digits.substr(static_cast<size_t>(pointPos));
  }
  size_t nz = IntPart.find_first_not_of('0');
  IntPart = nz == String::npos ? String("0") : IntPart.substr(nz);
}

String FormatSection(const String& Section, double Abs, bool& IsZero) {
  // The placeholder layout, and the literal text before and after it.
  int intZeros = 0, fracZeros = 0, fracDigits = 0;
  bool thousands = false, point = false, seenPlaceholder = false;
  String prefix, suffix;
  char quote = 0;
  for (char c : Section) {
    if (quote) {
      if (c == quote) {
        quote = 0;
      } else {
        (seenPlaceholder ? suffix : prefix) += c;
      }
      continue;
    }
    switch (c) {
      case '"':
      case '\'':
        quote = c;
        break;
      case '0':
      case '#':
        seenPlaceholder = true;
        if (point) {
          ++fracDigits;
          if (c == '0') fracZeros = fracDigits;
        } else if (c == '0') {
          ++intZeros;
        }
        break;
      case '.':
        if (!point) {
          point = true;
          seenPlaceholder = true;
        }
        break;
      case ',':
        if (!point) thousands = true;
        break;
      default:
        (seenPlaceholder ? suffix : prefix) += c;
    }
  }
  String intPart, frac;
  RoundDecimal(Abs, fracDigits, intPart, frac);
  IsZero = intPart.find_first_not_of('0') == String::npos && frac.find_first_not_of('0') == String::npos;
  while (static_cast<int>(frac.size()) > fracZeros && !frac.empty() && frac.back() == '0') frac.pop_back();
  if (intPart == "0" && intZeros == 0) intPart.clear();
  while (static_cast<int>(intPart.size()) < intZeros) intPart.insert(0, 1, '0');
  if (thousands) intPart = InsertThousands(intPart);
  String out = prefix + intPart;
  if (!frac.empty()) out += FormatSettings.DecimalSeparator + frac;
  return out + suffix;
}

}  // namespace

String FormatFloatText(const String& Format, double Value) {
  if (!std::isfinite(Value)) return FloatToStr(Value);
  if (Format.empty()) return FloatToPrecisionText(Value, 15, false);
  std::vector<String> sections = FormatSections(Format);
  const String* section = &sections[0];
  bool ownSign = false;
  if (Value < 0 && sections.size() > 1 && !sections[1].empty()) {
    section = &sections[1];
    ownSign = true;
  }
  bool isZero = false;
  String text = FormatSection(*section, std::fabs(Value), isZero);
  if (isZero && sections.size() > 2 && !sections[2].empty()) return FormatSection(sections[2], 0.0, isZero);
  // A value that rounds to zero shows without a sign.
  if (Value < 0 && !ownSign && !isZero) text.insert(0, 1, '-');
  return text;
}

String FloatToPrecisionText(double Value, int Precision, bool Currency) {
  if (!std::isfinite(Value)) return FloatToStr(Value);
  if (Currency) return FormatFloatText("#,##0.00", Value);
  Precision = std::clamp(Precision, 1, 17);
  String s = sys::GeneralText(Value, Precision, true);  // "." as the point whatever the process locale
  // "1.5E+20" -> "1.5E20", "1E-05" -> "1E-5"
  size_t e = s.find('E');
  if (e != String::npos) {
    String mant = s.substr(0, e);
    String exp = s.substr(e + 1);
    bool neg = !exp.empty() && exp[0] == '-';
    if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) exp.erase(0, 1);
    exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
    s = mant + "E" + (neg ? "-" : "") + exp;
  }
  size_t dot = s.find('.');
  if (dot != String::npos) s[dot] = FormatSettings.DecimalSeparator;
  return s;
}

// ---------------------------------------------------------------- registration

namespace {
const std::vector<String> kFieldKindNames = {"fkData", "fkCalculated", "fkLookup", "fkInternalCalc"};

const bool registered = [] {
  RegisterClass<TField>("TField", "TComponent")
      .Str("FieldName", &TField::FieldName, &TField::SetFieldName)
      .Str("DisplayLabel", [](TField& f) { return f.DisplayLabel() == f.FieldName() ? String() : f.DisplayLabel(); },
           &TField::SetDisplayLabel)
      .Integer("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth)
      .Enum("FieldKind", kFieldKindNames, &TField::FieldKind, &TField::SetFieldKind, fkData)
      .Boolean("Calculated", &TField::Calculated, &TField::SetCalculated, false)
      .NotStored()
      .Boolean("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly, false)
      .Boolean("Required", &TField::Required, &TField::SetRequired, false)
      .Boolean("Visible", &TField::Visible, &TField::SetVisible, true)
      .Component("LookupDataSet", "TDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet)
      .Str("LookupKeyFields", &TField::LookupKeyFields, &TField::SetLookupKeyFields)
      .Str("LookupResultField", &TField::LookupResultField, &TField::SetLookupResultField)
      .Str("KeyFields", &TField::KeyFields, &TField::SetKeyFields)
      .Event<TFieldNotifyEvent>("OnChange", [](TField& f, TFieldNotifyEvent e) { f.OnChange = std::move(e); })
      .Event<TFieldNotifyEvent>("OnValidate", [](TField& f, TFieldNotifyEvent e) { f.OnValidate = std::move(e); })
      .Event<TFieldGetTextEvent>("OnGetText", [](TField& f, TFieldGetTextEvent e) { f.OnGetText = std::move(e); })
      .Event<TFieldSetTextEvent>("OnSetText", [](TField& f, TFieldSetTextEvent e) { f.OnSetText = std::move(e); });
  RegisterClass<TStringField>("TStringField", "TField").Integer("Size", &TField::Size, &TField::SetSize, 20);
  RegisterClass<TNumericField>("TNumericField", "TField")
      .Str("DisplayFormat", &TNumericField::DisplayFormat, &TNumericField::SetDisplayFormat)
      .Str("EditFormat", &TNumericField::EditFormat, &TNumericField::SetEditFormat);
  RegisterClass<TIntegerField>("TIntegerField", "TNumericField")
      .Integer("MinValue", &TIntegerField::MinValue, &TIntegerField::SetMinValue, 0)
      .Integer("MaxValue", &TIntegerField::MaxValue, &TIntegerField::SetMaxValue, 0);
  RegisterClass<TSmallintField>("TSmallintField", "TIntegerField");
  RegisterClass<TWordField>("TWordField", "TIntegerField");
  RegisterClass<TAutoIncField>("TAutoIncField", "TIntegerField");
  RegisterClass<TFloatField>("TFloatField", "TNumericField")
      .Integer("Precision", &TFloatField::Precision, &TFloatField::SetPrecision, 15)
      .Boolean("Currency", &TFloatField::Currency, &TFloatField::SetCurrency, false);
  RegisterClass<TCurrencyField>("TCurrencyField", "TFloatField");
  RegisterClass<TBooleanField>("TBooleanField", "TField")
      .Str("DisplayValues", &TBooleanField::DisplayValues, &TBooleanField::SetDisplayValues, String("True;False"));
  RegisterClass<TDateTimeField>("TDateTimeField", "TField")
      .Str("DisplayFormat", &TDateTimeField::DisplayFormat, &TDateTimeField::SetDisplayFormat);
  RegisterClass<TDateField>("TDateField", "TDateTimeField");
  RegisterClass<TTimeField>("TTimeField", "TDateTimeField");
  RegisterClass<TBlobField>("TBlobField", "TField")
      .Integer("Size", &TField::Size, &TField::SetSize, 0)
      .Enum("BlobType", FieldTypeNames(), &TBlobField::BlobType, &TBlobField::SetBlobType, ftBlob);
  RegisterClass<TMemoField>("TMemoField", "TBlobField");
  return true;
}();
}  // namespace

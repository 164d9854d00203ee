#pragma once
// Fields: the objects through which the values of a dataset's current record
// are read and written, and TFields, the dataset's ordered list of them.
//
// A field never holds its value. Every read and write goes through the
// dataset (TDataSet::ReadFieldData / WriteFieldData) in the field's native
// buffer format, DataSize() bytes:
//   string        Size()+1 bytes, the characters followed by a zero byte
//   small integer int16            integer, auto-increment  int32
//   word          uint16           Boolean  int16, 0 = false, else true (written as -1)
//   float, currency  double
//   date          int32, the day number counted from 1 January of year 1 (that day = 1)
//   time          int32, milliseconds since midnight
//   date and time double, a TDateTime
//   memo, blob    no bytes (DataSize 0): values go through the dataset's
//                 OpenBlobStream; ReadFieldData with a null buffer still
//                 answers whether a value is present.
#include <functional>
#include <memory>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/core/DateTime.h"
#include "class_library/datasets/FieldDefs.h"
#include "class_library/core/Types.h"
#include "class_library/core/Variant.h"

class TDataSet;
class TStream;

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

class TField;
using TFieldNotifyEvent = std::function<void(TField* Sender)>;
using TFieldGetTextEvent = std::function<void(TField* Sender, String& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const String& Text)>;

class TField : public TComponent {
public:
  explicit TField(TComponent* AOwner);
  // Leaves the dataset's field list.
  ~TField() override;
  String ClassName() const override { return "TField"; }

  // ---- identity and layout
  TDataSet* DataSet() const { return dataSet_; }
  // Moves the field into the dataset's field list (closed datasets only).
  void SetDataSet(TDataSet* Value);
  const String& FieldName() const { return fieldName_; }
  void SetFieldName(const String& Value);
  // The caption shown to the user; the field name when none was set.
  String DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  void SetDisplayLabel(const String& Value) { displayLabel_ = Value == fieldName_ ? String() : Value; }
  String DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }
  void SetDisplayWidth(int Value) { displayWidth_ = Value; }
  TFieldType DataType() const { return dataType_; }
  int Size() const { return size_; }
  // Closed datasets only; EDatabaseError "Invalid field size" for a size the
  // field type cannot take.
  void SetSize(int Value);
  // Bytes of the native value in a record buffer.
  virtual int DataSize() const { return 0; }
  // The 1-based field number in the table for a data field; -1 for a
  // calculated or lookup field; 0 while the dataset is closed.
  int FieldNo() const { return fieldNo_; }
  // Calculated and lookup fields: the offset of the has-value byte inside the
  // dataset's calculated-field area. Blob fields: the blob field's number.
  int Offset() const { return offset_; }
  TFieldKind FieldKind() const { return fieldKind_; }
  void SetFieldKind(TFieldKind Value);
  bool Calculated() const { return fieldKind_ == fkCalculated; }
  void SetCalculated(bool Value) { SetFieldKind(Value ? fkCalculated : fkData); }
  bool Lookup() const { return fieldKind_ == fkLookup; }
  virtual bool IsBlob() const { return false; }
  // Position in the dataset's field list.
  int Index() const;
  void SetIndex(int Value);

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  bool Required() const { return required_; }
  void SetRequired(bool Value) { required_ = Value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool Value) { visible_ = Value; }
  // False for a read-only field or dataset and for calculated fields.
  bool CanModify() const;

  // ---- lookup fields: the value of LookupResultField in LookupDataSet at the
  // record whose LookupKeyFields equal this dataset's KeyFields.
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  void SetLookupDataSet(TDataSet* Value) { lookupDataSet_ = Value; }
  const String& LookupKeyFields() const { return lookupKeyFields_; }
  void SetLookupKeyFields(const String& Value) { lookupKeyFields_ = Value; }
  const String& LookupResultField() const { return lookupResultField_; }
  void SetLookupResultField(const String& Value) { lookupResultField_ = Value; }
  const String& KeyFields() const { return keyFields_; }
  void SetKeyFields(const String& Value) { keyFields_ = Value; }

  // ---- the value
  virtual bool IsNull() const;
  // Sets the value to null.
  virtual void Clear();
  String AsString() const { return GetAsString(); }
  void SetAsString(const String& Value) { SetAsStringValue(Value); }
  int AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(int Value) { SetAsIntegerValue(Value); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double Value) { SetAsFloatValue(Value); }
  double AsCurrency() const { return GetAsFloat(); }
  void SetAsCurrency(double Value) { SetAsFloatValue(Value); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool Value) { SetAsBooleanValue(Value); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime Value) { SetAsDateTimeValue(Value); }
  // Null for a null field.
  Variant AsVariant() const { return IsNull() ? Null() : GetAsVariant(); }
  void SetAsVariant(const Variant& Value);
  Variant Value() const { return AsVariant(); }
  void SetValue(const Variant& Value) { SetAsVariant(Value); }
  // The value as it was before the record was edited (dataset state old-value)
  // and as it is being written (new-value), where the dataset keeps them.
  Variant OldValue() const;
  Variant NewValue() const;
  // Assigns by the value's own type: an integer as integer, a Boolean as
  // Boolean, a float as float, a date as date, text as text, Null clears.
  // (SetAsVariant converts to the field's own type instead.)
  void AssignValue(const Variant& Value);

  // The text to show (OnGetText, else the formatted value) and the text to
  // edit; SetText parses edit text (OnSetText, else AsString).
  String DisplayText() const { return GetTextValue(true); }
  String Text() const { return GetTextValue(false); }
  void SetText(const String& Value);

  // ---- raw access in native format (see the top of this file)
  // Copies the value into Buffer (when not null) and answers whether there is
  // one. While OnValidate runs, the value being validated is read.
  bool GetData(void* Buffer) const;
  // A text field's characters where the dataset shows them in place (see
  // TDataSet::ReadFieldText); false: read them through GetData.
  bool GetTextInPlace(const char*& Text, size_t& Length) const;
  // Writes Buffer (nullptr: null) through the dataset. EDatabaseError for a
  // field without dataset or a read-only field.
  void SetData(const void* Buffer);
  // Runs OnValidate with the value about to be written; the dataset calls it
  // from WriteFieldData before storing Buffer.
  void Validate(const void* Buffer);
  // Fires OnChange; the dataset calls it for its field-change event.
  virtual void Change();

  // A field read from a resource inside a dataset's object joins that dataset.
  void SetParentComponent(TComponent* Value) override;
  TComponent* GetParentComponent() const override;

  // ---- events
  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

protected:
  virtual String GetAsString() const;
  virtual void SetAsStringValue(const String& Value);
  virtual int GetAsInteger() const;
  virtual void SetAsIntegerValue(int Value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatValue(double Value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanValue(bool Value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTimeValue(TDateTime Value);
  // Called only for a non-null value.
  virtual Variant GetAsVariant() const;
  // Called only for a value that is neither null nor unassigned.
  virtual void SetVarValue(const Variant& Value) { AssignValue(Value); }
  virtual void GetText(String& Text, bool DisplayText) const;
  virtual int DefaultDisplayWidth() const { return 10; }
  // Raises EDatabaseError "Invalid field size" for a size the type cannot take.
  virtual void CheckTypeSize(int Value) const;
  void SetDataType(TFieldType Value) { dataType_ = Value; }
  void SetSizeUnchecked(int Value) { size_ = Value; }
  // Raises "Cannot access field '<n>' as type <TypeName>".
  [[noreturn]] void AccessError(const String& TypeName) const;
  // Raises EDatabaseError "Field '<n>' has no dataset" when unattached.
  TDataSet& CheckedDataSet() const;
  // For the text setters of typed fields, where blank text means no value:
  // Value without surrounding blanks in Text, or false after clearing the field.
  bool TrimmedTextOrClear(const String& Value, String& Text);

private:
  friend class TDataSet;
  friend class TFields;
  String GetTextValue(bool DisplayText) const;
  Variant ValueInState(int State) const;

  TDataSet* dataSet_ = nullptr;
  String fieldName_;
  String displayLabel_;
  int displayWidth_ = 0;
  TFieldType dataType_ = ftUnknown;
  int size_ = 0;
  int fieldNo_ = 0;
  int offset_ = 0;
  TFieldKind fieldKind_ = fkData;
  bool readOnly_ = false;
  bool required_ = false;
  bool visible_ = true;
  TDataSet* lookupDataSet_ = nullptr;
  String lookupKeyFields_;
  String lookupResultField_;
  String keyFields_;
  // Set while OnValidate runs: reads see the value being validated.
  mutable bool validating_ = false;
  const void* validateBuffer_ = nullptr;
};

// ---------------------------------------------------------------- text

class TStringField : public TField {
public:
  explicit TStringField(TComponent* AOwner);
  String ClassName() const override { return "TStringField"; }
  int DataSize() const override { return Size() + 1; }
  // The stored characters up to the first zero byte.
  bool GetValue(String& Value) const;

private:
  class TextReader;

protected:
  String GetAsString() const override;
  // Text longer than Size is cut to Size characters.
  void SetAsStringValue(const String& Value) override;
  int GetAsInteger() const override;
  void SetAsIntegerValue(int Value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double Value) override;
  // True when the text starts with T, t, Y or y.
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool Value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime Value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override { SetAsString(Value.AsString()); }
  int DefaultDisplayWidth() const override { return Size(); }
  void CheckTypeSize(int Value) const override;
};

// ---------------------------------------------------------------- numbers

class TNumericField : public TField {
public:
  explicit TNumericField(TComponent* AOwner) : TField(AOwner) {}
  String ClassName() const override { return "TNumericField"; }
  // A number format of '0' (digit), '#' (optional digit), '.' (decimal
  // point), ',' (thousands separators) and quoted or other literal text.
  const String& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const String& Value) { displayFormat_ = Value; }
  const String& EditFormat() const { return editFormat_; }
  void SetEditFormat(const String& Value) { editFormat_ = Value; }

private:
  String displayFormat_;
  String editFormat_;
};

class TIntegerField : public TNumericField {
public:
  explicit TIntegerField(TComponent* AOwner);
  String ClassName() const override { return "TIntegerField"; }
  int DataSize() const override { return 4; }
  // The allowed range; writes outside it raise "<v> is not a valid value for
  // field '<n>'. The allowed range is <min> to <max>". 0 and 0: the type's range.
  long long MinValue() const { return minValue_; }
  void SetMinValue(long long Value) { minValue_ = Value; }
  long long MaxValue() const { return maxValue_; }
  void SetMaxValue(long long Value) { maxValue_ = Value; }
  bool GetValue(long long& Value) const;

protected:
  TIntegerField(TComponent* AOwner, TFieldType Type, long long MinRange, long long MaxRange);
  String GetAsString() const override;
  void SetAsStringValue(const String& Value) override;
  int GetAsInteger() const override;
  void SetAsIntegerValue(int Value) override;
  double GetAsFloat() const override;
  // Rounds to the nearest integer; a value outside the range raises.
  void SetAsFloatValue(double Value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override { StoreValue(Value.AsInteger()); }
  void GetText(String& Text, bool DisplayText) const override;
  [[noreturn]] void RangeError(const String& Value) const;
  // Range check, then the native write.
  void StoreValue(long long Value);
  virtual void WriteNative(long long Value);
  virtual bool ReadNative(long long& Value) const;

private:
  long long minRange_;
  long long maxRange_;
  long long minValue_ = 0;
  long long maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
public:
  explicit TSmallintField(TComponent* AOwner);
  String ClassName() const override { return "TSmallintField"; }
  int DataSize() const override { return 2; }

protected:
  void WriteNative(long long Value) override;
  bool ReadNative(long long& Value) const override;
};

class TWordField : public TIntegerField {
public:
  explicit TWordField(TComponent* AOwner);
  String ClassName() const override { return "TWordField"; }
  int DataSize() const override { return 2; }

protected:
  void WriteNative(long long Value) override;
  bool ReadNative(long long& Value) const override;
};

class TAutoIncField : public TIntegerField {
public:
  explicit TAutoIncField(TComponent* AOwner);
  String ClassName() const override { return "TAutoIncField"; }
};

class TFloatField : public TNumericField {
public:
  explicit TFloatField(TComponent* AOwner);
  String ClassName() const override { return "TFloatField"; }
  int DataSize() const override { return 8; }
  // Significant digits of the text when no DisplayFormat is set (2..15).
  int Precision() const { return precision_; }
  void SetPrecision(int Value);
  // Shown as money (two decimals, thousands separators) without DisplayFormat.
  bool Currency() const { return currency_; }
  void SetCurrency(bool Value) { currency_ = Value; }
  bool GetValue(double& Value) const;

protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& Value) override;
  // Rounds; a value outside the integer range raises.
  int GetAsInteger() const override;
  void SetAsIntegerValue(int Value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double Value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override { SetAsFloat(Value.AsFloat()); }
  void GetText(String& Text, bool DisplayText) const override;

private:
  int precision_ = 15;
  bool currency_ = false;
};

class TCurrencyField : public TFloatField {
public:
  explicit TCurrencyField(TComponent* AOwner);
  String ClassName() const override { return "TCurrencyField"; }
};

// ---------------------------------------------------------------- Boolean

class TBooleanField : public TField {
public:
  explicit TBooleanField(TComponent* AOwner);
  String ClassName() const override { return "TBooleanField"; }
  int DataSize() const override { return 2; }
  // "TrueText;FalseText", default "True;False".
  const String& DisplayValues() const { return displayValues_; }
  void SetDisplayValues(const String& Value);

protected:
  String GetAsString() const override;
  // Empty text clears; otherwise the (leading part of the) true or false
  // text, compared without regard to case.
  void SetAsStringValue(const String& Value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool Value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override { SetAsBoolean(Value.AsBoolean()); }
  int DefaultDisplayWidth() const override { return 5; }

private:
  String displayValues_ = "True;False";
  String trueText_ = "True";
  String falseText_ = "False";
};

// ---------------------------------------------------------------- dates

class TDateTimeField : public TField {
public:
  explicit TDateTimeField(TComponent* AOwner);
  String ClassName() const override { return "TDateTimeField"; }
  int DataSize() const override { return 8; }
  // A FormatDateTime format; the class library's default format when empty.
  const String& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const String& Value) { displayFormat_ = Value; }

protected:
  TDateTimeField(TComponent* AOwner, TFieldType Type);
  String GetAsString() const override;
  void SetAsStringValue(const String& Value) override;
  double GetAsFloat() const override { return GetAsDateTime(); }
  void SetAsFloatValue(double Value) override { SetAsDateTimeValue(Value); }
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime Value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override { SetAsDateTime(Value.AsDateTime()); }
  void GetText(String& Text, bool DisplayText) const override;
  int DefaultDisplayWidth() const override { return 18; }
  // Native value <-> TDateTime.
  virtual bool ReadDateTime(TDateTime& Value) const;
  virtual void WriteDateTime(TDateTime Value);
  // The text of a value without DisplayFormat, and its parser.
  virtual String FormatValue(TDateTime Value) const;
  virtual TDateTime ParseText(const String& Text) const;

private:
  String displayFormat_;
};

class TDateField : public TDateTimeField {
public:
  explicit TDateField(TComponent* AOwner);
  String ClassName() const override { return "TDateField"; }
  int DataSize() const override { return 4; }

protected:
  bool ReadDateTime(TDateTime& Value) const override;
  void WriteDateTime(TDateTime Value) override;
  // A day number below 1 (a date present but empty) shows as empty text.
  String FormatValue(TDateTime Value) const override;
  TDateTime ParseText(const String& Text) const override;
  int DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
public:
  explicit TTimeField(TComponent* AOwner);
  String ClassName() const override { return "TTimeField"; }
  int DataSize() const override { return 4; }

protected:
  bool ReadDateTime(TDateTime& Value) const override;
  void WriteDateTime(TDateTime Value) override;
  String FormatValue(TDateTime Value) const override;
  TDateTime ParseText(const String& Text) const override;
  int DefaultDisplayWidth() const override { return 10; }
};

// ---------------------------------------------------------------- blobs

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

class TBlobField : public TField {
public:
  explicit TBlobField(TComponent* AOwner);
  String ClassName() const override { return "TBlobField"; }
  bool IsBlob() const override { return true; }
  // ftBlob, ftMemo, ftGraphic, ftFmtMemo.
  TFieldType BlobType() const { return DataType(); }
  void SetBlobType(TFieldType Value);
  // Bytes of the current value (reads it).
  int64_t BlobSize() const;
  // True after the value was written in this edit; cleared whenever the
  // dataset changes state.
  bool Modified() const { return modified_; }
  void SetModified(bool Value) { modified_ = Value; }
  // A modified value counts as null when it is empty.
  bool IsNull() const override;
  // Writes an empty value.
  void Clear() override;
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream) const;

protected:
  TBlobField(TComponent* AOwner, TFieldType Type);
  String GetAsString() const override;
  void SetAsStringValue(const String& Value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override { SetAsString(Value.AsString()); }
  // "(BLOB)" / "(blob)" for a value present / absent, or AsString for memos.
  void GetText(String& Text, bool DisplayText) const override;
  void CheckTypeSize(int Value) const override;

private:
  bool modified_ = false;
};

class TMemoField : public TBlobField {
public:
  explicit TMemoField(TComponent* AOwner);
  String ClassName() const override { return "TMemoField"; }

protected:
  void GetText(String& Text, bool DisplayText) const override;
};

// The field class for a data type; nullptr for a type without one.
using TFieldFactory = std::function<TField*(TComponent* Owner)>;
TFieldFactory FieldClassFor(TFieldType Type);

// ---------------------------------------------------------------- TFields

// The fields of a dataset in their order. It does not own them: a field is
// freed by its component owner (the dataset for fields made at open, the
// form or module for persistent ones) and leaves the list when freed.
class TFields {
public:
  explicit TFields(TDataSet* DataSet) : dataSet_(DataSet) {}
  TFields(const TFields&) = delete;
  TFields& operator=(const TFields&) = delete;

  TDataSet* DataSet() const { return dataSet_; }
  int Count() const { return static_cast<int>(list_.size()); }
  // EDatabaseError "Field index out of range" for a bad index.
  TField* Fields(int Index) const;
  TField* operator[](int Index) const { return Fields(Index); }
  // Case-insensitive; nullptr when missing.
  TField* FindField(const String& FieldName) const;
  // EDatabaseError "Field '<n>' not found".
  TField* FieldByName(const String& FieldName) const;
  // The data field with that 1-based field number; nullptr when none.
  TField* FieldByNumber(int FieldNo) const;
  int IndexOf(const TField* Field) const;
  // Frees every field in the list.
  void Clear();

  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

private:
  friend class TField;
  friend class TDataSet;
  // Appends (EDatabaseError for a missing or duplicate name).
  void Add(TField* Field);
  void Remove(TField* Field);
  void SetFieldIndex(TField* Field, int Index);
  void Detach();  // forgets every field without freeing it

  TDataSet* dataSet_;
  std::vector<TField*> list_;
  // The field FieldByName found last. Names are unique without regard to
  // case, so a field still in the list whose name is the one asked for
  // exactly is the answer a search would give. Forgotten whenever the list
  // changes.
  mutable TField* lastFound_ = nullptr;
};

// Number formatting for DisplayFormat: '0' digit, '#' optional digit, '.'
// decimal point, ',' anywhere before it for thousands separators, quoted
// text, up to three sections "positive;negative;zero".
String FormatFloatText(const String& Format, double Value);
// Value with Precision significant digits (shortest form); with Currency two
// decimals and thousands separators.
String FloatToPrecisionText(double Value, int Precision, bool Currency);

#pragma once
// Field and index definitions of a dataset: what the underlying table holds,
// as opposed to the TField objects that give access to the values.
#include <initializer_list>
#include <vector>

#include "class_library/core/Persistent.h"
#include "class_library/core/Types.h"

class TDataSet;
class TField;
class TComponent;

// A small set of enumeration values whose ordinals are bit numbers (0..31).
// Bits() is the mask the property registry stores (bit i = element i).
template <class E>
class TEnumSet {
public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(E e) : bits_(1u << static_cast<unsigned>(e)) {}  // NOLINT: implicit by design
  constexpr TEnumSet(std::initializer_list<E> es) {
    for (E e : es) bits_ |= 1u << static_cast<unsigned>(e);
  }
  static constexpr TEnumSet FromBits(unsigned bits) {
    TEnumSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr bool Contains(E e) const { return (bits_ & (1u << static_cast<unsigned>(e))) != 0; }
  constexpr TEnumSet& Include(E e) {
    bits_ |= 1u << static_cast<unsigned>(e);
    return *this;
  }
  constexpr TEnumSet& Exclude(E e) {
    bits_ &= ~(1u << static_cast<unsigned>(e));
    return *this;
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr unsigned Bits() const { return bits_; }
  constexpr bool operator==(const TEnumSet&) const = default;
  constexpr TEnumSet operator|(TEnumSet o) const { return FromBits(bits_ | o.bits_); }

private:
  unsigned bits_ = 0;
};

// The data types of fields. The ordinal is part of some error texts
// ("Invalid field type [n]"), so new types go at the end.
enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftFixedChar,
  ftWideString,
  ftLargeint,
};

// The type names in ordinal order ("ftString" ...), for resources and messages.
const std::vector<String>& FieldTypeNames();
// A readable name of the type for error texts ("String", "Integer" ...).
String FieldTypeDisplayName(TFieldType Type);

// One field of the underlying table.
class TFieldDef : public TCollectionItem {
public:
  explicit TFieldDef(TCollection* Collection);
  String ClassName() const override { return "TFieldDef"; }

  const String& Name() const { return name_; }
  void SetName(const String& Value);
  TFieldType DataType() const { return dataType_; }
  void SetDataType(TFieldType Value);
  // Characters of a string field; 0 for types whose size is fixed.
  int Size() const { return size_; }
  void SetSize(int Value);
  int Precision() const { return precision_; }
  void SetPrecision(int Value);
  bool Required() const { return required_; }
  void SetRequired(bool Value);
  bool InternalCalcField() const { return internalCalc_; }
  void SetInternalCalcField(bool Value);
  // 1-based field number in the table; by default the definition's position + 1.
  int FieldNo() const { return fieldNo_ > 0 ? fieldNo_ : Index() + 1; }
  void SetFieldNo(int Value) { fieldNo_ = Value; }

  String DisplayName() const override { return name_; }
  void Assign(TPersistent* Source) override;

  // Creates the TField class that fits DataType, named after the definition
  // and attached to the definitions' dataset. Owner frees it (the dataset
  // itself for fields made at open). EDatabaseError "Field '<n>' is of an
  // unknown type" for a type without a field class.
  TField* CreateField(TComponent* Owner);

private:
  String name_;
  TFieldType dataType_ = ftUnknown;
  int size_ = 0;
  int precision_ = 0;
  bool required_ = false;
  bool internalCalc_ = false;
  int fieldNo_ = 0;
};

// What the field and index definitions share: the dataset they describe and
// whether they still reflect its table.
class TDefCollection : public TOwnedCollection {
public:
  TDefCollection(TDataSet* DataSet, TItemFactory ItemFactory);
  String ClassName() const override { return "TDefCollection"; }

  TDataSet* DataSet() const { return dataSet_; }
  // True once the definitions reflect the table. Any change clears it.
  bool Updated() const { return updated_; }
  void SetUpdated(bool Value) { updated_ = Value; }
  // Reads the definitions from the dataset (UpdateDefs) unless they are up to
  // date; nothing without a dataset.
  void Update();

protected:
  virtual void UpdateDefs() = 0;
  void Update(TCollectionItem* Item) override;

private:
  TDataSet* dataSet_;
  bool updated_ = false;
};

// The field definitions of a dataset, in table order.
class TFieldDefs : public TDefCollection {
public:
  explicit TFieldDefs(TDataSet* DataSet);
  String ClassName() const override { return "TFieldDefs"; }

  TFieldDef* Items(int Index) const;
  TFieldDef* operator[](int Index) const { return Items(Index); }
  TFieldDef* AddFieldDef();
  TFieldDef* Add(const String& Name, TFieldType DataType, int Size = 0, bool Required = false);
  // Case-insensitive; -1 / nullptr when missing.
  int IndexOf(const String& Name) const;
  TFieldDef* FindDef(const String& Name) const;
  // Raises EDatabaseError "Field '<n>' not found".
  TFieldDef* Find(const String& Name) const;

protected:
  // The dataset's BuildFieldDefs (open or closed).
  void UpdateDefs() override;
};

// Index options; the ordinal is the bit number (unique = 2, descending = 4,
// case-insensitive = 8, expression = 16, non-maintained = 32 as masks).
enum TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression, ixNonMaintained };
using TIndexOptions = TEnumSet<TIndexOption>;
const std::vector<String>& IndexOptionNames();

// One index of the underlying table.
class TIndexDef : public TCollectionItem {
public:
  explicit TIndexDef(TCollection* Collection);
  String ClassName() const override { return "TIndexDef"; }

  const String& Name() const { return name_; }
  void SetName(const String& Value);
  // The indexed fields separated by ";" (cleared when an expression is set).
  const String& Fields() const { return fields_; }
  void SetFields(const String& Value);
  // The key expression of an expression index (sets ixExpression).
  const String& Expression() const { return expression_; }
  void SetExpression(const String& Value);
  TIndexOptions Options() const { return options_; }
  void SetOptions(TIndexOptions Value);
  // Where the index lives (an index file name), as the dataset reports it.
  const String& Source() const { return source_; }
  void SetSource(const String& Value);

  String DisplayName() const override { return name_; }
  void Assign(TPersistent* Source) override;

private:
  String name_;
  String fields_;
  String expression_;
  TIndexOptions options_;
  String source_;
};

class TIndexDefs : public TDefCollection {
public:
  explicit TIndexDefs(TDataSet* DataSet);
  String ClassName() const override { return "TIndexDefs"; }

  TIndexDef* Items(int Index) const;
  TIndexDef* operator[](int Index) const { return Items(Index); }
  TIndexDef* AddIndexDef();
  TIndexDef* Add(const String& Name, const String& Fields, TIndexOptions Options);
  int IndexOf(const String& Name) const;
  TIndexDef* FindIndexForName(const String& Name) const;  // nullptr when missing
  // Raises EDatabaseError "Index '<n>' not found".
  TIndexDef* Find(const String& Name) const;
  // The first index whose leading fields are Fields (";"-separated, compared
  // without regard to case); with CaseInsensitive only case-insensitive
  // indexes count. nullptr when none fits.
  TIndexDef* GetIndexForFields(const String& Fields, bool CaseInsensitive) const;

protected:
  // The dataset's ReadIndexDefs.
  void UpdateDefs() override;
};

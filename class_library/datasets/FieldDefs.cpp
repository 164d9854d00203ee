#include "class_library/datasets/FieldDefs.h"

#include "class_library/datasets/DBConsts.h"
#include "class_library/datasets/DataSet.h"
#include "class_library/datasets/Fields.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"

const std::vector<String>& FieldTypeNames() {
  static const std::vector<String> names = {
      "ftUnknown", "ftString",  "ftSmallint", "ftInteger",   "ftWord",       "ftBoolean",
      "ftFloat",   "ftCurrency", "ftBCD",     "ftDate",      "ftTime",       "ftDateTime",
      "ftBytes",   "ftVarBytes", "ftAutoInc", "ftBlob",      "ftMemo",       "ftGraphic",
      "ftFmtMemo", "ftFixedChar", "ftWideString", "ftLargeint"};
  return names;
}

String FieldTypeDisplayName(TFieldType Type) {
  const auto& names = FieldTypeNames();
  auto i = static_cast<size_t>(Type);
  return i < names.size() ? names[i].substr(2) : String("Unknown");
}

const std::vector<String>& IndexOptionNames() {
  static const std::vector<String> names = {"ixPrimary",         "ixUnique",     "ixDescending",
                                            "ixCaseInsensitive", "ixExpression", "ixNonMaintained"};
  return names;
}

namespace {
// Position of the definition named Name (without regard to case), or -1.
template <class Defs>
int IndexOfName(const Defs& List, const String& Name) {
  for (int i = 0; i < List.Count(); ++i)
    if (AnsiSameText(List.Items(i)->Name(), Name)) return i;
  return -1;
}
}  // namespace

// ---------------------------------------------------------------- TDefCollection

TDefCollection::TDefCollection(TDataSet* DataSet, TItemFactory ItemFactory)
    : TOwnedCollection(DataSet, std::move(ItemFactory)), dataSet_(DataSet) {}

void TDefCollection::Update() {
  if (updated_ || !dataSet_) return;
  UpdateDefs();
  updated_ = true;
}

void TDefCollection::Update(TCollectionItem* /*Item*/) { updated_ = false; }

// ---------------------------------------------------------------- TFieldDef

TFieldDef::TFieldDef(TCollection* Collection) : TCollectionItem(Collection) {}

void TFieldDef::SetName(const String& Value) {
  name_ = Value;
  Changed(false);
}

void TFieldDef::SetDataType(TFieldType Value) {
  dataType_ = Value;
  Changed(false);
}

void TFieldDef::SetSize(int Value) {
  if (Value < 0) DatabaseError(SInvalidFieldSize);
  size_ = Value;
  Changed(false);
}

void TFieldDef::SetPrecision(int Value) {
  precision_ = Value;
  Changed(false);
}

void TFieldDef::SetRequired(bool Value) {
  required_ = Value;
  Changed(false);
}

void TFieldDef::SetInternalCalcField(bool Value) {
  internalCalc_ = Value;
  Changed(false);
}

void TFieldDef::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TFieldDef*>(Source);
  if (!src) {
    TCollectionItem::Assign(Source);
    return;
  }
  name_ = src->name_;
  dataType_ = src->dataType_;
  size_ = src->size_;
  precision_ = src->precision_;
  required_ = src->required_;
  internalCalc_ = src->internalCalc_;
  Changed(false);
}

TField* TFieldDef::CreateField(TComponent* Owner) {
  TFieldFactory factory = FieldClassFor(dataType_);
  if (!factory) DatabaseError(Format(SUnknownFieldType, {name_}));
  std::unique_ptr<TField> field(factory(nullptr));
  // Fixed-size types keep their own size; strings and blobs take the definition's.
  if (field->IsBlob() || dataType_ == ftString || dataType_ == ftFixedChar) field->SetSize(size_);
  field->SetFieldName(name_);
  field->SetRequired(required_);
  if (internalCalc_) field->SetFieldKind(fkInternalCalc);
  if (auto* ff = dynamic_cast<TFloatField*>(field.get()); ff && precision_ > 0) ff->SetPrecision(precision_);
  auto* defs = dynamic_cast<TFieldDefs*>(Collection());
  if (defs && defs->DataSet()) field->SetDataSet(defs->DataSet());
  if (Owner) Owner->InsertComponent(field.get());
  return field.release();
}

// ---------------------------------------------------------------- TFieldDefs

TFieldDefs::TFieldDefs(TDataSet* DataSet)
    : TDefCollection(DataSet, [](TCollection* c) { return new TFieldDef(c); }) {}

TFieldDef* TFieldDefs::Items(int Index) const { return static_cast<TFieldDef*>(TCollection::Items(Index)); }

TFieldDef* TFieldDefs::AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }

TFieldDef* TFieldDefs::Add(const String& Name, TFieldType DataType, int Size, bool Required) {
  if (Name.empty()) DatabaseError(SFieldNameMissing, DataSet());
  if (IndexOf(Name) >= 0) DatabaseError(Format(SDuplicateFieldName, {Name}), DataSet());
  BeginUpdate();
  TFieldDef* def = nullptr;
  try {
    def = AddFieldDef();
    def->SetName(Name);
    def->SetDataType(DataType);
    def->SetSize(Size);
    def->SetRequired(Required);
  } catch (...) {
    if (def) Delete(def->Index());
    EndUpdate();
    throw;
  }
  EndUpdate();
  return def;
}

int TFieldDefs::IndexOf(const String& Name) const { return IndexOfName(*this, Name); }

TFieldDef* TFieldDefs::FindDef(const String& Name) const {
  int i = IndexOf(Name);
  return i < 0 ? nullptr : Items(i);
}

TFieldDef* TFieldDefs::Find(const String& Name) const {
  TFieldDef* def = FindDef(Name);
  if (!def) DatabaseError(Format(SFieldNotFound, {Name}), DataSet());
  return def;
}

void TFieldDefs::UpdateDefs() { DataSet()->BuildFieldDefs(); }

// ---------------------------------------------------------------- TIndexDef

TIndexDef::TIndexDef(TCollection* Collection) : TCollectionItem(Collection) {}

void TIndexDef::SetName(const String& Value) {
  name_ = Value;
  Changed(false);
}

void TIndexDef::SetFields(const String& Value) {
  fields_ = Value;
  if (!Value.empty()) {
    expression_.clear();
    options_.Exclude(ixExpression);
  }
  Changed(false);
}

void TIndexDef::SetExpression(const String& Value) {
  expression_ = Value;
  if (!Value.empty()) {
    fields_.clear();
    options_.Include(ixExpression);
  }
  Changed(false);
}

void TIndexDef::SetOptions(TIndexOptions Value) {
  options_ = Value;
  Changed(false);
}

void TIndexDef::SetSource(const String& Value) {
  source_ = Value;
  Changed(false);
}

void TIndexDef::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TIndexDef*>(Source);
  if (!src) {
    TCollectionItem::Assign(Source);
    return;
  }
  name_ = src->name_;
  fields_ = src->fields_;
  expression_ = src->expression_;
  options_ = src->options_;
  source_ = src->source_;
  Changed(false);
}

// ---------------------------------------------------------------- TIndexDefs

TIndexDefs::TIndexDefs(TDataSet* DataSet)
    : TDefCollection(DataSet, [](TCollection* c) { return new TIndexDef(c); }) {}

TIndexDef* TIndexDefs::Items(int Index) const { return static_cast<TIndexDef*>(TCollection::Items(Index)); }

TIndexDef* TIndexDefs::AddIndexDef() { return static_cast<TIndexDef*>(TCollection::Add()); }

TIndexDef* TIndexDefs::Add(const String& Name, const String& Fields, TIndexOptions Options) {
  if (!Name.empty() && IndexOf(Name) >= 0) DatabaseError(Format(SDuplicateIndexName, {Name}), DataSet());
  BeginUpdate();
  TIndexDef* def = AddIndexDef();
  def->SetName(Name);
  if (Options.Contains(ixExpression)) {
    def->SetExpression(Fields);
  } else {
    def->SetFields(Fields);
  }
  def->SetOptions(Options);
  EndUpdate();
  return def;
}

int TIndexDefs::IndexOf(const String& Name) const { return IndexOfName(*this, Name); }

TIndexDef* TIndexDefs::FindIndexForName(const String& Name) const {
  int i = IndexOf(Name);
  return i < 0 ? nullptr : Items(i);
}

TIndexDef* TIndexDefs::Find(const String& Name) const {
  TIndexDef* def = FindIndexForName(Name);
  if (!def) DatabaseError(Format(SIndexNotFound, {Name}), DataSet());
  return def;
}

TIndexDef* TIndexDefs::GetIndexForFields(const String& Fields, bool CaseInsensitive) const {
  if (Fields.empty()) return nullptr;
  size_t len = Fields.size();
  for (int i = 0; i < Count(); ++i) {
    TIndexDef* def = Items(i);
    if (def->Options().Contains(ixExpression)) continue;
    if (CaseInsensitive && !def->Options().Contains(ixCaseInsensitive)) continue;
    const String& f = def->Fields();
    // The wanted fields must be the whole list or its leading fields.
    if (f.size() >= len && CompareText(f.substr(0, len), Fields) == 0 && (f.size() == len || f[len] == ';'))
      return def;
  }
  return nullptr;
}

void TIndexDefs::UpdateDefs() { DataSet()->ReadIndexDefs(); }

// ---------------------------------------------------------------- registration

namespace {
const bool registered = [] {
  RegisterClass<TFieldDef>("TFieldDef", "TCollectionItem")
      .Str("Name", &TFieldDef::Name, &TFieldDef::SetName)
      .Enum("DataType", FieldTypeNames(), &TFieldDef::DataType, &TFieldDef::SetDataType, ftUnknown)
      .Integer("Size", &TFieldDef::Size, &TFieldDef::SetSize, 0)
      .Integer("Precision", &TFieldDef::Precision, &TFieldDef::SetPrecision, 0)
      .Boolean("Required", &TFieldDef::Required, &TFieldDef::SetRequired, false)
      .Boolean("InternalCalcField", &TFieldDef::InternalCalcField, &TFieldDef::SetInternalCalcField, false);
  RegisterClass<TIndexDef>("TIndexDef", "TCollectionItem")
      .Str("Name", &TIndexDef::Name, &TIndexDef::SetName)
      .Str("Fields", &TIndexDef::Fields, &TIndexDef::SetFields)
      .Str("Expression", &TIndexDef::Expression, &TIndexDef::SetExpression)
      .Set("Options", IndexOptionNames(), [](TIndexDef& d) { return d.Options().Bits(); },
           [](TIndexDef& d, std::int64_t v) { d.SetOptions(TIndexOptions::FromBits(static_cast<unsigned>(v))); })
      .Str("Source", &TIndexDef::Source, &TIndexDef::SetSource);
  return true;
}();
}  // namespace

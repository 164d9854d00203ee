// TXbTable: making a table and its index tags from the field and index
// definitions.
#include <algorithm>

#include "class_library/core/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"

using namespace xbdset;

namespace {

struct XbFieldSpec {
  String name;
  TFieldType type;
  int size;
};

// The xBase field for a field type; false for a type a table cannot hold.
bool MapFieldType(TFieldType type, int size, String& letter, int& width, int& decimals) {
  decimals = 0;
  switch (type) {
    case ftString: letter = "C"; width = size; return true;
    case ftSmallint:
    case ftAutoInc: letter = "N"; width = 6; return true;
    case ftInteger: letter = "N"; width = 11; return true;
    case ftBoolean: letter = "L"; width = 1; return true;
    case ftFloat: letter = "N"; width = 20; decimals = 4; return true;
    case ftCurrency: letter = "N"; width = 20; decimals = 2; return true;
    case ftDate:
    case ftTime:
    case ftDateTime: letter = "D"; width = 8; return true;
    case ftBlob:
    case ftMemo: letter = "M"; width = 10; return true;
    default: return false;
  }
}

bool ValidFieldName(const String& name) {
  if (name.empty() || name.size() > 10) return false;
  const char c = name[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

void TXbTable::CreateTable() {
  if (workArea_ > 0 || Active()) Close();
  Cursor();  // the access method must be reachable before anything is checked
  const String dir = ResolveDirectory();
  String file = ExtractFileName(tableName_);
  if (ExtractFileExt(file).empty()) file += ".DBF";

  std::vector<XbFieldSpec> specs;
  if (FieldCount() > 0) {
    for (TField* f : Fields())
      if (f->FieldKind() == fkData) specs.push_back({f->FieldName(), f->DataType(), f->Size()});
  } else {
    for (int i = 0; i < FieldDefs().Count(); ++i) {
      TFieldDef* d = FieldDefs()[i];
      specs.push_back({d->Name(), d->DataType(), d->Size()});
    }
  }
  if (specs.empty()) RaiseError("Missing required field definitions");
  // Every definition is checked before the engine is asked for anything.
  struct Mapped {
    String name, letter;
    int width, decimals;
  };
  std::vector<Mapped> mapped;
  for (const XbFieldSpec& s : specs) {
    Mapped m{s.name, String(), 0, 0};
    if (!MapFieldType(s.type, s.size, m.letter, m.width, m.decimals))
      RaiseError("Invalid field type [" + IntToStr(static_cast<int>(s.type)) + "]");
    if (!ValidFieldName(s.name)) RaiseError("Invalid field name. Field names must begin with a letter");
    mapped.push_back(m);
  }

  const String path = dir + file;
  ShareDatabaseName();
  const std::int16_t area =
      Cursor().CreateNew(path, MakeAlias(file), static_cast<int>(tableType_), static_cast<int>(mapped.size()));
  if (area <= 0) RaiseError("Unable to create table.\rFile: " + path);
  bool written = false;
  try {
    for (const Mapped& m : mapped) Cursor().CreateField(m.name, m.letter, m.width, m.decimals);
    const std::int16_t created = Cursor().CreateExec();
    // A table held by someone else is never created over: the engine refuses
    // and the caller hears of it.
    if (created <= 0) RaiseError("Unable to create table.\rFile: " + path);
    written = true;
    workArea_ = created;
    if (indexDefs_->Count() > 0) {
      SelectArea();
      // The index expressions take each field's type from the definitions as
      // given (a currency field stays currency), its width from the new table.
      creating_ = true;
      creationTypes_.clear();
      for (size_t i = 0; i < specs.size(); ++i)
        creationTypes_.push_back({UpperCase(specs[i].name), specs[i].type, mapped[i].decimals});
      for (int i = 0; i < indexDefs_->Count(); ++i) {
        TIndexDef* def = indexDefs_->Items(i);
        CreateIndexTag(def->Name(), def->Fields(), def->Options());
      }
      creating_ = false;
    }
  } catch (...) {
    creating_ = false;
    creationTypes_.clear();
    if (written) CloseWorkAreaQuietly();
    workArea_ = 0;
    currentIndexOrder_ = 0;
    throw;
  }
  creationTypes_.clear();
  CloseWorkAreaQuietly();
  workArea_ = 0;
  currentIndexOrder_ = 0;
}

void TXbTable::CreateIndexTag(const String& Name, const String& Fields, TIndexOptions Options) {
  if (workArea_ <= 0) RaiseError(kClosedTable);
  String expression;
  if (Fields.find(';') == String::npos) {
    expression = Fields;
  } else {
    size_t start = 0;
    while (start <= Fields.size()) {
      size_t end = Fields.find(';', start);
      if (end == String::npos) end = Fields.size();
      const String part = Fields.substr(start, end - start);
      TFieldType type = ftUnknown;
      int decimals = 0;
      auto given = std::find_if(creationTypes_.begin(), creationTypes_.end(),
                                [&](const CreationField& entry) { return entry.Name == UpperCase(part); });
      if (TField* f = FindField(part)) {
        type = f->DataType();
        const int fieldNo = f->FieldNo();
        if (fieldNo > 0 && fieldNo <= static_cast<int>(fieldInfos_.size()))
          decimals = fieldInfos_[static_cast<size_t>(fieldNo - 1)]->Decimals;
        else if (given != creationTypes_.end())
          decimals = given->Decimals;
      } else if (given != creationTypes_.end()) {
        type = given->Type;
        decimals = given->Decimals;
      } else if (TFieldDef* d = FieldDefs().FindDef(part)) {
        type = d->DataType();
      }
      SelectArea();
      const String width = IntToStr(Cursor().FieldWidth(part));
      String piece;
      switch (type) {
        case ftSmallint:
        case ftInteger: piece = "STR(" + part + "," + width + ",0)"; break;
        // The key keeps the field's decimals: without them 1.25 and 1.5
        // would share a key, and a unique index would refuse the second.
        case ftFloat: piece = "STR(" + part + "," + width + "," + IntToStr(decimals) + ")"; break;
        case ftCurrency: piece = "STR(" + part + "," + width + ",2)"; break;
        case ftBoolean: piece = "IIF(" + part + ",\"1\",\"0\")"; break;
        case ftDate: piece = "DTOS(" + part + ")"; break;
        default: piece = part; break;
      }
      if (!expression.empty()) expression += "+";
      expression += piece;
      start = end + 1;
    }
  }
  if (Options.Contains(ixCaseInsensitive)) expression = "Upper(" + expression + ")";
  const bool unique = Options.Contains(ixUnique);
  const bool descending = Options.Contains(ixDescending);
  // Index and IndexTag raise when the engine refuses the index.
  if (Options.Contains(ixNonMaintained))
    Index(Name, expression, String(), unique, descending);
  else
    IndexTag(String(), Name, expression, String(), unique, descending);
}


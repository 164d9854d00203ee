#include "setup_program/RMTables.h"

#include "class_library/components/Component.h"
#include "class_library/datasets/Fields.h"
#include "class_library/components/FormResource.h"
#include "class_library/core/Variant.h"
#include "data_access/XbDSet.h"

TXbTable* RequireTable(TComponent* Root, const String& Name) {
  return RequireComponent<TXbTable>(Root, Name, "form");
}

std::vector<String> ReadSpoolDirectories(TXbTable* Table) {
  std::vector<String> dirs;
  Table->Open();
  try {
    while (!Table->Eof()) {
      dirs.push_back(Table->FieldByName("SubDir")->AsString());
      Table->Next();
    }
  } catch (...) {
    Table->Close();
    throw;
  }
  Table->Close();
  return dirs;
}

void RewriteLabelDefinition(TXbTable* Table, const String& Dir) {
  // Fields 0 to 38, in field order; integers set the field as an integer, a
  // Boolean as a Boolean. What they mean is RM's.
  const std::vector<Variant> values = {
      99, 21, 120, 0,     55, 1, 0,  11, 0, 10,     //
      0,  8,  0,   9,     12, 0, 1,  1,  1, 1,      //
      2,  0,  false, 5,   0,  6, 0,  7,  0, 4,      //
      0,  false, 3, 0, false, 1, 0, false, false};
  Table->SetDatabaseName(Dir);
  Table->Open();
  try {
    Table->Edit();
    Table->SetFields(values);
    Table->Post();
  } catch (...) {
    // Nothing half-set is written: the record stays as it was.
    if (Table->State() == dsEdit) Table->Cancel();
    Table->Close();
    throw;
  }
  Table->Close();
}

void SetTableDirectory(TXbTable* Table, const String& Dir) { Table->SetDatabaseName(Dir); }

bool TableActive(const TXbTable* Table) { return Table->Active(); }

// TXbTable: indexes, scopes and filters (what the open path and creation use).
#include "class_library/core/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"

using namespace xbdset;

namespace {

// The file an ExtraIndexes line names: beside the table unless it has a path,
// with the table type's extension unless it has one.
String ExtraIndexPath(const String& Line, const String& Directory, TXbTableType Type) {
  String path = HasPathDelimiter(Line) ? Line : Directory + Line;
  if (ExtractFileExt(path).empty()) {
    switch (Type) {
      case ttSXNTX: path += ".NTX"; break;
      case ttSXFOX: path += ".IDX"; break;
      case ttSXNSX:
      case ttSXNSX_DBT: path += ".NSX"; break;
      case ttSXNONE: break;
    }
  }
  return path;
}

}  // namespace

String TXbTable::IndexFileBaseName(const String& Name) {
  String base = ExtractFileName(Name);
  size_t dot = base.find('.');
  if (dot != String::npos) base.erase(dot);
  return UpperCase(base);
}

String TXbTable::IndexKeyFields(const String& Expression) {
  String result, word;
  bool inParens = false;
  auto endWord = [&]() {
    if (!word.empty() && word.find_first_of("=<>$#") == String::npos && !(word[0] >= '0' && word[0] <= '9'))
      result += word + ";";
    word.clear();
  };
  const String text = Expression + "+";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      // A quoted literal ("1" of IIF(PAID,"1","0")) names no field: skip it whole.
      const size_t close = text.find(c, i + 1);
      i = close == String::npos ? text.size() - 1 : close;
      word.clear();
    } else if (c == '(') {
      inParens = true;
      word.clear();
    } else if (c == ')') {
      inParens = false;
      endWord();
    } else if (c == '+' || c == '-') {
      endWord();
    } else if (c == ',' && inParens) {
      endWord();
    } else if (c != ' ') {
      word += c;
    }
  }
  if (!result.empty()) result.pop_back();
  return result;
}

void TXbTable::SetIndexName(const String& Value) {
  if (Value == indexName_) return;
  if (tableType_ == ttSXNTX && !Value.empty() && !indexName_.empty() &&
      IndexFileBaseName(Value) == IndexFileBaseName(indexName_))
    return;
  indexName_ = Value;
  if (workArea_ <= 0) return;
  SelectArea();
  ShareDatabaseName();
  if (Active()) CheckBrowseMode();
  int order = 0;
  if (!Value.empty()) {
    const String upper = UpperCase(Value);
    const bool tag = tableType_ != ttSXNTX && ExtractFileExt(upper) != ".IDX";
    if (tag) {
      order = Cursor().TagArea(Value);
    } else {
      if (extraIndexes_->IndexOf(Value) >= 0) {
        // Opened with the extra indexes: the engine answers the file's order
        // (its place in the list is not its order once a production index
        // or a multi-order file comes first).
        const String path = ExtraIndexPath(Trim(Value), directory_, tableType_);
        if (Cursor().FileExists(path)) order = EngineIndexOpen(path);
      } else {
        String path = HasPathDelimiter(Value) ? Value : directory_ + Value;
        if (ExtractFileExt(path).empty()) path += ".NTX";
        if (Cursor().FileExists(path)) {
          order = EngineIndexOpen(path);
          if (order > 0) {
            indexDefs_->SetUpdated(false);
            ReadIndexDefs();
          }
        }
      }
    }
    if (Active() && order == 0 && errorFunc_ == -1) RaiseError("Invalid IndexName value : " + Value);
  }
  EngineSetOrder(order);
  recordCountStale_ = true;
  UpdateCursorPos();
  if (Active()) {
    if (masterLink_->Active() && !masterLink_->Fields().empty()) ApplyDetailRange(false);
    ResyncCursor({});
  }
}

void TXbTable::SetExtraIndexes(const TStringList& Value) {
  if (&Value == extraIndexes_.get()) return;
  SetIndexName(String());
  auto handler = extraIndexes_->OnChange;
  extraIndexes_->OnChange = nullptr;
  extraIndexes_->Assign(const_cast<TStringList*>(&Value));
  extraIndexes_->OnChange = handler;
  if (workArea_ > 0) {
    OpenExtraIndexes();
    indexDefs_->SetUpdated(false);
    ReadIndexDefs();
  }
}

void TXbTable::ExtraIndexesChanged() {
  indexDefs_->SetUpdated(false);
  ReadIndexDefs();
}

int TXbTable::OpenIndexFile(const String& Path, const String& Shown) {
  if (!Cursor().FileExists(Path)) RaiseError("Invalid IndexName value : " + Shown);
  const int order = EngineIndexOpen(Path);
  if (order <= 0) RaiseError("Invalid IndexName value : " + Shown);
  return order;
}

void TXbTable::OpenExtraIndexes() {
  if (extraIndexes_->Count() == 0) return;
  if (workArea_ > 0) {
    SelectArea();
    ShareDatabaseName();
    int saved = IndexOrd();
    const int before = saved;
    try {
      Cursor().CloseIndexes();
      if (tableType_ != ttSXNTX) {
        // The production index lies beside the table, wherever the current
        // directory is.
        String production =
            ChangeFileExt(tableName_, tableType_ == ttSXFOX || tableType_ == ttSXNONE ? ".CDX" : ".NSX");
        if (!HasPathDelimiter(production)) production = directory_ + production;
        if (Cursor().FileExists(production)) OpenIndexFile(production, production);
      }
      EngineSetOrder(0);
      for (int i = 0; i < extraIndexes_->Count(); ++i) {
        const String line = Trim(extraIndexes_->Strings(i));
        if (line.empty()) continue;
        const String path = ExtraIndexPath(line, directory_, tableType_);
        const int n = OpenIndexFile(path, extraIndexes_->Strings(i));
        if (saved == 0) {
          saved = n;
          indexName_ = path;
        }
      }
      EngineSetOrder(saved);
    } catch (...) {
      // The order the table had stays selected, whatever failed.
      try {
        EngineSetOrder(before);
      } catch (...) {
      }
      throw;
    }
  }
  indexDefs_->SetUpdated(false);
  ReadIndexDefs();
  recordCountStale_ = true;
  if (cursorOpen_)
    ResyncCursor({});
  else if (Active())
    UpdateCursorPos();
}

void TXbTable::ReadIndexDefs() {
  if (workArea_ <= 0 || indexDefs_->Updated()) return;
  SelectArea();
  Cursor().SetStringType(1);
  const int n = Cursor().SysProp(3000, 0);
  indexDefs_->Clear();
  if (n != 0) {
    const int saved = EngineIndexOrd();
    try {
      for (int i = 1; i <= n; ++i) {
        String file;
        if (tableType_ == ttSXNTX) {
          file = Cursor().IndexName(i);
          if (file.empty()) continue;
        }
        EngineSetOrder(i);
        const String expression = UpperCase(Cursor().IndexKey());
        const String name = tableType_ == ttSXNTX ? file : Cursor().TagName(i);
        TIndexOptions options;
        if (tableType_ == ttSXNTX) options.Include(ixNonMaintained);
        const int type = Cursor().IndexType();
        if (type == 2 || type == 4) options.Include(ixUnique);
        if (expression.find("UPPER(") != String::npos) options.Include(ixCaseInsensitive);
        if (Cursor().SysProp(3002, 0) != 0) options.Include(ixDescending);
        if (expression.find_first_of("+(-") != String::npos) options.Include(ixExpression);
        const String fields = options.Contains(ixExpression) ? String() : Cursor().IndexKeyField();
        if (name.empty() || expression.empty()) RaiseError("Invalid Index File or Tag");
        TIndexDef* def = indexDefs_->Add(name, fields, options);
        if (options.Contains(ixExpression))
          def->SetExpression(expression);
        else
          def->SetFields(fields);
        if (!options.Contains(ixNonMaintained))
          def->SetSource(ExtractFileName(Cursor().IndexName(i)));
        else
          def->SetSource(file);
      }
    } catch (...) {
      try {
        EngineSetOrder(saved);
      } catch (...) {
      }
      throw;
    }
    EngineSetOrder(saved);
  }
  indexDefs_->SetUpdated(true);
}

int TXbTable::MakeIndex(const String& Name, const char* MissingName, const String& Expression,
                        const String& Condition, const std::function<int()>& Make) {
  if (workArea_ <= 0) RaiseError(kClosedTable);
  SelectArea();
  if (Name.empty()) RaiseError(MissingName);
  if (Expression.empty()) RaiseError("Missing Parameter to Index or IndexTag Method: Index Expression");
  if (Cursor().EvalTest(Expression) == 0) RaiseError("Invalid index expression [" + Expression + "]");
  const int result = Make();
  // The engine answers 0 when it could not build the index (a file it may
  // not write, keys it cannot make): the caller hears of it.
  if (result <= 0) RaiseError("Unable to create index " + Name + " [" + Expression + "]");
  if (!creating_) {
    indexName_ = Name;
    indexDefs_->SetUpdated(false);
    ReadIndexDefs();
    recordCountStale_ = true;
    if (!Condition.empty())
      GoTop();
    else
      ResyncCursor({});
  }
  return result;
}

int TXbTable::Index(const String& FileName, const String& Expression, const String& Condition, bool Unique,
                    bool Descending) {
  return MakeIndex(FileName, "Missing Parameter to Index Method: Index File Name", Expression, Condition,
                   [&] { return EngineIndex(FileName, Expression, Condition, Unique, Descending); });
}

int TXbTable::IndexTag(const String& FileName, const String& TagName, const String& Expression,
                       const String& Condition, bool Unique, bool Descending) {
  return MakeIndex(TagName, "Missing Parameter to IndexTag Method: Index Tag Name", Expression, Condition, [&] {
    return EngineIndexTag(FileName, Trim(TagName), Expression, Condition, Unique, Descending);
  });
}

int TXbTable::IndexOrd() { return workArea_ > 0 ? (SelectArea(), EngineIndexOrd()) : 0; }

String TXbTable::IndexKey() {
  if (workArea_ <= 0) return String();
  if (indexName_.empty()) RaiseError(kNoActiveOrder);
  SelectArea();
  return Cursor().IndexKey();
}

bool TXbTable::IsEncrypted(int Which) {
  if (workArea_ <= 0) return false;
  SelectArea();
  return Cursor().IsEncrypted(Which);
}

std::int32_t TXbTable::Query(const String& Expression) {
  if (workArea_ <= 0) return 0;
  SelectArea();
  if (speedMode_) return EngineQuery(Expression);
  if (!Expression.empty() && Cursor().EvalTest(Expression) != 3) RaiseError("Invalid Query Expression");
  DoBeforeMove();
  const std::int32_t result = EngineQuery(Expression);
  SetTrailer(ActiveBuffer(), result, Cursor().Eof() ? bfEOF : bfCurrent);
  currentRecNo_ = result;
  recordCountStale_ = true;
  ResyncCursor({});
  DoAfterMove();
  return result;
}

void TXbTable::ApplyFilter(const String& Text) {
  filterText_ = Text;
  if (workArea_ > 0) Query(filterActive_ ? Text : String());
}

void TXbTable::SetFilterText(const String& Value) {
  filterText_ = Value;
  ApplyFilter(Value);
  TDataSet::SetFilterText(Value);
}

void TXbTable::SetFiltered(bool Value) {
  TDataSet::SetFiltered(Value);
  filterActive_ = Value;
  ApplyFilter(filterText_);
}

void TXbTable::SetScopeBegin(const String& Value) {
  scopeBegin_ = Value;
  if (scoped_) SetScoped(true);
}

void TXbTable::SetScopeEnd(const String& Value) {
  scopeEnd_ = Value;
  if (scoped_) SetScoped(true);
}

int TXbTable::SetScope(const String& Low, const String& High) {
  if (workArea_ <= 0) RaiseError(kClosedTable);
  CheckBrowseMode();
  SelectArea();
  const std::int32_t n = PhysicalRecNo();
  const int result = Cursor().SetScope(&Low, &High) ? 1 : 0;
  if (!Cursor().Eof()) {
    EngineGo(n);
    Cursor().Skip(1);
    if (Cursor().Eof())
      Cursor().GoBottom();
    else
      Cursor().Skip(-1);
  }
  if (!speedMode_) SetTrailerFromEngine(Cursor().Eof());
  recordCountStale_ = true;
  ResyncCursor({});
  scoped_ = !Cursor().GetScope(0).empty();
  return result;
}

void TXbTable::SetScoped(bool Value) {
  if (workArea_ <= 0) {
    if (Value) RaiseError(kClosedTable);
    scoped_ = false;
    return;
  }
  if (Value) {
    scoped_ = SetScope(scopeBegin_, scopeEnd_) != 0 && scoped_;
  } else {
    SetScope(String(), String());
    scoped_ = false;
  }
}

int TXbTable::FieldWidth(const String& Name) {
  if (workArea_ <= 0) return 0;
  SelectArea();
  return Cursor().FieldWidth(Name);
}

// TXbTable: Locate and Lookup. A search on one field seeks in an index order
// whose key is that field and checks the record the seek lands on; anything
// else, and any seek that misses or lands on a record not holding the value,
// goes to the engine's query facility with a condition built from the values.
// So the seek only ever makes a search faster, never answers differently.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "class_library/core/DateTime.h"
#include "class_library/core/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"
#include "xbase_engine/DbfCodec.h"

using namespace xbdset;

namespace {

constexpr int kPropGetExact = 1002;
constexpr int kPropSetExact = 1003;
constexpr int kPropOrderCount = 3000;

// A number as the engine reads it: "." as the decimal point whatever the
// user's locale, no exponent, the shortest text that reads back the same.
String NumberText(double Value) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::fixed);
  return r.ec == std::errc() ? String(buf, r.ptr) : String("0");
}

bool AllDigits(const String& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The "yyyymmdd" text of a date value. Text of four or six digits is a year,
// or a year and month, that the date must begin with (Prefix); eight digits
// are taken as "yyyymmdd"; any other text is read as a date of the user's
// format (a short text such as 1/2/09 is a date, not a number).
String DateKey(const Variant& Value, bool& Prefix) {
  Prefix = false;
  if (Value.VarType() == varString) {
    const String s = Trim(Value.AsString());
    if (AllDigits(s) && (s.size() == 4 || s.size() == 6)) {
      Prefix = true;
      return s;
    }
    if (AllDigits(s) && s.size() == 8) return s;
    return YmdText(StrToDateTime(s));
  }
  return YmdText(Value.AsDateTime());
}

// A text literal of the expression language holding Text exactly: between
// delimiters it does not contain, or, when it holds all three kinds, as
// pieces joined with "+". A value can never end the literal early.
String Literal(const String& Text) {
  if (Text.find('"') == String::npos) return "\"" + Text + "\"";
  if (Text.find('\'') == String::npos) return "'" + Text + "'";
  if (Text.find(']') == String::npos) return "[" + Text + "]";
  String out;
  size_t start = 0;
  for (;;) {
    const size_t quote = Text.find('"', start);
    const String piece = Text.substr(start, quote == String::npos ? String::npos : quote - start);
    if (!piece.empty()) out += (out.empty() ? "" : "+") + ("\"" + piece + "\"");
    if (quote == String::npos) break;
    out += (out.empty() ? "" : "+") + String("'\"'");
    start = quote + 1;
  }
  return out;
}

bool IsIntegerType(TFieldType t) { return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc; }

// One part of the search condition: Field holding Value. False when no
// record can hold it (a null number, a type searches do not handle).
bool ConditionPart(TField* Field, const Variant& Value, TLocateOptions Options, String& Part) {
  const String name = Field->FieldName();
  const TFieldType type = Field->DataType();
  if (type == ftString) {
    String text = VarToStr(Value);
    String left = name;
    if (Options.Contains(loCaseInsensitive)) {
      left = "UPPER(" + name + ")";
      text = AnsiUpperCase(text);
    }
    if (!Options.Contains(loPartialKey) && static_cast<int>(text.size()) < Field->Size())
      text += String(static_cast<size_t>(Field->Size()) - text.size(), ' ');
    Part = left + "=" + Literal(text);
    return true;
  }
  if (VarIsClear(Value)) return false;
  if (type == ftBoolean) {
    Part = name + "= " + (Value.AsBoolean() ? ".T." : ".F.");
  } else if (IsIntegerType(type)) {
    Part = name + "=" + IntToStr(Value.AsInteger());
  } else if (type == ftFloat || type == ftCurrency) {
    Part = name + "=" + NumberText(Value.AsFloat());
  } else if (type == ftDate) {
    bool prefix = false;
    const String date = DateKey(Value, prefix);
    if (prefix)
      Part = "LEFT( DTOS(" + name + "), " + IntToStr(static_cast<int>(date.size())) + ") = " + Literal(date);
    else
      Part = "DTOS(" + name + ") = " + Literal(date);
  } else {
    return false;
  }
  return true;
}

// The value of element I of a search's values (the values themselves for a
// single one); a missing element is null.
Variant ValueAt(const Variant& Values, size_t I) {
  if (!Values.IsArray()) return I == 0 ? Values : Null();
  return static_cast<int>(I) < Values.ArrayCount() ? Values[static_cast<int>(I)] : Null();
}

String TrimmedRight(const char* p, size_t n) {
  while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
  return String(p, n);
}

// Restores the engine's exact-match setting (and the order) a search changed.
struct SearchSettings {
  TXbCursor& Cursor;
  int Exact;
  explicit SearchSettings(TXbCursor& c) : Cursor(c), Exact(c.SysProp(kPropGetExact, 0) != 0 ? 1 : 0) {}
  void Restore() { Cursor.SysProp(kPropSetExact, Exact); }
};

// What a seek on one field looks for: the key text, and in a number field
// the value the stored text must read as. A date given as a year, or a year
// and month, is a prefix no seek on a whole date serves.
struct SeekTarget {
  String key;
  double number = 0;
  bool prefixDate = false;
};

SeekTarget TargetOf(TField* Field, TXbFieldLayout Layout, const Variant& Value) {
  SeekTarget target;
  switch (Layout) {
    case TXbFieldLayout::Text: target.key = VarToStr(Value); break;
    case TXbFieldLayout::NumberText:
      if (IsIntegerType(Field->DataType())) {
        const int whole = Value.AsInteger();
        target.number = whole;
        target.key = IntToStr(whole);
      } else {
        target.number = Value.AsFloat();
        target.key = NumberText(target.number);
      }
      break;
    case TXbFieldLayout::DateText: target.key = DateKey(Value, target.prefixDate); break;
    default: target.key = Value.AsBoolean() ? "T" : "F"; break;
  }
  return target;
}

// Whether the stored field (Width bytes at Stored) holds the value as asked:
// an UPPER( key finds "ABC" for a case-sensitive "abc", a key over part of
// the field finds more than it.
bool StoredHolds(TXbFieldLayout Layout, const char* Stored, size_t Width, const SeekTarget& Target, bool Caseless,
                 bool Partial) {
  switch (Layout) {
    case TXbFieldLayout::Text: {
      String have = TrimmedRight(Stored, Width);
      String want = Target.key;
      if (Caseless) {
        have = AnsiUpperCase(have);
        want = AnsiUpperCase(want);
      }
      return Partial ? have.compare(0, want.size(), want) == 0 : have == TrimmedRight(want.data(), want.size());
    }
    case TXbFieldLayout::NumberText: {
      // The stored text read as the engine, its index keys and the query
      // read it (text that is no number is 0), whatever the C locale.
      const dbf::NumberRead have = dbf::ReadNumber(std::string_view(Stored, Width));
      return have.kind != dbf::NumberKind::Blank && have.value == Target.number;
    }
    case TXbFieldLayout::DateText: return String(Stored, 8) == Target.key;
    default: return (Stored[0] == 'T' || Stored[0] == 'Y') == (Target.key == "T");
  }
}

}  // namespace

bool TXbTable::SeekRecord(TField* Field, const Variant& Value, TLocateOptions Options, bool& Tried) {
  Tried = false;
  const int fieldNo = Field->FieldNo();
  if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) return false;
  const TFieldInfo& info = *fieldInfos_[static_cast<size_t>(fieldNo - 1)];
  const TXbFieldLayout layout = info.Layout;
  if (layout != TXbFieldLayout::Text && layout != TXbFieldLayout::NumberText &&
      layout != TXbFieldLayout::DateText && layout != TXbFieldLayout::Logical)
    return false;
  TXbCursor& cursor = Cursor();
  const int orders = cursor.SysProp(kPropOrderCount, 0);
  if (orders <= 0) return false;

  const bool caseless = Options.Contains(loCaseInsensitive);
  const bool partial = Options.Contains(loPartialKey);
  const String name = UpperCase(Field->FieldName());
  // An order serves when its key reads the field alone; a caseless search
  // needs a key built with UPPER( as well.
  bool upperKey = false;
  auto serves = [&]() {
    if (UpperCase(cursor.IndexKeyField()) != name) return false;
    upperKey = UpperCase(cursor.IndexKey()).find("UPPER(") != String::npos;
    return !caseless || upperKey;
  };
  const SeekTarget target = TargetOf(Field, layout, Value);
  if (target.prefixDate || (layout == TXbFieldLayout::Text && target.key.empty())) return false;

  const int saved = EngineIndexOrd();
  bool chosen = serves();
  for (int i = 1; !chosen && i <= orders; ++i) {
    EngineSetOrder(i);
    chosen = serves();
  }
  if (!chosen) {
    EngineSetOrder(saved);
    return false;
  }
  Tried = true;
  const String seekKey = (layout == TXbFieldLayout::Text && upperKey) ? AnsiUpperCase(target.key) : target.key;
  SearchSettings settings(cursor);
  bool found = false;
  try {
    cursor.SysProp(kPropSetExact, partial ? 0 : 1);
    found = cursor.Seek(seekKey);
    if (!partial) found = cursor.Found();
  } catch (...) {
    settings.Restore();
    EngineSetOrder(saved);
    throw;
  }
  settings.Restore();
  EngineSetOrder(saved);
  if (!found) return false;

  std::vector<char> image(static_cast<size_t>(std::max(recordSize_, 1)));
  cursor.GetRecord(image.data());
  if (info.EngineOffset < 0 || info.EngineOffset + info.Width > recordSize_) return false;
  if (!StoredHolds(layout, image.data() + info.EngineOffset, static_cast<size_t>(info.Width), target, caseless,
                   partial))
    return false;
  // The engine's seek passes over what its filter hides; the table checks it
  // all the same rather than rely on every access method doing so.
  const String filter = cursor.DBFilter();
  return filter.empty() || cursor.EvalLogical(filter);
}

bool TXbTable::QueryRecord(const std::vector<TField*>& Fields, const Variant& Values, TLocateOptions Options) {
  TXbCursor& cursor = Cursor();
  String condition;
  for (size_t i = 0; i < Fields.size(); ++i) {
    String part;
    if (!ConditionPart(Fields[i], ValueAt(Values, i), Options, part)) return false;
    if (!condition.empty()) condition += " .and. ";
    condition += part;
  }
  if (condition.empty()) return false;
  const String filter = cursor.DBFilter();
  if (!filter.empty()) condition = "(" + condition + ") .and. (" + filter + ")";

  // A partial key matches as a prefix only with exact matching off.
  SearchSettings settings(cursor);
  std::int32_t count = 0;
  bool found = false;
  std::int32_t reached = 0;
  try {
    cursor.SysProp(kPropSetExact, Options.Contains(loPartialKey) ? 0 : 1);
    found = cursor.Query(condition, count) != 0;
    reached = cursor.RecNo();
    settings.Restore();
    // The table's own filter comes back (none: the query goes).
    cursor.Query(filter, count);
  } catch (...) {
    try {
      settings.Restore();
      cursor.Query(filter, count);
    } catch (...) {
    }
    throw;
  }
  if (found) EngineGo(reached);
  return found;
}

bool TXbTable::FindRecord(const std::vector<TField*>& Fields, const Variant& Values, TLocateOptions Options) {
  if (Fields.empty()) return false;
  if (Fields.size() == 1) {
    const Variant value = ValueAt(Values, 0);
    // No record holds a null key value.
    if (VarIsClear(value)) return false;
    bool tried = false;
    if (SeekRecord(Fields[0], value, Options, tried)) return true;
  }
  return QueryRecord(Fields, Values, Options);
}

bool TXbTable::LocateRecord(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  if (workArea_ <= 0) return false;
  DoBeforeMove();
  std::vector<TField*> fields;
  GetFieldList(fields, UpperCase(KeyFields));
  SelectArea();
  const std::int32_t start = PhysicalRecNo();
  bool found = false;
  try {
    found = FindRecord(fields, KeyValues, Options);
  } catch (...) {
    EngineGo(start);
    throw;
  }
  if (!found) {
    EngineGo(start);
    return false;
  }
  if (!speedMode_) {
    SetTrailer(ActiveBuffer(), EngineRecNo(), bfCurrent);
    // The engine stands on the record it has just read: the buffers are
    // filled around it without moving it there again.
    TDataSet::ResyncCursor(TResyncMode{rmExact, rmCenter});
    DoAfterMove();
  }
  return true;
}

Variant TXbTable::EngineFieldValue(TField* Field) {
  const int fieldNo = Field->FieldNo();
  if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) return Null();
  const TFieldInfo& info = *fieldInfos_[static_cast<size_t>(fieldNo - 1)];
  TXbCursor& cursor = Cursor();
  const String name = Field->FieldName();
  switch (info.Type) {
    case 'N':
    case 'F':
      if (info.Decimals != 0 || info.Width > 4) return cursor.GetDouble(name);
      return static_cast<int>(static_cast<std::int16_t>(cursor.GetInteger(name)));
    case 'C': return cursor.GetTrimString(name);
    case 'D': {
      // Read as "yyyymmdd", never through a date format that may differ
      // between the engine and the user.
      const String text = cursor.EvalString(name);
      if (text.empty() || text[0] == ' ') return 0;
      const int y = std::atoi(text.substr(0, 4).c_str());
      const int m = std::atoi(text.substr(4, 2).c_str());
      const int d = std::atoi(text.substr(6, 2).c_str());
      TDateTime date = 0;
      if (!TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date)) return 0;
      return Variant::FromDateTime(date);
    }
    case 'L': return cursor.EvalLogical(name);
    case 'I': return static_cast<int>(cursor.GetInteger(name));  // all 32 bits: no value is cut
    default: return Null();
  }
}

Variant TXbTable::LookupRecord(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) {
  if (workArea_ <= 0 || VarIsNull(KeyValues)) return Null();
  std::vector<TField*> fields;
  GetFieldList(fields, UpperCase(KeyFields));
  std::vector<TField*> results;
  GetFieldList(results, ResultFields);
  SelectArea();
  // A lookup reads another record and comes back: the engine returns to
  // where it stood, the dataset does not move at all.
  const std::int32_t start = Cursor().RecNo();
  Variant result = Null();
  try {
    if (FindRecord(fields, KeyValues, TLocateOptions{})) {
      if (results.size() == 1) {
        result = EngineFieldValue(results[0]);
      } else {
        Variant::Array values;
        for (TField* f : results) values.push_back(EngineFieldValue(f));
        result = Variant(std::move(values));
      }
    }
  } catch (...) {
    EngineGo(start);
    throw;
  }
  EngineGo(start);
  return result;
}

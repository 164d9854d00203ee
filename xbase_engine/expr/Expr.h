#pragma once
// Compiled xBase expressions: key, filter and query expressions over the
// current record.
//
// An expression is compiled once (text -> a tree of typed nodes, every field
// name resolved to its place in the record) and then evaluated as often as
// needed, typically once per record. Types are fixed at compile time, so the
// result type is known without evaluating (what xb_EvalTest answers) and a
// type error is a compile error, never a surprise per record.
//
// The evaluator reads records through Row (the record image of the
// expression's own table) and RecordSource (fields of other work areas named
// as alias->field, and memo texts), so it runs on plain byte buffers in tests
// and on mapped table records in the engine.
//
// The language:
//  - fields: NAME, alias->NAME, FIELD->NAME (case-insensitive);
//  - literals: "text", 'text', [text]; 12, 3.25, .5; .T. .F. (.Y. .N.);
//    dates {^yyyy-mm-dd} (also / or . between the parts), {} for the empty
//    date, and {text} read in the current date format like CTOD;
//  - operators, from the tightest: unary + -; ** (also ^); * / %; + -;
//    comparisons = == <> # != < <= > >= and $; .NOT. (also !); .AND.; .OR.
//    Text + text joins, text - text joins with the first one's trailing blanks
//    moved to the end; date + number, date - number, date - date.
//  - functions: UPPER LOWER TRIM RTRIM LTRIM ALLTRIM SUBSTR LEFT RIGHT STR VAL
//    DTOS DTOC CTOD STOD IIF DELETED RECNO EMPTY LEN SPACE PADL PADR PADC AT
//    STRZERO DATE YEAR MONTH DAY DESCEND ABS INT ROUND MIN MAX.
//
// Text comparison (byte order): with exact matching off, = and the ordering
// operators compare the left text only as far as the right one reaches
// ("abc" = "ab" is true, "ab" = "abc" is false, anything = "" is true); with
// it on, trailing blanks are ignored on both sides. == always compares the
// texts exactly. Numbers compare as numbers, dates by day (the empty date
// before every other), logicals with .F. before .T.
//
// Evaluation never fails on data: division by zero and results that are not
// finite numbers give 0, texts that are not numbers or dates read as 0 or the
// empty date. It fails (XbError) only for a text longer than kMaxText or a
// row shorter than the fields need.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase_engine/Dbf.h"
#include "xbase_engine/Settings.h"

namespace xbe::expr {

// The result types, numbered as xb_EvalTest answers them.
enum class Type : uint8_t { Invalid = 0, Text = 1, Number = 2, Logical = 3, Date = 4 };

constexpr size_t kMaxText = 65535;  // longest text a node may produce

struct Value {
  Type type = Type::Invalid;
  bool logical = false;
  int32_t date = 0;       // Julian day number, 0 = the empty date
  double number = 0.0;
  std::string_view text;  // valid until the expression is evaluated again
};

// One record as the evaluator sees it.
struct Row {
  const uint8_t* data = nullptr;  // the record image, deletion byte first
  uint32_t size = 0;              // bytes in data
  uint32_t recNo = 0;             // what RECNO() answers
};

// What an expression's names refer to.
class RecordSource {
 public:
  virtual ~RecordSource() = default;
  // At compile time: finds field name of the table named by alias (empty
  // alias: the expression's own table). Answers false when there is none;
  // otherwise slot (0 for the own table, any other number of the source's
  // choosing for another table) and the field's description.
  virtual bool FindField(std::string_view alias, std::string_view name, int& slot,
                         FieldDesc& field) = 0;
  // While evaluating: the current record of a slot other than 0 (a row with
  // no data reads as blank fields).
  virtual Row CurrentRow(int slot) = 0;
  // While evaluating: the text of a memo field of row (which belongs to slot).
  virtual std::string MemoText(int slot, const Row& row, const FieldDesc& field) = 0;
};

// A number read from the start of a text, as VAL() reads it: leading blanks,
// sign, digits, decimals (an exponent too); anything else ends it; no digits:
// 0. Numeric fields are read with the field codec instead (dbf::ReadNumber),
// where text that is no number as a whole is 0.
double ReadNumber(std::string_view text);

// What a query can take from an index whose key expression is key: every
// record that satisfies the expression has a key value within this range.
// Ranges are supersets (records in them still have to be tested).
struct KeyRange {
  std::string key;  // the compared sub-expression, as NormalizeKey gives it
  Type type = Type::Invalid;
  // Text keys: the records whose key begins with prefix.
  std::string prefix;
  // Number and date keys (dates as Julian day numbers): low <= key <= high.
  bool hasLow = false, hasHigh = false;
  double low = 0.0, high = 0.0;
};

// An expression text in the form index keys are compared in: upper case and
// without blanks, except inside text literals.
std::string NormalizeKey(std::string_view text);

class Program;  // the compiled form (internal)

class Expression {
 public:
  // Compiles text; throws XbError naming the fault (position and reason) for
  // a malformed expression, an unknown field or function, or a type error.
  // The source and the settings must outlive the expression; settings are
  // read at each evaluation (exact matching, date format, epoch).
  static std::unique_ptr<Expression> Compile(std::string_view text, RecordSource& source,
                                             const Settings& settings);
  ~Expression();
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  const std::string& Text() const { return text_; }
  Type ResultType() const;
  // Most bytes a text result can have (a date: 8, a logical: 1). For a
  // number: the width of a numeric field that the expression is, else 0.
  int Width() const;
  // Decimals of a numeric field that the expression is, else 0.
  int Decimals() const;
  // True when the expression reads another work area (alias->field).
  bool ReadsOtherAreas() const;

  // The ranges of the comparisons with constants that the top-level .AND.
  // chain of a logical expression is made of (= with a text; = < <= > >=
  // with a number or a date). complete: the expression is nothing else.
  std::vector<KeyRange> KeyRanges(bool& complete);

  // Exact text matching: by default the settings' exact flag decides at each
  // evaluation; ForceExact(true) makes = compare exactly whatever they say.
  void ForceExact(bool on) { forceExact_ = on; }

  // Evaluates over row. The Value (and the text it points to) stays valid
  // until the next evaluation. Not reentrant: one evaluation at a time.
  const Value& Evaluate(const Row& row);
  // For a logical expression: its value over row (false for any other type).
  bool Test(const Row& row);

 private:
  Expression() = default;
  std::string text_;
  std::unique_ptr<Program> program_;
  Value result_;
  bool forceExact_ = false;
};

}  // namespace xbe::expr

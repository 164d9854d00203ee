#pragma once
// Expressions bound to the engine's tables: field names are the fields of a
// work area's table, alias->field names those of the table open under that
// alias. What xb_Eval*, filters, queries and index keys compile.
//
//   TableExpression key(table, "UPPER(NAME)+DTOS(DAY)");   // throws XbError
//   const expr::Value& v = key.EvaluateCurrent();           // current record
//   bool in = cond.Test(recNo, image);                      // any record
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "xbase_engine/Table.h"
#include "xbase_engine/expr/Expr.h"

namespace xbe {

// The record source of a table's expressions. Other work areas are found by
// alias when compiling and looked up again at every read, so a table closed
// since reads as blank fields instead of freed memory.
class TableSource final : public expr::RecordSource {
 public:
  explicit TableSource(Table* own) : own_(own) {}
  bool FindField(std::string_view alias, std::string_view name, int& slot, FieldDesc& field) override;
  expr::Row CurrentRow(int slot) override;
  std::string MemoText(int slot, const expr::Row& row, const FieldDesc& field) override;

 private:
  Table* own_;
  std::map<int, std::string> aliases_;  // work area -> alias it was found under
};

class TableExpression {
 public:
  // table may be null: then only alias->field names and constants compile.
  TableExpression(Table* table, std::string_view text);
  expr::Expression& Expr() { return *expr_; }
  expr::Type Type() const { return expr_->ResultType(); }
  const std::string& Text() const { return expr_->Text(); }
  // Over the table's current record.
  const expr::Value& EvaluateCurrent();
  // A logical expression over record recNo, whose image is given.
  bool Test(uint32_t recNo, const uint8_t* image) {
    return expr_->Test(expr::Row{image, recLen_, recNo});
  }

 private:
  Table* table_;
  uint32_t recLen_ = 0;
  TableSource source_;
  std::unique_ptr<expr::Expression> expr_;
};

// The text of a value as xb_EvalString answers it: texts as they are,
// numbers in their shortest form, dates as yyyymmdd (blanks when empty),
// logicals as T or F.
std::string ValueText(const expr::Value& v);

}  // namespace xbe

#include "xbase_engine/TableExpression.h"

#include <charconv>

#include "xbase_engine/Engine.h"

namespace xbe {

bool TableSource::FindField(std::string_view alias, std::string_view name, int& slot, FieldDesc& field) {
  Table* t = own_;
  slot = 0;
  if (!alias.empty() && !(own_ && EqualsNoCase(alias, own_->Alias()))) {
    const int area = AreaOfAlias(std::string(alias));
    t = AreaTable(area);
    if (!t) return false;
    if (t != own_) {
      slot = area;
      aliases_[area] = t->Alias();
    }
  }
  if (!t) return false;
  const FieldDesc* f = t->FindField(name);
  if (!f) return false;
  field = *f;
  return true;
}

expr::Row TableSource::CurrentRow(int slot) {
  Table* t = AreaTable(slot);
  const auto known = aliases_.find(slot);
  if (!t || known == aliases_.end() || t->Alias() != known->second) return {};
  return expr::Row{t->CurrentImage(), t->Header().recLen, t->RecNo()};
}

std::string TableSource::MemoText(int slot, const expr::Row& row, const FieldDesc& field) {
  Table* t = slot == 0 ? own_ : AreaTable(slot);
  if (!t || !row.data) return {};
  return t->MemoOf(row.data, field);
}

TableExpression::TableExpression(Table* table, std::string_view text)
    : table_(table), recLen_(table ? table->Header().recLen : 0), source_(table) {
  expr_ = expr::Expression::Compile(text, source_, TheEngine().settings);
}

const expr::Value& TableExpression::EvaluateCurrent() {
  if (!table_) return expr_->Evaluate(expr::Row{});
  return expr_->Evaluate(expr::Row{table_->CurrentImage(), recLen_, table_->RecNo()});
}

std::string ValueText(const expr::Value& v) {
  switch (v.type) {
    case expr::Type::Text:
      return std::string(v.text);
    case expr::Type::Number: {
      char buf[400];
      const auto r = std::to_chars(buf, buf + sizeof buf, v.number, std::chars_format::fixed);
      return std::string(buf, r.ptr);
    }
    case expr::Type::Date:
      return DbfDateText(v.date);
    case expr::Type::Logical:
      return v.logical ? "T" : "F";
    default:
      return {};
  }
}

}  // namespace xbe

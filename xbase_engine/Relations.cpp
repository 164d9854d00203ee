#include "xbase_engine/Relations.h"

#include <memory>
#include <vector>

#include "xbase_engine/AreaIndexes.h"
#include "xbase_engine/Engine.h"
#include "xbase_engine/TableExpression.h"

namespace xbe {

namespace {

constexpr int kMaxChain = 32;  // areas one move may carry along

struct Relation {
  int parent = 0;
  int child = 0;
  std::unique_ptr<TableExpression> key;
};

std::vector<Relation>& Relations() {
  static std::vector<Relation> r;
  return r;
}

// True when child (or one of its children, and so on) is area.
bool Reaches(int child, int area, int depth = 0) {
  if (child == area) return true;
  if (depth > kMaxChain) return true;  // too long a chain counts as a cycle
  for (const Relation& r : Relations()) {
    if (r.parent == child && Reaches(r.child, area, depth + 1)) return true;
  }
  return false;
}

// Puts child on the record key names: a seek in the order in control, else
// the record of that number.
void Position(Table& child, TableExpression& key) {
  const expr::Value& v = key.EvaluateCurrent();
  auto* indexes = dynamic_cast<idx::AreaIndexes*>(child.Observer());
  if (indexes && indexes->CurrentOrder() > 0) {
    if (!indexes->Seek(ValueText(v), false)) child.Go(0);  // a soft seek's landing is no match either
  } else if (v.type == expr::Type::Number && v.number >= 1 && v.number <= double(UINT32_MAX)) {
    child.Go(int64_t(v.number));
  } else {
    child.Go(0);  // past the end
  }
}

void Follow(int area, int depth) {
  if (depth > kMaxChain) return;
  for (Relation& r : Relations()) {
    if (r.parent != area) continue;
    Table* child = AreaTable(r.child);
    if (!child) continue;
    Position(*child, *r.key);
    Follow(r.child, depth + 1);
  }
}

}  // namespace

void SetRelation(int parent, int child, std::string_view key) {
  Table* p = AreaTable(parent);
  if (!p) throw XbError("No table is open in the parent work area");
  auto& all = Relations();
  if (Trim(key).empty()) {
    std::erase_if(all, [&](const Relation& r) { return r.parent == parent && (child == 0 || r.child == child); });
    return;
  }
  if (!AreaTable(child)) throw XbError("No table is open in the child work area");
  if (Reaches(child, parent)) throw XbError("A relation may not lead back to its own work area");
  Relation r;
  r.parent = parent;
  r.child = child;
  r.key = std::make_unique<TableExpression>(p, key);
  std::erase_if(all, [&](const Relation& o) { return o.parent == parent && o.child == child; });
  all.push_back(std::move(r));
  FollowRelations(parent);
}

void FollowRelations(int area) {
  if (!Relations().empty()) Follow(area, 0);
}

void DropRelations(int area) {
  std::erase_if(Relations(), [&](const Relation& r) { return r.parent == area || r.child == area; });
}

}  // namespace xbe

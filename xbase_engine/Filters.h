#pragma once
// Filters and queries of a work area.
//
// A filter (xb_SetFilter) is an expression tested at every move. A query
// (xb_Query) tests every record once and keeps the answer as a record set;
// where an index order's key is compared with a constant (KEY = "text",
// KEY >= 12, ... joined by .AND.), only the records the order holds in that
// key range are tested;
// records added after it are tested by its expression when moves reach them.
// An activated "roll your own" set has no expression: records beyond it are
// outside it. Pack and zap renumber the records, so a query falls back to
// testing its expression and a bare record set is dropped.
//
// Deleted records hidden by xb_SetDeleted stay hidden whatever the filter
// says; counts (xb_QueryRecCount) follow the same rule.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xbase_engine/RecordBits.h"
#include "xbase_engine/RecordFilter.h"
#include "xbase_engine/Table.h"
#include "xbase_engine/TableExpression.h"

namespace xbe {

class AreaFilter final : public RecordFilter {
 public:
  std::string text;                           // what xb_DBFilter answers
  std::unique_ptr<TableExpression> condition; // null for a bare record set
  std::unique_ptr<RecordBits> records;        // null: the condition decides alone

  bool Admits(uint32_t recNo, const uint8_t* image) override;
  void Renumbered() override;
};

// The active filter of t, null when none.
AreaFilter* ActiveFilter(Table& t);

// Compiles text over t and checks that it is logical; throws XbError.
std::unique_ptr<TableExpression> LogicalExpression(Table& t, std::string_view text);

// xb_SetFilter: empty text removes the filter. The position stays.
void SetExpressionFilter(Table& t, std::string_view text);
// xb_Query: empty text removes the filter and answers the current record
// number; otherwise the query becomes the filter, the table goes to its top
// record, and the answer is that record's number (0 when none matches).
uint32_t RunQuery(Table& t, std::string_view text);
// How xb_Query would answer text: 3 wholly from indexes, 2 partly (the
// index narrows the records to test), 1 by testing every record. Throws
// XbError when text is not a logical expression.
int QueryLevel(Table& t, std::string_view text);
// Records the active filter admits (every visible record without one).
uint32_t FilteredCount(Table& t);
// The records the active filter admits, as a set over 1..RecCount.
RecordBits AdmittedRecords(Table& t);
// Whether rec is admitted; and setting that for a filter made of a record
// set (false when the filter has none).
bool QueryBit(Table& t, uint32_t rec);
bool SetQueryBit(Table& t, uint32_t rec, bool on);
// Installs a record set as the filter: mode 0 alone, 1 together with the
// records the current filter admits (both), 2 either. False for another mode.
bool ActivateRecords(Table& t, const RecordBits& bits, int mode);
// xb_Locate: the next (direction >= 0) or previous record in the work area's
// order that satisfies text, from the top or bottom, or, with resume, from
// the record after (before) the current one. Not found: forward ends past
// the end, backward on the top record with Bof.
bool LocateRecord(Table& t, std::string_view text, int direction, bool resume);

}  // namespace xbe

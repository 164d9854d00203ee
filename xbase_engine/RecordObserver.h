#pragma once
// What a table tells the indexes of its work area, and the moves it hands
// them while an index order is in control. The table calls these with its
// current record standing on the record concerned.
#include <cstdint>

namespace xbe {

class Table;

class RecordObserver {
 public:
  virtual ~RecordObserver() = default;
  // The current record is about to change for the first time since it was
  // last written: it still shows the stored values.
  virtual void BeforeChange(Table& t) = 0;
  // The current record (rec) was written with its new values.
  virtual void AfterWrite(Table& t, uint32_t rec) = 0;
  // A record was appended; it is the current record.
  virtual void AfterAppend(Table& t, uint32_t rec) = 0;
  // Batched changes of the table reached the file: write batched index pages.
  virtual void AfterFlush(Table& t) = 0;
  // Records were removed or renumbered (pack, zap): rebuild.
  virtual void AfterRenumber(Table& t) = 0;

  // Moves in the controlling order. Each answers false when no order is in
  // control, and the table then moves in natural order.
  virtual bool GoTop(Table& t) = 0;
  virtual bool GoBottom(Table& t) = 0;
  virtual bool Skip(Table& t, int64_t distance) = 0;
  virtual bool OrderPos(Table& t, double& pos) = 0;
  virtual bool SetOrderPos(Table& t, double pos, bool& ok) = 0;
};

}  // namespace xbe

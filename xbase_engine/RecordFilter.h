#pragma once
// The hook through which a work area's moves pass over records: the filter
// of xb_SetFilter, the record set of xb_Query or an activated "roll your own"
// bitmap. The table owns it. Every move, in natural or index order, asks
// Table::Visible, which applies the deleted-record rule and then the filter.
#include <cstdint>

namespace xbe {

class RecordFilter {
 public:
  virtual ~RecordFilter() = default;
  // True when moves may land on record recNo, whose image (as the work area
  // sees it) is given.
  virtual bool Admits(uint32_t recNo, const uint8_t* image) = 0;
  // The table's records were renumbered (pack, zap): a record set fixed
  // before no longer fits them.
  virtual void Renumbered() {}
};

}  // namespace xbe

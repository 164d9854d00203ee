#pragma once
// Progress of long operations (index builds, packs) reported to the gauge
// function set with xb_SetGaugeFunc: 0 when the work starts, each whole
// percent as it is passed, and 100 at the end (also when the work ends early
// through an exception, so a gauge never stays half full).
#include <cstdint>

#include "xbase_engine/xbe61.h"

namespace xbe {

class Progress {
 public:
  // callback may be null (nothing is reported); total 0 counts as done.
  Progress(xb_GaugeCallback callback, uint64_t total);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // done items of total are finished.
  void Step(uint64_t done) {
    if (callback_ && done >= next_) Report(done);
  }

 private:
  void Report(uint64_t done);

  xb_GaugeCallback callback_;
  uint64_t total_;
  uint64_t next_ = 0;  // the count at which the next percent is reached
  int percent_ = -1;   // the last percent reported
};

}  // namespace xbe

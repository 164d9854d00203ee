#include "xbase_engine/Progress.h"

namespace xbe {

Progress::Progress(xb_GaugeCallback callback, uint64_t total) : callback_(callback), total_(total) {
  if (callback_) Report(0);
}

Progress::~Progress() {
  if (callback_ && percent_ < 100) callback_(100);
}

void Progress::Report(uint64_t done) {
  const int percent = total_ == 0 || done >= total_ ? 100 : int(done * 100 / total_);
  if (percent != percent_) {
    percent_ = percent;
    callback_(percent);
  }
  // The first count that gives the next whole percent.
  next_ = percent >= 100 ? UINT64_MAX : (uint64_t(percent + 1) * total_ + 99) / 100;
}

}  // namespace xbe

#pragma once
// A set of record numbers (1-based) as a bitmap: the result of a query and
// the "roll your own" filters callers build.
#include <bit>
#include <cstdint>
#include <vector>

namespace xbe {

class RecordBits {
 public:
  explicit RecordBits(uint32_t size = 0) : size_(size), words_((size_t(size) + 63) / 64) {}

  // Records 1..Size() have a bit; every other record counts as not set.
  uint32_t Size() const { return size_; }
  bool Get(uint32_t rec) const {
    if (rec < 1 || rec > size_) return false;
    return (words_[(rec - 1) >> 6] >> ((rec - 1) & 63)) & 1u;
  }
  // Sets or clears the bit of rec, growing the set to hold it.
  void Set(uint32_t rec, bool on) {
    if (rec < 1) return;
    if (rec > size_) Resize(rec);
    const uint64_t mask = uint64_t(1) << ((rec - 1) & 63);
    if (on) {
      words_[(rec - 1) >> 6] |= mask;
    } else {
      words_[(rec - 1) >> 6] &= ~mask;
    }
  }
  void Resize(uint32_t size) {
    size_ = size;
    words_.resize((size_t(size) + 63) / 64);
    if (size & 63) words_.back() &= (uint64_t(1) << (size & 63)) - 1;  // no bits beyond the end
  }
  uint32_t CountSet() const {
    uint64_t n = 0;
    for (uint64_t w : words_) n += uint64_t(std::popcount(w));
    return uint32_t(n);
  }
  // Keeps the records set in both (And) or in either (Or); the size becomes
  // the larger of the two.
  void And(const RecordBits& o) { Combine(o, true); }
  void Or(const RecordBits& o) { Combine(o, false); }

  // Direct access for the loops that fill a whole set.
  std::vector<uint64_t>& Words() { return words_; }

 private:
  void Combine(const RecordBits& o, bool both) {
    if (o.size_ > size_) Resize(o.size_);
    for (size_t i = 0; i < words_.size(); ++i) {
      const uint64_t w = i < o.words_.size() ? o.words_[i] : 0;
      words_[i] = both ? (words_[i] & w) : (words_[i] | w);
    }
  }

  uint32_t size_;
  std::vector<uint64_t> words_;
};

}  // namespace xbe

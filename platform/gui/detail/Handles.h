#pragma once
// Handle tables: a handle is (generation << 32) | (slot + 1), so a handle of
// a destroyed object never names the object that later takes its slot.
#include <cstdint>
#include <memory>
#include <vector>

namespace gui::detail {

template <typename T>
class HandleTable {
public:
  std::uintptr_t Add(std::unique_ptr<T> object) {
    std::uint32_t index;
    if (!free_.empty()) {
      index = free_.back();
      free_.pop_back();
    } else {
      index = static_cast<std::uint32_t>(slots_.size());
      slots_.emplace_back();
    }
    Slot& slot = slots_[index];
    ++slot.generation;
    if (slot.generation == 0) slot.generation = 1;
    slot.object = std::move(object);
    ++count_;
    return (static_cast<std::uintptr_t>(slot.generation) << 32) | (static_cast<std::uintptr_t>(index) + 1);
  }

  T* Get(std::uintptr_t handle) const {
    std::uint64_t low = handle & 0xFFFFFFFFu;
    std::uint32_t generation = static_cast<std::uint32_t>(static_cast<std::uint64_t>(handle) >> 32);
    if (low == 0 || low > slots_.size()) return nullptr;
    const Slot& slot = slots_[low - 1];
    if (slot.generation != generation || !slot.object) return nullptr;
    return slot.object.get();
  }

  std::unique_ptr<T> Remove(std::uintptr_t handle) {
    if (!Get(handle)) return nullptr;
    std::uint32_t index = static_cast<std::uint32_t>((handle & 0xFFFFFFFFu) - 1);
    std::unique_ptr<T> object = std::move(slots_[index].object);
    free_.push_back(index);
    --count_;
    return object;
  }

  template <typename F>
  void ForEach(F&& f) const {
    for (const Slot& slot : slots_)
      if (slot.object) f(*slot.object);
  }

  std::size_t Count() const { return count_; }

  void Clear() {
    for (Slot& slot : slots_) slot.object.reset();
    free_.clear();
    for (std::uint32_t i = 0; i < slots_.size(); ++i) free_.push_back(i);
    count_ = 0;
  }

private:
  struct Slot {
    std::unique_ptr<T> object;
    std::uint32_t generation = 0;
  };
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> free_;
  std::size_t count_ = 0;
};

}  // namespace gui::detail

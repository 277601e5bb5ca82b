// A growable table of plain records kept as a list of 1000-record blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace JwwGaibu {

/// Records per block: capacity runs 1000, 2000, 3000 as the count reaches 1, 1001, 2001.
inline constexpr int32_t kTableBlock = 1000;

/// Growing adds one value-initialised (zero-filled) block; a record never moves, so
/// references stay valid and appending a million records costs linear time.
template <class T>
class TJwwTable {
 public:
  /// Number of records held.
  int32_t Count() const { return count_; }
  /// Number of records that fit without growing (0 or a multiple of 1000).
  int32_t Capacity() const { return static_cast<int32_t>(blocks_.size()) * kTableBlock; }

  /// Raises the count by one, growing by a block when needed; returns the new, zeroed record.
  T& Append() {
    if (count_ == Capacity()) blocks_.push_back(std::make_unique<T[]>(kTableBlock));
    ++count_;
    return (*this)[count_ - 1];
  }

  T& operator[](int32_t i) { return blocks_[i / kTableBlock][i % kTableBlock]; }
  const T& operator[](int32_t i) const { return blocks_[i / kTableBlock][i % kTableBlock]; }

  /// Lowers the count to `count` (not above the current one), keeping the storage. The
  /// records dropped are zeroed again, so that Append still hands out zeroed records.
  void Truncate(int32_t count) {
    for (int32_t i = count; i < count_; ++i) (*this)[i] = T{};
    count_ = count;
  }

  /// Empties the table and frees its storage.
  void Release() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    count_ = 0;
  }

  /// Calls f(record) for every record in order, block by block.
  template <class F>
  void ForEach(F&& f) {
    int32_t left = count_;
    for (auto& block : blocks_) {
      const int32_t n = left < kTableBlock ? left : kTableBlock;
      for (int32_t i = 0; i < n; ++i) f(block[i]);
      left -= n;
      if (left == 0) break;
    }
  }

 private:
  std::vector<std::unique_ptr<T[]>> blocks_;
  int32_t count_ = 0;
};

}  // namespace JwwGaibu

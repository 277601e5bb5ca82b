// A growable table of plain records kept as a list of 1000-record blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "JwwGaibu/large_alloc.h"

namespace JwwGaibu {

/// Records per block: capacity runs 1000, 2000, 3000 as the count reaches 1, 1001, 2001.
inline constexpr int32_t kTableBlock = 1000;

/// Growing adds one value-initialised (zero-filled) block; a record never moves, so
/// references stay valid and appending a million records costs linear time. The blocks are
/// cut from larger pieces of memory whose size doubles with the table (up to 16 MiB), so
/// that a large table lies in few large mappings that can be backed by huge pages.
template <class T>
class TJwwTable {
 public:
  TJwwTable() = default;
  ~TJwwTable() { Release(); }
  TJwwTable(TJwwTable&& other) noexcept { *this = std::move(other); }
  TJwwTable& operator=(TJwwTable&& other) noexcept {
    if (this != &other) {
      Release();
      blocks_ = std::move(other.blocks_);
      pieces_ = std::move(other.pieces_);
      count_ = std::exchange(other.count_, 0);
      pieceBlocksLeft_ = std::exchange(other.pieceBlocksLeft_, 0);
      pieceNext_ = std::exchange(other.pieceNext_, nullptr);
      next_ = std::exchange(other.next_, nullptr);
      blockEnd_ = std::exchange(other.blockEnd_, nullptr);
      other.blocks_.clear();
      other.pieces_.clear();
    }
    return *this;
  }

  /// Number of records held.
  int32_t Count() const { return count_; }
  /// Number of records that fit without growing (0 or a multiple of 1000).
  int32_t Capacity() const { return static_cast<int32_t>(blocks_.size()) * kTableBlock; }

  /// Raises the count by one, growing by a block when needed; returns the new, zeroed record.
  T& Append() {
    if (next_ == blockEnd_) EnterBlock();
    ++count_;
    return *next_++;
  }

  T& operator[](int32_t i) { return blocks_[i / kTableBlock][i % kTableBlock]; }
  const T& operator[](int32_t i) const { return blocks_[i / kTableBlock][i % kTableBlock]; }

  /// Lowers the count to `count` (not above the current one), keeping the storage. The
  /// records dropped are zeroed again, so that Append still hands out zeroed records.
  void Truncate(int32_t count) {
    for (int32_t i = count; i < count_; ++i) (*this)[i] = T{};
    count_ = count;
    if (count_ % kTableBlock == 0) {
      next_ = blockEnd_ = nullptr;  // the next Append enters the block
    } else {
      next_ = &(*this)[count_];
      blockEnd_ = blocks_[count_ / kTableBlock] + kTableBlock;
    }
  }

  /// Empties the table and frees its storage.
  void Release() {
    if constexpr (!std::is_trivially_destructible_v<T>) {
      for (T* block : blocks_) std::destroy_n(block, kTableBlock);
    }
    for (const Piece& piece : pieces_) FreeLarge(piece.memory, piece.bytes);
    std::vector<T*>().swap(blocks_);
    std::vector<Piece>().swap(pieces_);
    pieceBlocksLeft_ = 0;
    pieceNext_ = nullptr;
    next_ = blockEnd_ = nullptr;
    count_ = 0;
  }

  /// Calls f(record) for every record in order, block by block.
  template <class F>
  void ForEach(F&& f) {
    ForEachIn(*this, f);
  }
  template <class F>
  void ForEach(F&& f) const {
    ForEachIn(*this, f);
  }

 private:
  /// The one walk for both ForEach: `self` is the table, const or not.
  template <class Self, class F>
  static void ForEachIn(Self& self, F& f) {
    using Record = std::conditional_t<std::is_const_v<Self>, const T, T>;
    int32_t left = self.count_;
    for (Record* block : self.blocks_) {
      const int32_t n = left < kTableBlock ? left : kTableBlock;
      for (int32_t i = 0; i < n; ++i) f(block[i]);
      left -= n;
      if (left == 0) break;
    }
  }

  static constexpr std::size_t kBlockBytes = sizeof(T) * kTableBlock;
  static constexpr std::size_t kLargestPiece = std::size_t{16} << 20;
  /// Pieces of 2 MiB and more are whole multiples of it, the size of a huge page.
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;

  struct Piece {
    void* memory;
    std::size_t bytes;
  };

  /// Room for one more element, so that the push_back after an allocation cannot throw.
  template <class V>
  static void MakeRoomForOne(std::vector<V>& v) {
    if (v.size() == v.capacity()) v.reserve(2 * v.size() + 4);
  }

  /// Moves the appending on to the block that record `count_` (a multiple of 1000) begins,
  /// adding it when the table has none there yet.
  void EnterBlock() {
    const auto b = static_cast<std::size_t>(count_ / kTableBlock);
    if (b == blocks_.size()) AddBlock();
    next_ = blocks_[b];
    blockEnd_ = next_ + kTableBlock;
  }

  void AddBlock() {
    MakeRoomForOne(blocks_);
    if (pieceBlocksLeft_ == 0) {
      // Each piece as large as the table so far (at least a block, at most 16 MiB).
      std::size_t bytes = blocks_.size() * kBlockBytes;
      if (bytes > kLargestPiece) bytes = kLargestPiece;
      if (bytes < kBlockBytes) bytes = kBlockBytes;
      if (bytes >= kHugePage) bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
      MakeRoomForOne(pieces_);
      pieces_.push_back(Piece{AllocateLarge(bytes), bytes});
      pieceBlocksLeft_ = bytes / kBlockBytes;
      pieceNext_ = static_cast<char*>(pieces_.back().memory);
    }
    T* block = reinterpret_cast<T*>(pieceNext_);
    PrepareLarge(block, kBlockBytes);  // its pages at once rather than a fault each
    // The memory comes zero-filled: records without constructors are zeroed already.
    if constexpr (!std::is_trivially_default_constructible_v<T>) {
      std::uninitialized_value_construct_n(block, kTableBlock);
    }
    pieceNext_ += kBlockBytes;
    --pieceBlocksLeft_;
    blocks_.push_back(block);
  }

  std::vector<T*> blocks_;
  std::vector<Piece> pieces_;
  std::size_t pieceBlocksLeft_ = 0;  ///< blocks of the last piece not handed out yet
  char* pieceNext_ = nullptr;        ///< where the next of them begins
  T* next_ = nullptr;      ///< where the next appended record lies, in the current block
  T* blockEnd_ = nullptr;  ///< the end of the current block
  int32_t count_ = 0;
};

}  // namespace JwwGaibu

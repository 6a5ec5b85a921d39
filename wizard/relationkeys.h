// The set of relation keys met so far, for joining filtered enumerations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace varnel {

// A set of byte strings held exactly and compactly: every key is copied once
// into large blocks (no allocation per key), and an open-addressing table of
// 8-byte references finds them. Two keys are the same only when all their
// bytes are; the hash only chooses where to look. Running out of memory
// throws std::bad_alloc and leaves the set as it was.
class RelationKeySet {
 public:
  // Keys up to this length are held; longer ones are refused by Insert.
  static constexpr std::size_t MaxKeyBytes = (std::size_t{1} << 20) - 4;

  RelationKeySet();
  ~RelationKeySet();
  RelationKeySet(const RelationKeySet&) = delete;
  RelationKeySet& operator=(const RelationKeySet&) = delete;

  // Adds the key; false when it was there already. The key must not be
  // longer than MaxKeyBytes.
  bool Insert(std::string_view key);
  bool Contains(std::string_view key) const;
  std::size_t Size() const { return count_; }
  // Bytes held by the blocks and the table.
  std::size_t MemoryBytes() const;

 private:
  std::string_view KeyAt(std::uint64_t ref) const;
  // The slot holding key, or the empty slot where it would go.
  std::size_t Find(std::string_view key, std::uint64_t hash) const;
  void Grow();

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;  // bytes used in the last block
  std::vector<std::uint64_t> table_;
  std::size_t count_ = 0;
};

}  // namespace varnel

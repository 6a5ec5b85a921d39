// The key set is our own: the standard containers allocate a node and a
// string per key (about 400 bytes for a relation key of 100), which made a
// large part need twice its own size. Here a key costs its bytes, four for
// its length and one or two 8-byte slots of a table at most three quarters
// full.
#include "wizard/relationkeys.h"

#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>

namespace varnel {
namespace {

constexpr std::size_t BlockBytes = std::size_t{1} << 24;
constexpr int OffsetBits = 24;
constexpr int BlockBits = 24;
constexpr std::uint64_t OffsetMask = (std::uint64_t{1} << OffsetBits) - 1;
constexpr std::uint64_t BlockMask = (std::uint64_t{1} << BlockBits) - 1;
constexpr int TagShift = OffsetBits + BlockBits;

std::uint64_t HashOf(std::string_view key) { return std::hash<std::string_view>{}(key); }
std::uint64_t TagOf(std::uint64_t hash) { return hash >> TagShift; }

}  // namespace

RelationKeySet::RelationKeySet() = default;
RelationKeySet::~RelationKeySet() = default;

std::string_view RelationKeySet::KeyAt(std::uint64_t ref) const {
  const std::size_t block = static_cast<std::size_t>(((ref >> OffsetBits) & BlockMask) - 1);
  const char* at = blocks_[block].get() + (ref & OffsetMask);
  std::uint32_t length;
  std::memcpy(&length, at, sizeof length);
  return {at + sizeof length, length};
}

std::size_t RelationKeySet::Find(std::string_view key, std::uint64_t hash) const {
  const std::size_t mask = table_.size() - 1;
  const std::uint64_t tag = TagOf(hash);
  for (std::size_t slot = static_cast<std::size_t>(hash) & mask;; slot = (slot + 1) & mask) {
    const std::uint64_t ref = table_[slot];
    if (ref == 0) return slot;
    if ((ref >> TagShift) == tag && KeyAt(ref) == key) return slot;
  }
}

void RelationKeySet::Grow() {
  // The new table is made before the old one goes: a failure keeps the set.
  std::vector<std::uint64_t> bigger(table_.empty() ? 1024 : 2 * table_.size(), 0);
  const std::size_t mask = bigger.size() - 1;
  for (const std::uint64_t ref : table_) {
    if (ref == 0) continue;
    std::size_t slot = static_cast<std::size_t>(HashOf(KeyAt(ref))) & mask;
    while (bigger[slot] != 0) slot = (slot + 1) & mask;
    bigger[slot] = ref;
  }
  table_.swap(bigger);
}

bool RelationKeySet::Insert(std::string_view key) {
  if (key.size() > MaxKeyBytes) throw std::length_error("relation key too long");
  // At most three quarters full, so that a search ends soon.
  if ((count_ + 1) * 4 > table_.size() * 3) Grow();
  const std::uint64_t hash = HashOf(key);
  const std::size_t slot = Find(key, hash);
  if (table_[slot] != 0) return false;
  const std::size_t need = sizeof(std::uint32_t) + key.size();
  if (blocks_.empty() || used_ + need > BlockBytes) {
    if (blocks_.size() >= BlockMask) throw std::bad_alloc();
    blocks_.reserve(blocks_.size() + 1);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(BlockBytes));
    used_ = 0;
  }
  char* at = blocks_.back().get() + used_;
  const auto length = static_cast<std::uint32_t>(key.size());
  std::memcpy(at, &length, sizeof length);
  if (!key.empty()) std::memcpy(at + sizeof length, key.data(), key.size());
  table_[slot] = (TagOf(hash) << TagShift) | (static_cast<std::uint64_t>(blocks_.size()) << OffsetBits) |
                 static_cast<std::uint64_t>(used_);
  used_ += need;
  ++count_;
  return true;
}

bool RelationKeySet::Contains(std::string_view key) const {
  if (table_.empty()) return false;
  return table_[Find(key, HashOf(key))] != 0;
}

std::size_t RelationKeySet::MemoryBytes() const {
  return blocks_.size() * BlockBytes + table_.capacity() * sizeof(std::uint64_t);
}

}  // namespace varnel

// One DataSheet cell: its text as UTF-8 in 16 bytes, short texts held
// inline, so that a large sheet of short numbers costs little more than its
// text.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <new>
#include <string_view>

namespace varnel {

class CellText {
 public:
  static constexpr std::size_t InlineCapacity = 15;

  CellText() noexcept { bytes_[15] = 0; }
  explicit CellText(std::string_view text) {
    bytes_[15] = 0;
    Assign(text);
  }
  CellText(const CellText& other) {
    bytes_[15] = 0;
    Assign(other.View());
  }
  CellText(CellText&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.bytes_[15] = 0;
  }
  CellText& operator=(const CellText& other) {
    if (this != &other) Assign(other.View());
    return *this;
  }
  CellText& operator=(CellText&& other) noexcept {
    if (this != &other) {
      Release();
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      other.bytes_[15] = 0;
    }
    return *this;
  }
  ~CellText() { Release(); }

  std::string_view View() const {
    if (bytes_[15] != HeapMark) return {reinterpret_cast<const char*>(bytes_), bytes_[15]};
    return {HeapPointer(), HeapSize()};
  }
  bool Empty() const { return bytes_[15] == 0; }
  bool OnHeap() const { return bytes_[15] == HeapMark; }

  // The text may be this cell's own (or part of it), and allocation may
  // fail: the old text goes only once the new one is safely copied.
  void Assign(std::string_view text) {
    if (text.size() <= InlineCapacity) {
      unsigned char copy[InlineCapacity];
      std::memcpy(copy, text.data(), text.size());
      Release();
      std::memcpy(bytes_, copy, text.size());
      bytes_[15] = static_cast<unsigned char>(text.size());
      return;
    }
    char* p = static_cast<char*>(std::malloc(text.size()));
    if (!p) throw std::bad_alloc();
    std::memcpy(p, text.data(), text.size());
    Release();
    std::memcpy(bytes_, &p, sizeof p);
    const auto size = static_cast<std::uint32_t>(text.size());
    std::memcpy(bytes_ + 8, &size, sizeof size);
    bytes_[15] = HeapMark;
  }
  // As Assign, but a text already on the heap is overwritten in place when
  // the new one fits the block it has: no allocation and no free. The text
  // must not be this cell's own.
  void AssignReusing(std::string_view text) {
    if (OnHeap() && text.size() > InlineCapacity && text.size() <= malloc_usable_size(HeapPointer())) {
      std::memcpy(HeapPointer(), text.data(), text.size());
      const auto size = static_cast<std::uint32_t>(text.size());
      std::memcpy(bytes_ + 8, &size, sizeof size);
      return;
    }
    Assign(text);
  }
  void Clear() {
    Release();
    bytes_[15] = 0;
  }

 private:
  static constexpr unsigned char HeapMark = 0xFF;

  char* HeapPointer() const {
    char* p;
    std::memcpy(&p, bytes_, sizeof p);
    return p;
  }
  std::uint32_t HeapSize() const {
    std::uint32_t size;
    std::memcpy(&size, bytes_ + 8, sizeof size);
    return size;
  }
  void Release() {
    if (bytes_[15] == HeapMark) std::free(HeapPointer());
  }

  alignas(8) unsigned char bytes_[16];
};

static_assert(sizeof(CellText) == 16);

}  // namespace varnel

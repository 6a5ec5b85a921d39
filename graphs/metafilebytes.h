// Little-endian byte building for the metafile writers: every field of an
// EMF or WMF record is a 16- or 32-bit little-endian number.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <algorithm>
#include <bit>
#include <cstdint>

namespace varnel {

class LittleEndianBytes {
 public:
  void U16(std::uint32_t v) {
    bytes_.append(static_cast<char>(v & 0xFF));
    bytes_.append(static_cast<char>((v >> 8) & 0xFF));
  }
  void I16(int v) {
    U16(static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))));
  }
  void U32(std::uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void I32(int v) { U32(static_cast<std::uint32_t>(v)); }
  void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
  // A colour as GDI stores it: 0x00BBGGRR.
  void ColorRef(QRgb c) {
    U32(static_cast<std::uint32_t>(qRed(c)) | static_cast<std::uint32_t>(qGreen(c)) << 8 |
        static_cast<std::uint32_t>(qBlue(c)) << 16);
  }
  void Bytes(const QByteArray& b) { bytes_.append(b); }
  void Zeros(qsizetype n) { bytes_.append(n, '\0'); }
  void PadTo(qsizetype multiple) {
    while (bytes_.size() % multiple != 0) bytes_.append('\0');
  }
  // Overwrites a 32-bit field written earlier.
  void PatchU32(qsizetype at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  void PatchU16(qsizetype at, std::uint32_t v) {
    for (int i = 0; i < 2; ++i) bytes_[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  qsizetype Size() const { return bytes_.size(); }
  const QByteArray& Data() const { return bytes_; }

 private:
  QByteArray bytes_;
};

// The object table of a metafile: a new object takes the lowest free index.
class ObjectSlots {
 public:
  explicit ObjectSlots(int first) : first_(first) {}
  int Take() {
    int i = first_;
    while (used_.contains(i)) ++i;
    used_.append(i);
    highest_ = std::max(highest_, i);
    return i;
  }
  void Free(int i) { used_.removeAll(i); }
  // One past the highest index ever used.
  int Count() const { return highest_ + 1; }

 private:
  int first_;
  int highest_ = 0;
  QList<int> used_;
};

}  // namespace varnel

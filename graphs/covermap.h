// Which of many small pictures copied one after another onto a page are
// wholly covered by the opaque pixels of those copied after them. An opaque
// pixel copied over another replaces it whatever it held, so a picture every
// pixel of which is covered in the end can be left out and the page stays
// the same, bit for bit. Dense clouds of symbols are mostly such pictures.
#pragma once

#include <QRect>
#include <cstdint>
#include <vector>

namespace varnel {

// One picture's rows as bits, column 0 in the lowest bit: the pixels it
// changes at all, and those it covers wholly. At most 64 columns.
struct PictureMask {
  std::vector<std::uint64_t> Touched, Opaque;
  int Width = 0;
  bool Usable() const { return Width > 0 && Width <= 64; }
};

class CoverMap {
 public:
  // The pixels of area are followed; a pixel outside it never counts as
  // covered. The area's memory is kept for the next Reset.
  void Reset(QRect area);
  // Asked for the pictures from the last copied back to the first: whether
  // the picture with its top-left corner at (x, y) is wholly covered by
  // those asked before it; its opaque pixels then count as covered.
  bool CoveredThenCover(const PictureMask& mask, int x, int y);

 private:
  QRect area_;
  int words_ = 0;  // per row, one spare at the end for a picture's overhang
  std::vector<std::uint64_t> bits_;
};

}  // namespace varnel

#include "graphs/covermap.h"

#include <algorithm>

namespace varnel {

void CoverMap::Reset(QRect area) {
  area_ = area.isValid() ? area : QRect();
  words_ = area_.isEmpty() ? 0 : area_.width() / 64 + 2;
  bits_.assign(static_cast<std::size_t>(words_) * static_cast<std::size_t>(std::max(area_.height(), 0)), 0);
}

bool CoverMap::CoveredThenCover(const PictureMask& mask, int x, int y) {
  if (!mask.Usable() || area_.isEmpty()) return false;
  const int lx = x - area_.left(), ly = y - area_.top();
  const int w = mask.Width, cols = area_.width();
  const int rows = static_cast<int>(std::min(mask.Touched.size(), mask.Opaque.size()));
  if (lx >= 0 && ly >= 0 && lx + w <= cols && ly + rows <= area_.height()) {
    // Wholly inside, as most are: a covered picture is only looked at (its
    // opaque pixels are covered already), another one only marked.
    const int shift = lx % 64;
    const auto low = [shift](std::uint64_t v) { return v << shift; };
    const auto high = [shift](std::uint64_t v) { return (v >> 1) >> (63 - shift); };
    std::uint64_t* const first =
        bits_.data() + static_cast<std::size_t>(ly) * static_cast<std::size_t>(words_) + lx / 64;
    const std::uint64_t* line = first;
    bool covered = true;
    for (int r = 0; r < rows && covered; ++r, line += words_) {
      const std::uint64_t t = mask.Touched[static_cast<std::size_t>(r)];
      covered = ((low(t) & ~line[0]) | (high(t) & ~line[1])) == 0;
    }
    if (covered) return true;
    std::uint64_t* mark = first;
    for (int r = 0; r < rows; ++r, mark += words_) {
      const std::uint64_t o = mask.Opaque[static_cast<std::size_t>(r)];
      mark[0] |= low(o);
      mark[1] |= high(o);
    }
    return false;
  }
  // The picture's columns that fall inside the area.
  std::uint64_t inside = w == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << w) - 1;
  if (lx < 0) inside &= -lx >= 64 ? 0 : ~std::uint64_t{0} << -lx;
  if (lx + w > cols) {
    const int kept = cols - lx;
    inside &= kept <= 0 ? 0 : kept >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << kept) - 1;
  }
  if (inside == 0) return false;  // wholly outside the area
  // Where the inside columns go: a word and the shift into it (a picture
  // left of the area moves right instead, to column 0).
  const int word = lx > 0 ? lx / 64 : 0, shift = lx > 0 ? lx % 64 : 0, drop = lx < 0 ? -lx : 0;
  const auto low = [&](std::uint64_t v) { return drop > 0 ? (drop >= 64 ? 0 : v >> drop) : v << shift; };
  const auto high = [&](std::uint64_t v) { return shift > 0 ? v >> (64 - shift) : std::uint64_t{0}; };
  bool covered = true;
  for (int r = 0; r < rows; ++r) {
    const std::uint64_t touched = mask.Touched[static_cast<std::size_t>(r)];
    if (touched == 0) continue;
    const int row = ly + r;
    if (row < 0 || row >= area_.height() || (touched & ~inside) != 0) {
      covered = false;
      if (row < 0 || row >= area_.height()) continue;
    }
    std::uint64_t* line = bits_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(words_);
    const std::uint64_t t = touched & inside;
    if (covered && ((low(t) & ~line[word]) != 0 || (high(t) & ~line[word + 1]) != 0)) covered = false;
    const std::uint64_t o = mask.Opaque[static_cast<std::size_t>(r)] & inside;
    line[word] |= low(o);
    line[word + 1] |= high(o);
  }
  return covered;
}

}  // namespace varnel

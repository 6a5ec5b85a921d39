// Reading pictures of the page back: colours, dark pixels and their places.
#pragma once

#include <QImage>
#include <QRect>
#include <algorithm>
#include <cstdlib>

namespace varnel::test {

// The darkest grey level around (x, y), within radius pixels.
inline int Darkest(const QImage& image, int x, int y, int radius = 0) {
  int darkest = 255;
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx)
      darkest = std::min(darkest, qGray(image.pixel(x + dx, y + dy)));
  return darkest;
}

inline bool IsWhite(QRgb c) { return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245; }

// Mostly the colour want: every channel within tolerance of it.
inline bool Near(QRgb c, QRgb want, int tolerance = 40) {
  return std::abs(qRed(c) - qRed(want)) <= tolerance && std::abs(qGreen(c) - qGreen(want)) <= tolerance &&
         std::abs(qBlue(c) - qBlue(want)) <= tolerance;
}

// Pixels of area, cut to the image, whose grey level is below darkerThan.
inline int DarkPixelsIn(const QImage& image, const QRect& area, int darkerThan = 128) {
  const QRect inside = area.intersected(image.rect());
  int n = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x)
      if (qGray(image.pixel(x, y)) < darkerThan) ++n;
  return n;
}

// Pixels of area within 39 of want in every channel.
inline int PixelsLike(const QImage& image, const QRect& area, QRgb want) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += Near(image.pixel(x, y), want, 39);
  return n;
}

}  // namespace varnel::test

// A paint device that records what is painted on it as the few drawing steps
// of a Windows metafile (pens, brushes, fonts, lines, polygons, ellipses,
// rectangles and text), so that the same paint routine that draws the screen
// can be written out as an enhanced or a placeable metafile.
#pragma once

#include <QPaintDevice>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QVector>
#include <memory>
#include <vector>

namespace varnel {

// Pen styles as the metafiles number them.
enum class MetafilePenStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Null = 5 };
enum class MetafileCap { Round, Square, Flat };
enum class MetafileJoin { Round, Bevel, Miter };

struct MetafilePen {
  MetafilePenStyle Style = MetafilePenStyle::Solid;
  int Width = 1;  // units of the picture
  QRgb Color = 0xFF000000;
  MetafileCap Cap = MetafileCap::Round;
  MetafileJoin Join = MetafileJoin::Round;
  bool operator==(const MetafilePen&) const = default;
};

struct MetafileBrush {
  bool Null = true;
  QRgb Color = 0xFFFFFFFF;
  bool operator==(const MetafileBrush&) const = default;
};

struct MetafileFont {
  QString Family;
  int PixelHeight = 12;  // the height of the characters without leading, in units
  bool Bold = false;
  bool Italic = false;
  bool operator==(const MetafileFont&) const = default;
};

// One drawing step in the picture's units with the state it is drawn in.
struct MetafileRecord {
  enum class Kind { Polyline, Polygon, Ellipse, Rectangle, Text };
  Kind What = Kind::Polyline;
  QVector<QPoint> Points;  // the polyline or polygon; for text the baseline start
  QRect Box;               // ellipse or rectangle, corners included
  bool Winding = false;    // polygon fill rule
  QString Text;
  QVector<int> Advances;  // per UTF-16 unit of Text
  MetafilePen Pen;
  MetafileBrush Brush;
  MetafileFont Font;
  QRgb TextColor = 0xFF000000;
  QRect Extent;  // the units the step may touch, pen and text included
};

// What was painted: the page size in device pixels, its resolution, how many
// units the steps have to the pixel and the steps in their order.
//
// A unit is 1/Subdivision of a pixel. Position u stands for the page position
// u / Subdivision, which the painter reaches through the half-pixel shift to
// the pixels' centres: with one unit to the pixel a position names the pixel
// it lies in, and with more it keeps the fraction of a pixel. A box's right
// and bottom edges lie one pixel (Subdivision units) past its last corner.
struct MetafilePicture {
  QSize Size;
  int Dpi = 96;
  int Subdivision = 1;
  std::vector<MetafileRecord> Records;
  // The smallest rectangle holding every step, in units (an empty one when
  // nothing was drawn).
  QRect Bounds() const;
  // The same in whole device pixels.
  QRect PixelBounds() const;
};

class MetafilePaintEngine;

// Pictures are not recorded: the graphs draw none on a metafile (their symbol
// sprites are used on raster targets only), and a picture step is dropped.
class MetafileDevice : public QPaintDevice {
 public:
  // subdivision: units to the pixel (1 to 256).
  MetafileDevice(QSize size, int dpi, int subdivision = 1);
  ~MetafileDevice() override;

  QPaintEngine* paintEngine() const override;
  const MetafilePicture& Picture() const { return picture_; }

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  friend class MetafilePaintEngine;
  MetafilePicture picture_;
  std::unique_ptr<MetafilePaintEngine> engine_;
};

}  // namespace varnel

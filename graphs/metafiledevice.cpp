#include "graphs/metafiledevice.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace varnel {

QRect MetafilePicture::Bounds() const {
  QRect all;
  for (const MetafileRecord& r : Records) all = all.united(r.Extent);
  return all;
}

QRect MetafilePicture::PixelBounds() const {
  const QRect all = Bounds();
  if (all.isEmpty()) return all;
  const int n = std::max(Subdivision, 1);
  const auto pixel = [n](int u) { return static_cast<int>(std::floor(static_cast<double>(u) / n)); };
  return QRect(QPoint(pixel(all.left()), pixel(all.top())), QPoint(pixel(all.right()), pixel(all.bottom())));
}

// Takes everything QPainter hands it untransformed (PrimitiveTransform), so
// that lines, polygons and text arrive as such and not as rendered pixels.
class MetafilePaintEngine final : public QPaintEngine {
 public:
  explicit MetafilePaintEngine(MetafileDevice& device) : QPaintEngine(Features()), device_(device) {}

  bool begin(QPaintDevice*) override {
    setActive(true);
    return true;
  }
  bool end() override {
    setActive(false);
    return true;
  }
  Type type() const override { return static_cast<Type>(User + 17); }

  void updateState(const QPaintEngineState& s) override {
    const DirtyFlags dirty = s.state();
    if (dirty & DirtyPen) pen_ = s.pen();
    if (dirty & DirtyBrush) brush_ = s.brush();
    if (dirty & DirtyTransform) transform_ = s.transform();
    if (dirty & DirtyBrushOrigin) {
      // Solid brushes only: the origin does not matter.
    }
  }

  using QPaintEngine::drawEllipse;
  using QPaintEngine::drawLines;
  using QPaintEngine::drawPolygon;
  using QPaintEngine::drawRects;

  void drawRects(const QRectF* rects, int count) override {
    for (int i = 0; i < count; ++i) AddBox(MetafileRecord::Kind::Rectangle, rects[i]);
  }
  void drawEllipse(const QRectF& r) override { AddBox(MetafileRecord::Kind::Ellipse, r); }
  void drawLines(const QLineF* lines, int count) override {
    for (int i = 0; i < count; ++i) {
      const QPointF ends[2] = {lines[i].p1(), lines[i].p2()};
      AddPoints(MetafileRecord::Kind::Polyline, ends, 2, false);
    }
  }
  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    if (mode == PolylineMode)
      AddPoints(MetafileRecord::Kind::Polyline, points, count, false);
    else
      AddPoints(MetafileRecord::Kind::Polygon, points, count, mode == WindingMode);
  }
  void drawPath(const QPainterPath& path) override {
    // Curves come flattened; a closed figure stays a polygon so it is filled.
    for (const QPolygonF& poly : path.toSubpathPolygons()) {
      if (poly.size() < 2) continue;
      const bool closed = poly.size() > 2 && poly.isClosed();
      AddPoints(closed ? MetafileRecord::Kind::Polygon : MetafileRecord::Kind::Polyline, poly.constData(),
                static_cast<int>(closed ? poly.size() - 1 : poly.size()), path.fillRule() == Qt::WindingFill);
    }
  }
  void drawTextItem(const QPointF& p, const QTextItem& item) override {
    const QString text = item.text();
    if (text.isEmpty()) return;
    MetafileRecord r = Stamped(MetafileRecord::Kind::Text);
    const QFont font = item.font();
    const QFontMetricsF fm(font, &device_);
    const int n = Units();
    r.Font.Family = font.family();
    r.Font.PixelHeight =
        font.pixelSize() > 0
            ? font.pixelSize() * n
            : std::max(n, static_cast<int>(std::lround(font.pointSizeF() * device_.picture_.Dpi / 72.0 * n)));
    r.Font.Bold = font.weight() >= QFont::DemiBold;
    r.Font.Italic = font.italic();
    r.TextColor = pen_.color().rgb();
    r.Text = text;
    // Cumulative widths rounded once, so the steps add up to the whole text.
    int done = 0;
    for (qsizetype i = 1; i <= text.size(); ++i) {
      const int upTo = static_cast<int>(std::lround(fm.horizontalAdvance(text.left(i)) * n));
      r.Advances.push_back(upTo - done);
      done = upTo;
    }
    const QPoint at = Unit(transform_.map(p));
    r.Points = {at};
    r.Extent = QRect(at.x(), at.y() - static_cast<int>(std::ceil(fm.ascent() * n)), std::max(done, 1),
                     static_cast<int>(std::ceil((fm.ascent() + fm.descent()) * n)) + n);
    device_.picture_.Records.push_back(std::move(r));
  }
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}

 private:
  static PaintEngineFeatures Features() {
    return AllFeatures & ~(PorterDuff | PerspectiveTransform | ObjectBoundingModeGradients |
                           ConicalGradientFill | LinearGradientFill | RadialGradientFill | PatternBrush);
  }

  int Units() const { return device_.picture_.Subdivision; }

  // Positions on the page name pixels; the painter's half-pixel shift to
  // their centres falls away here, and what is left is rounded to the
  // nearest unit (with whole units to the pixel: the pixel it lies in).
  QPoint Unit(QPointF p) const {
    const qreal n = Units();
    const qreal limit = std::min(1.0e8 * n, 1.0e9);
    const auto c = [n, limit](qreal v) {
      const qreal u = n == 1 ? v : (v - 0.5) * n + 0.5;
      return static_cast<int>(std::floor(std::clamp(u, -limit, limit)));
    };
    return {c(p.x()), c(p.y())};
  }

  MetafileRecord Stamped(MetafileRecord::Kind kind) const {
    MetafileRecord r;
    r.What = kind;
    if (pen_.style() == Qt::NoPen || pen_.brush().style() == Qt::NoBrush) {
      r.Pen.Style = MetafilePenStyle::Null;
    } else {
      switch (pen_.style()) {
        case Qt::DashLine:
          r.Pen.Style = MetafilePenStyle::Dash;
          break;
        case Qt::DotLine:
          r.Pen.Style = MetafilePenStyle::Dot;
          break;
        case Qt::DashDotLine:
          r.Pen.Style = MetafilePenStyle::DashDot;
          break;
        case Qt::DashDotDotLine:
          r.Pen.Style = MetafilePenStyle::DashDotDot;
          break;
        default:
          r.Pen.Style = MetafilePenStyle::Solid;
          break;
      }
    }
    const qreal scale = std::sqrt(std::fabs(transform_.determinant()));
    r.Pen.Width = std::max(
        Units(), static_cast<int>(std::lround(pen_.widthF() * (pen_.isCosmetic() ? 1 : scale) * Units())));
    r.Pen.Color = pen_.color().rgb();
    r.Pen.Cap = pen_.capStyle() == Qt::SquareCap ? MetafileCap::Square
                : pen_.capStyle() == Qt::FlatCap ? MetafileCap::Flat
                                                 : MetafileCap::Round;
    r.Pen.Join = pen_.joinStyle() == Qt::BevelJoin ? MetafileJoin::Bevel
                 : pen_.joinStyle() == Qt::MiterJoin || pen_.joinStyle() == Qt::SvgMiterJoin
                     ? MetafileJoin::Miter
                     : MetafileJoin::Round;
    r.Brush.Null = brush_.style() == Qt::NoBrush;
    r.Brush.Color = brush_.color().rgb();
    return r;
  }

  int PenReach(const MetafileRecord& r) const {
    return r.Pen.Style == MetafilePenStyle::Null ? 0 : (r.Pen.Width + 1) / 2 + Units();
  }

  void AddPoints(MetafileRecord::Kind kind, const QPointF* points, int count, bool winding) {
    if (count < 2) return;
    MetafileRecord r = Stamped(kind);
    r.Winding = winding;
    r.Points.reserve(count);
    for (int i = 0; i < count; ++i) r.Points.push_back(Unit(transform_.map(points[i])));
    const QSize cell(Units(), Units());
    QRect extent(r.Points.front(), cell);
    for (const QPoint& q : r.Points) extent = extent.united(QRect(q, cell));
    const int reach = PenReach(r);
    r.Extent = extent.adjusted(-reach, -reach, reach, reach);
    device_.picture_.Records.push_back(std::move(r));
  }

  void AddBox(MetafileRecord::Kind kind, const QRectF& box) {
    MetafileRecord r = Stamped(kind);
    const QRectF mapped = transform_.mapRect(box.normalized());
    r.Box = QRect(Unit(mapped.topLeft()), Unit(mapped.bottomRight()));
    const int reach = PenReach(r);
    r.Extent = r.Box.adjusted(-reach, -reach, reach + Units() - 1, reach + Units() - 1);
    device_.picture_.Records.push_back(std::move(r));
  }

  MetafileDevice& device_;
  QPen pen_;
  QBrush brush_;
  QTransform transform_;
};

MetafileDevice::MetafileDevice(QSize size, int dpi, int subdivision)
    : engine_(std::make_unique<MetafilePaintEngine>(*this)) {
  picture_.Size = size;
  picture_.Dpi = dpi > 0 ? dpi : 96;
  picture_.Subdivision = std::clamp(subdivision, 1, 256);
}

MetafileDevice::~MetafileDevice() = default;

QPaintEngine* MetafileDevice::paintEngine() const { return engine_.get(); }

int MetafileDevice::metric(PaintDeviceMetric metric) const {
  const int dpi = picture_.Dpi;
  switch (metric) {
    case PdmWidth:
      return picture_.Size.width();
    case PdmHeight:
      return picture_.Size.height();
    case PdmWidthMM:
      return static_cast<int>(std::lround(picture_.Size.width() * 25.4 / dpi));
    case PdmHeightMM:
      return static_cast<int>(std::lround(picture_.Size.height() * 25.4 / dpi));
    case PdmNumColors:
      return 0x7FFFFFFF;
    case PdmDepth:
      return 24;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
      return dpi;
    case PdmDevicePixelRatio:
      return 1;
    default:
      return QPaintDevice::metric(metric);
  }
}

}  // namespace varnel

// The pages of the Graphs window drawn onto any painter: the triangle, the
// tetrahedron and the stereo pair, with symbols, labels and tie lines.
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStaticText>
#include <algorithm>
#include <cmath>
#include <functional>

#include "graphs/graphengine.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

// A font of the page: its point size scaled to the page, in target pixels.
QFont PageFont(const LabelFontChoice& choice, const PageMetrics& m) {
  QFont f(choice.Name);
  const int points = std::max(1, RoundPixel(static_cast<Real>(choice.Size) * m.DeviceScale));
  f.setPixelSize(std::max(1, RoundPixel(static_cast<Real>(points) * m.TargetDpi / 72.0L)));
  f.setItalic(choice.Italic);
  f.setBold(choice.Bold);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

// Writes text with its top-left corner at (x, y).
void TextAt(QPainter& p, qreal x, qreal y, const QString& text) {
  p.drawText(QPointF(x, y + p.fontMetrics().ascent()), text);
}

// Whether the segment a-b passes through the rectangle.
bool SegmentMeetsRect(QPointF a, QPointF b, const QRectF& r) { return ClipSegment(a, b, r); }

// Points drawn with an opacity below 1 for the length of a scope.
class OpacityScope {
 public:
  OpacityScope(QPainter& p, Real opacity) : p_(p), old_(p.opacity()), set_(opacity < 1) {
    if (set_) p_.setOpacity(static_cast<qreal>(std::max(opacity, MinPointOpacity)));
  }
  ~OpacityScope() {
    if (set_) p_.setOpacity(old_);
  }
  OpacityScope(const OpacityScope&) = delete;
  OpacityScope& operator=(const OpacityScope&) = delete;

 private:
  QPainter& p_;
  qreal old_;
  bool set_;
};

// A number of percent as the grid labels it: whole numbers bare, others
// with as few decimals as they need.
QString PercentText(Real v) {
  const Real rounded = std::nearbyint(v * 1000) / 1000;
  QString t = QString::number(static_cast<double>(rounded), 'f', 3);
  while (t.endsWith(QLatin1Char('0'))) t.chop(1);
  if (t.endsWith(QLatin1Char('.'))) t.chop(1);
  return t;
}

Qt::PenStyle TiePenStyle(int style) {
  static constexpr Qt::PenStyle Styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                            Qt::DashDotDotLine};
  return Styles[std::clamp(style, 0, 4)];
}

}  // namespace

struct GraphEngine::PaintContext {
  PaintContext(QPainter& p, const PageMetrics& m) : P(p), M(m) {}
  QPainter& P;
  const PageMetrics& M;
  // Symbols are copied from sprites (on the raster engine, unscaled); the
  // painter then keeps the label font and colour between labels.
  bool UseSprites = false;
  // The symbol size last drawn and its geometry on this page.
  int SymbolSize = -1;
  SymbolGeometry Symbol;
  bool LabelPainterReady = false;
  // The rectangles the labels and apex names of this paint cover.
  LabelSpace Labels;
  // Positions in fractions of a pixel (PaintOptions::WholePixels off);
  // else whole pixels, so that symbols stand on pixels and lines stay sharp.
  bool Exact = false;
  bool SkipCovered = false;
  qreal At(Real v) const { return Exact ? static_cast<qreal>(v) : static_cast<qreal>(RoundPixel(v)); }
};

QRect GraphEngine::Paint(QPainter& p, const PageMetrics& m, const PaintOptions& options) const {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, options.Antialias);
  p.setRenderHint(QPainter::TextAntialiasing, options.Antialias);
  if (options.FillBackground) p.fillRect(QRect(0, 0, m.W, m.H), Qt::white);
  // Page positions name pixels; their centres are half a pixel further, and
  // lines drawn through them stay sharp.
  p.translate(0.5, 0.5);
  const QFont labelFont = PageFont(Settings.LabelFont, m);
  if (labelFont != cache_.LabelFont || cache_.LabelColor != Settings.LabelFont.Color) {
    cache_.LabelFont = labelFont;
    cache_.LabelColor = Settings.LabelFont.Color;
    ++cache_.LabelGeneration;
  }
  PaintContext c(p, m);
  c.Exact = !options.WholePixels;
  c.SkipCovered = options.SkipCoveredSymbols;
  c.UseSprites = options.Antialias && p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster &&
                 p.transform().isTranslating() && !p.transform().isScaling() && !p.transform().isRotating();
  const PlotPage page = options.Page;
  if (page == PlotPage::Triangular) {
    DrawTriangular(c);
  } else if (page == PlotPage::Tetrahedral) {
    DrawTetrahedral(c, m.CentreX, m.CentreY, 0, nullptr);
  } else {
    const Real half = c.At(m.StereoUnitScale * Settings.StereoSFactor / 2);
    // The right view is drawn in the left one's depth order, and its labels
    // keep clear of the left one's.
    std::vector<std::int32_t> order;
    DrawTetrahedral(c, m.CentreX - half, m.CentreY, 1, &order);
    DrawTetrahedral(c, m.CentreX + half, m.CentreY, 2, &order);
  }
  if (options.Highlight) DrawHighlights(p, m, page);
  QRect legend;
  if (Settings.ShowLegend) legend = DrawLegend(c, page);
  p.restore();
  return legend;
}

void GraphEngine::DrawDensity(QPainter& p, const TriangleMapping& map, bool exact) const {
  const Real x0 = exact ? map.ExactX0 : map.X0, y0 = exact ? map.ExactY0 : map.Y0;
  const int n = DensityCellsPerSide;
  const std::vector<int> counts = DensityCounts(n);
  const int most = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
  if (most == 0) return;
  const auto corner = [&](int i, int j) {
    Real x, y;
    TriangleXY(static_cast<Real>(i) / n, static_cast<Real>(j) / n, x, y);
    return QPointF(static_cast<qreal>(x * map.FT + x0), static_cast<qreal>(-y * map.FT + y0));
  };
  p.save();
  p.setPen(Qt::NoPen);
  // Without antialiasing the cells meet without hairline seams.
  p.setRenderHint(QPainter::Antialiasing, false);
  for (int i = 0; i < n; ++i)
    for (int j = 0; i + j < n; ++j)
      for (int half = 0; half < 2; ++half) {
        const int count = counts[static_cast<std::size_t>(2 * (i * n + j) + half)];
        if (count == 0) continue;
        // Square-root steps: a few points still show beside a crowded cell.
        const qreal share = std::sqrt(static_cast<qreal>(count) / most);
        const int level = 235 - static_cast<int>(std::lround(share * 150));
        p.setBrush(QColor(level, level, std::min(255, level + 20)));
        const QPointF cell[3] = {half ? corner(i + 1, j + 1) : corner(i, j), corner(i + 1, j),
                                 corner(i, j + 1)};
        p.drawPolygon(cell, 3);
      }
  p.restore();
}

void GraphEngine::DrawGrid(QPainter& p, const PageMetrics& m, const TriangleMapping& map, bool exact) const {
  const Real x0 = exact ? map.ExactX0 : map.X0, y0 = exact ? map.ExactY0 : map.Y0;
  const Real step = std::clamp(Settings.GridStep, MinGridStep, MaxGridStep) / 100;
  const auto at = [&](Real a, Real b) {
    Real x, y;
    TriangleXY(a, b, x, y);
    return QPointF(static_cast<qreal>(x * map.FT + x0), static_cast<qreal>(-y * map.FT + y0));
  };
  p.save();
  QPen pen(QColor(190, 190, 190), std::max(1, PenWidthPixels(1, m)));
  pen.setCapStyle(Qt::FlatCap);
  QFont font = PageFont(Settings.LabelFont, m);
  font.setPixelSize(std::max(1, font.pixelSize() * 4 / 5));
  font.setItalic(false);
  font.setBold(false);
  p.setFont(font);
  const QFontMetrics fm(font, p.device());
  const int gap = std::max(2, RoundPixel(4 * m.DeviceScale));
  for (int i = 1; i * step < 1 - 1e-9L; ++i) {
    const Real t = i * step;
    // Constant A runs from the base (B = 0) to the right side (C = 0),
    // constant B across from the right side to the left one (A = 0), and
    // constant C from the base to the left side. Each family is labelled
    // at its own edge: A below the base, B right, C left of the triangle.
    const QPointF aFrom = at(t, 0), aTo = at(t, 1 - t);
    const QPointF bFrom = at(1 - t, t), bTo = at(0, t);
    const QPointF cFrom = at(1 - t, 0), cTo = at(0, 1 - t);
    p.setPen(pen);
    p.drawLine(aFrom, aTo);
    p.drawLine(bFrom, bTo);
    p.drawLine(cFrom, cTo);
    const QString text = PercentText(t * 100);
    const int w = fm.horizontalAdvance(text);
    p.setPen(QColor(110, 110, 110));
    p.drawText(QPointF(aFrom.x() - w / 2.0, aFrom.y() + gap + fm.ascent()), text);
    p.drawText(QPointF(bFrom.x() + gap, bFrom.y() + fm.ascent() / 2.0), text);
    p.drawText(QPointF(cTo.x() - w - gap, cTo.y() + fm.ascent() / 2.0), text);
  }
  p.restore();
}

void GraphEngine::DrawReferences(
    QPainter& p, const PageMetrics& m,
    const std::function<bool(const std::array<Real, 4>&, QPointF&)>& place) const {
  p.save();
  QPen pen(QColor(80, 80, 80), PenWidthPixels(2, m), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  QFont font = PageFont(Settings.LabelFont, m);
  font.setItalic(true);
  p.setFont(font);
  const QFontMetrics fm(font, p.device());
  for (const ReferenceShape& shape : Settings.References.Shapes) {
    QPolygonF polygon;
    for (const std::array<Real, 4>& v : shape.Points) {
      QPointF at;
      if (place(v, at)) polygon << at;
    }
    if (polygon.size() < 2) continue;
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (shape.Closed)
      p.drawPolygon(polygon);
    else
      p.drawPolyline(polygon);
    if (shape.Label.isEmpty()) continue;
    // A field is named at its middle, a line beside its middle point.
    QPointF anchor;
    if (shape.Closed) {
      for (const QPointF& q : polygon) anchor += q;
      anchor /= static_cast<qreal>(polygon.size());
    } else {
      anchor = polygon[polygon.size() / 2];
    }
    const int w = fm.horizontalAdvance(shape.Label);
    p.setPen(QColor(60, 60, 60));
    if (shape.Closed)
      p.drawText(QPointF(anchor.x() - w / 2.0, anchor.y() + fm.ascent() / 2.0), shape.Label);
    else
      p.drawText(QPointF(anchor.x() + fm.height() / 3.0, anchor.y() - fm.descent() - 2), shape.Label);
  }
  p.restore();
}

// where: 0 right of the corner, 1 centred above it, 2 left of it.
void GraphEngine::DrawApexLabel(PaintContext& c, const QString& text, qreal x, qreal y, int where) const {
  QPainter& p = c.P;
  const PageMetrics& m = c.M;
  const QFontMetrics fm = p.fontMetrics();
  const int g = RoundPixel(6 * m.DeviceScale);
  const int width = fm.horizontalAdvance(text);
  const int height = fm.height();
  const QPointF at = where == 0   ? QPointF(x + g, y)
                     : where == 1 ? QPointF(x - width / 2, y - (height + g))
                                  : QPointF(x - (width + g), y);
  TextAt(p, at.x(), at.y(), text);
  c.Labels.Take(QRect(at.toPoint(), QSize(width, height)));
}

// A vertex label beyond its vertex, seen from the centre: the label's box
// keeps the gap from the vertex on the side away from the tetrahedron. A
// vertex inside the outline (seen end-on) has edges on that side too; then
// the first direction, turning from there, whose box meets no edge is taken.
void GraphEngine::DrawOutwardLabel(PaintContext& c, const QString& text, int vertex, const QPointF (&v)[4],
                                   QPointF centre) const {
  QPainter& p = c.P;
  const PageMetrics& m = c.M;
  const QFontMetrics fm = p.fontMetrics();
  const int pen = PenWidthPixels(Settings.DefaultDiagramPenWidth, m);
  const Real gap = RoundPixel(6 * m.DeviceScale) + pen / 2 + 1;
  const Real width = fm.horizontalAdvance(text);
  const Real height = fm.height();
  const QPointF at = v[vertex];
  Real dx = at.x() - centre.x(), dy = at.y() - centre.y();
  Real length = std::hypot(dx, dy);
  if (length < 1) dx = -1, dy = 0, length = 1;
  const Real base = std::atan2(dy, dx);
  const auto boxFor = [&](Real angle) {
    const Real ux = std::cos(angle), uy = std::sin(angle);
    const Real reach = gap + std::fabs(ux) * width / 2 + std::fabs(uy) * height / 2;
    const Real cx = at.x() + ux * reach, cy = at.y() + uy * reach;
    return QRectF(static_cast<qreal>(cx - width / 2), static_cast<qreal>(cy - height / 2),
                  static_cast<qreal>(width), static_cast<qreal>(height));
  };
  const auto clear = [&](const QRectF& box) {
    const QRectF grown = box.adjusted(-pen, -pen, pen, pen);
    static constexpr int Edges[6][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 1}, {2, 0}, {0, 3}};
    for (const auto& e : Edges)
      if (SegmentMeetsRect(QPointF(v[e[0]]), QPointF(v[e[1]]), grown)) return false;
    return true;
  };
  QRectF box = boxFor(base);
  for (int turn = 1; turn < 16 && !clear(box); ++turn) {
    const QRectF other = boxFor(base + (turn % 2 ? 1 : -1) * ((turn + 1) / 2) * 22.5L * DegreesToRadians);
    if (clear(other)) box = other;
  }
  if (c.Exact)
    TextAt(p, box.left(), box.top(), text);
  else
    TextAt(p, static_cast<int>(std::lround(box.left())), static_cast<int>(std::lround(box.top())), text);
  c.Labels.Take(box.toAlignedRect());
}

void GraphEngine::DrawTriangular(PaintContext& c) const {
  QPainter& p = c.P;
  const PageMetrics& m = c.M;
  const TriangleMapping map = MapTriangle(m.UnitScale, Settings.Scale, m.CentreX, m.CentreY);
  const Real x0 = c.Exact ? map.ExactX0 : map.X0, y0 = c.Exact ? map.ExactY0 : map.Y0;
  // A place of the triangle on the page: a whole pixel, or exact.
  const auto point = [&](Real x, Real y) {
    if (c.Exact) return QPointF(static_cast<qreal>(x * map.FT + x0), static_cast<qreal>(-y * map.FT + y0));
    int px, py;
    TrianglePixel(map, x, y, px, py);
    return QPointF(px, py);
  };
  if (Settings.DensityShading && Settings.ViewPoints) DrawDensity(p, map, c.Exact);
  if (Settings.GridStep > 0) DrawGrid(p, m, map, c.Exact);
  if (!Settings.References.empty()) {
    DrawReferences(p, m, [&](const std::array<Real, 4>& v, QPointF& at) {
      const Real s = v[0] + v[1] + v[2];
      if (!(s > 0)) return false;
      Real x, y;
      TriangleXY(v[0] / s, v[1] / s, x, y);
      at = QPointF(static_cast<qreal>(x * map.FT + x0), static_cast<qreal>(-y * map.FT + y0));
      return true;
    });
  }
  if (Settings.ViewDiagram) {
    const QPointF a = point(1, 0), b = point(0.5L, Sin60), cc = point(0, 0);
    QPen pen(QColor::fromRgb(Settings.OutlineColor), PenWidthPixels(Settings.DefaultDiagramPenWidth, m),
             Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF corners[3] = {a, b, cc};
    p.drawPolygon(corners, 3);
    if (Settings.PlotApexLabels) {
      p.setFont(PageFont(Settings.ApexFont, m));
      p.setPen(QColor::fromRgb(Settings.ApexFont.Color));
      const bool names = plotKind_ != 0;
      DrawApexLabel(c, names ? ApexLabel(0) : QStringLiteral("A"), a.x(), a.y(), 0);
      DrawApexLabel(c, names ? ApexLabel(1) : QStringLiteral("B"), b.x(), b.y(), 1);
      DrawApexLabel(c, names ? ApexLabel(2) : QStringLiteral("C"), cc.x(), cc.y(), 2);
    }
  }
  if (plotKind_ != 1 && plotKind_ != 2) return;
  const bool ties = Settings.ViewTies && TieVarSet();
  if (!ties && !Settings.ViewPoints) return;
  std::vector<PixelPoint> pixels(static_cast<std::size_t>(plotCaseCount_) + 1);
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const TriPoint& t = tri_[static_cast<std::size_t>(k)];
    PixelPoint& px = pixels[static_cast<std::size_t>(k)];
    const QPointF at = point(t.X, t.Y);
    px.X = at.x();
    px.Y = at.y();
    px.Negative = t.Negative;
    px.Case = k;
  }
  if (ties) DrawTies(c, false, pixels);
  cache_.CoveredCount = 0;
  if (Settings.ViewPoints) {
    c.LabelPainterReady = false;  // the outline and the ties set their own pens and fonts
    const OpacityScope faded(p, Settings.PointOpacity);
    FindCoveredSymbols(c, pixels);
    const bool skip = cache_.CoveredCount > 0;
    for (int k = 1; k <= plotCaseCount_; ++k) {
      const TriPoint& t = tri_[static_cast<std::size_t>(k)];
      if (!IsDrawn(t.Plotted, t.Negative, k)) continue;
      if (skip && cache_.Covered[static_cast<std::size_t>(k)]) continue;
      const PixelPoint& px = pixels[static_cast<std::size_t>(k)];
      DrawSymbol(c, k, false, px.X, px.Y, false);
    }
  }
}

void GraphEngine::DrawTetrahedral(PaintContext& c, Real originX, Real originY, int mode,
                                  std::vector<std::int32_t>* depthOrder) const {
  QPainter& p = c.P;
  const PageMetrics& m = c.M;
  const Real f = m.UnitScale * Settings.Scale;
  const auto pixel = [&](Real px, Real py) {
    return QPointF(c.At(px * f + originX), c.At(py * f + originY));
  };
  if (!Settings.References.empty()) {
    const ViewRotation rotation(mode, Settings.View);
    DrawReferences(p, m, [&](const std::array<Real, 4>& v, QPointF& at) {
      const Real s = v[0] + v[1] + v[2] + v[3];
      if (!(s > 0)) return false;
      const Projected q = ProjectView(TetToCartesian(v[0] / s, v[1] / s, v[2] / s, v[3] / s), rotation);
      at = QPointF(static_cast<qreal>(q.PX * f + originX), static_cast<qreal>(q.PY * f + originY));
      return true;
    });
  }
  if (Settings.ViewDiagram) {
    const ViewRotation rotation(mode, Settings.View);
    QPointF v[4];
    for (int i = 0; i < 4; ++i) {
      const Projected q = ProjectView(vertexCoords_[static_cast<std::size_t>(i)], rotation);
      v[i] = pixel(q.PX, q.PY);
    }
    QPen pen(QColor::fromRgb(Settings.OutlineColor), PenWidthPixels(Settings.DefaultDiagramPenWidth, m),
             Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF first[5] = {v[0], v[1], v[2], v[3], v[1]};
    const QPointF second[3] = {v[2], v[0], v[3]};
    p.drawPolyline(first, 5);
    p.drawPolyline(second, 3);
    if (Settings.PlotApexLabels) {
      p.setFont(PageFont(Settings.ApexFont, m));
      p.setPen(QColor::fromRgb(Settings.ApexFont.Color));
      for (int i = 0; i < 4; ++i) {
        const QString text = plotKind_ == 2 ? ApexLabel(i) : QString(QLatin1Char(static_cast<char>('A' + i)));
        DrawOutwardLabel(c, text, i, v, QPointF(static_cast<qreal>(originX), static_cast<qreal>(originY)));
      }
    }
  }
  if (plotKind_ != 2 || tet_.empty()) return;
  const bool ties = Settings.ViewTies && TieVarSet();
  if (!ties && !Settings.ViewPoints) return;
  // Without room for the view's pixels, the outline alone.
  std::vector<DepthPixel>& view = cache_.View;
  std::vector<DepthPixel>& drawn = cache_.Drawn;
  try {
    ViewPixels(mode, f, originX, originY, c.Exact, view);
    drawn.clear();
    if (Settings.ViewPoints) drawn.reserve(view.size());
  } catch (const std::bad_alloc&) {
    return;
  }
  if (ties) {
    std::vector<PixelPoint> pixels(static_cast<std::size_t>(plotCaseCount_) + 1);
    for (const DepthPixel& d : view) {
      PixelPoint& px = pixels[static_cast<std::size_t>(d.Case)];
      px.X = d.X;
      px.Y = d.Y;
      px.Negative = tet_[static_cast<std::size_t>(d.Case)].Negative;
      px.Case = d.Case;
      px.Hidden = !d.Placed;
    }
    DrawTies(c, true, pixels);
  }
  if (!Settings.ViewPoints) return;
  // The cases drawn, from the farthest to the nearest with depth ordering;
  // the right view of a pair in the left one's order.
  const auto keepDrawn = [&] {
    drawn.clear();
    for (const DepthPixel& d : view)
      if (d.Drawn) drawn.push_back(d);
  };
  if (Settings.ZPOrdering && mode == 2 && depthOrder && !depthOrder->empty()) {
    for (std::int32_t k : *depthOrder) {
      const DepthPixel& d = view[static_cast<std::size_t>(k - 1)];
      if (d.Drawn) drawn.push_back(d);
    }
  } else {
    keepDrawn();
    if (Settings.ZPOrdering) {
      // Cases of equal depth keep the order the quicksort of every case
      // gives them, which only that sort can tell.
      try {
        if (!SortDistinctByDepth(drawn, cache_.DepthSort)) {
          SortByDepth(view);
          keepDrawn();
        }
      } catch (const std::bad_alloc&) {
        SortByDepth(view);  // in place
        keepDrawn();
      }
      if (depthOrder) {
        depthOrder->clear();
        for (const DepthPixel& d : drawn) depthOrder->push_back(d.Case);
      }
    }
  }
  c.LabelPainterReady = false;  // the outline and the ties set their own pens and fonts
  const OpacityScope faded(p, Settings.PointOpacity);
  for (const DepthPixel& d : drawn) DrawSymbol(c, d.Case, false, d.X, d.Y, true);
}

void GraphEngine::DrawTies(PaintContext& c, bool tetrahedral, const std::vector<PixelPoint>& pixels) const {
  if (tieSets_.empty()) return;
  const int maxSet = std::max(Settings.MaxTieSets, 0);
  // Each set takes its first four members in DataSheet order.
  std::vector<std::vector<PixelPoint>> sets(static_cast<std::size_t>(maxSet) + 1);
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const int t = tieSets_[static_cast<std::size_t>(k)];
    if (t < 0 || t > maxSet || !sheet_.Included(k)) continue;
    const bool plotted =
        tetrahedral ? tet_[static_cast<std::size_t>(k)].Plotted : tri_[static_cast<std::size_t>(k)].Plotted;
    const bool negative =
        tetrahedral ? tet_[static_cast<std::size_t>(k)].Negative : tri_[static_cast<std::size_t>(k)].Negative;
    if ((!plotted && !negative) || pixels[static_cast<std::size_t>(k)].Hidden) continue;
    std::vector<PixelPoint>& set = sets[static_cast<std::size_t>(t)];
    if (set.size() < 4) set.push_back(pixels[static_cast<std::size_t>(k)]);
  }
  for (const std::vector<PixelPoint>& set : sets) {
    if (set.size() < 2) continue;
    const int negatives = static_cast<int>(
        std::count_if(set.begin(), set.end(), [](const PixelPoint& q) { return q.Negative; }));
    if (negatives < static_cast<int>(set.size())) DrawTieSet(c, set, tetrahedral);
  }
}

void GraphEngine::DrawTieSet(PaintContext& c, const std::vector<PixelPoint>& points, bool tetrahedral) const {
  QPainter& p = c.P;
  const PageMetrics& m = c.M;
  QRgb colour = Settings.TieColor;
  // The first member's colour as its symbol is drawn: the default shape
  // colour unless the colours come from a variable.
  if (!Settings.UseDefaultTieColor)
    colour = Settings.UseDefaultColor || symbolColors_.empty()
                 ? Settings.SymbolColor
                 : symbolColors_[static_cast<std::size_t>(points.front().Case)];
  const int width = std::max(
      1,
      RoundPixel(static_cast<Real>(MulDiv(Settings.DefaultTiePenWidth, m.TargetDpi, 254)) * m.DeviceScale));
  const QPen pen(QColor::fromRgb(colour), width, TiePenStyle(Settings.TieStyle), Qt::RoundCap, Qt::RoundJoin);
  std::vector<PixelPoint> positive, negative;
  for (const PixelPoint& q : points) (q.Negative ? negative : positive).push_back(q);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  // Every pair of members with positive sums is joined: a line, a triangle or
  // the six edges of four.
  for (std::size_t i = 0; i < positive.size(); ++i)
    for (std::size_t j = i + 1; j < positive.size(); ++j)
      p.drawLine(QPointF(positive[i].X, positive[i].Y), QPointF(positive[j].X, positive[j].Y));
  for (const PixelPoint& from : positive)
    for (const PixelPoint& towards : negative) {
      DrawInfinityTie(c, from, colour, towards, tetrahedral);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
    }
}

void GraphEngine::DrawInfinityTie(PaintContext& c, PixelPoint from, QRgb colour, PixelPoint towards,
                                  bool tetrahedral) const {
  QPainter& p = c.P;
  const PageMetrics& m = c.M;
  c.LabelPainterReady = false;
  if (from.X == towards.X && from.Y == towards.Y) return;
  const Real phi =
      towards.X == from.X
          ? 90.0L * DegreesToRadians
          : std::atan(static_cast<Real>(towards.Y - from.Y) / static_cast<Real>(towards.X - from.X));
  const Real length =
      m.UnitScale * Settings.Scale * static_cast<Real>(Settings.InfinityLineLengthFactor) / 10;
  const Real ax = std::fabs(std::cos(phi) * length);
  const Real ay = std::fabs(std::sin(phi) * length);
  const qreal ex = from.X > towards.X ? c.At(from.X + ax) : c.At(from.X - ax);
  const qreal ey = towards.Y < from.Y ? c.At(from.Y + ay) : c.At(from.Y - ay);
  const int width = std::max(
      1,
      RoundPixel(static_cast<Real>(MulDiv(Settings.DefaultTiePenWidth, m.TargetDpi, 254)) * m.DeviceScale));
  p.setPen(QPen(QColor::fromRgb(colour), width, TiePenStyle(Settings.TieStyle), Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(from.X, from.Y), QPointF(ex, ey));
  DrawSymbol(c, towards.Case, true, ex, ey, tetrahedral);
}

namespace {

// One symbol centred on (x, y): the shapes of the codes 0..14, and the ring
// that marks the end of an infinity tie.
void DrawShape(QPainter& p, int shape, int r, int w, QRgb penColour, QRgb brushColour, bool ring, qreal x,
               qreal y) {
  const int h = r / 2;
  const QBrush brush{QColor::fromRgb(brushColour)};
  p.setPen(QPen(QColor::fromRgb(penColour), w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush((shape % 2 == 1 && shape >= 3 && shape <= 11) ? QBrush(Qt::NoBrush) : brush);
  // Rectangles and ellipses keep their stroke inside their box.
  const auto box = [&](int half) {
    const qreal inset = w / 2.0;
    return QRectF(x - half + inset, y - half + inset, std::max(2.0 * half - w, 0.5),
                  std::max(2.0 * half - w, 0.5));
  };
  const auto polygon = [&](std::initializer_list<QPointF> corners) { p.drawPolygon(QPolygonF(corners)); };
  switch (shape) {
    case 0:
      break;
    case 1:
      p.setBrush(brush);
      p.drawRect(box(h));
      break;
    case 2:
    case 3:
      p.drawEllipse(box(r));
      break;
    case 4:
    case 5:
      p.drawRect(box(r));
      break;
    case 6:
    case 7:
      polygon({QPointF(x - r, y + h), QPointF(x + r, y + h), QPointF(x, y - r)});
      break;
    case 8:
    case 9:
      polygon({QPointF(x - r, y - h), QPointF(x + r, y - h), QPointF(x, y + r)});
      break;
    case 10:
    case 11:
      polygon({QPointF(x - r, y), QPointF(x, y - r), QPointF(x + r, y), QPointF(x, y + r)});
      break;
    default:
      p.setPen(QPen(QColor::fromRgb(penColour), w, Qt::SolidLine, Qt::FlatCap));
      if (shape == 12 || shape == 13) {
        p.drawLine(QPointF(x - r, y), QPointF(x + r, y));
        p.drawLine(QPointF(x, y + r), QPointF(x, y - r));
      }
      if (shape == 13 || shape == 14) {
        p.drawLine(QPointF(x - r, y - r), QPointF(x + r, y + r));
        p.drawLine(QPointF(x - r, y + r), QPointF(x + r, y - r));
      }
      break;
  }
  if (ring) {
    p.setPen(QPen(QColor::fromRgb(penColour), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(x - r - 4, y - r - 4, 2 * r + 8, 2 * r + 8));
  }
}

}  // namespace

void DrawSymbolShape(QPainter& p, int shape, int r, int w, QRgb pen, QRgb brush, qreal x, qreal y) {
  DrawShape(p, shape, r, w, pen, brush, false, x, y);
}

const GraphEngine::Sprite& GraphEngine::SymbolSprite(int shape, int r, int w, QRgb pen, QRgb brush,
                                                     bool ring) const {
  const SpriteKey key{shape, r, w, pen, brush, ring};
  // Points in a row often share their symbol: the last one found is asked first.
  if (cache_.LastSprite && cache_.LastSpriteKey == key) return *cache_.LastSprite;
  auto found = cache_.Sprites.find(key);
  if (found == cache_.Sprites.end()) {
    // Wide enough for the ring and a pen that overhangs a polygon's corners.
    const int c = r + 2 * w + 6;
    QImage sprite(2 * c + 1, 2 * c + 1, QImage::Format_ARGB32_Premultiplied);
    sprite.fill(Qt::transparent);
    QPainter painter(&sprite);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(0.5, 0.5);
    DrawShape(painter, shape, r, w, pen, brush, ring, c, c);
    painter.end();
    // Only the pixels the symbol touches are kept: fully transparent ones
    // change nothing where they are copied, and copying fewer is faster.
    int left = sprite.width(), top = sprite.height(), right = -1, bottom = -1;
    for (int y = 0; y < sprite.height(); ++y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(sprite.constScanLine(y));
      for (int x = 0; x < sprite.width(); ++x)
        if (qAlpha(line[x]) != 0) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    }
    Sprite kept;
    if (right >= 0) {
      kept.Image = sprite.copy(QRect(left, top, right - left + 1, bottom - top + 1));
      kept.Offset = QPoint(left - c, top - c);
      if (kept.Image.width() <= 64) {
        kept.Mask.Width = kept.Image.width();
        for (int y = 0; y < kept.Image.height(); ++y) {
          const QRgb* line = reinterpret_cast<const QRgb*>(kept.Image.constScanLine(y));
          std::uint64_t touched = 0, opaque = 0;
          for (int x = 0; x < kept.Image.width(); ++x) {
            if (qAlpha(line[x]) != 0) touched |= std::uint64_t{1} << x;
            if (qAlpha(line[x]) == 255) opaque |= std::uint64_t{1} << x;
          }
          kept.Mask.Touched.push_back(touched);
          kept.Mask.Opaque.push_back(opaque);
        }
      }
    }
    if (cache_.Sprites.size() > 4096) cache_.Sprites.clear();
    found = cache_.Sprites.emplace(key, std::move(kept)).first;
  }
  cache_.LastSpriteKey = key;
  cache_.LastSprite = &found->second;
  return found->second;
}

GraphEngine::SymbolLook GraphEngine::LookOf(PaintContext& c, int k) const {
  const int size = SymbolSize(k);
  if (size != c.SymbolSize) {
    c.SymbolSize = size;
    c.Symbol = SymbolMetrics(size, c.M);
  }
  SymbolLook look{SymbolShape(k), c.Symbol.R, c.Symbol.W, Settings.SymbolColor, Settings.FillColor};
  if (!Settings.UseDefaultColor && !symbolColors_.empty()) {
    look.Brush = symbolColors_[static_cast<std::size_t>(k)];
    look.Pen = DarkenColor(look.Brush);
  }
  return look;
}

// A symbol copied over another replaces the pixels where it is opaque. Going
// from the last symbol back to the first, one whose every pixel is already
// covered by the opaque pixels of those after it can be left out: the page
// is the same. This holds only while nothing else is drawn between the
// symbols (no labels), each one is a plain copy of its sprite (no
// opacity, no other composition) and every sprite lands on whole pixels.
void GraphEngine::FindCoveredSymbols(PaintContext& c, const std::vector<PixelPoint>& pixels) const {
  QPainter& p = c.P;
  cache_.CoveredCount = 0;
  if (!c.SkipCovered || !c.UseSprites || Settings.ViewLabels || p.opacity() < 1 ||
      p.compositionMode() != QPainter::CompositionMode_SourceOver || !p.device())
    return;
  const QTransform& t = p.transform();
  const QRect page(0, 0, p.device()->width(), p.device()->height());
  // A page of more than 64 million pixels is drawn symbol by symbol.
  if (page.isEmpty() || static_cast<qint64>(page.width()) * page.height() > (qint64{1} << 26)) return;
  cache_.Cover.Reset(page);
  cache_.Covered.assign(static_cast<std::size_t>(plotCaseCount_) + 1, 0);
  int covered = 0;
  // Neighbours in the sheet often look alike: the last sprite is kept (only
  // SymbolSprite could let it go).
  SymbolLook last{-1, 0, 0, 0, 0};
  const Sprite* lastSprite = nullptr;
  for (int k = plotCaseCount_; k >= 1; --k) {
    const TriPoint& tp = tri_[static_cast<std::size_t>(k)];
    if (!IsDrawn(tp.Plotted, tp.Negative, k)) continue;
    const SymbolLook look = LookOf(c, k);
    if (look.Shape == 0) continue;
    if (!lastSprite || look.Shape != last.Shape || look.R != last.R || look.W != last.W ||
        look.Pen != last.Pen || look.Brush != last.Brush) {
      lastSprite = &SymbolSprite(look.Shape, look.R, look.W, look.Pen, look.Brush, false);
      last = look;
    }
    const Sprite& sprite = *lastSprite;
    if (sprite.Image.isNull()) continue;
    // Where DrawSymbol puts it on the device; only whole pixels are sure to
    // land where they are counted here.
    const PixelPoint& px = pixels[static_cast<std::size_t>(k)];
    const qreal x = px.X + sprite.Offset.x() - 0.5 + t.dx(), y = px.Y + sprite.Offset.y() - 0.5 + t.dy();
    if (x != std::floor(x) || y != std::floor(y) || std::fabs(x) > 1e9 || std::fabs(y) > 1e9) {
      cache_.CoveredCount = 0;
      return;
    }
    if (cache_.Cover.CoveredThenCover(sprite.Mask, static_cast<int>(x), static_cast<int>(y))) {
      cache_.Covered[static_cast<std::size_t>(k)] = 1;
      ++covered;
    }
  }
  cache_.CoveredCount = covered;
}

void GraphEngine::DrawSymbol(PaintContext& c, int k, bool infinityEnd, qreal x, qreal y,
                             bool tetrahedral) const {
  QPainter& p = c.P;
  const SymbolLook look = LookOf(c, k);
  const int r = look.R;
  const int w = look.W;
  const int shape = look.Shape;
  const QRgb penColour = look.Pen, brushColour = look.Brush;
  if (shape != 0 || infinityEnd) {
    if (c.UseSprites) {
      // On images and the screen one drawing of each kind of symbol is copied
      // to every place it stands, pixel for pixel the same.
      const Sprite& sprite = SymbolSprite(shape, r, w, penColour, brushColour, infinityEnd);
      if (!sprite.Image.isNull())
        p.drawImage(QPointF(x + sprite.Offset.x() - 0.5, y + sprite.Offset.y() - 0.5), sprite.Image);
    } else {
      DrawShape(p, shape, r, w, penColour, brushColour, infinityEnd, x, y);
    }
  }
  if (!Settings.ViewLabels) return;
  QString text = LabelText(k);
  if (infinityEnd) {
    text.prepend(QStringLiteral("to "));
    DrawLabel(c, k, x, y, r + 2 + w, text, true);
  } else {
    const bool negative =
        tetrahedral ? tet_[static_cast<std::size_t>(k)].Negative : tri_[static_cast<std::size_t>(k)].Negative;
    if (negative) text.prepend(QLatin1Char('-'));
    DrawLabel(c, k, x, y, r + w, text, false);
  }
}

// The key sits in the top left corner of the page, clear of the triangle
// and of the tetrahedron at its usual zoom: one line per symbol, drawn at
// the default size, with its name in the point label font.
QRect GraphEngine::DrawLegend(PaintContext& c, PlotPage page) const {
  QPainter& p = c.P;
  const PageMetrics& m = c.M;
  int more = 0;
  const std::vector<LegendEntry> entries = LegendEntries(page, &more);
  if (entries.empty()) return QRect();
  c.LabelPainterReady = false;
  const SymbolGeometry g = SymbolMetrics(Settings.DefaultSymbolSize, m);
  const QFont font = PageFont(Settings.LabelFont, m);
  const QFontMetrics fm(font, p.device());
  const int margin = std::max(2, RoundPixel(static_cast<Real>(MulDiv(40, m.TargetDpi, 254)) * m.DeviceScale));
  const int pad = std::max(2, RoundPixel(static_cast<Real>(MulDiv(15, m.TargetDpi, 254)) * m.DeviceScale));
  const int symbolBox = 2 * (g.R + g.W);
  const int row = std::max(fm.height(), symbolBox) + pad / 2;
  QStringList texts;
  for (const LegendEntry& e : entries) texts << (e.Name.isEmpty() ? QStringLiteral(" ") : e.Name);
  if (more > 0) texts << QStringLiteral("(") + QString::number(more) + QStringLiteral(" more)");
  int textWidth = 0;
  for (const QString& t : texts) textWidth = std::max(textWidth, fm.horizontalAdvance(t));
  QRect box(margin, margin, 3 * pad + symbolBox + textWidth,
            2 * pad + row * static_cast<int>(texts.size()) - pad / 2);
  box.moveTopLeft(LegendTopLeft(Settings, m, box.size(), margin));
  p.setPen(QPen(QColor(64, 64, 64), PenWidthPixels(1, m)));
  p.setBrush(Settings.LegendTransparent ? QBrush(Qt::NoBrush) : QBrush(Qt::white));
  p.drawRect(box);
  p.setFont(font);
  for (int i = 0; i < static_cast<int>(texts.size()); ++i) {
    const int top = box.top() + pad + i * row;
    const int centreY = top + (row - pad / 2) / 2;
    if (i < static_cast<int>(entries.size())) {
      const LegendEntry& e = entries[static_cast<std::size_t>(i)];
      DrawShape(p, e.Shape, g.R, g.W, e.Pen, e.Fill, false, box.left() + pad + symbolBox / 2, centreY);
    }
    p.setPen(QColor::fromRgb(Settings.LabelFont.Color));
    p.setBrush(Qt::NoBrush);
    TextAt(p, box.left() + 2 * pad + symbolBox, centreY - fm.height() / 2, texts[i]);
  }
  return box;
}

QPoint LegendTopLeft(const GraphSettings& g, const PageMetrics& m, QSize box, int margin) {
  const int right = std::max(margin, m.W - margin - box.width());
  const int bottom = std::max(margin, m.H - margin - box.height());
  switch (g.LegendPlace) {
    case LegendCorner::TopRight:
      return {right, margin};
    case LegendCorner::BottomLeft:
      return {margin, bottom};
    case LegendCorner::BottomRight:
      return {right, bottom};
    case LegendCorner::Placed:
      // Kept whole on the page, whatever the page's size.
      return {std::clamp(RoundPixel(g.LegendX * m.W), 0, std::max(0, m.W - box.width())),
              std::clamp(RoundPixel(g.LegendY * m.H), 0, std::max(0, m.H - box.height()))};
    default:
      return {margin, margin};
  }
}

void LabelSpace::Clear() {
  cells_.clear();
  rects_.clear();
}

std::int64_t LabelSpace::Key(int cx, int cy) {
  return (static_cast<std::int64_t>(cx) << 32) ^ static_cast<std::uint32_t>(cy);
}

bool LabelSpace::Free(const QRect& r) const {
  for (int cy = r.top() >> Shift; cy <= r.bottom() >> Shift; ++cy)
    for (int cx = r.left() >> Shift; cx <= r.right() >> Shift; ++cx) {
      const auto found = cells_.find(Key(cx, cy));
      if (found == cells_.end()) continue;
      for (int i : found->second)
        if (rects_[static_cast<std::size_t>(i)].intersects(r)) return false;
    }
  return true;
}

void LabelSpace::Take(const QRect& r) {
  if (r.isEmpty()) return;
  // Labels far off the page (a huge zoom) are not worth a cell each.
  if (std::abs(r.left()) > (1 << 24) || std::abs(r.top()) > (1 << 24) || r.width() > 4096 ||
      r.height() > 4096)
    return;
  const int i = static_cast<int>(rects_.size());
  rects_.push_back(r);
  for (int cy = r.top() >> Shift; cy <= r.bottom() >> Shift; ++cy)
    for (int cx = r.left() >> Shift; cx <= r.right() >> Shift; ++cx) cells_[Key(cx, cy)].push_back(i);
}

QPoint PlaceLabel(const LabelSpace& space, int x, int y, int reach, QSize size) {
  const int w = size.width(), h = size.height();
  // Right of the symbol first (where labels always stood), then the other
  // places around it; where all are taken, the first.
  const QPoint tries[] = {{x + reach, y},         {x + reach, y - h},         {x - reach - w, y},
                          {x - reach - w, y - h}, {x - w / 2, y - reach - h}, {x - w / 2, y + reach},
                          {x + reach, y - h / 2}, {x - reach - w, y - h / 2}};
  for (const QPoint& at : tries)
    if (space.Free(QRect(at, size))) return at;
  return tries[0];
}

void GraphEngine::DrawLabel(PaintContext& c, int k, qreal sx, qreal sy, int reach, const QString& text,
                            bool rayEnd) const {
  QPainter& p = c.P;
  // The laid-out texts are kept per case, so that a repaint only writes them.
  std::vector<LabelCache>& cache = rayEnd ? cache_.RayLabels : cache_.PointLabels;
  if (cache.size() <= static_cast<std::size_t>(k)) cache.resize(static_cast<std::size_t>(k) + 1);
  LabelCache& entry = cache[static_cast<std::size_t>(k)];
  if (entry.Text != text || entry.Generation != cache_.LabelGeneration) {
    entry.Text = text;
    entry.Generation = cache_.LabelGeneration;
    entry.Laid.setText(text);
    entry.Laid.setTextFormat(Qt::PlainText);
    entry.Laid.setPerformanceHint(QStaticText::AggressiveCaching);
    entry.Laid.prepare(QTransform(), cache_.LabelFont);
  }
  // Symbols copied from sprites leave the pen and font alone; anything else
  // drawn in between clears LabelPainterReady.
  if (!c.UseSprites || !c.LabelPainterReady) {
    p.setFont(cache_.LabelFont);
    p.setPen(QColor::fromRgb(cache_.LabelColor));
    c.LabelPainterReady = true;
  }
  const QSize size = entry.Laid.size().toSize();
  // Ray ends keep their place beside the ring; point labels look for room.
  // The place is chosen among whole pixels; a vector picture keeps the
  // symbol's fraction of a pixel.
  const int x = static_cast<int>(std::floor(sx)), y = static_cast<int>(std::floor(sy));
  const QPoint at = rayEnd ? QPoint(x + reach, y) : PlaceLabel(c.Labels, x, y, reach, size);
  c.Labels.Take(QRect(at, size));
  p.drawStaticText(QPointF(at) + QPointF(sx - x, sy - y), entry.Laid);
}

}  // namespace varnel

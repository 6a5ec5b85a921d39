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
void TextAt(QPainter& p, int x, int y, const QString& text) {
  p.drawText(QPointF(x, y + p.fontMetrics().ascent()), text);
}

// Whether the segment a-b passes through the rectangle.
bool SegmentMeetsRect(QPointF a, QPointF b, const QRectF& r) { return ClipSegment(a, b, r); }

Qt::PenStyle TiePenStyle(int style) {
  static constexpr Qt::PenStyle Styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                            Qt::DashDotDotLine};
  return Styles[std::clamp(style, 0, 4)];
}

}  // namespace

void GraphEngine::Paint(QPainter& p, const PageMetrics& m, const PaintOptions& options) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, options.Antialias);
  p.setRenderHint(QPainter::TextAntialiasing, options.Antialias);
  if (options.FillBackground) p.fillRect(QRect(0, 0, m.W, m.H), Qt::white);
  // Page positions name pixels; their centres are half a pixel further, and
  // lines drawn through them stay sharp.
  p.translate(0.5, 0.5);
  const QFont labelFont = PageFont(Settings.LabelFont, m);
  if (labelFont != labelFont_ || labelColor_ != Settings.LabelFont.Color) {
    labelFont_ = labelFont;
    labelColor_ = Settings.LabelFont.Color;
    ++labelGeneration_;
  }
  labelPainterReady_ = false;
  useSprites_ = options.Antialias && p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster &&
                p.transform().isTranslating() && !p.transform().isScaling() && !p.transform().isRotating();
  const PlotPage page = options.Page;
  if (page == PlotPage::Triangular) {
    DrawTriangular(p, m);
  } else if (page == PlotPage::Tetrahedral) {
    DrawTetrahedral(p, m, m.CentreX, m.CentreY, 0);
  } else {
    const int half = RoundPixel(m.StereoUnitScale * Settings.StereoSFactor / 2);
    ProjectionDirty = true;
    DrawTetrahedral(p, m, m.CentreX - half, m.CentreY, 1);
    ProjectionDirty = true;
    DrawTetrahedral(p, m, m.CentreX + half, m.CentreY, 2);
    ProjectionDirty = true;
  }
  legendRect_ = QRect();
  if (Settings.ShowLegend) DrawLegend(p, m, page);
  p.restore();
}

// where: 0 right of the corner, 1 centred above it, 2 left of it.
void GraphEngine::DrawApexLabel(QPainter& p, const PageMetrics& m, const QString& text, int x, int y,
                                int where) {
  const QFontMetrics fm = p.fontMetrics();
  const int g = RoundPixel(6 * m.DeviceScale);
  const int width = fm.horizontalAdvance(text);
  const int height = fm.height();
  if (where == 0)
    TextAt(p, x + g, y, text);
  else if (where == 1)
    TextAt(p, x - width / 2, y - (height + g), text);
  else
    TextAt(p, x - (width + g), y, text);
}

// A vertex label beyond its vertex, seen from the centre: the label's box
// keeps the gap from the vertex on the side away from the tetrahedron. A
// vertex inside the outline (seen end-on) has edges on that side too; then
// the first direction, turning from there, whose box meets no edge is taken.
void GraphEngine::DrawOutwardLabel(QPainter& p, const PageMetrics& m, const QString& text, int vertex,
                                   const QPoint (&v)[4], QPoint centre) {
  const QFontMetrics fm = p.fontMetrics();
  const int pen = PenWidthPixels(Settings.DefaultDiagramPenWidth, m);
  const Real gap = RoundPixel(6 * m.DeviceScale) + pen / 2 + 1;
  const Real width = fm.horizontalAdvance(text);
  const Real height = fm.height();
  const QPoint at = v[vertex];
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
  TextAt(p, static_cast<int>(std::lround(box.left())), static_cast<int>(std::lround(box.top())), text);
}

void GraphEngine::DrawTriangular(QPainter& p, const PageMetrics& m) {
  const TriangleMapping map = MapTriangle(m.UnitScale, Settings.Scale, m.CentreX, m.CentreY);
  if (Settings.ViewDiagram) {
    int ax, ay, bx, by, cx, cy;
    TrianglePixel(map, 1, 0, ax, ay);
    TrianglePixel(map, 0.5L, Sin60, bx, by);
    TrianglePixel(map, 0, 0, cx, cy);
    QPen pen(QColor::fromRgb(Settings.OutlineColor), PenWidthPixels(Settings.DefaultDiagramPenWidth, m),
             Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF corners[3] = {QPointF(ax, ay), QPointF(bx, by), QPointF(cx, cy)};
    p.drawPolygon(corners, 3);
    if (Settings.PlotApexLabels) {
      p.setFont(PageFont(Settings.ApexFont, m));
      p.setPen(QColor::fromRgb(Settings.ApexFont.Color));
      const bool names = plotKind_ != 0;
      DrawApexLabel(p, m, names ? ApexLabel(0) : QStringLiteral("A"), ax, ay, 0);
      DrawApexLabel(p, m, names ? ApexLabel(1) : QStringLiteral("B"), bx, by, 1);
      DrawApexLabel(p, m, names ? ApexLabel(2) : QStringLiteral("C"), cx, cy, 2);
    }
  }
  if (plotKind_ != 1 && plotKind_ != 2) return;
  const bool ties = Settings.ViewTies && TieVarSet();
  if (!ties && !Settings.ViewPoints) return;
  std::vector<PixelPoint> pixels(static_cast<std::size_t>(plotCaseCount_) + 1);
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const TriPoint& t = tri_[static_cast<std::size_t>(k)];
    PixelPoint& px = pixels[static_cast<std::size_t>(k)];
    TrianglePixel(map, t.X, t.Y, px.X, px.Y);
    px.Negative = t.Negative;
    px.Case = k;
  }
  if (ties) DrawTies(p, m, false, pixels);
  if (Settings.ViewPoints) {
    labelPainterReady_ = false;  // the outline and the ties set their own pens and fonts
    pointsDrawn_[0] = 0;
    for (int k = 1; k <= plotCaseCount_; ++k) {
      const TriPoint& t = tri_[static_cast<std::size_t>(k)];
      if (!IsDrawn(t.Plotted, t.Negative, k)) continue;
      ++pointsDrawn_[0];
      const PixelPoint& px = pixels[static_cast<std::size_t>(k)];
      DrawSymbol(p, m, k, false, px.X, px.Y, false);
    }
  }
}

void GraphEngine::DrawTetrahedral(QPainter& p, const PageMetrics& m, int originX, int originY, int mode) {
  ProjectAll(mode);
  const Real f = m.UnitScale * Settings.Scale;
  const auto pixel = [&](Real px, Real py) {
    return QPoint(RoundPixel(px * f + static_cast<Real>(originX)),
                  RoundPixel(py * f + static_cast<Real>(originY)));
  };
  if (Settings.ViewDiagram) {
    QPoint v[4];
    for (int i = 0; i < 4; ++i)
      v[i] = pixel(vertices_[static_cast<std::size_t>(i)].PX, vertices_[static_cast<std::size_t>(i)].PY);
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
        DrawOutwardLabel(p, m, text, i, v, QPoint(originX, originY));
      }
    }
  }
  if (plotKind_ != 2 || tet_.empty()) return;
  const bool ties = Settings.ViewTies && TieVarSet();
  if (!ties && !Settings.ViewPoints) return;
  std::vector<PixelPoint> pixels(static_cast<std::size_t>(plotCaseCount_) + 1);
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const TetPoint& t = tet_[static_cast<std::size_t>(k)];
    PixelPoint& px = pixels[static_cast<std::size_t>(k)];
    const QPoint at = pixel(t.PX, t.PY);
    px.X = at.x();
    px.Y = at.y();
    px.Negative = t.Negative;
    px.Case = k;
  }
  if (ties) DrawTies(p, m, true, pixels);
  if (Settings.ViewPoints) {
    labelPainterReady_ = false;  // the outline and the ties set their own pens and fonts
    pointsDrawn_[1] = 0;
    for (int k = 1; k <= plotCaseCount_; ++k) {
      const int c = Settings.ZPOrdering ? order_[static_cast<std::size_t>(k - 1)] : k;
      if (c < 1 || c > plotCaseCount_) continue;
      const TetPoint& t = tet_[static_cast<std::size_t>(c)];
      if (!IsDrawn(t.Plotted, t.Negative, c)) continue;
      ++pointsDrawn_[1];
      const PixelPoint& px = pixels[static_cast<std::size_t>(c)];
      DrawSymbol(p, m, c, false, px.X, px.Y, true);
    }
  }
}

void GraphEngine::DrawTies(QPainter& p, const PageMetrics& m, bool tetrahedral,
                           const std::vector<PixelPoint>& pixels) {
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
    if (!plotted && !negative) continue;
    std::vector<PixelPoint>& set = sets[static_cast<std::size_t>(t)];
    if (set.size() < 4) set.push_back(pixels[static_cast<std::size_t>(k)]);
  }
  for (const std::vector<PixelPoint>& set : sets) {
    if (set.size() < 2) continue;
    const int negatives = static_cast<int>(
        std::count_if(set.begin(), set.end(), [](const PixelPoint& q) { return q.Negative; }));
    if (negatives < static_cast<int>(set.size())) DrawTieSet(p, m, set, negatives, tetrahedral);
  }
}

void GraphEngine::DrawTieSet(QPainter& p, const PageMetrics& m, const std::vector<PixelPoint>& points,
                             int /*negatives*/, bool tetrahedral) {
  QRgb colour = Settings.TieColor;
  if (!Settings.UseDefaultTieColor)
    colour = symbolColors_.empty() ? Settings.SymbolColor
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
      DrawInfinityTie(p, m, from, colour, towards, tetrahedral);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
    }
}

void GraphEngine::DrawInfinityTie(QPainter& p, const PageMetrics& m, PixelPoint from, QRgb colour,
                                  PixelPoint towards, bool tetrahedral) {
  labelPainterReady_ = false;
  if (from.X == towards.X && from.Y == towards.Y) return;
  const Real phi =
      towards.X == from.X
          ? 90.0L * DegreesToRadians
          : std::atan(static_cast<Real>(towards.Y - from.Y) / static_cast<Real>(towards.X - from.X));
  const Real length =
      m.UnitScale * Settings.Scale * static_cast<Real>(Settings.InfinityLineLengthFactor) / 10;
  const Real ax = std::fabs(std::cos(phi) * length);
  const Real ay = std::fabs(std::sin(phi) * length);
  const int ex = from.X > towards.X ? RoundPixel(from.X + ax) : RoundPixel(from.X - ax);
  const int ey = towards.Y < from.Y ? RoundPixel(from.Y + ay) : RoundPixel(from.Y - ay);
  const int width = std::max(
      1,
      RoundPixel(static_cast<Real>(MulDiv(Settings.DefaultTiePenWidth, m.TargetDpi, 254)) * m.DeviceScale));
  p.setPen(QPen(QColor::fromRgb(colour), width, TiePenStyle(Settings.TieStyle), Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(from.X, from.Y), QPointF(ex, ey));
  DrawSymbol(p, m, towards.Case, true, ex, ey, tetrahedral);
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

const QImage& GraphEngine::SymbolSprite(int shape, int r, int w, QRgb pen, QRgb brush, bool ring) {
  const SpriteKey key{shape, r, w, pen, brush, ring};
  auto found = sprites_.find(key);
  if (found != sprites_.end()) return found->second;
  // Wide enough for the ring and a pen that overhangs a polygon's corners.
  const int c = r + 2 * w + 6;
  QImage sprite(2 * c + 1, 2 * c + 1, QImage::Format_ARGB32_Premultiplied);
  sprite.fill(Qt::transparent);
  QPainter painter(&sprite);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(0.5, 0.5);
  DrawShape(painter, shape, r, w, pen, brush, ring, c, c);
  painter.end();
  if (sprites_.size() > 4096) sprites_.clear();
  return sprites_.emplace(key, std::move(sprite)).first->second;
}

void GraphEngine::DrawSymbol(QPainter& p, const PageMetrics& m, int k, bool infinityEnd, int x, int y,
                             bool tetrahedral) {
  const SymbolGeometry geometry = SymbolMetrics(SymbolSize(k), m);
  const int r = geometry.R;
  const int w = geometry.W;
  const int shape = SymbolShape(k);
  QRgb penColour = Settings.SymbolColor, brushColour = Settings.FillColor;
  if (!Settings.UseDefaultColor && !symbolColors_.empty()) {
    brushColour = symbolColors_[static_cast<std::size_t>(k)];
    penColour = DarkenColor(brushColour);
  }
  if (shape != 0 || infinityEnd) {
    if (useSprites_) {
      // On images and the screen one drawing of each kind of symbol is copied
      // to every place it stands, pixel for pixel the same.
      const QImage& sprite = SymbolSprite(shape, r, w, penColour, brushColour, infinityEnd);
      const int c = sprite.width() / 2;
      p.drawImage(QPointF(x - c - 0.5, y - c - 0.5), sprite);
    } else {
      DrawShape(p, shape, r, w, penColour, brushColour, infinityEnd, x, y);
    }
  }
  if (!Settings.ViewLabels) return;
  QString text = LabelText(k);
  if (infinityEnd) {
    text.prepend(QStringLiteral("to "));
    DrawLabel(p, k, x + r + 2 + w, y, text, true);
  } else {
    const bool negative =
        tetrahedral ? tet_[static_cast<std::size_t>(k)].Negative : tri_[static_cast<std::size_t>(k)].Negative;
    if (negative) text.prepend(QLatin1Char('-'));
    DrawLabel(p, k, x + r + w, y, text, false);
  }
}

// The key sits in the top left corner of the page, clear of the triangle
// and of the tetrahedron at its usual zoom: one line per symbol, drawn at
// the default size, with its name in the point label font.
void GraphEngine::DrawLegend(QPainter& p, const PageMetrics& m, PlotPage page) {
  int more = 0;
  const std::vector<LegendEntry> entries = LegendEntries(page, &more);
  if (entries.empty()) return;
  labelPainterReady_ = false;
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
  const QRect box(margin, margin, 3 * pad + symbolBox + textWidth,
                  2 * pad + row * static_cast<int>(texts.size()) - pad / 2);
  p.setPen(QPen(QColor(64, 64, 64), PenWidthPixels(1, m)));
  p.setBrush(Qt::white);
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
  legendRect_ = box;
}

void GraphEngine::DrawLabel(QPainter& p, int k, int x, int y, const QString& text, bool rayEnd) {
  // The laid-out texts are kept per case, so that a repaint only writes them.
  std::vector<LabelCache>& cache = rayEnd ? rayLabels_ : pointLabels_;
  if (cache.size() <= static_cast<std::size_t>(k)) cache.resize(static_cast<std::size_t>(k) + 1);
  LabelCache& entry = cache[static_cast<std::size_t>(k)];
  if (entry.Text != text || entry.Generation != labelGeneration_) {
    entry.Text = text;
    entry.Generation = labelGeneration_;
    entry.Laid.setText(text);
    entry.Laid.setTextFormat(Qt::PlainText);
    entry.Laid.setPerformanceHint(QStaticText::AggressiveCaching);
    entry.Laid.prepare(QTransform(), labelFont_);
  }
  // Symbols copied from sprites leave the pen and font alone; anything else
  // drawn in between clears labelPainterReady_.
  if (!useSprites_ || !labelPainterReady_) {
    p.setFont(labelFont_);
    p.setPen(QColor::fromRgb(labelColor_));
    labelPainterReady_ = true;
  }
  p.drawStaticText(QPointF(x, y), entry.Laid);
}

}  // namespace varnel

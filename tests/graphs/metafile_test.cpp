// The metafile paint device and the EMF and WMF files written from it: the
// structure a reader relies on, and what is drawn where.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdint>
#include <map>

#include "graphs/emffile.h"
#include "graphs/graphoutput.h"
#include "graphs/plotpicture.h"
#include "graphs/projection.h"
#include "graphs/wmffile.h"
#include "tests/graphs/pixels.h"
#include "tests/graphs/plotsheet.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

using test::PlotSheet;

std::uint32_t U32(const QByteArray& b, qsizetype at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
  return v;
}
std::uint32_t U16(const QByteArray& b, qsizetype at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1]))
                                                << 8;
}
int I32(const QByteArray& b, qsizetype at) { return static_cast<std::int32_t>(U32(b, at)); }
int I16(const QByteArray& b, qsizetype at) { return static_cast<std::int16_t>(U16(b, at)); }

struct Record {
  std::uint32_t Type;
  qsizetype At;
  qsizetype Size;
};

// Walks the records of an EMF; fails the test on a size that breaks the chain.
std::vector<Record> EmfRecords(const QByteArray& b) {
  std::vector<Record> out;
  qsizetype at = 0;
  while (at + 8 <= b.size()) {
    const Record r{U32(b, at), at, static_cast<qsizetype>(U32(b, at + 4))};
    EXPECT_GE(r.Size, 8) << "record at " << at;
    EXPECT_EQ(r.Size % 4, 0) << "record type " << r.Type << " at " << at;
    if (r.Size < 8 || at + r.Size > b.size()) {
      ADD_FAILURE() << "record type " << r.Type << " at " << at << " runs past the end";
      break;
    }
    out.push_back(r);
    at += r.Size;
  }
  EXPECT_EQ(at, b.size());
  return out;
}

// UTF-16 text whose count of characters and offset stand at countAt and
// countAt + 4, the offset counted from base.
QString Utf16(const QByteArray& b, qsizetype base, qsizetype countAt) {
  const auto chars = static_cast<qsizetype>(U32(b, countAt));
  const auto offset = static_cast<qsizetype>(U32(b, countAt + 4));
  QString s;
  for (qsizetype i = 0; i < chars; ++i) s += QChar(static_cast<char16_t>(U16(b, base + offset + 2 * i)));
  return s;
}
QString EmfText(const QByteArray& b, const Record& r) { return Utf16(b, r.At, r.At + 44); }

// Walks the records of a placeable WMF after its two headers.
std::vector<Record> WmfRecords(const QByteArray& b) {
  std::vector<Record> out;
  qsizetype at = 22 + 18;
  while (at + 6 <= b.size()) {
    const Record r{U16(b, at + 4), at, static_cast<qsizetype>(U32(b, at)) * 2};
    if (r.Size < 6 || at + r.Size > b.size()) {
      ADD_FAILURE() << "record " << std::hex << r.Type << " at " << std::dec << at << " has a bad size";
      break;
    }
    out.push_back(r);
    at += r.Size;
  }
  EXPECT_EQ(at, b.size());
  return out;
}

// The oxide triangle on its own page.
struct Rocks : PlotSheet {
  Rocks() {
    ConnectRocks();
    engine.Page = PlotPage::Triangular;
  }
};

OutputContext Context() {
  OutputContext c;
  c.Page = PlotPage::Triangular;
  c.ScreenDpi = 96;
  c.DataFileName = QStringLiteral("rocks.vnp");
  return c;
}

// The metafile page's metrics and the triangle's corners A, B and C on it.
struct PageCorners {
  PageMetrics m;
  QPoint a, b, c;
};
PageCorners Corners(const OutputContext& context) {
  const QSize size = MetafilePageSize(context);
  PageCorners k{
      SetupPageMetrics(TargetKind::Metafile, size.width(), size.height(), 96, context.Printer), {}, {}, {}};
  const TriangleMapping map = MapTriangle(k.m.UnitScale, 1, k.m.CentreX, k.m.CentreY);
  TrianglePixel(map, 1, 0, k.a.rx(), k.a.ry());
  TrianglePixel(map, 0.5L, Sin60, k.b.rx(), k.b.ry());
  TrianglePixel(map, 0, 0, k.c.rx(), k.c.ry());
  return k;
}

// A place of the unit triangle on the metafile page, unrounded.
QPointF ExactPlace(const PageCorners& k, Real x, Real y) {
  const TriangleMapping map = MapTriangle(k.m.UnitScale, 1, k.m.CentreX, k.m.CentreY);
  return {static_cast<qreal>(x * map.FT + map.ExactX0), static_cast<qreal>(-y * map.FT + map.ExactY0)};
}

// Units of an enhanced metafile as page positions.
QPointF InPixels(QPoint units) {
  return {static_cast<qreal>(units.x()) / EmfSubdivision, static_cast<qreal>(units.y()) / EmfSubdivision};
}

// Within a unit's rounding of the exact place.
bool AtUnit(QPointF units, QPointF exact) {
  return std::fabs(units.x() / EmfSubdivision - exact.x()) <= 0.5 / EmfSubdivision + 1e-9 &&
         std::fabs(units.y() / EmfSubdivision - exact.y()) <= 0.5 / EmfSubdivision + 1e-9;
}

TEST(MetafileDeviceTest, RecordsPrimitivesAtTheirPixelsWithTheirPensAndBrushes) {
  MetafileDevice device(QSize(200, 100), 96);
  QPainter p(&device);
  p.translate(0.5, 0.5);  // as the graphs paint: pixel centres
  p.setPen(QPen(QColor(255, 0, 0), 3, Qt::DashLine, Qt::FlatCap, Qt::BevelJoin));
  p.drawLine(QPointF(10, 20), QPointF(30, 40));
  p.setBrush(QColor(0, 0, 255));
  p.drawEllipse(QRectF(50, 10, 20, 20));
  p.setPen(Qt::NoPen);
  const QPointF tri[3] = {{100, 80}, {150, 80}, {125, 30}};
  p.drawPolygon(tri, 3);
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(20);
  p.setFont(f);
  p.setPen(Qt::black);
  p.drawText(QPointF(20, 90), QStringLiteral("SiO2"));
  p.end();

  const MetafilePicture& pic = device.Picture();
  ASSERT_EQ(pic.Records.size(), 4u);
  const MetafileRecord& line = pic.Records[0];
  EXPECT_EQ(line.What, MetafileRecord::Kind::Polyline);
  EXPECT_EQ(line.Points, (QVector<QPoint>{{10, 20}, {30, 40}}));
  EXPECT_EQ(line.Pen.Style, MetafilePenStyle::Dash);
  EXPECT_EQ(line.Pen.Width, 3);
  EXPECT_EQ(line.Pen.Cap, MetafileCap::Flat);
  EXPECT_EQ(line.Pen.Join, MetafileJoin::Bevel);
  EXPECT_EQ(line.Pen.Color, qRgb(255, 0, 0));
  const MetafileRecord& ellipse = pic.Records[1];
  EXPECT_EQ(ellipse.What, MetafileRecord::Kind::Ellipse);
  EXPECT_EQ(ellipse.Box, QRect(QPoint(50, 10), QPoint(70, 30)));
  EXPECT_FALSE(ellipse.Brush.Null);
  EXPECT_EQ(ellipse.Brush.Color, qRgb(0, 0, 255));
  const MetafileRecord& polygon = pic.Records[2];
  EXPECT_EQ(polygon.What, MetafileRecord::Kind::Polygon);
  EXPECT_EQ(polygon.Pen.Style, MetafilePenStyle::Null);
  EXPECT_EQ(polygon.Points.size(), 3);
  const MetafileRecord& text = pic.Records[3];
  EXPECT_EQ(text.What, MetafileRecord::Kind::Text);
  EXPECT_EQ(text.Text, QStringLiteral("SiO2"));
  EXPECT_EQ(text.Points.front(), QPoint(20, 90));  // the baseline's start
  EXPECT_EQ(text.Font.PixelHeight, 20);
  ASSERT_EQ(text.Advances.size(), 4);
  int total = 0;
  for (int a : text.Advances) total += a;
  EXPECT_NEAR(total, QFontMetricsF(f, &device).horizontalAdvance(QStringLiteral("SiO2")), 1.0);
  // The bounds hold the wide pen beyond the line's end, but not much more.
  EXPECT_LE(pic.Bounds().left(), 10 - 2);
  EXPECT_GE(pic.Bounds().left(), 10 - 4);
}

// One drawing on pictures of one and of sixteen units to the pixel: the
// finer one keeps the fractions of a pixel that the other drops.
TEST(MetafileDeviceTest, FinerUnitsKeepTheFractionsOfPositionsPensAndFonts) {
  const auto draw = [](int units) {
    MetafileDevice device(QSize(200, 100), 96, units);
    QPainter p(&device);
    p.translate(0.5, 0.5);
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(10, 20), QPointF(30.25, 40.7));
    p.setBrush(Qt::red);
    p.drawEllipse(QRectF(50.5, 10, 20, 20.25));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(20);
    p.setFont(f);
    p.drawText(QPointF(20.125, 90), QStringLiteral("MgO"));
    p.setPen(Qt::NoPen);
    const QPointF left[3] = {{-3.3, 5}, {4, 5}, {4, 9.96}};
    p.drawPolygon(left, 3);
    p.end();
    return device.Picture();
  };
  const MetafilePicture whole = draw(1), fine = draw(16);
  EXPECT_EQ(whole.Subdivision, 1);
  EXPECT_EQ(fine.Subdivision, 16);
  ASSERT_EQ(whole.Records.size(), 4u);
  ASSERT_EQ(fine.Records.size(), 4u);
  struct Row {
    const char* what;
    QVector<QPoint> wholeGot, wholeWant, fineGot, fineWant;
  };
  const auto& w = whole.Records;
  const auto& f = fine.Records;
  const Row rows[] = {
      {"line", w[0].Points, {{10, 20}, {30, 41}}, f[0].Points, {{160, 320}, {484, 651}}},
      {"ellipse box",
       {w[1].Box.topLeft(), w[1].Box.bottomRight()},
       {{51, 10}, {71, 30}},
       {f[1].Box.topLeft(), f[1].Box.bottomRight()},
       {{808, 160}, {1128, 484}}},
      {"text", w[2].Points, {{20, 90}}, f[2].Points, {{322, 1440}}},
      {"polygon left of the page",
       w[3].Points,
       {{-3, 5}, {4, 5}, {4, 10}},
       f[3].Points,
       {{-53, 80}, {64, 80}, {64, 159}}},
      {"pen and font",
       {{w[0].Pen.Width, w[2].Font.PixelHeight}},
       {{2, 20}},
       {{f[0].Pen.Width, f[2].Font.PixelHeight}},
       {{24, 320}}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.wholeGot, r.wholeWant) << r.what;
    EXPECT_EQ(r.fineGot, r.fineWant) << r.what;
  }
  // The text's advances are the same width, in finer steps.
  ASSERT_EQ(f[2].Advances.size(), 3);
  int wide = 0, fineWide = 0;
  for (int a : w[2].Advances) wide += a;
  for (int a : f[2].Advances) fineWide += a;
  EXPECT_NEAR(fineWide, 16 * wide, 8);
  // The bounds hold the pen beyond the ellipse's box, in pixels as well.
  EXPECT_EQ(whole.PixelBounds(), whole.Bounds());
  const QRect pixels = fine.PixelBounds();
  EXPECT_LE(pixels.left(), -4);
  EXPECT_GE(pixels.left(), -5);
  EXPECT_GE(pixels.right(), 71);
  EXPECT_LE(pixels.right(), 73);
  EXPECT_EQ(pixels.left(), static_cast<int>(std::floor(fine.Bounds().left() / 16.0)));
}

// A page drawn in whole pixels, at sixteen units to the pixel: nothing is
// lost, and every position is the pixel the whole-pixel picture names, to
// within the half pixel that picture drops (a position between two pixels
// names the one it lies in; the finer units keep where it is).
TEST(MetafileDeviceTest, AWholePixelPageInSixteenthsOfAPixelStaysOnItsPixels) {
  Rocks p;
  p.engine.Settings.ViewLabels = true;
  p.engine.Settings.GridStep = 20;
  const QSize size = MetafilePageSize(Context());
  const auto record = [&](int units) {
    MetafileDevice device(size, 96, units);
    QPainter painter(&device);
    PaintOptions options;
    options.FillBackground = false;
    p.engine.Paint(painter, SetupPageMetrics(TargetKind::Metafile, size.width(), size.height(), 96, {}),
                   options);
    painter.end();
    return device.Picture();
  };
  const auto onPixel = [](QPoint fine, QPoint whole) {
    return std::abs(fine.x() - 16 * whole.x()) <= 8 && std::abs(fine.y() - 16 * whole.y()) <= 8;
  };
  const MetafilePicture one = record(1), sixteen = record(16);
  ASSERT_EQ(one.Records.size(), sixteen.Records.size());
  ASSERT_GT(one.Records.size(), 20u);
  for (std::size_t i = 0; i < one.Records.size(); ++i) {
    const MetafileRecord &a = one.Records[i], &b = sixteen.Records[i];
    SCOPED_TRACE(i);
    ASSERT_EQ(a.What, b.What);
    ASSERT_EQ(a.Points.size(), b.Points.size());
    for (qsizetype j = 0; j < a.Points.size(); ++j)
      EXPECT_TRUE(onPixel(b.Points[j], a.Points[j])) << b.Points[j].x() << "," << b.Points[j].y();
    if (a.What == MetafileRecord::Kind::Ellipse || a.What == MetafileRecord::Kind::Rectangle) {
      EXPECT_TRUE(onPixel(b.Box.topLeft(), a.Box.topLeft()));
      EXPECT_TRUE(onPixel(b.Box.bottomRight(), a.Box.bottomRight()));
      EXPECT_EQ(b.Box.bottomRight() - b.Box.topLeft(), (a.Box.bottomRight() - a.Box.topLeft()) * 16);
    }
    EXPECT_EQ(b.Pen.Width, a.Pen.Width * 16);
    EXPECT_EQ(b.Text, a.Text);
    if (a.What == MetafileRecord::Kind::Text) {
      EXPECT_EQ(b.Font.PixelHeight, a.Font.PixelHeight * 16);
    }
  }
  // The bounds in pixels: the same but for the rounding of text widths.
  const QRect fine = sixteen.PixelBounds(), whole = one.Bounds();
  for (const auto& [got, want] : {std::pair{fine.left(), whole.left()},
                                  {fine.top(), whole.top()},
                                  {fine.right(), whole.right()},
                                  {fine.bottom(), whole.bottom()}})
    EXPECT_NEAR(got, want, 1);
}

TEST(EmfFileTest, HeaderRecordsObjectsAndEndAreConsistent) {
  Rocks p;
  const OutputContext c = Context();
  const QSize size = MetafilePageSize(c);
  EXPECT_EQ(size, QSize(1123, 794));  // A4 landscape at 96 dots per inch
  const QByteArray emf = ExportBytes(p.engine, c, ExportType::EnhancedMetafile);
  const std::vector<Record> records = EmfRecords(emf);
  ASSERT_GE(records.size(), 3u);
  EXPECT_EQ(records.front().Type, 1u);
  EXPECT_EQ(U32(emf, 40), 0x464D4520u);
  EXPECT_EQ(U32(emf, 48), static_cast<std::uint32_t>(emf.size()));
  EXPECT_EQ(U32(emf, 52), records.size());
  // The frame is the page in 0.01 mm.
  EXPECT_EQ(I32(emf, 24 + 8), 29713 - 1);
  EXPECT_EQ(I32(emf, 24 + 12), 21008 - 1);
  // The description: creator, title, two NULs.
  EXPECT_EQ(Utf16(emf, 0, 60), QStringLiteral("Varnel") + QChar(0) +
                                   QStringLiteral("Plot from data file: rocks.vnp") + QChar(0) + QChar(0));
  const Record& eof = records.back();
  EXPECT_EQ(eof.Type, 14u);
  EXPECT_EQ(U32(emf, eof.At + eof.Size - 4), static_cast<std::uint32_t>(eof.Size));

  // Every object selected or deleted was created before, below nHandles.
  const std::uint32_t handles = U16(emf, 56);
  std::map<std::uint32_t, bool> alive;
  QStringList texts;
  for (const Record& r : records) {
    if (r.Type == 95 || r.Type == 39 || r.Type == 82) {
      const std::uint32_t h = U32(emf, r.At + 8);
      EXPECT_GE(h, 1u);
      EXPECT_LT(h, handles);
      EXPECT_FALSE(alive[h]) << "handle " << h << " created twice";
      alive[h] = true;
    } else if (r.Type == 37 || r.Type == 40) {
      const std::uint32_t h = U32(emf, r.At + 8);
      if (h & 0x80000000u) continue;  // stock object
      EXPECT_TRUE(alive[h]) << "handle " << h << " used when not created";
      if (r.Type == 40) alive[h] = false;
    } else if (r.Type == 84) {
      texts << EmfText(emf, r);
    }
  }
  for (const auto& [h, live] : alive) EXPECT_FALSE(live) << "handle " << h << " left undeleted";
  EXPECT_TRUE(texts.contains(QStringLiteral("SiO2")));
  EXPECT_TRUE(texts.contains(QStringLiteral("MgO")));
  EXPECT_TRUE(texts.contains(QStringLiteral("FeO")));
}

// The logical unit is a sixteenth of a pixel: the window is the page in
// those units over the page in pixels, set before anything is drawn, and
// the header still gives the page and what is drawn on it in pixels.
TEST(EmfFileTest, SixteenthsOfAPixelMapOntoThePageAndTheHeaderDescribesIt) {
  Rocks p;
  p.engine.Settings.ViewLabels = true;
  const OutputContext c = Context();
  const QSize size = MetafilePageSize(c);
  const MetafilePicture picture = GraphMetafile(p.engine, c, size, 96, MetafileKind::Enhanced);
  ASSERT_EQ(picture.Subdivision, EmfSubdivision);
  const QByteArray emf = EmfBytes(picture, GraphDescription(c));
  const std::vector<Record> records = EmfRecords(emf);
  std::map<std::uint32_t, QPoint> set;  // map mode, window and viewport extents
  QRect drawn;                          // every point of the shapes, in units
  for (const Record& r : records) {
    if (r.Type == 17) set[17] = QPoint(I32(emf, r.At + 8), 0);
    if (r.Type == 9 || r.Type == 11) set[r.Type] = QPoint(I32(emf, r.At + 8), I32(emf, r.At + 12));
    if (r.Type == 3 || r.Type == 4 || r.Type == 42 || r.Type == 43 || r.Type == 84) {
      EXPECT_EQ(set.size(), 3u) << "record " << r.Type << " drawn before the mapping is set";
    }
    if (r.Type == 3 || r.Type == 4)
      for (std::uint32_t i = 0; i < U32(emf, r.At + 24); ++i)
        drawn = drawn.united(QRect(I32(emf, r.At + 28 + 8 * i), I32(emf, r.At + 32 + 8 * i), 1, 1));
  }
  EXPECT_EQ(set[17].x(), 8);  // MM_ANISOTROPIC
  EXPECT_EQ(set[9], QPoint(size.width() * 16, size.height() * 16));
  EXPECT_EQ(set[11], QPoint(size.width(), size.height()));

  // Bounds in pixels, inclusive: what the picture covers, on the page, and
  // around every point drawn.
  const QRect bounds(QPoint(I32(emf, 8), I32(emf, 12)), QPoint(I32(emf, 16), I32(emf, 20)));
  EXPECT_EQ(bounds, picture.PixelBounds());
  EXPECT_TRUE(QRect(QPoint(0, 0), size).contains(bounds))
      << bounds.left() << "," << bounds.top() << " " << bounds.right() << "," << bounds.bottom();
  ASSERT_FALSE(drawn.isEmpty());
  EXPECT_LE(bounds.left() * 16, drawn.left());
  EXPECT_LE(bounds.top() * 16, drawn.top());
  EXPECT_GE(bounds.right() * 16 + 15, drawn.right());
  EXPECT_GE(bounds.bottom() * 16 + 15, drawn.bottom());
  // Not much more: the pen, the labels beyond the corners.
  EXPECT_LT(drawn.left() - bounds.left() * 16, 16 * 70);
  // The frame is the page in 0.01 mm and the reference device the page in
  // pixels and millimetres.
  EXPECT_EQ(QRect(QPoint(I32(emf, 24), I32(emf, 28)), QPoint(I32(emf, 32), I32(emf, 36))),
            QRect(QPoint(0, 0), QPoint(29713 - 1, 21008 - 1)));
  EXPECT_EQ(QPoint(I32(emf, 72), I32(emf, 76)), QPoint(size.width(), size.height()));
  EXPECT_EQ(QPoint(I32(emf, 80), I32(emf, 84)), QPoint(297, 210));
}

// The outline's corners, a symbol and the apex labels stand where the exact
// page positions are, to a sixteenth of a pixel, not on whole pixels.
TEST(EmfFileTest, ShapesKeepTheExactFractionsOfTheirPositions) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "Symbol#"}, {"1", "2", "4", "10"}});  // a diamond
  p.engine.Settings.UseDefaultShape = false;
  const OutputContext c = Context();
  const QByteArray emf = ExportBytes(p.engine, c, ExportType::EnhancedMetafile);
  const PageCorners k = Corners(c);
  const QPointF a = ExactPlace(k, 1, 0), b = ExactPlace(k, 0.5L, Sin60), cc = ExactPlace(k, 0, 0);
  Real x, y;
  TriangleXY(1.0L / 7, 2.0L / 7, x, y);
  const QPointF centre = ExactPlace(k, x, y);
  // Were they whole pixels, the test could not tell.
  for (const QPointF& q : {a, b, centre})
    ASSERT_GT(std::fabs(q.x() - std::round(q.x())) + std::fabs(q.y() - std::round(q.y())), 0.1);
  bool outline = false, diamond = false, fractional = false;
  QPoint label;
  for (const Record& r : EmfRecords(emf)) {
    if (r.Type == 3 || r.Type == 4) {
      QVector<QPoint> q;
      for (std::uint32_t i = 0; i < U32(emf, r.At + 24); ++i)
        q.push_back({I32(emf, r.At + 28 + 8 * i), I32(emf, r.At + 32 + 8 * i)});
      for (const QPoint& u : q) fractional = fractional || u.x() % 16 != 0 || u.y() % 16 != 0;
      if (q.size() == 3 && AtUnit(q[0], a) && AtUnit(q[1], b) && AtUnit(q[2], cc)) outline = true;
      // Left, top, right and bottom corners around the case's place.
      if (q.size() == 4 && AtUnit((QPointF(q[0]) + QPointF(q[2])) / 2, centre) &&
          AtUnit((QPointF(q[1]) + QPointF(q[3])) / 2, centre))
        diamond = true;
    }
    if (r.Type == 84 && EmfText(emf, r) == QStringLiteral("a"))
      label = QPoint(I32(emf, r.At + 36), I32(emf, r.At + 40));
  }
  EXPECT_TRUE(fractional);
  EXPECT_TRUE(outline) << a.x() << "," << a.y();
  EXPECT_TRUE(diamond) << centre.x() << "," << centre.y();
  // Apex A's label starts 6 pixels right of the exact corner.
  EXPECT_NEAR(InPixels(label).x(), a.x() + 6, 0.5 / EmfSubdivision + 1e-9);
}

TEST(EmfFileTest, OutlineAndApexLabelsStandWhereThePageMetricsPutThem) {
  Rocks p;
  const OutputContext c = Context();
  const QByteArray emf = ExportBytes(p.engine, c, ExportType::EnhancedMetafile);
  const PageCorners k = Corners(c);
  const QPointF a = ExactPlace(k, 1, 0), b = ExactPlace(k, 0.5L, Sin60), cc = ExactPlace(k, 0, 0);
  bool outline = false;
  QPoint sio2;
  for (const Record& r : EmfRecords(emf)) {
    if (r.Type == 3 && U32(emf, r.At + 24) == 3) {
      outline = outline || (AtUnit(QPoint(I32(emf, r.At + 28), I32(emf, r.At + 32)), a) &&
                            AtUnit(QPoint(I32(emf, r.At + 36), I32(emf, r.At + 40)), b) &&
                            AtUnit(QPoint(I32(emf, r.At + 44), I32(emf, r.At + 48)), cc));
    }
    if (r.Type == 84 && EmfText(emf, r) == QStringLiteral("SiO2"))
      sio2 = QPoint(I32(emf, r.At + 36), I32(emf, r.At + 40));
  }
  EXPECT_TRUE(outline) << "no triangle through " << a.x() << "," << a.y() << " " << b.x() << "," << b.y()
                       << " " << cc.x() << "," << cc.y();
  // Apex A's label starts the gap of 6 pixels right of corner A, its top level with it.
  EXPECT_NEAR(InPixels(sio2).x(), a.x() + 6, 0.5 / EmfSubdivision + 1e-9);
  EXPECT_GT(InPixels(sio2).y(), a.y());
  EXPECT_LT(InPixels(sio2).y(), a.y() + 30);
  // The corners the whole-pixel pages round to are within a pixel.
  EXPECT_LE(std::fabs(a.x() - k.a.x()) + std::fabs(a.y() - k.a.y()), 1.0);
}

TEST(WmfFileTest, PlaceableHeaderChecksumSizesAndEnd) {
  Rocks p;
  const QByteArray wmf = ExportBytes(p.engine, Context(), ExportType::PlaceableMetafile);
  ASSERT_GT(wmf.size(), 40);
  EXPECT_EQ(U32(wmf, 0), 0x9AC6CDD7u);
  std::uint32_t sum = 0;
  for (int i = 0; i < 20; i += 2) sum ^= U16(wmf, i);
  EXPECT_EQ(U16(wmf, 20), sum);
  EXPECT_EQ(I16(wmf, 10), 1123);  // the box: the page at 96 units per inch
  EXPECT_EQ(I16(wmf, 12), 794);
  EXPECT_EQ(U16(wmf, 14), 96u);
  EXPECT_EQ(U16(wmf, 22), 1u);
  EXPECT_EQ(U16(wmf, 24), 9u);
  EXPECT_EQ(U16(wmf, 26), 0x0300u);
  EXPECT_EQ(U32(wmf, 28) * 2, static_cast<std::uint32_t>(wmf.size() - 22));
  const std::vector<Record> records = WmfRecords(wmf);
  ASSERT_FALSE(records.empty());
  std::uint32_t largest = 0;
  for (const Record& r : records) largest = std::max(largest, static_cast<std::uint32_t>(r.Size / 2));
  EXPECT_EQ(U32(wmf, 34), largest);
  EXPECT_EQ(records.back().Type, 0u);
  EXPECT_EQ(records.back().Size, 6);

  // Objects take the lowest free slot; selects and deletes name live ones.
  const std::uint32_t objects = U16(wmf, 32);
  std::vector<bool> alive(objects, false);
  QStringList texts;
  bool described = false;
  for (const Record& r : records) {
    if (r.Type == 0x02FA || r.Type == 0x02FB || r.Type == 0x02FC) {
      const auto slot =
          static_cast<std::size_t>(std::find(alive.begin(), alive.end(), false) - alive.begin());
      ASSERT_LT(slot, alive.size()) << "more objects alive than the header's count";
      alive[slot] = true;
    } else if (r.Type == 0x012D || r.Type == 0x01F0) {
      const auto slot = U16(wmf, r.At + 6);
      ASSERT_LT(slot, objects);
      EXPECT_TRUE(alive[slot]);
      if (r.Type == 0x01F0) alive[slot] = false;
    } else if (r.Type == 0x0A32) {
      const int count = I16(wmf, r.At + 10);
      texts << QString::fromLatin1(wmf.mid(r.At + 14, count));
    } else if (r.Type == 0x0626) {
      described = wmf.mid(r.At + 10, static_cast<qsizetype>(U16(wmf, r.At + 8)))
                      .contains("Plot from data file: rocks.vnp");
    }
  }
  EXPECT_TRUE(described);
  EXPECT_EQ(std::count(alive.begin(), alive.end(), true), 0);
  EXPECT_TRUE(texts.contains(QStringLiteral("SiO2")));
  EXPECT_TRUE(texts.contains(QStringLiteral("FeO")));
}

TEST(WmfFileTest, LinesRunningFarOffThePageAreCutAndKeepTheirDirection) {
  // With a large zoom a tie line runs from the page to far beyond the 16-bit range.
  MetafileDevice device(QSize(1000, 700), 96);
  QPainter p(&device);
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(QPointF(100, 200), QPointF(100100, 50200));
  const QPointF triangle[3] = {{500, 500}, {600, 500}, {550, -99500}};
  p.setBrush(Qt::red);
  p.drawPolygon(triangle, 3);
  p.drawText(QPointF(90000, 100), QStringLiteral("far"));
  p.end();
  const QByteArray wmf = WmfBytes(device.Picture(), MetafileDescription());
  std::vector<QVector<QPoint>> lines, polygons;
  int texts = 0;
  for (const Record& r : WmfRecords(wmf)) {
    if (r.Type != 0x0325 && r.Type != 0x0324) {
      texts += r.Type == 0x0A32;
      continue;
    }
    QVector<QPoint> points;
    for (int i = 0; i < I16(wmf, r.At + 6); ++i)
      points.push_back({I16(wmf, r.At + 8 + 4 * i), I16(wmf, r.At + 10 + 4 * i)});
    (r.Type == 0x0325 ? lines : polygons).push_back(points);
  }
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].size(), 2);
  EXPECT_EQ(lines[0][0], QPoint(100, 200));
  EXPECT_EQ(lines[0][1], QPoint(32000, 16150));  // still a slope of one half
  ASSERT_EQ(polygons.size(), 1u);
  // The base stays; the far corner becomes two points on the cut.
  EXPECT_EQ(polygons[0].size(), 4);
  EXPECT_TRUE(polygons[0].contains(QPoint(500, 500)));
  EXPECT_TRUE(polygons[0].contains(QPoint(600, 500)));
  for (const QPoint& q : polygons[0]) EXPECT_GE(q.y(), -32000);
  EXPECT_EQ(texts, 0);
}

// The coordinates of the lines, polygons and texts of a metafile, in the
// order they are drawn.
struct Shapes {
  std::vector<QVector<QPoint>> Lines;  // polylines and polygons
  std::vector<QPoint> Texts;           // where each text starts
};

Shapes EmfShapes(const QByteArray& emf) {
  Shapes s;
  for (const Record& r : EmfRecords(emf)) {
    if (r.Type == 3 || r.Type == 4) {
      QVector<QPoint> points;
      for (std::uint32_t i = 0; i < U32(emf, r.At + 24); ++i)
        points.push_back({I32(emf, r.At + 28 + 8 * i), I32(emf, r.At + 32 + 8 * i)});
      s.Lines.push_back(points);
    } else if (r.Type == 84) {
      s.Texts.push_back({I32(emf, r.At + 36), I32(emf, r.At + 40)});
    }
  }
  return s;
}

Shapes WmfShapes(const QByteArray& wmf) {
  Shapes s;
  for (const Record& r : WmfRecords(wmf)) {
    if (r.Type == 0x0325 || r.Type == 0x0324) {
      QVector<QPoint> points;
      for (int i = 0; i < I16(wmf, r.At + 6); ++i)
        points.push_back({I16(wmf, r.At + 8 + 4 * i), I16(wmf, r.At + 10 + 4 * i)});
      s.Lines.push_back(points);
    } else if (r.Type == 0x0A32) {
      s.Texts.push_back({I16(wmf, r.At + 8), I16(wmf, r.At + 6)});
    }
  }
  return s;
}

// One page written both ways: the placeable metafile's units per inch keep
// the page inside its 16-bit coordinates and agree with its header, and
// every shape stands where the enhanced metafile has it, at that scale.
TEST(WmfFileTest, LargePagesAndHighResolutionsKeepTheirSizeAndMatchTheEnhancedMetafile) {
  struct Case {
    QSizeF mm;
    int dpi;
    int unitsPerInch;  // what the header must say
  };
  const Case cases[] = {
      {{297, 210}, 96, 96},       // the usual page: written as it always was
      {{297, 210}, 1440, 1440},   // the finest resolution the header takes
      {{297, 210}, 2400, 1440},   // finer: the header's largest, coordinates to match
      {{2000, 2000}, 2400, 406},  // 78.7 inches on a side, within 32000 units
      {{2000, 10}, 600, 406},     // long and narrow: its long side decides
      {{10, 2000}, 96, 96},
  };
  Rocks p;
  p.engine.Settings.ViewLabels = true;
  for (const Case& k : cases) {
    SCOPED_TRACE(
        QStringLiteral("%1 x %2 mm at %3 dpi").arg(k.mm.width()).arg(k.mm.height()).arg(k.dpi).toStdString());
    OutputContext c = Context();
    c.ScreenDpi = k.dpi;
    c.Printer = PageOfSize(k.mm);
    const QSize size = MetafilePageSize(c);
    const MetafilePicture picture = GraphMetafile(p.engine, c, size, k.dpi, MetafileKind::Enhanced);
    const QByteArray emf = EmfBytes(picture, GraphDescription(c));
    const QByteArray wmf = WmfBytes(picture, GraphDescription(c));
    const int units = static_cast<int>(U16(wmf, 14));
    EXPECT_EQ(units, k.unitsPerInch);
    // The box is the recorded page in those units: its size in inches is kept.
    const int width = I16(wmf, 10), height = I16(wmf, 12);
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_LE(std::max(width, height), 32000);
    EXPECT_NEAR(static_cast<double>(width) / units, static_cast<double>(size.width()) / k.dpi, 0.51 / units);
    EXPECT_NEAR(static_cast<double>(height) / units, static_cast<double>(size.height()) / k.dpi,
                0.51 / units);
    if (k.mm.width() >= 100) {
      EXPECT_NEAR(width * 25.4 / units, k.mm.width(), 0.5);
    }
    // The window is the same box.
    for (const Record& r : WmfRecords(wmf)) {
      if (r.Type == 0x020C) {
        EXPECT_EQ(QPoint(I16(wmf, r.At + 8), I16(wmf, r.At + 6)), QPoint(width, height));
      }
    }
    // Every shape and text where the enhanced metafile has it, in its
    // sixteenths of a pixel.
    const Shapes e = EmfShapes(emf), w = WmfShapes(wmf);
    const double scale = static_cast<double>(units) / k.dpi / EmfSubdivision;
    ASSERT_EQ(e.Lines.size(), w.Lines.size());
    ASSERT_GE(e.Lines.size(), 1u);
    for (std::size_t i = 0; i < e.Lines.size(); ++i) {
      ASSERT_EQ(e.Lines[i].size(), w.Lines[i].size()) << "shape " << i;
      for (qsizetype j = 0; j < e.Lines[i].size(); ++j) {
        EXPECT_NEAR(w.Lines[i][j].x(), e.Lines[i][j].x() * scale, 0.51) << "shape " << i;
        EXPECT_NEAR(w.Lines[i][j].y(), e.Lines[i][j].y() * scale, 0.51) << "shape " << i;
      }
    }
    ASSERT_EQ(e.Texts.size(), w.Texts.size());
    ASSERT_GE(e.Texts.size(), 3u);
    for (std::size_t i = 0; i < e.Texts.size(); ++i) {
      EXPECT_NEAR(w.Texts[i].x(), e.Texts[i].x() * scale, 0.51);
      EXPECT_NEAR(w.Texts[i].y(), e.Texts[i].y() * scale, 0.51);
    }
    // The placeable metafile as exported, drawn in whole pixels: at its own
    // resolution its coordinates are the pixels recorded, and every shape
    // lies within the rounding to whole pixels (half a pixel, and half a unit
    // of the file) of the enhanced metafile's.
    const MetafilePicture pixels = GraphMetafile(p.engine, c, size, k.dpi, MetafileKind::Placeable);
    ASSERT_EQ(pixels.Subdivision, 1);
    const Shapes placed = WmfShapes(GraphMetafileBytes(p.engine, c, size, k.dpi, MetafileKind::Placeable));
    if (units == k.dpi) {
      std::vector<QVector<QPoint>> recorded;
      for (const MetafileRecord& r : pixels.Records)
        if (r.What == MetafileRecord::Kind::Polyline || r.What == MetafileRecord::Kind::Polygon)
          recorded.push_back(r.Points);
      EXPECT_EQ(placed.Lines, recorded);
    }
    ASSERT_EQ(placed.Lines.size(), e.Lines.size());
    ASSERT_EQ(placed.Texts.size(), e.Texts.size());
    const double pixel = static_cast<double>(units) / k.dpi;
    for (std::size_t i = 0; i < e.Lines.size(); ++i) {
      ASSERT_EQ(e.Lines[i].size(), placed.Lines[i].size()) << "shape " << i;
      for (qsizetype j = 0; j < e.Lines[i].size(); ++j) {
        EXPECT_NEAR(placed.Lines[i][j].x(), e.Lines[i][j].x() * scale, 0.51 + 0.5 * pixel) << "shape " << i;
        EXPECT_NEAR(placed.Lines[i][j].y(), e.Lines[i][j].y() * scale, 0.51 + 0.5 * pixel) << "shape " << i;
      }
    }
  }
}

// emf2svg, a reader of enhanced metafiles of its own, turns the file into an
// SVG with the outline and the apex labels where the page has them, to a
// sixteenth of a pixel, and the fonts at their size: the mapping of the
// units onto pixels is read as it is meant.
TEST(MetafileRenderTest, Emf2svgPlacesTheOutlineAndLabelsToASixteenthOfAPixel) {
  const QString converter = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
  if (converter.isEmpty())
    GTEST_SKIP() << "emf2svg-conv (package emf2svg) is not installed, so the metafile cannot be read back";
  Rocks p;
  const OutputContext c = Context();
  QTemporaryDir dir;
  const QString emfPath = dir.filePath(QStringLiteral("g.emf")),
                svgPath = dir.filePath(QStringLiteral("g.svg"));
  const QByteArray emf = ExportBytes(p.engine, c, ExportType::EnhancedMetafile);
  test::WriteFileOrFail(emfPath, emf);
  QProcess run;
  run.start(converter, {QStringLiteral("-i"), emfPath, QStringLiteral("-o"), svgPath});
  ASSERT_TRUE(run.waitForFinished(60000));
  ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
  const QString svg = QString::fromUtf8(test::ReadFile(svgPath));

  // The picture is the header's bounds, moved to the corner.
  const QRect bounds(QPoint(I32(emf, 8), I32(emf, 12)), QPoint(I32(emf, 16), I32(emf, 20)));
  static const QRegularExpression shift(QStringLiteral("translate\\((-?[0-9.]+), *(-?[0-9.]+)\\)"));
  const QRegularExpressionMatch moved = shift.match(svg);
  ASSERT_TRUE(moved.hasMatch()) << svg.left(400).toStdString();
  EXPECT_EQ(QPointF(moved.captured(1).toDouble(), moved.captured(2).toDouble()), -QPointF(bounds.topLeft()));

  const PageCorners k = Corners(c);
  const QPointF a = ExactPlace(k, 1, 0), b = ExactPlace(k, 0.5L, Sin60), cc = ExactPlace(k, 0, 0);
  const auto near = [](QPointF u, QPointF v) {
    return std::fabs(u.x() - v.x()) <= 0.5 / EmfSubdivision + 1e-4 &&
           std::fabs(u.y() - v.y()) <= 0.5 / EmfSubdivision + 1e-4;
  };
  static const QRegularExpression path(QStringLiteral("<path d=\"M ([^\"]*)\""));
  static const QRegularExpression point(QStringLiteral("(-?[0-9.]+),(-?[0-9.]+)"));
  bool outline = false;
  for (const auto& m : path.globalMatch(svg)) {
    std::vector<QPointF> q;
    for (const auto& n : point.globalMatch(m.captured(1)))
      q.emplace_back(n.captured(1).toDouble(), n.captured(2).toDouble());
    if (q.size() == 3 && near(q[0], a) && near(q[1], b) && near(q[2], cc)) outline = true;
  }
  EXPECT_TRUE(outline) << "no triangle through " << a.x() << "," << a.y() << " " << b.x() << "," << b.y()
                       << " " << cc.x() << "," << cc.y();

  // SiO2 starts 6 pixels right of corner A, at the apex font's height.
  int height = 0;
  for (const MetafileRecord& r :
       GraphMetafile(p.engine, c, MetafilePageSize(c), 96, MetafileKind::Enhanced).Records)
    if (r.Text == QStringLiteral("SiO2")) height = r.Font.PixelHeight;
  ASSERT_GT(height, 0);
  static const QRegularExpression label(
      QStringLiteral("<text [^>]* x=\"([0-9.]+)\" y=\"([0-9.]+)\" font-size=\"([0-9.]+)\" *>"
                     "<!\\[CDATA\\[SiO2\\]\\]>"));
  const QRegularExpressionMatch sio2 = label.match(svg);
  ASSERT_TRUE(sio2.hasMatch());
  EXPECT_NEAR(sio2.captured(1).toDouble(), a.x() + 6, 0.5 / EmfSubdivision + 1e-4);
  EXPECT_GT(sio2.captured(2).toDouble(), a.y());
  EXPECT_NEAR(sio2.captured(3).toDouble(), static_cast<double>(height) / EmfSubdivision, 1e-4);
}

// Converts a metafile with LibreOffice and reads the picture back.
QImage Rendered(const QString& file, const QString& folder) {
  QProcess soffice;
  soffice.start(QStringLiteral("soffice"),
                {QStringLiteral("-env:UserInstallation=file://") + folder + QStringLiteral("/profile"),
                 QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("png"),
                 QStringLiteral("--outdir"), folder, file});
  soffice.waitForFinished(120000);
  return QImage(folder + QLatin1Char('/') + QFileInfo(file).completeBaseName() + QStringLiteral(".png"));
}

// The rectangle holding every dark pixel.
QRect DarkBounds(const QImage& image) {
  QRect r;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 160) r = r.united(QRect(x, y, 1, 1));
  return r;
}

int DarkAround(const QImage& image, QPoint at, int radius) {
  return test::DarkPixelsIn(image, QRect(at - QPoint(radius, radius), at + QPoint(radius, radius)), 160);
}

// LibreOffice places a picture on a page of its own and scales it, so the
// rendering is compared with our own bitmap of the page through the boxes
// around what both have drawn.
TEST(MetafileRenderTest, LibreOfficeDrawsTheTriangleAndLabelsWhereThePageHasThem) {
  if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
    GTEST_SKIP() << "LibreOffice (soffice) is not installed, so the metafiles cannot be rendered";
  Rocks p;
  const OutputContext c = Context();
  QTemporaryDir dir;
  const QRect ownBox = DarkBounds(GraphBitmap(p.engine, c, MetafilePageSize(c), 96));
  const PageCorners k = Corners(c);
  const QPoint corner[3] = {k.a, k.b, k.c};
  for (const ExportType type : {ExportType::EnhancedMetafile, ExportType::PlaceableMetafile}) {
    const QString file = dir.filePath(type == ExportType::EnhancedMetafile ? QStringLiteral("g.emf")
                                                                           : QStringLiteral("w.wmf"));
    test::WriteFileOrFail(file, ExportBytes(p.engine, c, type));
    const QImage image = Rendered(file, dir.path());
    ASSERT_FALSE(image.isNull()) << "LibreOffice made no picture of " << file.toStdString();
    SCOPED_TRACE(file.toStdString());
    const QRect box = DarkBounds(image);
    ASSERT_FALSE(box.isEmpty());
    const double sx = static_cast<double>(box.width()) / ownBox.width();
    const double sy = static_cast<double>(box.height()) / ownBox.height();
    EXPECT_NEAR(sx / sy, 1.0, 0.04);  // not stretched
    const auto there = [&](QPoint q) {
      return QPoint(box.left() + static_cast<int>(std::lround((q.x() - ownBox.left()) * sx)),
                    box.top() + static_cast<int>(std::lround((q.y() - ownBox.top()) * sy)));
    };
    for (const QPoint& q : corner) EXPECT_GT(DarkAround(image, there(q), 3), 0) << q.x() << "," << q.y();
    // The middle of the base, and nothing inside the triangle.
    EXPECT_GT(DarkAround(image, there((corner[0] + corner[2]) / 2), 3), 0);
    EXPECT_EQ(DarkAround(image, there(QPoint(k.m.CentreX, corner[0].y() - 60)), 10), 0);
    // The labels: SiO2 right of A, MgO above B, FeO left of C.
    EXPECT_GT(DarkAround(image, there(corner[0] + QPoint(25, 10)), 8), 5);
    EXPECT_GT(DarkAround(image, there(corner[1] + QPoint(0, -14)), 8), 5);
    EXPECT_GT(DarkAround(image, there(corner[2] + QPoint(-25, 10)), 8), 5);
    EXPECT_EQ(DarkAround(image, there(corner[0] + QPoint(-25, 20)), 6), 0);
  }
}

}  // namespace
}  // namespace varnel

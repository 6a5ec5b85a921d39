#include "graphs/wmffile.h"

#include <QList>
#include <QPointF>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "app/textcodec.h"
#include "graphs/metafilebytes.h"
#include "graphs/pagemetrics.h"

namespace varnel {
namespace {

enum : std::uint32_t {
  MetaEof = 0x0000,
  MetaSetBkMode = 0x0102,
  MetaSetMapMode = 0x0103,
  MetaSetPolyFillMode = 0x0106,
  MetaSetWindowOrg = 0x020B,
  MetaSetWindowExt = 0x020C,
  MetaSetTextColor = 0x0209,
  MetaSetTextAlign = 0x012E,
  MetaSelectObject = 0x012D,
  MetaDeleteObject = 0x01F0,
  MetaCreatePenIndirect = 0x02FA,
  MetaCreateFontIndirect = 0x02FB,
  MetaCreateBrushIndirect = 0x02FC,
  MetaPolygon = 0x0324,
  MetaPolyline = 0x0325,
  MetaEllipse = 0x0418,
  MetaRectangle = 0x041B,
  MetaEscape = 0x0626,
  MetaExtTextOut = 0x0A32,
};

constexpr qsizetype PlaceableSize = 22;
constexpr qsizetype HeaderSize = 18;

int Short(int v) { return std::clamp(v, -32768, 32767); }

// Far beyond any page, inside the 16-bit range: what lies past it is cut off
// rather than squeezed in, so that the part on the page keeps its direction.
constexpr qreal Reach = 32000;

QPoint Rounded(QPointF p) {
  return {static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))};
}

bool Inside(const QPoint& p) { return std::abs(p.x()) <= Reach && std::abs(p.y()) <= Reach; }

// A polyline as the runs of it that lie within reach.
QList<QVector<QPoint>> ClipPolyline(const QVector<QPoint>& points) {
  QList<QVector<QPoint>> runs;
  QVector<QPoint> run;
  for (qsizetype i = 0; i + 1 < points.size(); ++i) {
    QPointF a = points[i], b = points[i + 1];
    if (!ClipSegment(a, b, QRectF(-Reach, -Reach, 2 * Reach, 2 * Reach))) continue;
    const QPoint from = Rounded(a), to = Rounded(b);
    if (run.isEmpty() || run.back() != from) {
      if (run.size() > 1) runs.push_back(run);
      run = {from};
    }
    run.push_back(to);
  }
  if (run.size() > 1) runs.push_back(run);
  return runs;
}

// A polygon cut to the square of Reach (Sutherland-Hodgman, edge by edge).
QVector<QPoint> ClipPolygon(const QVector<QPoint>& points) {
  if (std::all_of(points.begin(), points.end(), Inside)) return points;
  QVector<QPointF> poly(points.begin(), points.end());
  for (int edge = 0; edge < 4; ++edge) {
    const auto inside = [edge](QPointF p) {
      return edge == 0   ? p.x() >= -Reach
             : edge == 1 ? p.x() <= Reach
             : edge == 2 ? p.y() >= -Reach
                         : p.y() <= Reach;
    };
    const auto cross = [edge](QPointF a, QPointF b) {
      const bool vertical = edge < 2;
      const qreal limit = edge % 2 == 0 ? -Reach : Reach;
      const qreal t = vertical ? (limit - a.x()) / (b.x() - a.x()) : (limit - a.y()) / (b.y() - a.y());
      return a + t * (b - a);
    };
    QVector<QPointF> out;
    for (qsizetype i = 0; i < poly.size(); ++i) {
      const QPointF cur = poly[i], prev = poly[(i + poly.size() - 1) % poly.size()];
      if (inside(cur)) {
        if (!inside(prev)) out.push_back(cross(prev, cur));
        out.push_back(cur);
      } else if (inside(prev)) {
        out.push_back(cross(prev, cur));
      }
    }
    poly = out;
    if (poly.isEmpty()) break;
  }
  QVector<QPoint> result;
  for (const QPointF& p : poly) result.push_back(Rounded(p));
  return result;
}

// A character as one Windows-1252 byte.
char Ansi(char32_t c) {
  if (c < 0x80) return static_cast<char>(c);
  const std::string utf8 = QString::fromUcs4(&c, 1).toStdString();
  TextEncoding used = TextEncoding::Utf8;
  const std::string one = EncodeText(utf8, TextEncoding::Windows1252, &used);
  return used == TextEncoding::Windows1252 && one.size() == 1 ? one.front() : '?';
}

class WmfWriter {
 public:
  qsizetype Begin(std::uint32_t function) {
    const qsizetype start = out_.Size();
    out_.U32(0);  // size in words, set by End
    out_.U16(function);
    return start;
  }
  void End(qsizetype start) {
    out_.PadTo(2);
    const auto words = static_cast<std::uint32_t>((out_.Size() - start) / 2);
    out_.PatchU32(start, words);
    largest_ = std::max(largest_, words);
  }
  void Simple(std::uint32_t function, std::initializer_list<int> values) {
    const qsizetype s = Begin(function);
    for (int v : values) out_.I16(Short(v));
    End(s);
  }

  LittleEndianBytes out_;
  std::uint32_t largest_ = 0;
};

class WmfBuilder {
 public:
  explicit WmfBuilder(WmfWriter& w) : w_(w) {}

  void Pen(const MetafilePen& pen) {
    if (pen_ && *pen_ == pen) return;
    pen_ = pen;
    const qsizetype s = w_.Begin(MetaCreatePenIndirect);
    std::uint32_t style = static_cast<std::uint32_t>(pen.Style);
    if (pen.Cap == MetafileCap::Square) style |= 0x0100;
    if (pen.Cap == MetafileCap::Flat) style |= 0x0200;
    if (pen.Join == MetafileJoin::Bevel) style |= 0x1000;
    if (pen.Join == MetafileJoin::Miter) style |= 0x2000;
    w_.out_.U16(style);
    w_.out_.I16(Short(std::max(pen.Width, 1)));
    w_.out_.I16(0);
    w_.out_.ColorRef(pen.Color);
    w_.End(s);
    Replace(penSlot_);
  }

  void Brush(const MetafileBrush& brush) {
    if (brush_ && *brush_ == brush) return;
    brush_ = brush;
    const qsizetype s = w_.Begin(MetaCreateBrushIndirect);
    w_.out_.U16(brush.Null ? 1 : 0);
    w_.out_.ColorRef(brush.Color);
    w_.out_.U16(0);
    w_.End(s);
    Replace(brushSlot_);
  }

  void Font(const MetafileFont& font) {
    if (font_ && *font_ == font) return;
    font_ = font;
    const qsizetype s = w_.Begin(MetaCreateFontIndirect);
    w_.out_.I16(-Short(std::max(font.PixelHeight, 1)));
    w_.out_.I16(0);
    w_.out_.I16(0);
    w_.out_.I16(0);
    w_.out_.I16(font.Bold ? 700 : 400);
    w_.out_.Bytes(QByteArray(1, font.Italic ? '\1' : '\0'));
    w_.out_.Bytes(QByteArray("\0\0\0\0\0\4\0", 7));  // underline, strike-out, ANSI, quality 4
    QByteArray face;
    for (char32_t c : font.Family.toUcs4()) face.append(Ansi(c));
    face = face.left(31);
    w_.out_.Bytes(face);
    w_.out_.Zeros(32 - face.size());
    w_.End(s);
    Replace(fontSlot_);
  }

  void TextColor(QRgb c) {
    if (textColor_ && *textColor_ == c) return;
    textColor_ = c;
    const qsizetype s = w_.Begin(MetaSetTextColor);
    w_.out_.ColorRef(c);
    w_.End(s);
  }

  void FillMode(bool winding) {
    if (winding_ && *winding_ == winding) return;
    winding_ = winding;
    w_.Simple(MetaSetPolyFillMode, {winding ? 2 : 1});
  }

  void Finish() {
    for (int* slot : {&penSlot_, &brushSlot_, &fontSlot_})
      if (*slot >= 0) w_.Simple(MetaDeleteObject, {*slot});
  }

  int ObjectCount() const { return slots_.Count(); }

 private:
  // The object just created took the lowest free slot; it is selected and
  // the one it replaces is deleted only then, since a selected object must
  // not be deleted.
  void Replace(int& slot) {
    const int created = slots_.Take();
    w_.Simple(MetaSelectObject, {created});
    if (slot >= 0) {
      w_.Simple(MetaDeleteObject, {slot});
      slots_.Free(slot);
    }
    slot = created;
  }

  WmfWriter& w_;
  ObjectSlots slots_{0};
  int penSlot_ = -1, brushSlot_ = -1, fontSlot_ = -1;
  std::optional<MetafilePen> pen_;
  std::optional<MetafileBrush> brush_;
  std::optional<MetafileFont> font_;
  std::optional<QRgb> textColor_;
  std::optional<bool> winding_;
};

void WritePoints(WmfWriter& w, std::uint32_t function, const QVector<QPoint>& points) {
  const qsizetype s = w.Begin(function);
  w.out_.I16(Short(static_cast<int>(points.size())));
  for (const QPoint& p : points) {
    w.out_.I16(Short(p.x()));
    w.out_.I16(Short(p.y()));
  }
  w.End(s);
}

void WriteText(WmfWriter& w, const MetafileRecord& r) {
  // One byte per character; a surrogate pair's two widths become one.
  QByteArray text;
  QVector<int> widths;
  for (qsizetype i = 0; i < r.Text.size(); ++i) {
    const QChar c = r.Text.at(i);
    int width = i < r.Advances.size() ? r.Advances[i] : 0;
    if (c.isHighSurrogate() && i + 1 < r.Text.size() && r.Text.at(i + 1).isLowSurrogate()) {
      width += i + 1 < r.Advances.size() ? r.Advances[i + 1] : 0;
      text.append(Ansi(QChar::surrogateToUcs4(c, r.Text.at(i + 1))));
      ++i;
    } else {
      text.append(Ansi(c.unicode()));
    }
    widths.push_back(width);
  }
  const qsizetype s = w.Begin(MetaExtTextOut);
  w.out_.I16(Short(r.Points.front().y()));
  w.out_.I16(Short(r.Points.front().x()));
  w.out_.I16(Short(static_cast<int>(text.size())));
  w.out_.U16(0);  // no clipping, no opaque box
  w.out_.Bytes(text);
  w.out_.PadTo(2);
  for (int width : widths) w.out_.I16(Short(width));
  w.End(s);
}

// The units per inch of the file: the picture's own resolution where the
// page fits the 16-bit coordinates and readers take it (at most 1440), else
// the largest resolution at which the whole page stays within reach. The
// header and every coordinate use the same units, so the page keeps its
// size in inches.
int UnitsPerInch(const MetafilePicture& picture) {
  const int dpi = std::max(picture.Dpi, 1);
  const double side = std::max({picture.Size.width(), picture.Size.height(), 1});
  const int fitting = static_cast<int>(std::floor(Reach * dpi / side));
  return std::max(1, std::min({dpi, 1440, fitting}));
}

int Scaled(int v, double scale) { return static_cast<int>(std::lround(v * scale)); }

// The picture in units of scale device pixels, one unit to the pixel:
// points, boxes, pens, fonts and the advances of text (as running sums, so
// that a line of text keeps its length).
MetafilePicture ScaledPicture(const MetafilePicture& picture, double scale) {
  MetafilePicture out;
  out.Size = QSize(std::max(1, Scaled(picture.Size.width(), scale)),
                   std::max(1, Scaled(picture.Size.height(), scale)));
  out.Dpi = picture.Dpi;
  const int n = std::max(picture.Subdivision, 1);
  const double unit = scale / n;  // what a unit of the picture becomes
  out.Records.reserve(picture.Records.size());
  for (const MetafileRecord& r : picture.Records) {
    MetafileRecord s = r;
    for (QPoint& p : s.Points) p = QPoint(Scaled(p.x(), unit), Scaled(p.y(), unit));
    if (!r.Box.isNull())
      s.Box = QRect(QPoint(Scaled(r.Box.left(), unit), Scaled(r.Box.top(), unit)),
                    QPoint(Scaled(r.Box.right() + n, unit) - 1, Scaled(r.Box.bottom() + n, unit) - 1));
    s.Pen.Width = std::max(1, Scaled(r.Pen.Width, unit));
    s.Font.PixelHeight = std::max(1, Scaled(r.Font.PixelHeight, unit));
    long long sum = 0;
    int placed = 0;
    for (int& a : s.Advances) {
      sum += a;
      const int end = static_cast<int>(std::llround(static_cast<double>(sum) * unit));
      a = end - placed;
      placed = end;
    }
    out.Records.push_back(std::move(s));
  }
  return out;
}

}  // namespace

QByteArray WmfBytes(const MetafilePicture& original, const MetafileDescription& description) {
  const int unitsPerInch = UnitsPerInch(original);
  const int dpi = std::max(original.Dpi, 1);
  std::optional<MetafilePicture> scaled;
  if (unitsPerInch != dpi || original.Subdivision > 1)
    scaled = ScaledPicture(original, static_cast<double>(unitsPerInch) / dpi);
  const MetafilePicture& picture = scaled ? *scaled : original;
  WmfWriter w;
  const int width = Short(picture.Size.width());
  const int height = Short(picture.Size.height());
  w.out_.U32(0x9AC6CDD7);
  w.out_.U16(0);
  w.out_.I16(0);
  w.out_.I16(0);
  w.out_.I16(width);
  w.out_.I16(height);
  w.out_.U16(static_cast<std::uint32_t>(unitsPerInch));
  w.out_.U32(0);
  std::uint32_t checksum = 0;
  for (qsizetype i = 0; i < 20; i += 2)
    checksum ^= static_cast<std::uint8_t>(w.out_.Data()[i]) |
                static_cast<std::uint32_t>(static_cast<std::uint8_t>(w.out_.Data()[i + 1])) << 8;
  w.out_.U16(checksum);

  w.out_.U16(1);  // in memory
  w.out_.U16(HeaderSize / 2);
  w.out_.U16(0x0300);
  w.out_.U32(0);  // size in words, set at the end
  w.out_.U16(0);  // objects, set at the end
  w.out_.U32(0);  // largest record, set at the end
  w.out_.U16(0);

  // The description as the enhanced metafile has it, in a comment.
  QByteArray comment = description.Creator.toUtf8();
  comment.append('\0');
  comment.append(description.Title.toUtf8());
  comment.append(QByteArray(2, '\0'));
  const qsizetype e = w.Begin(MetaEscape);
  w.out_.U16(0x000F);  // comment
  w.out_.U16(static_cast<std::uint32_t>(comment.size()));
  w.out_.Bytes(comment);
  w.End(e);

  w.Simple(MetaSetMapMode, {8});  // anisotropic: the window fills the placeable box
  w.Simple(MetaSetWindowOrg, {0, 0});
  w.Simple(MetaSetWindowExt, {height, width});
  w.Simple(MetaSetBkMode, {1});
  w.Simple(MetaSetTextAlign, {24});
  WmfBuilder b(w);
  for (const MetafileRecord& r : picture.Records) {
    if (r.What == MetafileRecord::Kind::Text) {
      if (!Inside(r.Points.front())) continue;  // far off the page
      b.Font(r.Font);
      b.TextColor(r.TextColor);
      WriteText(w, r);
      continue;
    }
    b.Pen(r.Pen);
    if (r.What == MetafileRecord::Kind::Polyline) {
      for (const QVector<QPoint>& run : ClipPolyline(r.Points)) WritePoints(w, MetaPolyline, run);
      continue;
    }
    b.Brush(r.Brush);
    if (r.What == MetafileRecord::Kind::Polygon) {
      b.FillMode(r.Winding);
      const QVector<QPoint> clipped = ClipPolygon(r.Points);
      if (clipped.size() > 2) WritePoints(w, MetaPolygon, clipped);
      continue;
    }
    // The box's right and bottom edges lie outside what is drawn.
    w.Simple(r.What == MetafileRecord::Kind::Ellipse ? MetaEllipse : MetaRectangle,
             {r.Box.bottom() + 1, r.Box.right() + 1, r.Box.top(), r.Box.left()});
  }
  b.Finish();
  const qsizetype eof = w.Begin(MetaEof);
  w.End(eof);
  w.out_.PatchU32(PlaceableSize + 6, static_cast<std::uint32_t>((w.out_.Size() - PlaceableSize) / 2));
  w.out_.PatchU16(PlaceableSize + 10, static_cast<std::uint32_t>(b.ObjectCount()));
  w.out_.PatchU32(PlaceableSize + 12, w.largest_);
  return w.out_.Data();
}

}  // namespace varnel

#include "graphs/emffile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "graphs/metafilebytes.h"

namespace varnel {
namespace {

enum : std::uint32_t {
  EmrHeader = 1,
  EmrPolygon = 3,
  EmrPolyline = 4,
  EmrSetWindowExtEx = 9,
  EmrSetViewportExtEx = 11,
  EmrEof = 14,
  EmrSetMapMode = 17,
  EmrSetBkMode = 18,
  EmrSetPolyFillMode = 19,
  EmrSetTextAlign = 22,
  EmrSetTextColor = 24,
  EmrSelectObject = 37,
  EmrCreateBrushIndirect = 39,
  EmrDeleteObject = 40,
  EmrEllipse = 42,
  EmrRectangle = 43,
  EmrExtCreateFontIndirectW = 82,
  EmrExtTextOutW = 84,
  EmrExtCreatePen = 95,
};

constexpr std::uint32_t StockNullBrush = 0x80000005;
constexpr std::uint32_t StockBlackPen = 0x80000007;
constexpr std::uint32_t StockNullPen = 0x80000008;
constexpr std::uint32_t StockSystemFont = 0x8000000D;
constexpr std::uint32_t StockWhiteBrush = 0x80000000;

class EmfWriter {
 public:
  qsizetype Begin(std::uint32_t type) {
    const qsizetype start = out_.Size();
    out_.U32(type);
    out_.U32(0);  // size, set by End
    return start;
  }
  void End(qsizetype start) {
    out_.PadTo(4);
    out_.PatchU32(start + 4, static_cast<std::uint32_t>(out_.Size() - start));
    ++records_;
  }
  void Rect(const QRect& r) {  // RECTL, both corners included
    out_.I32(r.left());
    out_.I32(r.top());
    out_.I32(r.right());
    out_.I32(r.bottom());
  }
  void Simple(std::uint32_t type, std::uint32_t value) {
    const qsizetype s = Begin(type);
    out_.U32(value);
    End(s);
  }
  void Pair(std::uint32_t type, int x, int y) {
    const qsizetype s = Begin(type);
    out_.I32(x);
    out_.I32(y);
    End(s);
  }

  LittleEndianBytes out_;
  int records_ = 0;
};

// A metafile object in use: a stock one or one of the file's own.
struct Selected {
  std::uint32_t Handle = 0;
  bool Own = false;
};

class EmfBuilder {
 public:
  explicit EmfBuilder(EmfWriter& w) : w_(w) {}

  void Pen(const MetafilePen& pen) {
    if (pen_ && *pen_ == pen) return;
    pen_ = pen;
    if (pen.Style == MetafilePenStyle::Null) return Select(pens_, {StockNullPen, false});
    const int h = slots_.Take();
    const qsizetype s = w_.Begin(EmrExtCreatePen);
    w_.out_.U32(static_cast<std::uint32_t>(h));
    w_.out_.U32(52);  // no brush pattern: offsets point past the record's fixed part
    w_.out_.U32(0);
    w_.out_.U32(52);
    w_.out_.U32(0);
    std::uint32_t style = 0x00010000 | static_cast<std::uint32_t>(pen.Style);  // geometric
    if (pen.Cap == MetafileCap::Square) style |= 0x0100;
    if (pen.Cap == MetafileCap::Flat) style |= 0x0200;
    if (pen.Join == MetafileJoin::Bevel) style |= 0x1000;
    if (pen.Join == MetafileJoin::Miter) style |= 0x2000;
    w_.out_.U32(style);
    w_.out_.U32(static_cast<std::uint32_t>(std::max(pen.Width, 1)));
    w_.out_.U32(0);  // solid brush
    w_.out_.ColorRef(pen.Color);
    w_.out_.U32(0);
    w_.out_.U32(0);
    w_.End(s);
    Select(pens_, {static_cast<std::uint32_t>(h), true});
  }

  void Brush(const MetafileBrush& brush) {
    if (brush_ && *brush_ == brush) return;
    brush_ = brush;
    if (brush.Null) return Select(brushes_, {StockNullBrush, false});
    const int h = slots_.Take();
    const qsizetype s = w_.Begin(EmrCreateBrushIndirect);
    w_.out_.U32(static_cast<std::uint32_t>(h));
    w_.out_.U32(0);  // solid
    w_.out_.ColorRef(brush.Color);
    w_.out_.U32(0);
    w_.End(s);
    Select(brushes_, {static_cast<std::uint32_t>(h), true});
  }

  void Font(const MetafileFont& font) {
    if (font_ && *font_ == font) return;
    font_ = font;
    const int h = slots_.Take();
    const qsizetype s = w_.Begin(EmrExtCreateFontIndirectW);
    w_.out_.U32(static_cast<std::uint32_t>(h));
    w_.out_.I32(-std::max(font.PixelHeight, 1));  // character height, not cell height
    w_.out_.I32(0);
    w_.out_.I32(0);
    w_.out_.I32(0);
    w_.out_.I32(font.Bold ? 700 : 400);
    w_.out_.Bytes(QByteArray(1, font.Italic ? '\1' : '\0'));
    w_.out_.Bytes(QByteArray("\0\0\1\0\0\4\0", 7));  // underline, strike-out, charset 1, quality 4
    const QString face = font.Family.left(31);
    for (QChar c : face) w_.out_.U16(c.unicode());
    w_.out_.Zeros(2 * (32 - face.size()));
    w_.End(s);
    Select(fonts_, {static_cast<std::uint32_t>(h), true});
  }

  void TextColor(QRgb c) {
    if (textColor_ && *textColor_ == c) return;
    textColor_ = c;
    const qsizetype s = w_.Begin(EmrSetTextColor);
    w_.out_.ColorRef(c);
    w_.End(s);
  }

  void FillMode(bool winding) {
    if (winding_ && *winding_ == winding) return;
    winding_ = winding;
    w_.Simple(EmrSetPolyFillMode, winding ? 2 : 1);
  }

  // Stock objects back in, own ones deleted: a player is left with nothing.
  void Finish() {
    Select(pens_, {StockBlackPen, false});
    Select(brushes_, {StockWhiteBrush, false});
    Select(fonts_, {StockSystemFont, false});
  }

  int HandleCount() const { return slots_.Count(); }

 private:
  void Select(Selected& current, Selected next) {
    w_.Simple(EmrSelectObject, next.Handle);
    if (current.Own) {
      w_.Simple(EmrDeleteObject, current.Handle);
      slots_.Free(static_cast<int>(current.Handle));
    }
    current = next;
  }

  EmfWriter& w_;
  ObjectSlots slots_{1};
  Selected pens_, brushes_, fonts_;
  std::optional<MetafilePen> pen_;
  std::optional<MetafileBrush> brush_;
  std::optional<MetafileFont> font_;
  std::optional<QRgb> textColor_;
  std::optional<bool> winding_;
};

void WritePoints(EmfWriter& w, std::uint32_t type, const MetafileRecord& r) {
  const qsizetype s = w.Begin(type);
  w.Rect(r.Extent);
  w.out_.U32(static_cast<std::uint32_t>(r.Points.size()));
  for (const QPoint& p : r.Points) {
    w.out_.I32(p.x());
    w.out_.I32(p.y());
  }
  w.End(s);
}

void WriteText(EmfWriter& w, const MetafileRecord& r) {
  const qsizetype s = w.Begin(EmrExtTextOutW);
  w.Rect(r.Extent);
  w.out_.U32(1);  // compatible graphics mode
  w.out_.F32(0);
  w.out_.F32(0);
  w.out_.I32(r.Points.front().x());
  w.out_.I32(r.Points.front().y());
  const auto chars = static_cast<std::uint32_t>(r.Text.size());
  w.out_.U32(chars);
  constexpr std::uint32_t TextAt = 76;  // the fixed part of the record
  w.out_.U32(TextAt);
  w.out_.U32(0);  // no clipping, no opaque box
  w.Rect(r.Extent);
  const std::uint32_t spacingAt = TextAt + ((2 * chars + 3) / 4) * 4;
  w.out_.U32(spacingAt);
  for (QChar c : r.Text) w.out_.U16(c.unicode());
  w.out_.PadTo(4);
  for (int a : r.Advances) w.out_.I32(a);
  w.End(s);
}

void WriteHeader(EmfWriter& w, const MetafilePicture& picture, const QString& text) {
  const qsizetype s = w.Begin(EmrHeader);
  const QRect bounds = picture.PixelBounds();
  w.Rect(bounds.isEmpty() ? QRect(0, 0, 0, 0) : bounds);
  const int dpi = std::max(picture.Dpi, 1);
  const auto hundredths = [dpi](int px) { return static_cast<int>(std::lround(px * 2540.0 / dpi)); };
  w.Rect(QRect(QPoint(0, 0),
               QPoint(hundredths(picture.Size.width()) - 1, hundredths(picture.Size.height()) - 1)));
  w.out_.U32(0x464D4520);  // " EMF"
  w.out_.U32(0x00010000);
  w.out_.U32(0);  // bytes, set at the end
  w.out_.U32(0);  // records, set at the end
  w.out_.U16(0);  // handles, set at the end
  w.out_.U16(0);
  w.out_.U32(static_cast<std::uint32_t>(text.size()));
  constexpr std::uint32_t DescriptionAt = 108;
  w.out_.U32(DescriptionAt);
  w.out_.U32(0);  // no palette
  // The reference device is the page itself at the screen's resolution.
  w.out_.I32(picture.Size.width());
  w.out_.I32(picture.Size.height());
  w.out_.I32(static_cast<int>(std::lround(picture.Size.width() * 25.4 / dpi)));
  w.out_.I32(static_cast<int>(std::lround(picture.Size.height() * 25.4 / dpi)));
  w.out_.U32(0);  // no pixel format
  w.out_.U32(0);
  w.out_.U32(0);  // not OpenGL
  w.out_.I32(static_cast<int>(std::lround(picture.Size.width() * 25400.0 / dpi)));
  w.out_.I32(static_cast<int>(std::lround(picture.Size.height() * 25400.0 / dpi)));
  for (QChar c : text) w.out_.U16(c.unicode());
  w.End(s);
}

}  // namespace

QByteArray EmfBytes(const MetafilePicture& picture, const MetafileDescription& description) {
  EmfWriter w;
  QString text = description.Creator;
  text += QChar(0);
  text += description.Title;
  text += QChar(0);
  text += QChar(0);
  WriteHeader(w, picture, text);
  const int n = std::max(picture.Subdivision, 1);
  if (n == 1) {
    w.Simple(EmrSetMapMode, 1);  // one logical unit is one pixel
  } else {
    // The window is the page in the picture's units, the viewport the page
    // in pixels: a logical unit is 1/n of a pixel, and the page keeps its
    // size in any reader. (A page too wide for its units in 32 bits, over
    // a hundred million pixels, keeps the scale on the part that fits.)
    w.Simple(EmrSetMapMode, 8);
    const qint64 wide = qint64{picture.Size.width()} * n, high = qint64{picture.Size.height()} * n;
    const int along = static_cast<int>(std::min<qint64>(wide, 0x7FFFFFFF) / n);
    const int down = static_cast<int>(std::min<qint64>(high, 0x7FFFFFFF) / n);
    w.Pair(EmrSetWindowExtEx, along * n, down * n);
    w.Pair(EmrSetViewportExtEx, along, down);
  }
  w.Simple(EmrSetBkMode, 1);      // text is transparent
  w.Simple(EmrSetTextAlign, 24);  // text is placed by its baseline
  EmfBuilder b(w);
  for (const MetafileRecord& r : picture.Records) {
    if (r.What == MetafileRecord::Kind::Text) {
      b.Font(r.Font);
      b.TextColor(r.TextColor);
      WriteText(w, r);
      continue;
    }
    b.Pen(r.Pen);
    if (r.What == MetafileRecord::Kind::Polyline) {
      WritePoints(w, EmrPolyline, r);
      continue;
    }
    b.Brush(r.Brush);
    if (r.What == MetafileRecord::Kind::Polygon) {
      b.FillMode(r.Winding);
      WritePoints(w, EmrPolygon, r);
      continue;
    }
    const qsizetype s = w.Begin(r.What == MetafileRecord::Kind::Ellipse ? EmrEllipse : EmrRectangle);
    // The box's right and bottom edges lie outside what is drawn.
    w.Rect(r.Box.adjusted(0, 0, n, n));
    w.End(s);
  }
  b.Finish();
  const qsizetype eof = w.Begin(EmrEof);
  w.out_.U32(0);
  w.out_.U32(16);
  w.out_.U32(20);
  w.End(eof);
  w.out_.PatchU32(48, static_cast<std::uint32_t>(w.out_.Size()));
  w.out_.PatchU32(52, static_cast<std::uint32_t>(w.records_));
  w.out_.PatchU16(56, static_cast<std::uint32_t>(b.HandleCount()));
  return w.out_.Data();
}

}  // namespace varnel

#include "graphs/plotpicture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>
#include <new>

#include "app/atomicfile.h"
#include "graphs/graphoutput.h"
#include "graphs/wmffile.h"

namespace varnel {

QString PictureFormat(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  for (const char* known : {"png", "bmp", "pdf", "svg", "emf", "wmf"})
    if (ext == QLatin1String(known)) return ext;
  return {};
}

PrinterPage PageOfSize(QSizeF millimetres, int dpi) {
  PrinterPage page;
  page.DpiX = page.DpiY = dpi;
  page.Width = std::max(1, static_cast<int>(std::lround(millimetres.width() / 25.4 * dpi)));
  page.Height = std::max(1, static_cast<int>(std::lround(millimetres.height() / 25.4 * dpi)));
  return page;
}

namespace {

QString NoMemoryFor(QSize size) {
  return QStringLiteral("there is not enough memory for a picture of %1 x %2 pixels")
      .arg(size.width())
      .arg(size.height());
}

// The picture's bytes; false with the reason in error. Memory may run out
// anywhere on the way (the image, the painter's buffers, the encoded bytes).
bool EncodePlotPicture(GraphEngine& engine, const PictureRequest& request, QByteArray& bytes, QSize& size,
                       QString* error) {
  const QString format = PictureFormat(request.Path);
  if (format.isEmpty()) {
    if (error) *error = QStringLiteral("the picture must be a .png, .bmp, .pdf, .svg, .emf or .wmf file");
    return false;
  }
  const bool sized = !request.PageMm.isEmpty();
  const PrinterPage printer = sized ? PageOfSize(request.PageMm) : request.Printer;
  OutputContext c;
  c.Page = request.Page;
  c.ScreenDpi = std::max(request.Dpi, 1);
  c.Printer = printer;
  c.DataFileName = request.DataFileName;
  PaintOptions options;
  options.Page = request.Page;
  size = QSize(printer.Width, printer.Height);
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const int width = std::max(request.Width, 16);
  if (format == QLatin1String("pdf")) {
    QPdfWriter writer(&buffer);
    writer.setResolution(printer.DpiY);
    writer.setPageSize(QPageSize(QSizeF(static_cast<qreal>(printer.Width) / printer.DpiX * 72.0,
                                        static_cast<qreal>(printer.Height) / printer.DpiY * 72.0),
                                 QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setCreator(QStringLiteral("Varnel"));
    writer.setTitle(QStringLiteral("Varnel Graph"));
    QPainter painter(&writer);
    const PageMetrics m =
        SetupPageMetrics(TargetKind::Printer, writer.width(), writer.height(), request.Dpi, printer);
    options.FillBackground = false;
    options.WholePixels = false;
    engine.Paint(painter, m, options);
    painter.end();
  } else if (format == QLatin1String("svg")) {
    size = QSize(width, BitmapHeight(width, printer.PageAspect()));
    if (sized && !request.WidthSet) size = MetafilePageSize(c);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(c.ScreenDpi);
    svg.setTitle(QStringLiteral("Varnel Graph"));
    QPainter painter(&svg);
    const PageMetrics m =
        SetupPageMetrics(TargetKind::Metafile, size.width(), size.height(), c.ScreenDpi, printer);
    options.WholePixels = false;
    engine.Paint(painter, m, options);
    painter.end();
  } else if (format == QLatin1String("emf") || format == QLatin1String("wmf")) {
    size = MetafilePageSize(c);
    buffer.write(GraphMetafileBytes(
        engine, c, size, c.ScreenDpi,
        format == QLatin1String("emf") ? MetafileKind::Enhanced : MetafileKind::Placeable));
  } else {
    size = QSize(width, BitmapHeight(width, printer.PageAspect()));
    if (sized && !request.WidthSet) size = MetafilePageSize(c);
    // A large page at a high resolution, or a wide picture of a tall page,
    // would ask for gigabytes: refuse it before the image is made.
    if (size.width() > MaxBitmapSide || size.height() > MaxBitmapSide) {
      if (error)
        *error = QStringLiteral("a picture of %1 x %2 pixels is too large (at most %3 on a side)")
                     .arg(size.width())
                     .arg(size.height())
                     .arg(MaxBitmapSide);
      return false;
    }
    const QImage image = GraphBitmap(engine, c, size, c.ScreenDpi);
    if (image.isNull()) {
      if (error) *error = NoMemoryFor(size);
      return false;
    }
    // Encoding into memory fails only when the memory runs out.
    if (!image.save(&buffer, format == QLatin1String("png") ? "PNG" : "BMP")) {
      if (error) *error = NoMemoryFor(size);
      return false;
    }
  }
  buffer.close();
  if (bytes.isEmpty()) {
    // A writer that could not get its own memory writes nothing.
    if (error) *error = NoMemoryFor(size);
    return false;
  }
  return true;
}

}  // namespace

bool WritePlotPicture(GraphEngine& engine, const PictureRequest& request, QString* error) {
  QByteArray bytes;
  QSize size;
  try {
    if (!EncodePlotPicture(engine, request, bytes, size, error)) return false;
  } catch (const std::bad_alloc&) {
    bytes = QByteArray();
    if (error) *error = NoMemoryFor(size);
    return false;
  }
  return SaveFileAtomically(request.Path, bytes, QString(), error);
}

}  // namespace varnel

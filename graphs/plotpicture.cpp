#include "graphs/plotpicture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>

#include "app/atomicfile.h"

namespace varnel {

QString PictureFormat(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext == QLatin1String("png") || ext == QLatin1String("bmp") || ext == QLatin1String("pdf") ||
      ext == QLatin1String("svg"))
    return ext;
  return {};
}

bool WritePlotPicture(GraphEngine& engine, const PictureRequest& request, QString* error) {
  const QString format = PictureFormat(request.Path);
  if (format.isEmpty()) {
    if (error) *error = QStringLiteral("the picture must be a .png, .bmp, .pdf or .svg file");
    return false;
  }
  PaintOptions options;
  options.Page = request.Page;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const int width = std::max(request.Width, 16);
  const int height = std::max(1, RoundPixel(static_cast<Real>(width) / request.Printer.PageAspect()));
  if (format == QLatin1String("pdf")) {
    QPdfWriter writer(&buffer);
    const PrinterPage& printer = request.Printer;
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
    engine.Paint(painter, m, options);
    painter.end();
  } else if (format == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setResolution(request.Dpi);
    svg.setTitle(QStringLiteral("Varnel Graph"));
    QPainter painter(&svg);
    const PageMetrics m = SetupPageMetrics(TargetKind::Metafile, width, height, request.Dpi, request.Printer);
    engine.Paint(painter, m, options);
    painter.end();
  } else {
    QImage image(width, height, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(request.Dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    const PageMetrics m = SetupPageMetrics(TargetKind::Bitmap, width, height, request.Dpi, request.Printer);
    engine.Paint(painter, m, options);
    painter.end();
    if (!image.save(&buffer, format == QLatin1String("png") ? "PNG" : "BMP")) {
      if (error) *error = QStringLiteral("the picture could not be encoded");
      return false;
    }
  }
  buffer.close();
  return SaveFileAtomically(request.Path, bytes, QString(), error);
}

}  // namespace varnel

#include "graphs/graphoutput.h"

#include <QBuffer>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <cmath>
#include <memory>
#include <new>

#include "app/atomicfile.h"
#include "graphs/wmffile.h"

namespace varnel {

QImage GraphBitmap(GraphEngine& engine, const OutputContext& c, QSize size, int dpi) {
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) return image;  // no memory for it: the caller says so
  const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  image.fill(Qt::white);
  QPainter painter(&image);
  // A painter that could not get its buffers draws nothing: no picture.
  if (!painter.isActive()) return QImage();
  const PageMetrics m = SetupPageMetrics(TargetKind::Bitmap, size.width(), size.height(), dpi, c.Printer);
  PaintOptions options;
  options.Page = c.Page;
  engine.Paint(painter, m, options);
  painter.end();
  return image;
}

QSize MetafilePageSize(const OutputContext& c) {
  const int w = std::max(1, MulDiv(c.Printer.Width, c.ScreenDpi, std::max(c.Printer.DpiX, 1)));
  return {w, BitmapHeight(w, c.Printer.PageAspect())};
}

MetafilePicture GraphMetafile(GraphEngine& engine, const OutputContext& c, QSize size, int dpi,
                              MetafileKind kind) {
  const bool enhanced = kind == MetafileKind::Enhanced;
  MetafileDevice device(size, dpi, enhanced ? EmfSubdivision : 1);
  QPainter painter(&device);
  const PageMetrics m = SetupPageMetrics(TargetKind::Metafile, size.width(), size.height(), dpi, c.Printer);
  PaintOptions options;
  options.Page = c.Page;
  // The enhanced metafile has units finer than a pixel and keeps the
  // fractions, as the other vector pictures do; the placeable one has the
  // pixel for its unit and the page's whole pixels. A metafile is drawn on
  // whatever the reader pastes it into.
  options.FillBackground = false;
  options.WholePixels = !enhanced;
  engine.Paint(painter, m, options);
  painter.end();
  return device.Picture();
}

QByteArray GraphMetafileBytes(GraphEngine& engine, const OutputContext& c, QSize size, int dpi,
                              MetafileKind kind) {
  const MetafilePicture picture = GraphMetafile(engine, c, size, dpi, kind);
  return kind == MetafileKind::Enhanced ? EmfBytes(picture, GraphDescription(c))
                                        : WmfBytes(picture, GraphDescription(c));
}

MetafileDescription GraphDescription(const OutputContext& c) {
  MetafileDescription d;
  d.Title = QStringLiteral("Plot from data file: ") + c.DataFileName;
  return d;
}

QMimeData* GraphClipboardData(GraphEngine& engine, const OutputContext& c) {
  auto data = std::make_unique<QMimeData>();
  try {
    const GraphSettings& s = engine.Settings;
    if (s.ClipFormat == 0) {
      const int w = std::max(s.DefaultClpBMPWidth, 1);
      const QImage image =
          GraphBitmap(engine, c, QSize(w, BitmapHeight(w, c.Printer.PageAspect())), c.ScreenDpi);
      if (image.isNull()) return nullptr;
      data->setImageData(image);
      return data.release();
    }
    const QSize size = MetafilePageSize(c);
    const QByteArray emf = GraphMetafileBytes(engine, c, size, c.ScreenDpi, MetafileKind::Enhanced);
    data->setData(QStringLiteral("image/emf"), emf);
    data->setData(QStringLiteral("image/x-emf"), emf);
    const QImage image = GraphBitmap(engine, c, size, c.ScreenDpi);
    if (image.isNull()) return nullptr;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return nullptr;
    data->setData(QStringLiteral("image/png"), png);
    return data.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::optional<ExportType> ExportTypeOf(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toUpper();
  if (ext == QLatin1String("BMP")) return ExportType::Bitmap;
  if (ext == QLatin1String("EMF")) return ExportType::EnhancedMetafile;
  if (ext == QLatin1String("WMF")) return ExportType::PlaceableMetafile;
  return std::nullopt;
}

FileDialogSpec ExportDialogSpec(int fileFormat) {
  static const char* const Extensions[3] = {"bmp", "emf", "wmf"};
  const int f = std::clamp(fileFormat, 0, 2);
  FileDialogSpec spec;
  spec.title = QStringLiteral("Export to File");
  spec.filter = QStringLiteral(
      "Bitmap (*.bmp)|*.bmp|Enhanced Metafile (*.emf)|*.emf|Metafile old format (*.wmf)|*.wmf");
  spec.filterIndex = f + 1;
  spec.defaultSuffix = QString::fromLatin1(Extensions[f]);
  spec.initialPath = QStringLiteral("VNGraph1");
  spec.confirmOverwrite = true;
  return spec;
}

QByteArray ExportBytes(GraphEngine& engine, const OutputContext& c, ExportType type) {
  try {
    if (type == ExportType::Bitmap) {
      const int w = std::max(engine.Settings.DefaultFileBMPWidth, 1);
      const QImage image =
          GraphBitmap(engine, c, QSize(w, BitmapHeight(w, c.Printer.PageAspect())), c.ScreenDpi);
      if (image.isNull()) return {};
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      if (!image.save(&buffer, "BMP")) return {};
      return bytes;
    }
    return GraphMetafileBytes(
        engine, c, MetafilePageSize(c), c.ScreenDpi,
        type == ExportType::EnhancedMetafile ? MetafileKind::Enhanced : MetafileKind::Placeable);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool ExportGraph(GraphEngine& engine, Prompter& prompter, const OutputContext& c) {
  const std::optional<QString> path = prompter.SaveFileName(ExportDialogSpec(engine.Settings.FileFormat));
  if (!path || path->isEmpty()) return false;
  const std::optional<ExportType> type = ExportTypeOf(*path);
  if (!type) {
    prompter.Message(
        BoxKind::Error,
        QStringLiteral("Sorry, cannot export to specified file type.\n\rFile type must be either "
                       "<.bmp>, <.emf> or <.wmf>."),
        Only(Button::Ok));
    return false;
  }
  const QByteArray bytes = ExportBytes(engine, c, *type);
  QString error;
  if (bytes.isEmpty()) {
    error = QStringLiteral("There is not enough memory to make the picture for ") + *path + QLatin1Char('.');
  } else if (SaveFileAtomically(*path, bytes, QString(), &error)) {
    return true;
  }
  prompter.FileError(error);
  return false;
}

}  // namespace varnel

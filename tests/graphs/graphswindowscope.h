// The Graphs window shown over a PlotSheet, for the window tests.
#pragma once

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "app/reporttarget.h"
#include "app/textprinting.h"
#include "graphs/graphswindow.h"
#include "tests/graphs/plotsheet.h"

namespace varnel::test {

struct GraphsWindowScope {
  PlotSheet p;
  LinesReport pad;
  TextPrinter printer;
  TVN_Graphs window{p.engine, pad};
  // With a text printer the window takes its page from the printer's paper.
  explicit GraphsWindowScope(bool withPrinter = false) {
    if (withPrinter) window.SetTextPrinter(&printer);
    window.resize(900, 700);
    window.show();
    QApplication::processEvents();
  }
  // Keeps a picture of the window where VARNEL_TEST_PICTURES says.
  void Keep(const char* name) {
    const QString keep = qEnvironmentVariable("VARNEL_TEST_PICTURES");
    if (!keep.isEmpty())
      window.grab().save(keep + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
  }
  // The engine's page as a 600 x 424 bitmap.
  QImage Picture() {
    QImage image(600, 424, QImage::Format_RGB32);
    QPainter painter(&image);
    p.engine.Paint(painter, SetupPageMetrics(TargetKind::Bitmap, 600, 424, 96, PrinterPage()),
                   PaintOptions{});
    return image;
  }
};

}  // namespace varnel::test

#include "graphs/graphprinting.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace varnel {

PrinterPage PageOfPrinter(const QPrinter& printer) {
  PrinterPage page;
  // A printer that reports no page keeps the A4 page rather than dividing by nothing.
  if (printer.width() > 0 && printer.height() > 0 && printer.logicalDpiX() > 0 && printer.logicalDpiY() > 0) {
    page.Width = printer.width();
    page.Height = printer.height();
    page.DpiX = printer.logicalDpiX();
    page.DpiY = printer.logicalDpiY();
  }
  return page;
}

void UsePdfWhenNoPrinter(QPrinter& printer) {
  if (QPrinterInfo::availablePrinters().isEmpty() && printer.outputFormat() != QPrinter::PdfFormat)
    printer.setOutputFormat(QPrinter::PdfFormat);
}

bool PrintGraph(GraphEngine& engine, QPrinter& printer, PlotPage page) {
  printer.setDocName(QStringLiteral("Varnel Graph"));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const PrinterPage paper = PageOfPrinter(printer);
  const PageMetrics m =
      SetupPageMetrics(TargetKind::Printer, printer.width(), printer.height(), printer.logicalDpiY(), paper);
  PaintOptions options;
  options.Page = page;
  options.WholePixels = false;
  options.FillBackground = false;
  engine.Paint(painter, m, options);
  const bool ended = painter.end();
  return ended && printer.printerState() != QPrinter::Error;
}

}  // namespace varnel

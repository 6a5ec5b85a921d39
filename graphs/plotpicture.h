// The current page of the graph engine written to a picture file: PNG or
// BMP through an image, PDF as a printed page, SVG as a drawing.
#pragma once

#include <QString>

#include "graphs/graphengine.h"

namespace varnel {

struct PictureRequest {
  QString Path;      // the extension chooses the format
  int Width = 1200;  // pixels of an image or a drawing
  int Dpi = 96;      // its resolution
  PlotPage Page = PlotPage::Triangular;
  PrinterPage Printer;  // the page shape, and a PDF's size and resolution
};

// The formats by extension: "png", "bmp", "pdf", "svg"; empty when unknown.
QString PictureFormat(const QString& path);

// Paints and writes the file in one piece: a failure leaves any earlier file
// as it was and returns false with the reason in error.
bool WritePlotPicture(GraphEngine& engine, const PictureRequest& request, QString* error);

}  // namespace varnel

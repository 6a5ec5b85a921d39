// The current page of the graph engine written to a picture file: PNG or
// BMP through an image, PDF as a printed page, SVG as a drawing, EMF and WMF
// as metafiles.
#pragma once

#include <QSizeF>
#include <QString>

#include "graphs/graphengine.h"

namespace varnel {

struct PictureRequest {
  QString Path;      // the extension chooses the format
  int Width = 1200;  // pixels of an image or an SVG drawing
  int Dpi = 96;      // its resolution
  // The page in millimetres: a vector page's size, and a bitmap's size at
  // Dpi when WidthSet is false. Empty: the printer's page.
  QSizeF PageMm;
  bool WidthSet = false;
  PlotPage Page = PlotPage::Triangular;
  PrinterPage Printer;   // the page shape, and a PDF's size and resolution
  QString DataFileName;  // named in a metafile's description
};

// The longest side of a PNG or BMP picture, in pixels.
inline constexpr int MaxBitmapSide = 20000;

// The formats by extension: "png", "bmp", "pdf", "svg", "emf", "wmf"; empty
// when unknown.
QString PictureFormat(const QString& path);

// A printer page of the given size in millimetres at dpi.
PrinterPage PageOfSize(QSizeF millimetres, int dpi = 1200);

// Paints and writes the file in one piece: a failure leaves any earlier file
// as it was and returns false with the reason in error.
bool WritePlotPicture(GraphEngine& engine, const PictureRequest& request, QString* error);

}  // namespace varnel

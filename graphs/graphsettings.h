// What the graphs draw and how: the switches, colours, pens, fonts and view
// parameters of the graph engine, with their start values.
#pragma once

#include <QRgb>
#include <QString>
#include <array>

#include "app/desktopfonts.h"
#include "core/real.h"
#include "graphs/projection.h"
#include "graphs/referencelines.h"

namespace varnel {

inline constexpr int SymbolShapeCount = 15;
inline constexpr int MaxScaleFactor = 999;

struct LabelFontChoice {
  QString Name;
  int Size = 10;  // points
  bool Bold = false;
  bool Italic = false;
  QRgb Color = 0xFF000000;
};

// The pages of the Graphs window, in the order of its tabs.
enum class PlotPage { Tetrahedral = 0, Stereo = 1, Triangular = 2 };

// Where the legend stands: a corner of the page, or where it was dragged.
enum class LegendCorner { TopLeft = 0, TopRight = 1, BottomLeft = 2, BottomRight = 3, Placed = 4 };

// The stereo separation of a new setup: the two views of the pair stand
// apart on a landscape page (at 1 they overlap by a third).
inline constexpr Real DefaultStereoSFactor = 1.5L;

struct GraphSettings {
  int DefSymShape = 2;
  int DefaultSymbolSize = 30;  // 0.1 mm
  QRgb SymbolColor = 0xFF000080;
  QRgb FillColor = 0xFF0000FF;
  QRgb OutlineColor = 0xFF000000;
  QRgb TieColor = 0xFF808080;
  int TieStyle = 0;                // solid, dash, dot, dash-dot, dash-dot-dot
  int DefaultTiePenWidth = 1;      // 0.1 mm
  int DefaultDiagramPenWidth = 3;  // 0.1 mm
  int InfinityLineLengthFactor = 3;
  // Point labels in the desktop's serif, apex labels in its sans-serif.
  LabelFontChoice LabelFont{DesktopSerifFamily(), 10, false, false, 0xFF000000};
  LabelFontChoice ApexFont{DesktopSansFamily(), 14, false, true, 0xFF000000};

  bool ViewDiagram = true;
  bool ViewPoints = true;
  bool ViewLabels = false;
  bool ViewTies = false;
  bool UseDefaultShape = true;
  bool UseDefaultColor = true;
  bool UseDefaultSize = true;
  bool UseDefaultLabels = true;
  bool UseDefaultTieColor = true;
  bool PlotApexLabels = true;
  bool PlotNegPoints = false;

  bool LogTransformWarnings = false;
  bool AutoVarSelect = true;
  bool ZPOrdering = true;
  bool ScalePage = true;
  int MaxTieSets = 99;

  Real Scale = 1;
  Real StereoSFactor = DefaultStereoSFactor;
  ViewAngles View;

  bool ScalingOn = false;
  std::array<int, 4> ScaleFactors{1, 1, 1, 1};

  // The printer's orientation as the settings file keeps it.
  bool Landscape = true;
  // Copy and export: formats and bitmap sizes. The heights follow the
  // widths through the printed page's shape (DeriveBitmapHeights).
  int ClipFormat = 0;  // 0 bitmap, otherwise metafile
  int FileFormat = 1;  // 0 BMP, 1 EMF, 2 WMF
  int DefaultClpBMPWidth = 600;
  int DefaultFileBMPWidth = 1200;
  int ClpBmpHeight = 424;
  int FileBmpHeight = 849;

  // A key to the symbols: one line per shape and colour in use, named from
  // the cells of LegendVariable (a column name; case numbers when empty or
  // not in the sheet).
  bool ShowLegend = false;
  QString LegendVariable;
  LegendCorner LegendPlace = LegendCorner::TopLeft;
  // A dragged legend's top-left corner in fractions of the page.
  Real LegendX = 0;
  Real LegendY = 0;
  bool LegendTransparent = false;

  // A grid over the triangle every GridStep percent, with tick labels; 0
  // draws none.
  Real GridStep = 0;
  // Reference lines and fields: the file as chosen and what it holds.
  QString ReferenceFile;
  ReferenceSet References;
  // Symbols and their labels drawn with this opacity (1 opaque), and counts
  // of the points in small triangular cells shaded beneath them.
  Real PointOpacity = 1;
  bool DensityShading = false;
};

inline constexpr Real MinPointOpacity = 0.02L;
inline constexpr Real MinGridStep = 1;
inline constexpr Real MaxGridStep = 50;
// Cells along each side of the triangle for the density shading.
inline constexpr int DensityCellsPerSide = 40;

inline constexpr int MinBitmapWidth = 20;
inline constexpr int MaxBitmapWidth = 9999;
inline constexpr int MaxSymbolSize = 1000;
inline constexpr int MaxPenWidth = 50;
inline constexpr int MaxInfinityLength = 100;
inline constexpr int MaxTieSetsLimit = 1000;
// Beyond a zoom or stereo separation this large the page shows nothing of
// the diagram; such a value in a file is taken as a mistake.
inline constexpr Real MaxScaleOrSeparation = 1000;

// The bitmap heights for a page of the given shape (width / height).
void DeriveBitmapHeights(GraphSettings& g, Real pageAspect);
int BitmapHeight(int width, Real pageAspect);

inline constexpr Real RotationStep = 2.0L * DegreesToRadians;
inline constexpr Real ZoomStep = 0.05L;
inline constexpr Real SeparationStep = 0.05L;
inline constexpr Real MouseStepPixels = 1.0L;

// The texts of the shape codes 0..14 as the default-shape list shows them
// ("Filled Circle - 2"), and the bare names ("Filled Circle").
QString SymbolShapeText(int code);
QString SymbolShapeName(int code);

// The colour of a Color# code 0..14.
QRgb ColorOfCode(int code);

// The looks of categories, for a symbol or colour column of names: the
// i-th distinct value in sorted order takes the i-th shape and colour,
// both lists repeating. The colours are the colour-blind-safe set of Okabe
// and Ito (2008); the shapes the visible ones, filled before open.
inline constexpr int CategoryShapeCount = 13;
inline constexpr int CategoryColourCount = 8;
int CategoryShape(int i);
QRgb CategoryColour(int i);

// The outline of a symbol filled with c: each of red, green and blue halved.
inline QRgb DarkenColor(QRgb c) { return qRgb(qRed(c) >> 1, qGreen(c) >> 1, qBlue(c) >> 1); }

}  // namespace varnel

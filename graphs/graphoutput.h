// The Graphs page on paper, on the clipboard and in files: every target is
// painted by the engine's one paint routine after its own page metrics.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

#include "app/prompter.h"
#include "graphs/emffile.h"
#include "graphs/graphengine.h"
#include "graphs/metafiledevice.h"

class QMimeData;

namespace varnel {

// What every output needs besides the engine: the page shown, the screen's
// resolution, the printer's page and the data file's name.
struct OutputContext {
  PlotPage Page = PlotPage::Triangular;
  int ScreenDpi = 96;
  PrinterPage Printer;
  QString DataFileName;  // without folder
};

// The page as a white bitmap of size.
QImage GraphBitmap(GraphEngine& engine, const OutputContext& c, QSize size, int dpi);

// The metafile's page: the printed page at its real size in screen pixels.
QSize MetafilePageSize(const OutputContext& c);

enum class MetafileKind { Enhanced, Placeable };
// The units to the pixel of an enhanced metafile: its positions, pens and
// fonts keep sixteenths of a pixel.
constexpr int EmfSubdivision = 16;
// The page recorded at size (in pixels of dpi) for the metafile of kind:
// in fractions of a pixel for EmfBytes, in whole pixels for the 16-bit
// WmfBytes.
MetafilePicture GraphMetafile(GraphEngine& engine, const OutputContext& c, QSize size, int dpi,
                              MetafileKind kind);
// The file of kind of the page at size (in pixels of dpi).
QByteArray GraphMetafileBytes(GraphEngine& engine, const OutputContext& c, QSize size, int dpi,
                              MetafileKind kind);
// "Plot from data file: " and the name.
MetafileDescription GraphDescription(const OutputContext& c);

// The clipboard's contents for "&Copy": a bitmap of DefaultClpBMPWidth, or
// the enhanced metafile of the page (with a PNG of it for programs that
// take no metafiles). Null when there is not enough memory for it.
QMimeData* GraphClipboardData(GraphEngine& engine, const OutputContext& c);

enum class ExportType { Bitmap, EnhancedMetafile, PlaceableMetafile };
// By the file's extension, case ignored; nothing for any other.
std::optional<ExportType> ExportTypeOf(const QString& path);
// The "Export to File" dialog with the default format preselected.
FileDialogSpec ExportDialogSpec(int fileFormat);
// The bytes of an exported file; empty when there is not enough memory.
QByteArray ExportBytes(GraphEngine& engine, const OutputContext& c, ExportType type);
// "&Export ...": asks for the file, refuses a type it cannot write, and
// writes the file in one piece (a failure leaves an earlier file as it was
// and is reported). Returns whether a file was written.
bool ExportGraph(GraphEngine& engine, Prompter& prompter, const OutputContext& c);

}  // namespace varnel

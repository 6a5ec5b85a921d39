// Printing, copying and export of the Graphs page.
#include "graphs/graphoutput.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

#include "app/inifile.h"
#include "app/reporttarget.h"
#include "app/textprinting.h"
#include "graphs/graphprinting.h"
#include "graphs/graphswindow.h"
#include "graphs/plotpicture.h"
#include "graphs/settingsdialog.h"
#include "tests/graphs/graphswindowscope.h"
#include "tests/support/files.h"
#include "tests/support/pdftext.h"

namespace varnel {
namespace {

using test::PlotSheet;

const QString WrongType = QStringLiteral(
    "Sorry, cannot export to specified file type.\n\rFile type must be either <.bmp>, <.emf> or <.wmf>.");

struct Rocks : PlotSheet {
  Rocks() { ConnectRocks(); }
};

OutputContext Context(PrinterPage printer = {}) {
  OutputContext c;
  c.Printer = printer;
  c.DataFileName = QStringLiteral("rocks.vnp");
  return c;
}

TEST(BitmapSizeTest, HeightFollowsThePrintedPageShape) {
  EXPECT_EQ(BitmapHeight(600, 1.414L), 424);
  EXPECT_EQ(BitmapHeight(1200, 1.414L), 849);
  EXPECT_EQ(BitmapHeight(600, 1 / 1.414L), 848);  // portrait paper: higher than wide
  EXPECT_EQ(BitmapHeight(600, 0), 600);           // no page shape: square, never a division by zero

  // A landscape page of aspect 1.414 gives the export bitmap 600 x 424.
  Rocks p;
  p.engine.Settings.DefaultFileBMPWidth = 600;
  PrinterPage landscape;
  landscape.Width = 1414;
  landscape.Height = 1000;
  landscape.DpiX = landscape.DpiY = 120;
  const QByteArray bmp = ExportBytes(p.engine, Context(landscape), ExportType::Bitmap);
  ASSERT_TRUE(bmp.startsWith("BM"));
  const QImage image = QImage::fromData(bmp, "BMP");
  EXPECT_EQ(image.size(), QSize(600, 424));
}

TEST(ExportCommandTest, DialogFollowsTheDefaultFormat) {
  const char* const suffixes[] = {"bmp", "emf", "wmf"};
  for (int format = 0; format < 3; ++format) {
    SCOPED_TRACE(suffixes[format]);
    const FileDialogSpec spec = ExportDialogSpec(format);
    EXPECT_EQ(spec.title, QStringLiteral("Export to File"));
    EXPECT_EQ(spec.initialPath, QStringLiteral("VNGraph1"));
    EXPECT_EQ(spec.filter, QStringLiteral("Bitmap (*.bmp)|*.bmp|Enhanced Metafile (*.emf)|*.emf|Metafile old "
                                          "format (*.wmf)|*.wmf"));
    EXPECT_EQ(spec.filterIndex, format + 1);
    EXPECT_EQ(spec.defaultSuffix, QLatin1String(suffixes[format]));
    EXPECT_TRUE(spec.confirmOverwrite);
  }
}

TEST(ExportCommandTest, TheExtensionChoosesTheFormatAndAnUnknownOneWritesNothing) {
  Rocks p;
  QTemporaryDir dir;
  // Exports under the name given in the dialog; returns the file's path.
  const auto exported = [&](const char* name) {
    const QString path = dir.filePath(QLatin1String(name));
    p.prompter.AnswerSave(path);
    EXPECT_TRUE(ExportGraph(p.engine, p.prompter, Context())) << name;
    return path;
  };
  p.engine.Settings.FileFormat = 1;  // EMF by default ...
  // ... and still a placeable WMF for a .wmf name.
  EXPECT_TRUE(test::ReadFile(exported("graph.WMF")).startsWith(QByteArray("\xD7\xCD\xC6\x9A", 4)));
  EXPECT_EQ(p.prompter.dialogs.back().defaultSuffix, QStringLiteral("emf"));
  EXPECT_EQ(test::ReadFile(exported("graph.emf")).mid(40, 4), QByteArray(" EMF"));
  EXPECT_EQ(QImage(exported("graph.Bmp"), "BMP").size(), QSize(1200, 849));

  const QString txt = dir.filePath(QStringLiteral("graph.png"));
  p.prompter.AnswerSave(txt);
  p.prompter.Expect(BoxKind::Error, WrongType, Only(Button::Ok), Button::Ok);
  EXPECT_FALSE(ExportGraph(p.engine, p.prompter, Context()));
  EXPECT_FALSE(QFile::exists(txt));

  p.prompter.AnswerSave(std::nullopt);  // cancelled: nothing, no message
  EXPECT_FALSE(ExportGraph(p.engine, p.prompter, Context()));
}

TEST(ExportCommandTest, AFailedExportLeavesTheEarlierFileAsItWas) {
  Rocks p;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("old.emf"));
  test::WriteFileOrFail(path, "earlier picture");
  QFile::setPermissions(path, QFileDevice::ReadOwner);
  p.prompter.AnswerSave(path);
  p.prompter.AnswerNext(Button::Ok);
  EXPECT_FALSE(ExportGraph(p.engine, p.prompter, Context()));
  ASSERT_EQ(p.prompter.shown.size(), 1u);
  EXPECT_EQ(p.prompter.shown[0].kind, BoxKind::Error);
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  EXPECT_EQ(test::ReadFile(path), QByteArray("earlier picture"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.emf")});
}

TEST(ClipboardTest, BitmapOrEnhancedMetafileByTheClipboardFormat) {
  Rocks p;
  p.engine.Settings.ClipFormat = 0;
  std::unique_ptr<QMimeData> bitmap(GraphClipboardData(p.engine, Context()));
  ASSERT_TRUE(bitmap->hasImage());
  EXPECT_EQ(qvariant_cast<QImage>(bitmap->imageData()).size(), QSize(600, 424));
  EXPECT_FALSE(bitmap->hasFormat(QStringLiteral("image/emf")));

  p.engine.Settings.ClipFormat = 1;
  std::unique_ptr<QMimeData> meta(GraphClipboardData(p.engine, Context()));
  const QByteArray emf = meta->data(QStringLiteral("image/emf"));
  EXPECT_EQ(emf.mid(40, 4), QByteArray(" EMF"));
  EXPECT_EQ(meta->data(QStringLiteral("image/x-emf")), emf);
  const QImage png = QImage::fromData(meta->data(QStringLiteral("image/png")), "PNG");
  EXPECT_EQ(png.size(), QSize(1123, 794));  // the metafile's page, for programs without metafiles
}

TEST(VectorPictureTest, PdfAndSvgHoldTheApexLabelsAsText) {
  Rocks p;
  QTemporaryDir dir;
  PictureRequest svg;
  svg.Path = dir.filePath(QStringLiteral("g.svg"));
  svg.PageMm = QSizeF(180, 120);
  QString error;
  ASSERT_TRUE(WritePlotPicture(p.engine, svg, &error)) << error.toStdString();
  const QByteArray svgText = test::ReadFile(svg.Path);
  for (const char* label : {">SiO2<", ">MgO<", ">FeO<"}) EXPECT_TRUE(svgText.contains(label)) << label;
  EXPECT_TRUE(svgText.contains("width=\"180mm\"") || svgText.contains("width=\"180.0") ||
              svgText.contains("width=\"179.9"))
      << svgText.left(400).toStdString();

  VARNEL_REQUIRE_PDFTOTEXT();
  PictureRequest pdf = svg;
  pdf.Path = dir.filePath(QStringLiteral("g.pdf"));
  ASSERT_TRUE(WritePlotPicture(p.engine, pdf, &error)) << error.toStdString();
  const QString text = test::PdfText(pdf.Path, false);
  for (const char* label : {"SiO2", "MgO", "FeO"}) EXPECT_TRUE(text.contains(QLatin1String(label))) << label;
}

// The corners of every path of an SVG drawing ("M x,y L x,y ...").
std::vector<std::vector<QPointF>> SvgPaths(const QByteArray& svg) {
  std::vector<std::vector<QPointF>> paths;
  static const QRegularExpression path(QStringLiteral(" d=\"M([^\"]*)\""));
  static const QRegularExpression corner(QStringLiteral("(-?[0-9.]+),(-?[0-9.]+)"));
  for (const auto& m : path.globalMatch(QString::fromUtf8(svg))) {
    std::vector<QPointF> points;
    for (const auto& c : corner.globalMatch(m.captured(1))) points.emplace_back(c.captured(1).toDouble(), c.captured(2).toDouble());
    paths.push_back(points);
  }
  return paths;
}

TEST(VectorPictureTest, SvgKeepsThePositionsThatBitmapsRoundToWholePixels) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "Symbol#"}, {"1", "2", "4", "10"}});  // a diamond
  p.engine.Settings.UseDefaultShape = false;
  QTemporaryDir dir;
  PictureRequest svg;
  svg.Path = dir.filePath(QStringLiteral("g.svg"));
  svg.Width = 1001;
  QString error;
  ASSERT_TRUE(WritePlotPicture(p.engine, svg, &error)) << error.toStdString();
  const std::vector<std::vector<QPointF>> paths = SvgPaths(test::ReadFile(svg.Path));

  // The page as the drawing has it (the half pixel the pages are drawn
  // through stands in the groups' transforms, not in the paths).
  const QSize size(1001, BitmapHeight(1001, svg.Printer.PageAspect()));
  const PageMetrics m = SetupPageMetrics(TargetKind::Metafile, size.width(), size.height(), 96, svg.Printer);
  const TriangleMapping map = MapTriangle(m.UnitScale, 1, m.CentreX, m.CentreY);
  const auto exact = [&](Real x, Real y) {
    return QPointF(static_cast<qreal>(x * map.FT + map.ExactX0), static_cast<qreal>(-y * map.FT + map.ExactY0));
  };
  const QPointF a = exact(1, 0), b = exact(0.5L, Sin60), c = exact(0, 0);
  // Were they rounded, the test could not tell.
  ASSERT_GT(std::fabs(a.x() - std::round(a.x())) + std::fabs(a.y() - std::round(a.y())), 0.05);
  const auto near = [](QPointF u, QPointF v) { return std::fabs(u.x() - v.x()) < 0.002 && std::fabs(u.y() - v.y()) < 0.002; };
  bool outline = false, diamond = false;
  Real x, y;
  TriangleXY(1.0L / 7, 2.0L / 7, x, y);
  const QPointF centre = exact(x, y);
  for (const std::vector<QPointF>& q : paths) {
    if (q.size() == 4 && near(q[0], a) && near(q[1], b) && near(q[2], c) && near(q[3], a)) outline = true;
    // Left, top, right and bottom corners around the case's place.
    if (q.size() == 5 && near((q[0] + q[2]) / 2, centre) && near((q[1] + q[3]) / 2, centre)) diamond = true;
  }
  EXPECT_TRUE(outline) << a.x() << "," << a.y();
  EXPECT_TRUE(diamond) << centre.x() << "," << centre.y();
}

TEST(PrintGraphTest, TheStereoPagePrintsBothViews) {
  PlotSheet p;
  p.Connect({{"SiO2", "MgO", "FeO", "CaO"}, {"1", "1", "1", "1"}});
  ASSERT_EQ(p.engine.PlotKind(), 2);
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setOutputFileName(dir.filePath(QStringLiteral("stereo.pdf")));
  ASSERT_TRUE(PrintGraph(p.engine, printer, PlotPage::Stereo));
  VARNEL_REQUIRE_PDFTOTEXT();
  const QString text = test::PdfText(printer.outputFileName(), false);
  for (const char* label : {"SiO2", "MgO", "FeO", "CaO"})
    EXPECT_EQ(text.count(QLatin1String(label)), 2) << label << " in " << text.toStdString();
}

TEST(PrintGraphTest, WithoutAPrinterThePdfPrinterGivesThePage) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed on this machine";
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::NativeFormat);
  UsePdfWhenNoPrinter(printer);
  EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
  printer.setPageOrientation(QPageLayout::Landscape);
  const PrinterPage page = PageOfPrinter(printer);
  EXPECT_GT(page.Width, page.Height);
  EXPECT_GT(page.DpiX, 0);
}

// The window printing through a printer of its own.
struct Window : test::GraphsWindowScope {
  Window() : GraphsWindowScope(true) {}
};

TEST(GraphsOutputWindowTest, TheSettingsFileTurnsThePrinterAndTheBitmapsFollowIt) {
  Window w;
  // Portrait paper from the settings file: the printer turns, the page on
  // screen and the bitmap heights follow, and exit writes it back.
  w.window.ReadSettings(IniFile(QStringLiteral("/nonexistent/VARNEL.INI"),
                                "[Settings]\r\nLandscape=0\r\n[Export]\r\nDefaultClpBMPWidth=600\r\n"));
  EXPECT_EQ(w.printer.Printer().pageLayout().orientation(), QPageLayout::Portrait);
  EXPECT_LT(w.window.PaintBox()->width(), w.window.PaintBox()->height());
  EXPECT_GT(w.p.engine.Settings.ClpBmpHeight, 600);
  IniFile out(QStringLiteral("/nonexistent/VARNEL.INI"), "");
  w.window.WriteSettings(out, true);
  EXPECT_EQ(out.ReadString(QStringLiteral("Settings"), QStringLiteral("Landscape"), QString()),
            QStringLiteral("0"));
  // Set up anew as landscape: the bitmaps are wider than high again.
  w.printer.Printer().setPageOrientation(QPageLayout::Landscape);
  w.window.SizePaintBoxes();
  EXPECT_EQ(w.p.engine.Settings.ClpBmpHeight,
            BitmapHeight(600, PageOfPrinter(w.printer.Printer()).PageAspect()));
  EXPECT_LT(w.p.engine.Settings.ClpBmpHeight, 600);
  w.window.WriteSettings(out, true);
  EXPECT_EQ(out.ReadString(QStringLiteral("Settings"), QStringLiteral("Landscape"), QString()),
            QStringLiteral("1"));
}

TEST(GraphsOutputWindowTest, CommandsHintsAndTheCopyHintFollowingTheFormat) {
  Window w;
  const auto text = [&](const char* action) { return w.window.Action(action)->text(); };
  const auto hint = [&](const char* action) { return w.window.Action(action)->statusTip(); };
  const auto tip = [&](const char* action) { return w.window.Action(action)->toolTip(); };
  EXPECT_EQ(text("Export1"), QStringLiteral("&Export ..."));
  EXPECT_EQ(hint("Export1"), QStringLiteral("Export current graph to a disk-based metafile or bitmap."));
  EXPECT_EQ(text("PrinterSetup1"), QStringLiteral("Printer Se&tup ..."));
  EXPECT_EQ(text("Print1"), QStringLiteral("&Print"));
  EXPECT_EQ(hint("GTBPrint"), QStringLiteral("Print the current graph."));
  EXPECT_EQ(text("Copy1"), QStringLiteral("&Copy"));
  EXPECT_EQ(text("Copy2"), QStringLiteral("Copy"));
  EXPECT_EQ(hint("Copy1"), QStringLiteral("Copy to Clipboard in default format. Current default is Bitmap."));
  EXPECT_EQ(tip("GTBCopy"), QStringLiteral("Copy (as bitmap)"));
  w.p.engine.Settings.ClipFormat = 1;
  w.window.UpdateGraphCommands();
  EXPECT_EQ(hint("Copy1"),
            QStringLiteral("Copy to Clipboard in default format. Current default is Metafile."));
  EXPECT_EQ(tip("GTBCopy"), QStringLiteral("Copy (as metafile)"));
  // The plot area's pop-up: "Copy", and "Settings..." showing the settings dialog.
  ASSERT_EQ(w.window.CopyPopup()->actions().size(), 2);
  EXPECT_EQ(w.window.CopyPopup()->actions()[0]->text(), QStringLiteral("Copy"));
  EXPECT_EQ(w.window.CopyPopup()->actions()[1]->text(), QStringLiteral("Settings..."));
  w.window.CopyPopup()->actions()[1]->trigger();
  EXPECT_TRUE(w.window.SettingsDialog()->isVisible());
  w.window.SettingsDialog()->hide();

  // Copy puts the metafile on the clipboard and the page keeps its screen size.
  w.p.ConnectRocks();
  const QSize page = w.window.PaintBox()->size();
  w.window.Action("GTBCopy")->trigger();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->data(QStringLiteral("image/emf")).mid(40, 4), QByteArray(" EMF"));
  EXPECT_EQ(w.window.PaintBox()->size(), page);
}

TEST(GraphsOutputWindowTest, PrintingWritesThePageWithTheProgressWindow) {
  Window w;
  w.p.ConnectRocks();
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("graph.pdf"));
  w.printer.Printer().setOutputFormat(QPrinter::PdfFormat);
  w.printer.Printer().setOutputFileName(pdf);
  const QSize page = w.window.PaintBox()->size();
  w.window.Action("Print1")->trigger();
  TVN_PrintingInProgress& progress = w.printer.ProgressWindow();
  EXPECT_EQ(progress.Messages(),
            (QStringList{QStringLiteral("Printing in progress... "), QStringLiteral("Printing completed")}));
  EXPECT_FALSE(progress.isVisible());
  EXPECT_EQ(w.window.PaintBox()->size(), page);
  ASSERT_TRUE(QFile::exists(pdf));
  VARNEL_REQUIRE_PDFTOTEXT();
  const QString text = test::PdfText(pdf, false);
  for (const char* label : {"SiO2", "MgO", "FeO"}) EXPECT_TRUE(text.contains(QLatin1String(label))) << label;
}

TEST(GraphsOutputWindowTest, APrinterFailureIsReportedAndTheProgressWindowStays) {
  Window w;
  w.p.ConnectRocks();
  w.printer.Printer().setOutputFormat(QPrinter::PdfFormat);
  w.printer.Printer().setOutputFileName(QStringLiteral("/nonexistent-folder/graph.pdf"));
  w.p.prompter.Expect(BoxKind::Error,
                      QStringLiteral("Could not write to the printer.\n\rPlease check printer status."),
                      Only(Button::Ok), Button::Ok);
  w.window.Action("Print1")->trigger();
  TVN_PrintingInProgress& progress = w.printer.ProgressWindow();
  EXPECT_TRUE(progress.isVisible());
  EXPECT_EQ(progress.Messages(), QStringList{QStringLiteral("Printing in progress... ")});
  EXPECT_TRUE(progress.PPButtonCancel->isHidden());  // a graph print cannot be cancelled
  // ... but the window that stays with the failure can be closed.
  EXPECT_FALSE(progress.PPButtonClose->isHidden());
  progress.PPButtonClose->click();
  EXPECT_FALSE(progress.isVisible());
  EXPECT_FALSE(progress.PPButtonCancel->isHidden());  // ready for a text print again
}

TEST(GraphsOutputWindowTest, ThePdfPrinterAsksForItsFile) {
  Window w;
  w.p.ConnectRocks();
  w.printer.Printer().setOutputFormat(QPrinter::PdfFormat);
  w.printer.Printer().setOutputFileName(QString());
  w.p.prompter.AnswerSave(std::nullopt);  // cancelled: nothing printed
  w.window.Action("Print1")->trigger();
  ASSERT_EQ(w.p.prompter.dialogs.size(), 1u);
  EXPECT_EQ(w.p.prompter.dialogs[0].defaultSuffix, QStringLiteral("pdf"));
  EXPECT_FALSE(w.printer.ProgressWindow().isVisible());
}

}  // namespace
}  // namespace varnel

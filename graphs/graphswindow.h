// The Graphs window: the page of the graph engine on screen, its selectors,
// view switches, page tabs and the rotation by keyboard and mouse.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <array>
#include <functional>

#include "app/settingssection.h"
#include "app/windowplacement.h"
#include "graphs/graphengine.h"

class QAction;
class QComboBox;
class QLabel;
class QScrollArea;
class QTabBar;
class QToolBar;

namespace varnel {

class GraphPage;
class TextPrinter;
class TVN_CScales;
class TVN_Settings;
struct OutputContext;

class TVN_Graphs : public QMainWindow, public GraphView, public SettingsSection {
  Q_OBJECT
 public:
  // textPad receives the warnings log when it is viewed.
  TVN_Graphs(GraphEngine& engine, ReportTarget& textPad, QWidget* parent = nullptr);
  ~TVN_Graphs() override;

  GraphEngine& Engine() const { return engine_; }
  QAction* Action(const QString& name) const { return actions_.value(name); }
  QComboBox* ApexBox(int apex) const { return boxes_[static_cast<std::size_t>(apex)]; }
  QWidget* PaintBox() const;
  // Where the last paint of the page put the legend (empty when none).
  QRect LegendRect() const;
  QTabBar* Tabs() const { return tabs_; }
  TVN_Settings* SettingsDialog() const { return settings_; }
  QString StatusPanel(int panel) const;
  const PageMetrics& Metrics() const { return metrics_; }
  // At exit the window closes for real; before that closing minimises it.
  void AllowClose() { allowClose_ = true; }
  // The printer shared with the other windows, and its progress window. It
  // gives the page its shape; with no printer installed it prints to PDF.
  void SetTextPrinter(TextPrinter* printer);
  // What printing, copying and export paint for: the page shown, the
  // screen's resolution, the printer's page and the data file.
  OutputContext Context() const;
  QMenu* CopyPopup() const { return copyPopup_; }
  // The third status panel: hints, and what is said of the case under the
  // pointer.
  void ShowHint(const QString& text);
  // The left mouse button and the pointer on the page, as its events give
  // them (page coordinates).
  enum class MouseStep { Press, Drag, Release, Hover };
  void MouseOnPage(MouseStep step, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

  // Takes the plot settings of a file chosen outside the window (the
  // desktop's "Open with"), as "&Load Plot Settings ..." does.
  bool OpenPlotSettings(const QString& path);

  // Lays the page out again for the scroll area's size (on resizes and
  // "&Fit to Window").
  void SizePaintBoxes();
  void SelectPage(PlotPage page);
  // Applies a view key as the window's keyboard handler does.
  void ViewKeyPressed(ViewKey key);

  // The Graphs keys of the settings file and the window's place ("WinPos":
  // GTop, GLeft, GWidth, GHeight).
  void ReadSettings(const IniFile& ini) override;
  void WriteSettings(IniFile& ini, bool savePrefs) const override;
  WindowBounds Bounds() const { return {y(), x(), width(), height()}; }
  const PrinterPage& Printer() const { return printer_; }

  // GraphView
  void SelectorsChanged() override;
  void CaptionChanged() override;
  void RepaintPlot() override;
  void UpdateGraphCommands() override;
  void SetBusy(bool busy) override;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class GraphPage;
  void BuildMenus();
  void BuildToolBars();
  void BuildStatusBar();
  QAction* AddAction(QMenu* menu, const QString& name, const QString& caption, const QString& hint,
                     bool checkable, void (TVN_Graphs::*handler)());
  void ToggleView(bool GraphSettings::*flag);
  void ShowScalingState();
  void FormatsChanged();

  void UpdateCopyHints();

  // Handlers, named after their menu items.
  void Export1Click();
  void PrinterSetup1Click();
  void Print1Click();
  void Copy1Click();
  void SavePlotSettings1Click();
  void LoadPlotSettings1Click();
  void MinimizeWindow1Click();
  void ScaleCoordinates1Click();
  void SetupCoordinateScaling1Click();
  void Symbols1Click();
  void Labels1Click();
  void TieLines1Click();
  void CopyExport1Click();
  void GTBSettingsClick();
  void ScalePage1Click();
  void ViewDiagram1Click();
  void ViewPoints1Click();
  void ViewLabels1Click();
  void ViewTies1Click();
  void IncreaseSeparation1Click();
  void DecreaseSeparation1Click();
  void Enlarge1Click();
  void Reduce1Click();
  void ViewLogFile1Click();
  void Toolbar1Click();
  void PlotInversePoints1Click();
  void ZOrdering1Click();
  void AutoVarSelect1Click();
  void GLogTransformWarnings1Click();
  void SingleTetrahedron1Click();
  void StereoPair1Click();
  void TriangularPlot1Click();
  void Diagram2Click();

  GraphEngine& engine_;
  ReportTarget& textPad_;
  PrinterPage printer_;
  PageMetrics metrics_;
  QHash<QString, QAction*> actions_;
  std::array<QComboBox*, 4> boxes_{};
  QToolBar* commandBar_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QWidget* sheetOfPaper_ = nullptr;
  GraphPage* page_ = nullptr;
  QTabBar* tabs_ = nullptr;
  std::array<QLabel*, 3> panels_{};
  TVN_Settings* settings_ = nullptr;
  TextPrinter* textPrinter_ = nullptr;
  QMenu* copyPopup_ = nullptr;
  bool allowClose_ = false;
  int busy_ = 0;
  std::vector<int> highlighted_;
};

}  // namespace varnel

#include "graphs/graphswindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/dialogparts.h"
#include "app/icons.h"
#include "app/inifile.h"
#include "app/textprinting.h"
#include "graphs/cscalesdialog.h"
#include "graphs/graphcommands.h"
#include "graphs/graphoutput.h"
#include "graphs/graphprinting.h"
#include "graphs/graphsettingsfile.h"
#include "graphs/settingsdialog.h"

namespace varnel {

// The plot area: the page, painted by the engine, turned by the mouse. The
// pointer over a point names its case; a click selects the case in the
// DataSheet, a rubber band (a drag on the triangle, or with Shift on any
// page) every case inside it; the legend is dragged where it should stand.
class GraphPage : public QWidget {
 public:
  explicit GraphPage(TVN_Graphs& window) : QWidget(nullptr), window_(window) {
    setObjectName(QStringLiteral("GPaintBox"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setStatusTip(QStringLiteral(
        "Plot area: Drag mouse or press arrow keys to rotate 3D graphs. Keypad plus/minus keys to enlarge or "
        "reduce."));
    setFocusPolicy(Qt::ClickFocus);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setMouseTracking(true);
  }

  // The mouse as tests and the events drive it.
  void Press(QPoint at, Qt::KeyboardModifiers modifiers) {
    stored_ = pressed_ = at;
    moved_ = false;
    GraphEngine& e = window_.engine_;
    draggingLegend_ = e.Settings.ShowLegend && legend_.contains(at);
    if (draggingLegend_) legendGrab_ = at - legend_.topLeft();
    banding_ = !draggingLegend_ && ((modifiers & Qt::ShiftModifier) || e.Page == PlotPage::Triangular);
  }
  void Drag(QPoint now, Qt::KeyboardModifiers modifiers) {
    if ((now - pressed_).manhattanLength() > 3) moved_ = true;
    GraphEngine& e = window_.engine_;
    if (draggingLegend_) {
      const PageMetrics& m = window_.metrics_;
      const QPoint corner = now - legendGrab_;
      e.Settings.LegendPlace = LegendCorner::Placed;
      e.Settings.LegendX = std::clamp(static_cast<Real>(corner.x()) / std::max(m.W, 1), 0.0L, 1.0L);
      e.Settings.LegendY = std::clamp(static_cast<Real>(corner.y()) / std::max(m.H, 1), 0.0L, 1.0L);
      update();
      return;
    }
    if (banding_) {
      band_ = QRect(pressed_, now).normalized();
      update();
      return;
    }
    if (modifiers != Qt::NoModifier) return;
    const bool repaint = e.DragBy(stored_.x() - now.x(), stored_.y() - now.y());
    stored_ = now;
    if (repaint) update();
  }
  void Release(QPoint at) {
    GraphEngine& e = window_.engine_;
    if (draggingLegend_) {
      draggingLegend_ = false;
      if (window_.settings_) window_.settings_->RefreshSettingsDialog();
      return;
    }
    const bool banded = banding_ && moved_;
    banding_ = false;
    band_ = QRect();
    if (banded) {
      const std::vector<int> cases = e.CasesIn(window_.metrics_, e.Page, QRectF(QRect(pressed_, at).normalized()));
      window_.ShowHint(cases.empty() ? QStringLiteral("No case inside.")
                                     : QString::number(cases.size()) + QStringLiteral(" cases selected."));
      if (!cases.empty()) e.SelectCases(cases);
      update();
      return;
    }
    if (moved_) return;
    if (const int k = e.CaseAt(window_.metrics_, e.Page, QPointF(at) + QPointF(0.5, 0.5))) e.SelectCases({k});
  }
  void Hover(QPoint at) {
    GraphEngine& e = window_.engine_;
    const int k = e.CaseAt(window_.metrics_, e.Page, QPointF(at) + QPointF(0.5, 0.5));
    if (k == hovered_) return;
    hovered_ = k;
    const QString text = k ? e.CaseDescription(k) : QString();
    setToolTip(text);
    window_.ShowHint(k ? text : statusTip());
  }
  QRect Band() const { return band_; }
  // Where the last paint put the legend (empty when none was drawn).
  QRect Legend() const { return legend_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    PaintOptions options;
    options.Page = window_.engine_.Page;
    options.Highlight = true;
    legend_ = window_.engine_.Paint(painter, window_.metrics_, options);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
    if (!band_.isEmpty()) {
      painter.setPen(QPen(QColor(0, 90, 200), 1, Qt::DashLine));
      painter.setBrush(QColor(0, 90, 200, 30));
      painter.drawRect(band_);
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) Press(e->position().toPoint(), e->modifiers());
    else stored_ = e->position().toPoint();
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (e->buttons() == Qt::NoButton) {
      Hover(e->position().toPoint());
      return;
    }
    if (e->buttons() != Qt::LeftButton) return;
    Drag(e->position().toPoint(), e->modifiers());
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) Release(e->position().toPoint());
  }

 private:
  TVN_Graphs& window_;
  QPoint stored_, pressed_, legendGrab_;
  bool moved_ = false;
  bool banding_ = false;
  bool draggingLegend_ = false;
  QRect band_;
  QRect legend_;
  int hovered_ = 0;
};

namespace {

// The page with its border and the two shadow strips below and to the right.
class SheetOfPaper : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QWidget* page = findChild<QWidget*>(QStringLiteral("GPaintBox"));
    if (!page) return;
    const QRect g = page->geometry();
    p.fillRect(QRect(g.left() + 6, g.bottom() + 2, g.width(), 6), QColor(64, 64, 64));
    p.fillRect(QRect(g.right() + 2, g.top() + 6, 5, g.height()), QColor(64, 64, 64));
  }
};

}  // namespace

TVN_Graphs::TVN_Graphs(GraphEngine& engine, ReportTarget& textPad, QWidget* parent)
    : QMainWindow(parent), engine_(engine), textPad_(textPad) {
  setObjectName(QStringLiteral("VN_Graphs"));
  resize(540, 460);
  BuildMenus();
  BuildToolBars();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  scroll_ = new QScrollArea(central);
  scroll_->setBackgroundRole(QPalette::Dark);
  scroll_->setWidgetResizable(false);
  sheetOfPaper_ = new SheetOfPaper;
  sheetOfPaper_->setAutoFillBackground(false);
  page_ = new GraphPage(*this);
  page_->setParent(sheetOfPaper_);
  page_->move(4, 4);
  scroll_->setWidget(sheetOfPaper_);
  layout->addWidget(scroll_, 1);
  tabs_ = new QTabBar(central);
  tabs_->setObjectName(QStringLiteral("GTabControl"));
  tabs_->setShape(QTabBar::RoundedSouth);
  tabs_->addTab(QStringLiteral("Tetrahedral"));
  tabs_->addTab(QStringLiteral("Stereo Tetrahedral"));
  tabs_->addTab(QStringLiteral("Triangular"));
  tabs_->setCurrentIndex(static_cast<int>(engine_.Page));
  connect(tabs_, &QTabBar::currentChanged, this,
          [this](int index) { SelectPage(static_cast<PlotPage>(index)); });
  layout->addWidget(tabs_);
  setCentralWidget(central);
  BuildStatusBar();
  connect(page_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { copyPopup_->popup(page_->mapToGlobal(at)); });
  settings_ = new TVN_Settings(engine_, this);
  settings_->PageAspect = [this] { return printer_.PageAspect(); };
  settings_->FormatsChanged = [this] { FormatsChanged(); };
  DeriveBitmapHeights(engine_.Settings, printer_.PageAspect());
  qApp->installEventFilter(this);
  // Cases selected in the DataSheet are ringed in the plot: the selection is
  // looked at a few times a second while the window shows.
  auto* selectionWatch = new QTimer(this);
  selectionWatch->setInterval(250);
  connect(selectionWatch, &QTimer::timeout, this, [this] {
    const std::vector<int> now = engine_.HighlightedCases();
    if (now != highlighted_ && isVisible()) {
      highlighted_ = now;
      page_->update();
    }
  });
  selectionWatch->start();
  engine_.SetView(this);
  SelectorsChanged();
  CaptionChanged();
  UpdateGraphCommands();
}

TVN_Graphs::~TVN_Graphs() {
  qApp->removeEventFilter(this);
  engine_.SetView(nullptr);
}

QWidget* TVN_Graphs::PaintBox() const { return page_; }

QRect TVN_Graphs::LegendRect() const { return page_->Legend(); }

void TVN_Graphs::ShowHint(const QString& text) { panels_[2]->setText(text); }

void TVN_Graphs::MouseOnPage(MouseStep step, QPoint at, Qt::KeyboardModifiers modifiers) {
  switch (step) {
    case MouseStep::Press:
      page_->Press(at, modifiers);
      break;
    case MouseStep::Drag:
      page_->Drag(at, modifiers);
      break;
    case MouseStep::Release:
      page_->Release(at);
      break;
    case MouseStep::Hover:
      page_->Hover(at);
      break;
  }
}

QAction* TVN_Graphs::AddAction(QMenu* menu, const QString& name, const QString& caption, const QString& hint,
                               bool checkable, void (TVN_Graphs::*handler)()) {
  auto* a = new QAction(caption, this);
  a->setObjectName(name);
  a->setStatusTip(hint);
  a->setCheckable(checkable);
  connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  menu->addAction(a);
  actions_.insert(name, a);
  return a;
}

void TVN_Graphs::BuildMenus() {
  using W = TVN_Graphs;
  QMenu* graph = menuBar()->addMenu(QStringLiteral("&Graph"));
  AddAction(graph, QStringLiteral("Export1"), QStringLiteral("&Export ..."),
            QStringLiteral("Export current graph to a disk-based metafile or bitmap."), false,
            &W::Export1Click);
  AddAction(graph, QStringLiteral("SavePlotSettings1"), QStringLiteral("&Save Plot Settings ..."),
            QStringLiteral("Save current graph settings to a configuration (*.vng) file."), false,
            &W::SavePlotSettings1Click);
  AddAction(graph, QStringLiteral("LoadPlotSettings1"), QStringLiteral("&Load Plot Settings ..."),
            QStringLiteral("Load graph settings from an existing configuration (*.vng) file."), false,
            &W::LoadPlotSettings1Click);
  graph->addSeparator();
  AddAction(graph, QStringLiteral("PrinterSetup1"), QStringLiteral("Printer Se&tup ..."),
            QStringLiteral("Choose and set up the printer."), false, &W::PrinterSetup1Click);
  AddAction(graph, QStringLiteral("Print1"), QStringLiteral("&Print"),
            QStringLiteral("Print the current graph."), false, &W::Print1Click);
  graph->addSeparator();
  AddAction(graph, QStringLiteral("MinimizeWindow1"), QStringLiteral("&Minimize Window"),
            QStringLiteral("Minimize the Graphs window."), false, &W::MinimizeWindow1Click);
  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  AddAction(edit, QStringLiteral("Copy1"), QStringLiteral("&Copy"), QString(), false, &W::Copy1Click);
  copyPopup_ = new QMenu(this);
  copyPopup_->setObjectName(QStringLiteral("GPopupMenu"));
  AddAction(copyPopup_, QStringLiteral("Copy2"), QStringLiteral("Copy"), QString(), false, &W::Copy1Click);
  AddAction(copyPopup_, QStringLiteral("Settings2"), QStringLiteral("Settings..."),
            QStringLiteral("Show the Graph Settings dialog."), false, &W::GTBSettingsClick);
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  AddAction(view, QStringLiteral("ScalePage1"), QStringLiteral("&Fit to Window"),
            QStringLiteral("Fit the page to the window, or show it at its printed size."), true,
            &W::ScalePage1Click);
  view->addSeparator();
  AddAction(view, QStringLiteral("ViewDiagram1"), QStringLiteral("&Diagram"),
            QStringLiteral("Show the diagram outline."), true, &W::ViewDiagram1Click);
  AddAction(view, QStringLiteral("ViewPoints1"), QStringLiteral("&Points"),
            QStringLiteral("Show the points."), true, &W::ViewPoints1Click);
  AddAction(view, QStringLiteral("ViewLabels1"), QStringLiteral("Point &Labels"),
            QStringLiteral("Show point labels."), true, &W::ViewLabels1Click);
  AddAction(view, QStringLiteral("ViewTies1"), QStringLiteral("&Tie lines"),
            QStringLiteral("Show tie lines."), true, &W::ViewTies1Click);
  view->addSeparator();
  AddAction(view, QStringLiteral("IncreaseSeparation1"), QStringLiteral("&Increase Separation"),
            QStringLiteral("Move the views of the stereo pair apart."), false, &W::IncreaseSeparation1Click)
      ->setShortcut(Qt::Key_F12);
  AddAction(view, QStringLiteral("DecreaseSeparation1"), QStringLiteral("De&crease Separation"),
            QStringLiteral("Move the views of the stereo pair together."), false,
            &W::DecreaseSeparation1Click)
      ->setShortcut(Qt::Key_F11);
  AddAction(view, QStringLiteral("Enlarge1"), QStringLiteral("&Enlarge (keypad +)"),
            QStringLiteral("Enlarge the graph."), false, &W::Enlarge1Click);
  AddAction(view, QStringLiteral("Reduce1"), QStringLiteral("&Reduce (keypad -)"),
            QStringLiteral("Reduce the graph."), false, &W::Reduce1Click);
  view->addSeparator();
  AddAction(view, QStringLiteral("ViewLogFile1"), QStringLiteral("Plot &Warnings File"),
            QStringLiteral("Show the plot warnings log in the TextPad."), false, &W::ViewLogFile1Click);
  AddAction(view, QStringLiteral("Toolbar1"), QStringLiteral("Tool&bar"),
            QStringLiteral("Show or hide the tool bar."), true, &W::Toolbar1Click);
  QMenu* settings = menuBar()->addMenu(QStringLiteral("&Settings"));
  AddAction(settings, QStringLiteral("Symbols1"), QStringLiteral("&Symbols ..."),
            QStringLiteral("Symbol shapes, sizes and colors, and the legend."), false, &W::Symbols1Click);
  AddAction(settings, QStringLiteral("Labels1"), QStringLiteral("&Labels ..."),
            QStringLiteral("Point and apex labels and their fonts."), false, &W::Labels1Click);
  AddAction(settings, QStringLiteral("TieLines1"), QStringLiteral("&Tie lines ..."),
            QStringLiteral("Tie line variable, colors and style."), false, &W::TieLines1Click);
  AddAction(settings, QStringLiteral("Diagram2"), QStringLiteral("&Diagram ..."),
            QStringLiteral("Diagram outline and 3D projection parameters."), false, &W::Diagram2Click);
  AddAction(settings, QStringLiteral("CopyExport1"), QStringLiteral("&Copy/Export ..."),
            QStringLiteral("Default bitmap sizes and formats for copying and export."), false,
            &W::CopyExport1Click);
  QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
  AddAction(options, QStringLiteral("ScaleCoordinates1"), QStringLiteral("&Scale Coordinates"),
            QStringLiteral("Toggles coordinate scaling on/off"), true, &W::ScaleCoordinates1Click);
  AddAction(options, QStringLiteral("SetupCoordinateScaling1"),
            QStringLiteral("Setup &Coordinate Scaling ..."),
            QStringLiteral("Setup differential scaling of barycentric coordinates."), false,
            &W::SetupCoordinateScaling1Click);
  options->addSeparator();
  AddAction(options, QStringLiteral("PlotInversePoints1"), QStringLiteral("Plot &Negative Points"),
            QStringLiteral("Also plot cases whose coordinates sum to a negative number."), true,
            &W::PlotInversePoints1Click);
  AddAction(options, QStringLiteral("ZOrdering1"), QStringLiteral("&Z-Ordering"),
            QStringLiteral("Toggles drawing points in depth or database order."), true, &W::ZOrdering1Click);
  AddAction(options, QStringLiteral("AutoVarSelect1"), QStringLiteral("Auto&VarSelect"),
            QStringLiteral("Select the plot variables automatically on connecting."), true,
            &W::AutoVarSelect1Click);
  AddAction(options, QStringLiteral("GLogTransformWarnings1"), QStringLiteral("&Log Plot Warnings"),
            QStringLiteral("Write the cases that cannot be plotted into varnel.log."), true,
            &W::GLogTransformWarnings1Click);
  QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
  AddAction(window, QStringLiteral("SingleTetrahedron1"), QStringLiteral("&Tetrahedral"),
            QStringLiteral("Show the tetrahedron."), true, &W::SingleTetrahedron1Click);
  AddAction(window, QStringLiteral("StereoPair1"), QStringLiteral("&Stereo Tetrahedral"),
            QStringLiteral("Show the tetrahedron as a stereo pair."), true, &W::StereoPair1Click);
  AddAction(window, QStringLiteral("TriangularPlot1"), QStringLiteral("T&riangular"),
            QStringLiteral("Show the triangle."), true, &W::TriangularPlot1Click);
  for (QMenu* m : {graph, edit, view, settings, options, window})
    connect(m, &QMenu::aboutToShow, this, [this] { UpdateGraphCommands(); });
}

void TVN_Graphs::BuildToolBars() {
  commandBar_ = AddFixedToolBar(this, QStringLiteral("GToolBar"));
  const auto button = [this](const QString& name, const QString& text, const QString& action) {
    QAction* a = actions_.value(action);
    auto* b = new QAction(text, this);
    b->setObjectName(name);
    b->setCheckable(a->isCheckable());
    b->setToolTip(a->text().remove(QLatin1Char('&')));
    b->setStatusTip(a->statusTip());
    connect(b, &QAction::triggered, a, [a] { a->trigger(); });
    commandBar_->addAction(b);
    actions_.insert(name, b);
  };
  button(QStringLiteral("GTBPrint"), QStringLiteral("Print"), QStringLiteral("Print1"));
  button(QStringLiteral("GTBCopy"), QStringLiteral("Copy"), QStringLiteral("Copy1"));
  actions_.value(QStringLiteral("GTBPrint"))->setIcon(ToolBarIcon(ToolIcon::Print));
  actions_.value(QStringLiteral("GTBCopy"))->setIcon(ToolBarIcon(ToolIcon::Copy));
  commandBar_->addSeparator();
  // The switches and tools show pictures in the style of the other tool
  // bars; their tooltips say what the letters of older versions meant.
  const auto tool = [&](const char* name, const char* letter, const char* action, ToolIcon icon) {
    button(QString::fromLatin1(name), QString::fromLatin1(letter), QString::fromLatin1(action));
    QAction* b = actions_.value(QString::fromLatin1(name));
    b->setIcon(ToolBarIcon(icon));
    b->setToolTip(b->toolTip() + QStringLiteral(" (") + QString::fromLatin1(letter) + QLatin1Char(')'));
  };
  tool("GTBButtonDiagram", "D", "ViewDiagram1", ToolIcon::Diagram);
  tool("GTBButtonPoints", "P", "ViewPoints1", ToolIcon::Points);
  tool("GTBButtonLabels", "L", "ViewLabels1", ToolIcon::Labels);
  tool("GTBButtonTies", "T", "ViewTies1", ToolIcon::TieLines);
  commandBar_->addSeparator();
  button(QStringLiteral("GTBButtonEnlarge"), QStringLiteral("+"), QStringLiteral("Enlarge1"));
  button(QStringLiteral("GTBButtonReduce"), QStringLiteral("-"), QStringLiteral("Reduce1"));
  actions_.value(QStringLiteral("GTBButtonEnlarge"))->setIcon(ToolBarIcon(ToolIcon::Enlarge));
  actions_.value(QStringLiteral("GTBButtonReduce"))->setIcon(ToolBarIcon(ToolIcon::Reduce));
  commandBar_->addSeparator();
  auto* settingsButton = new QAction(ToolBarIcon(ToolIcon::Settings), QStringLiteral("S"), this);
  settingsButton->setObjectName(QStringLiteral("GTBSettings"));
  settingsButton->setToolTip(QStringLiteral("Graph Settings ... (S)"));
  settingsButton->setStatusTip(QStringLiteral("Show the Graph Settings dialog."));
  connect(settingsButton, &QAction::triggered, this, [this] { GTBSettingsClick(); });
  commandBar_->addAction(settingsButton);
  actions_.insert(QStringLiteral("GTBSettings"), settingsButton);

  addToolBarBreak();
  QToolBar* apexes = AddFixedToolBar(this, QStringLiteral("GToolBar2"));
  static constexpr GraphSelector Apexes[4] = {GraphSelector::A, GraphSelector::B, GraphSelector::C,
                                              GraphSelector::D};
  for (int i = 0; i < 4; ++i) {
    const QString letter(QLatin1Char(static_cast<char>('A' + i)));
    auto* label = new QLabel(QStringLiteral(" ") + letter + QStringLiteral(": "), apexes);
    apexes->addWidget(label);
    auto* box = new QComboBox(apexes);
    box->setObjectName(QStringLiteral("GCBox") + letter);
    // Six characters hold most oxide names and let all four boxes fit the
    // window at its first size; longer names show in the open list.
    box->setMinimumContentsLength(6);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setToolTip(QStringLiteral("Apex ") + letter);
    box->setStatusTip(QStringLiteral("Variable to plot in apex ") + letter + QLatin1Char('.'));
    const GraphSelector s = Apexes[i];
    connect(box, &QComboBox::activated, this, [this, s](int index) {
      engine_.SetSelectorItem(s, index);
      engine_.ApexChanged(s);
    });
    apexes->addWidget(box);
    boxes_[static_cast<std::size_t>(i)] = box;
  }
}

void TVN_Graphs::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  for (std::size_t k = 0; k < 3; ++k) {
    panels_[k] = new QLabel(bar);
    panels_[k]->setFrameShape(QFrame::Panel);
    panels_[k]->setFrameShadow(QFrame::Sunken);
    if (k < 2) {
      panels_[k]->setFixedWidth(60);
      panels_[k]->setAlignment(Qt::AlignCenter);
      bar->addWidget(panels_[k]);
    } else {
      bar->addWidget(panels_[k], 1);
    }
  }
  panels_[0]->setText(engine_.Settings.PlotNegPoints ? QStringLiteral("np: ON") : QStringLiteral("np: OFF"));
  panels_[1]->setText(engine_.Settings.ScalingOn ? QStringLiteral("sc: ON") : QStringLiteral("sc: OFF"));
}

QString TVN_Graphs::StatusPanel(int panel) const { return panels_[static_cast<std::size_t>(panel)]->text(); }

void TVN_Graphs::ReadSettings(const IniFile& ini) {
  ReadGraphsIniKeys(ini, engine_.Settings);
  // The page keeps the printer's paper; only its orientation is kept here.
  if (textPrinter_) {
    textPrinter_->Printer().setPageOrientation(engine_.Settings.Landscape ? QPageLayout::Landscape
                                                                          : QPageLayout::Portrait);
    printer_ = PageOfPrinter(textPrinter_->Printer());
  } else if (engine_.Settings.Landscape != (printer_.Width > printer_.Height)) {
    std::swap(printer_.Width, printer_.Height);
  }
  DeriveBitmapHeights(engine_.Settings, printer_.PageAspect());
  panels_[0]->setText(engine_.Settings.PlotNegPoints ? QStringLiteral("np: ON") : QStringLiteral("np: OFF"));
  settings_->RefreshSettingsDialog();
  UpdateGraphCommands();
  FormatsChanged();
  const QSize screen =
      QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
  const WindowBounds b =
      ReadWindowBounds(ini, QStringLiteral("G"), TileFirstStart(AvailableArea()).Graphs, screen);
  move(b.Left, b.Top);
  resize(b.Width, b.Height);
  SizePaintBoxes();  // the paper may have turned
}

void TVN_Graphs::WriteSettings(IniFile& ini, bool savePrefs) const {
  if (savePrefs) {
    GraphSettings g = engine_.Settings;
    g.Landscape = textPrinter_ ? textPrinter_->Printer().pageLayout().orientation() == QPageLayout::Landscape
                               : printer_.Width > printer_.Height;
    WriteGraphsIniKeys(ini, g);
  }
  WriteWindowBounds(ini, QStringLiteral("G"), Bounds());
}

void TVN_Graphs::SelectorsChanged() {
  static constexpr GraphSelector Apexes[4] = {GraphSelector::A, GraphSelector::B, GraphSelector::C,
                                              GraphSelector::D};
  const QStringList& items = engine_.SelectorItems();
  for (std::size_t i = 0; i < 4; ++i) {
    ShowListItems(boxes_[i], items, engine_.SelectorItem(Apexes[i]));
  }
  if (settings_) settings_->RefreshSettingsDialog();
}

void TVN_Graphs::CaptionChanged() { setWindowTitle(engine_.Caption()); }

void TVN_Graphs::RepaintPlot() { page_->update(); }

void TVN_Graphs::UpdateGraphCommands() {
  const GraphCommandState s = GraphCommands(engine_);
  const GraphSettings& g = engine_.Settings;
  const auto set = [this](const QString& name, bool enabled, bool checked) {
    for (const QString& n : {name}) {
      QAction* a = actions_.value(n);
      if (!a) continue;
      a->setEnabled(enabled);
      if (a->isCheckable()) a->setChecked(checked);
    }
  };
  const auto both = [&](const QString& menu, const QString& tool, bool enabled, bool checked) {
    set(menu, enabled, checked);
    set(tool, enabled, checked);
  };
  both(QStringLiteral("ViewDiagram1"), QStringLiteral("GTBButtonDiagram"), true, g.ViewDiagram);
  both(QStringLiteral("ViewPoints1"), QStringLiteral("GTBButtonPoints"), s.Points, g.ViewPoints);
  both(QStringLiteral("ViewLabels1"), QStringLiteral("GTBButtonLabels"), s.Labels, g.ViewLabels);
  both(QStringLiteral("ViewTies1"), QStringLiteral("GTBButtonTies"), s.Ties, g.ViewTies);
  set(QStringLiteral("IncreaseSeparation1"), s.Separation, false);
  set(QStringLiteral("DecreaseSeparation1"), s.Separation, false);
  set(QStringLiteral("ScalePage1"), true, g.ScalePage);
  set(QStringLiteral("ScaleCoordinates1"), true, g.ScalingOn);
  set(QStringLiteral("PlotInversePoints1"), true, g.PlotNegPoints);
  set(QStringLiteral("ZOrdering1"), true, g.ZPOrdering);
  set(QStringLiteral("AutoVarSelect1"), true, g.AutoVarSelect);
  set(QStringLiteral("GLogTransformWarnings1"), true, g.LogTransformWarnings);
  set(QStringLiteral("Toolbar1"), true, commandBar_->isVisibleTo(this) || !isVisible());
  set(QStringLiteral("SingleTetrahedron1"), true, engine_.Page == PlotPage::Tetrahedral);
  set(QStringLiteral("StereoPair1"), true, engine_.Page == PlotPage::Stereo);
  set(QStringLiteral("TriangularPlot1"), true, engine_.Page == PlotPage::Triangular);
  boxes_[3]->setEnabled(s.ApexD);
  UpdateCopyHints();
}

void TVN_Graphs::UpdateCopyHints() {
  const bool bitmap = engine_.Settings.ClipFormat == 0;
  const QString hint =
      bitmap ? QStringLiteral("Copy to Clipboard in default format. Current default is Bitmap.")
             : QStringLiteral("Copy to Clipboard in default format. Current default is Metafile.");
  for (const char* name : {"Copy1", "Copy2", "GTBCopy"})
    if (QAction* a = actions_.value(QString::fromLatin1(name))) a->setStatusTip(hint);
  if (QAction* b = actions_.value(QStringLiteral("GTBCopy")))
    b->setToolTip(bitmap ? QStringLiteral("Copy (as bitmap)") : QStringLiteral("Copy (as metafile)"));
}

void TVN_Graphs::SetTextPrinter(TextPrinter* printer) {
  textPrinter_ = printer;
  if (textPrinter_) {
    UsePdfWhenNoPrinter(textPrinter_->Printer());
    // Landscape until the settings file says otherwise.
    textPrinter_->Printer().setPageOrientation(QPageLayout::Landscape);
  }
  metrics_ = PageMetrics();
  SizePaintBoxes();
}

OutputContext TVN_Graphs::Context() const {
  OutputContext c;
  c.Page = engine_.Page;
  c.ScreenDpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
  c.Printer = printer_;
  c.DataFileName = engine_.DataFileName();
  return c;
}

void TVN_Graphs::SetBusy(bool busy) {
  if (busy) {
    if (busy_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busy_ > 0 && --busy_ == 0) {
    QApplication::restoreOverrideCursor();
  }
}

void TVN_Graphs::SizePaintBoxes() {
  if (textPrinter_) {
    // The printer may have been set up anew: its paper shapes the bitmaps too.
    printer_ = PageOfPrinter(textPrinter_->Printer());
    DeriveBitmapHeights(engine_.Settings, printer_.PageAspect());
  }
  const int dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
  const QSize size = ScreenPageSize(engine_.Settings.ScalePage, scroll_->viewport()->size(), dpi, printer_);
  if (size == page_->size() && metrics_.W == size.width()) return;
  page_->resize(size);
  sheetOfPaper_->resize(size.width() + 15, size.height() + 16);
  metrics_ = SetupPageMetrics(TargetKind::Screen, size.width(), size.height(), dpi, printer_);
  page_->update();
}

void TVN_Graphs::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  SizePaintBoxes();
}

bool TVN_Graphs::event(QEvent* event) {
  // Hints go to the third panel; a status-bar message would hide the others.
  if (event->type() == QEvent::StatusTip) {
    panels_[2]->setText(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

void TVN_Graphs::closeEvent(QCloseEvent* event) {
  if (allowClose_) {
    event->accept();
    return;
  }
  event->ignore();
  showMinimized();
}

bool TVN_Graphs::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && watched == scroll_->viewport()) SizePaintBoxes();
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return QMainWindow::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool keypad = key->modifiers() & Qt::KeypadModifier;
  switch (key->key()) {
    case Qt::Key_Left:
      ViewKeyPressed(ViewKey::Left);
      return true;
    case Qt::Key_Right:
      ViewKeyPressed(ViewKey::Right);
      return true;
    case Qt::Key_Up:
      ViewKeyPressed(ViewKey::Up);
      return true;
    case Qt::Key_Down:
      ViewKeyPressed(ViewKey::Down);
      return true;
    case Qt::Key_Plus:
      if (!keypad) break;
      ViewKeyPressed(ViewKey::Enlarge);
      return true;
    case Qt::Key_Minus:
      if (!keypad) break;
      ViewKeyPressed(ViewKey::Reduce);
      return true;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TVN_Graphs::ViewKeyPressed(ViewKey key) {
  if (engine_.ApplyViewKey(key)) page_->update();
}

void TVN_Graphs::SelectPage(PlotPage page) {
  engine_.Page = page;
  if (tabs_->currentIndex() != static_cast<int>(page)) {
    const QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(static_cast<int>(page));
  }
  UpdateGraphCommands();
  engine_.RepaintGraph();
}

void TVN_Graphs::ToggleView(bool GraphSettings::*flag) {
  engine_.Settings.*flag = !(engine_.Settings.*flag);
  engine_.RepaintGraph();
  UpdateGraphCommands();
}

void TVN_Graphs::Export1Click() {
  ExportGraph(engine_, engine_.Prompt(), Context());
  SizePaintBoxes();
}

void TVN_Graphs::PrinterSetup1Click() {
  if (!textPrinter_) return;
  if (engine_.Prompt().PrinterSetup(textPrinter_->Printer())) SizePaintBoxes();
}

void TVN_Graphs::Print1Click() {
  if (!textPrinter_) return;
  QPrinter& printer = textPrinter_->Printer();
  // The PDF printer needs a file; without one nothing could be written.
  if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()) {
    FileDialogSpec spec;
    spec.title = QStringLiteral("Print to PDF File");
    spec.filter = QStringLiteral("PDF file (*.pdf)|*.pdf");
    spec.defaultSuffix = QStringLiteral("pdf");
    spec.initialPath = QStringLiteral("VNGraph1.pdf");
    spec.confirmOverwrite = true;
    const std::optional<QString> path = engine_.Prompt().SaveFileName(spec);
    if (!path || path->isEmpty()) return;
    printer.setOutputFileName(*path);
  }
  TVN_PrintingInProgress& progress = textPrinter_->ProgressWindow();
  progress.adjustSize();
  progress.move(x() + width() / 2 - progress.width() / 2, y() + height() / 2 - progress.height() / 2);
  progress.PPMemoInfo->clear();
  progress.PPMemoInfo->appendPlainText(QStringLiteral("Printing in progress... "));
  progress.PPButtonCancel->hide();
  progress.PPButtonClose->hide();
  progress.show();
  progress.repaint();
  if (PrintGraph(engine_, printer, engine_.Page)) {
    progress.PPMemoInfo->appendPlainText(QStringLiteral("Printing completed"));
    progress.hide();
    progress.PPButtonCancel->show();
  } else {
    engine_.Prompt().Message(
        BoxKind::Error, QStringLiteral("Could not write to the printer.\n\rPlease check printer status."),
        Only(Button::Ok));
    // The window stays with the failure; Close puts it away.
    progress.PPButtonClose->show();
  }
  SizePaintBoxes();
}

void TVN_Graphs::Copy1Click() {
  QMimeData* contents = GraphClipboardData(engine_, Context());
  if (contents)
    QGuiApplication::clipboard()->setMimeData(contents);
  else
    engine_.Prompt().Message(BoxKind::Error,
                             QStringLiteral("There is not enough memory to copy the graph to the clipboard."),
                             Only(Button::Ok));
  SizePaintBoxes();
}

void TVN_Graphs::ShowScalingState() {
  panels_[1]->setText(engine_.Settings.ScalingOn ? QStringLiteral("sc: ON") : QStringLiteral("sc: OFF"));
}

void TVN_Graphs::FormatsChanged() { UpdateCopyHints(); }

void TVN_Graphs::SavePlotSettings1Click() {
  varnel::SavePlotSettingsCommand(engine_.Settings, engine_.Prompt(), engine_.DataFileName());
}

void TVN_Graphs::LoadPlotSettings1Click() {
  if (varnel::LoadPlotSettingsCommand(engine_, engine_.Prompt())) settings_->RefreshSettingsDialog();
}

bool TVN_Graphs::OpenPlotSettings(const QString& path) {
  if (!ApplyPlotSettingsFile(engine_, engine_.Prompt(), path)) return false;
  settings_->RefreshSettingsDialog();
  return true;
}

void TVN_Graphs::ScaleCoordinates1Click() {
  engine_.Settings.ScalingOn = !engine_.Settings.ScalingOn;
  engine_.Recompute();
  ShowScalingState();
  UpdateGraphCommands();
}

void TVN_Graphs::SetupCoordinateScaling1Click() {
  TVN_CScales dialog(engine_, this);
  PlaceBesideOwner(&dialog);
  const bool ok = engine_.Prompt().RunDialog(dialog);
  dialog.Finish(ok);
}

void TVN_Graphs::Symbols1Click() { settings_->ShowPage(TVN_Settings::Page::Symbols); }
void TVN_Graphs::Labels1Click() { settings_->ShowPage(TVN_Settings::Page::Labels); }
void TVN_Graphs::TieLines1Click() { settings_->ShowPage(TVN_Settings::Page::TieLines); }
void TVN_Graphs::CopyExport1Click() { settings_->ShowPage(TVN_Settings::Page::CopyExport); }
void TVN_Graphs::GTBSettingsClick() { settings_->ShowPage(); }

void TVN_Graphs::MinimizeWindow1Click() { showMinimized(); }
void TVN_Graphs::ScalePage1Click() {
  engine_.Settings.ScalePage = !engine_.Settings.ScalePage;
  SizePaintBoxes();
  UpdateGraphCommands();
}
void TVN_Graphs::ViewDiagram1Click() { ToggleView(&GraphSettings::ViewDiagram); }
void TVN_Graphs::ViewPoints1Click() { ToggleView(&GraphSettings::ViewPoints); }
void TVN_Graphs::ViewLabels1Click() { ToggleView(&GraphSettings::ViewLabels); }
void TVN_Graphs::ViewTies1Click() { ToggleView(&GraphSettings::ViewTies); }
void TVN_Graphs::IncreaseSeparation1Click() { ViewKeyPressed(ViewKey::IncreaseSeparation); }
void TVN_Graphs::DecreaseSeparation1Click() { ViewKeyPressed(ViewKey::DecreaseSeparation); }
void TVN_Graphs::Enlarge1Click() { ViewKeyPressed(ViewKey::Enlarge); }
void TVN_Graphs::Reduce1Click() { ViewKeyPressed(ViewKey::Reduce); }
void TVN_Graphs::ViewLogFile1Click() { engine_.ViewLogFile(textPad_); }
void TVN_Graphs::Toolbar1Click() {
  commandBar_->setVisible(!commandBar_->isVisible());
  UpdateGraphCommands();
}
void TVN_Graphs::PlotInversePoints1Click() {
  engine_.Settings.PlotNegPoints = !engine_.Settings.PlotNegPoints;
  panels_[0]->setText(engine_.Settings.PlotNegPoints ? QStringLiteral("np: ON") : QStringLiteral("np: OFF"));
  engine_.RepaintGraph();
  UpdateGraphCommands();
}
void TVN_Graphs::ZOrdering1Click() {
  engine_.Settings.ZPOrdering = !engine_.Settings.ZPOrdering;
  if (engine_.Settings.ZPOrdering) page_->update();
  UpdateGraphCommands();
}
void TVN_Graphs::AutoVarSelect1Click() {
  engine_.SetAutoVarSelect(!engine_.Settings.AutoVarSelect);
  UpdateGraphCommands();
}
void TVN_Graphs::GLogTransformWarnings1Click() {
  engine_.Settings.LogTransformWarnings = !engine_.Settings.LogTransformWarnings;
  UpdateGraphCommands();
}
void TVN_Graphs::SingleTetrahedron1Click() { SelectPage(PlotPage::Tetrahedral); }
void TVN_Graphs::StereoPair1Click() { SelectPage(PlotPage::Stereo); }
void TVN_Graphs::TriangularPlot1Click() { SelectPage(PlotPage::Triangular); }
void TVN_Graphs::Diagram2Click() { settings_->ShowPage(TVN_Settings::Page::Diagram); }

}  // namespace varnel

#include "graphs/settingsdialog.h"


#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/dialogparts.h"
#include "app/help.h"
#include "app/prompter.h"
#include "app/windowplacement.h"
#include "controls/formparts.h"
#include "graphs/graphengine.h"

namespace varnel {
namespace {

void ShowFont(QLabel* panel, const LabelFontChoice& f) {
  QFont font(f.Name);
  font.setPointSize(std::clamp(f.Size, 1, 36));  // the panel keeps its size
  font.setBold(f.Bold);
  font.setItalic(f.Italic);
  panel->setFont(font);
  QPalette p = panel->palette();
  p.setColor(QPalette::WindowText, QColor::fromRgb(f.Color));
  panel->setPalette(p);
  panel->setText(FontSampleText(f));
}

QIcon ShapeIcon(int shape) {
  QPixmap pixmap(20, 20);
  pixmap.fill(Qt::white);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(0.5, 0.5);
  DrawSymbolShape(p, shape, 7, 1, 0xFF000080, 0xFF0000FF, 9.5, 9.5);
  return QIcon(pixmap);
}

constexpr int HelpTopics[5] = {4120, 4130, 4140, 4150, 4160};

// The font chooser: the platform's font page with the text colour below it.
std::optional<LabelFontChoice> AskFont(QWidget* parent, Prompter& prompter, const LabelFontChoice& initial) {
  QDialog d(parent);
  d.setObjectName(QStringLiteral("LabelFontDialog"));
  d.setWindowTitle(QStringLiteral("Font"));
  auto* layout = new QVBoxLayout(&d);
  auto* fonts = new QFontDialog(&d);
  fonts->setWindowFlags(Qt::Widget);
  fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
  QFont start(initial.Name, initial.Size);
  start.setBold(initial.Bold);
  start.setItalic(initial.Italic);
  fonts->setCurrentFont(start);
  layout->addWidget(fonts);
  QRgb colour = initial.Color;
  auto* row = new QHBoxLayout;
  auto* swatch = Swatch(&d, "FontColor");
  ShowColor(swatch, colour);
  auto* change = new QPushButton(QStringLiteral("C&olor ..."), &d);
  change->setObjectName(QStringLiteral("FontColorButton"));
  row->addWidget(new QLabel(QStringLiteral("Color:"), &d));
  row->addWidget(swatch);
  row->addWidget(change);
  row->addStretch(1);
  layout->addLayout(row);
  QObject::connect(change, &QPushButton::clicked, &d, [&] {
    const std::optional<QRgb> c = prompter.ChooseColor(colour, QStringLiteral("Font color"));
    if (!c) return;
    colour = *c;
    ShowColor(swatch, colour);
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
  layout->addWidget(buttons);
  if (!prompter.RunDialog(d)) return std::nullopt;
  const QFont f = fonts->currentFont();
  LabelFontChoice chosen = initial;
  chosen.Name = f.family();
  chosen.Size = f.pointSize() > 0 ? f.pointSize() : initial.Size;
  chosen.Bold = f.bold();
  chosen.Italic = f.italic();
  chosen.Color = colour;
  return chosen;
}

}  // namespace

QString FontSampleText(const LabelFontChoice& font) {
  return font.Name + QLatin1Char(' ') + QString::number(font.Size) + QStringLiteral(" points");
}

TVN_Settings::TVN_Settings(GraphEngine& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
  setObjectName(QStringLiteral("VN_Settings"));
  setWindowTitle(QStringLiteral("Graph Settings"));
  setModal(false);
  ShowHelp = [](int topic) { varnel::ShowHelp(HelpSectionOfContext(topic)); };

  auto* layout = new QVBoxLayout(this);
  SPageControl = new QTabWidget(this);
  SPageControl->setObjectName(QStringLiteral("SPageControl"));
  layout->addWidget(SPageControl);
  // In the order of Page.
  SPageControl->addTab(BuildSymbolsPage(), QStringLiteral("Symbols"));
  SPageControl->addTab(BuildLabelsPage(), QStringLiteral("Labels"));
  SPageControl->addTab(BuildTiesPage(), QStringLiteral("Tie lines"));
  SPageControl->addTab(BuildDiagramPage(), QStringLiteral("Diagram"));
  SPageControl->addTab(BuildCopyExportPage(), QStringLiteral("Copy/Export"));
  connect(SPageControl, &QTabWidget::currentChanged, this, [this](int index) {
    // The widths may have been read from a file since the page was last seen.
    if (index == static_cast<int>(Page::CopyExport)) {
      SetBlocked(SSEClpBMPWidth, engine_.Settings.DefaultClpBMPWidth);
      SetBlocked(SSEFileBMPWidth, engine_.Settings.DefaultFileBMPWidth);
    }
  });

  auto* buttons = new QHBoxLayout;
  auto* help = new QPushButton(QStringLiteral("&Help"), this);
  help->setObjectName(QStringLiteral("SBtnHelp"));
  buttons->addWidget(help);
  buttons->addStretch(1);
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  close->setObjectName(QStringLiteral("SBtnClose"));
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
  connect(help, &QPushButton::clicked, this, [this] {
    if (ShowHelp) ShowHelp(HelpTopic());
  });
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, [this] {
    if (ShowHelp) ShowHelp(HelpTopic());
  });
  RefreshSettingsDialog();
}

TVN_Settings::DefaultOrVariable TVN_Settings::DefaultOrVariableGroup(
    const DefaultOrVariableSpec& spec, QWidget* page,
    const std::function<void(QGroupBox*, QGridLayout*)>& defaultControls) {
  DefaultOrVariable g;
  g.Box = Group(QLatin1String(spec.Caption), page);
  auto* grid = new QGridLayout(g.Box);
  g.ByDefault = Radio(QString::fromUtf8(spec.DefaultCaption), g.Box, spec.DefaultName);
  g.FromVariable = Radio(QString::fromUtf8(spec.VariableCaption), g.Box, spec.VariableName);
  defaultControls(g.Box, grid);
  g.Variable = VariableList(g.Box, spec.ListName);
  grid->addWidget(g.ByDefault, 0, 0);
  grid->addWidget(g.FromVariable, 1, 0);
  grid->addWidget(new QLabel(QStringLiteral("Variable name:"), g.Box), 1, 1);
  grid->addWidget(g.Variable, 1, 2);
  grid->setColumnStretch(2, 1);
  auto* buttons = new QButtonGroup(g.Box);
  buttons->addButton(g.ByDefault);
  buttons->addButton(g.FromVariable);
  connect(g.ByDefault, &QRadioButton::toggled, this, [this, flag = spec.UseDefault](bool on) {
    engine_.Settings.*flag = on;
    Changed();
  });
  QComboBox* list = g.Variable;
  connect(list, &QComboBox::activated, this, [this, list](int index) { SelectorChosen(list, index); });
  return g;
}

QWidget* TVN_Settings::BuildSymbolsPage() {
  auto* page = new QWidget(SPageControl);
  auto* grid = new QGridLayout(page);
  GraphSettings& g = engine_.Settings;

  const DefaultOrVariable shape =
      DefaultOrVariableGroup({" Shape ", "&Default", "SRBSymbolDefaultShape", "From &variable",
                              "SRBSymbolShapeVar", "SCBSymbolShapeVar", &GraphSettings::UseDefaultShape},
                             page, [this](QGroupBox* box, QGridLayout* groupGrid) {
                               SCBDefSymShape = new QComboBox(box);
                               SCBDefSymShape->setObjectName(QStringLiteral("SCBDefSymShape"));
                               SCBDefSymShape->setIconSize(QSize(20, 20));
                               for (int code = 0; code < SymbolShapeCount; ++code)
                                 SCBDefSymShape->addItem(ShapeIcon(code), SymbolShapeText(code));
                               groupGrid->addWidget(new QLabel(QStringLiteral("Default shape:"), box), 0, 1);
                               groupGrid->addWidget(SCBDefSymShape, 0, 2);
                             });
  SRBSymbolDefaultShape = shape.ByDefault;
  SRBSymbolShapeVar = shape.FromVariable;
  SCBSymbolShapeVar = shape.Variable;

  const DefaultOrVariable size = DefaultOrVariableGroup(
      {" Size ", "D&efault", "SRBSymbolDefaultSize", "F&rom variable", "SRBSymbolSizeVar", "SCBSymbolSizeVar",
       &GraphSettings::UseDefaultSize},
      page, [this](QGroupBox* box, QGridLayout* groupGrid) {
        SSESymbolSize = SpinEdit(1, MaxSymbolSize, box, "SSESymbolSize");
        groupGrid->addWidget(new QLabel(QStringLiteral("Default size (0.1 mm units):"), box), 0, 1);
        groupGrid->addWidget(SSESymbolSize, 0, 2, Qt::AlignLeft);
      });
  SRBSymbolDefaultSize = size.ByDefault;
  SRBSymbolSizeVar = size.FromVariable;
  SCBSymbolSizeVar = size.Variable;

  const DefaultOrVariable colour =
      DefaultOrVariableGroup({" Color ", "De&fault", "SRBSymbolDefaultColor", "Fr&om variable",
                              "SRBSymbolColorVar", "SCBSymbolColorVar", &GraphSettings::UseDefaultColor},
                             page, [this](QGroupBox* box, QGridLayout* groupGrid) {
                               SShapeColor = Swatch(box, "SShapeColor");
                               SFillColor = Swatch(box, "SFillColor");
                               SBtnShapeColor = new QPushButton(QStringLiteral("Ch&ange ..."), box);
                               SBtnShapeColor->setObjectName(QStringLiteral("SBtnShapeColor"));
                               SBtnFillColor = new QPushButton(QStringLiteral("Cha&nge ..."), box);
                               SBtnFillColor->setObjectName(QStringLiteral("SBtnFillColor"));
                               auto* swatches = new QHBoxLayout;
                               swatches->addWidget(new QLabel(QStringLiteral("Shape color:"), box));
                               swatches->addWidget(SShapeColor);
                               swatches->addWidget(SBtnShapeColor);
                               swatches->addSpacing(12);
                               swatches->addWidget(new QLabel(QStringLiteral("Fill color:"), box));
                               swatches->addWidget(SFillColor);
                               swatches->addWidget(SBtnFillColor);
                               swatches->addStretch(1);
                               groupGrid->addLayout(swatches, 0, 1, 1, 2);
                             });
  SRBSymbolDefaultColor = colour.ByDefault;
  SRBSymbolColorVar = colour.FromVariable;
  SCBSymbolColorVar = colour.Variable;

  auto* legend = Group(QStringLiteral(" Legend "), page);
  auto* legendRow = new QHBoxLayout(legend);
  SCkBLegend = new QCheckBox(QStringLiteral("Show le&gend of the symbols"), legend);
  SCkBLegend->setObjectName(QStringLiteral("SCkBLegend"));
  SCBLegendVar = VariableList(legend, "SCBLegendVar");
  legendRow->addWidget(SCkBLegend);
  legendRow->addSpacing(12);
  legendRow->addWidget(new QLabel(QStringLiteral("Names from:"), legend));
  legendRow->addWidget(SCBLegendVar, 1);
  legendRow->addSpacing(12);
  legendRow->addWidget(new QLabel(QStringLiteral("Corner:"), legend));
  SCBLegendCorner = new QComboBox(legend);
  SCBLegendCorner->setObjectName(QStringLiteral("SCBLegendCorner"));
  SCBLegendCorner->addItems({QStringLiteral("Top left"), QStringLiteral("Top right"), QStringLiteral("Bottom left"),
                             QStringLiteral("Bottom right"), QStringLiteral("Where dragged")});
  legendRow->addWidget(SCBLegendCorner);
  SCkBLegendTransparent = new QCheckBox(QStringLiteral("T&ransparent"), legend);
  SCkBLegendTransparent->setObjectName(QStringLiteral("SCkBLegendTransparent"));
  legendRow->addWidget(SCkBLegendTransparent);

  auto* dense = Group(QStringLiteral(" Points "), page);
  auto* denseRow = new QHBoxLayout(dense);
  SSEOpacity = new QSpinBox(dense);
  SSEOpacity->setObjectName(QStringLiteral("SSEOpacity"));
  SSEOpacity->setRange(static_cast<int>(MinPointOpacity * 100), 100);
  SSEOpacity->setSuffix(QStringLiteral(" %"));
  SCkBDensity = new QCheckBox(QStringLiteral("Densit&y shading of the triangle"), dense);
  SCkBDensity->setObjectName(QStringLiteral("SCkBDensity"));
  denseRow->addWidget(new QLabel(QStringLiteral("Opacity:"), dense));
  denseRow->addWidget(SSEOpacity);
  denseRow->addSpacing(12);
  denseRow->addWidget(SCkBDensity);
  denseRow->addStretch(1);

  grid->addWidget(shape.Box, 0, 0);
  grid->addWidget(size.Box, 1, 0);
  grid->addWidget(colour.Box, 2, 0);
  grid->addWidget(legend, 3, 0);
  grid->addWidget(dense, 4, 0);
  grid->setRowStretch(5, 1);

  connect(SCBDefSymShape, &QComboBox::activated, this, [this, &g](int index) {
    g.DefSymShape = index;
    Changed();
  });
  connect(SSESymbolSize, &QSpinBox::valueChanged, this, [this, &g](int v) {
    g.DefaultSymbolSize = v;
    Changed();
  });
  connect(SBtnShapeColor, &QPushButton::clicked, this,
          [this] { PickColor(&GraphSettings::SymbolColor, SShapeColor, QStringLiteral("Shape color")); });
  connect(SBtnFillColor, &QPushButton::clicked, this,
          [this] { PickColor(&GraphSettings::FillColor, SFillColor, QStringLiteral("Fill color")); });
  connect(SCkBLegend, &QCheckBox::toggled, this, [this, &g](bool on) {
    g.ShowLegend = on;
    Changed();
  });
  connect(SCBLegendVar, &QComboBox::activated, this, [this, &g](int index) {
    g.LegendVariable = index <= 0 ? QString() : SCBLegendVar->itemText(index);
    Changed();
  });
  connect(SCBLegendCorner, &QComboBox::activated, this, [this, &g](int index) {
    g.LegendPlace = static_cast<LegendCorner>(std::clamp(index, 0, 4));
    Changed();
  });
  connect(SCkBLegendTransparent, &QCheckBox::toggled, this, [this, &g](bool on) {
    g.LegendTransparent = on;
    Changed();
  });
  connect(SSEOpacity, &QSpinBox::valueChanged, this, [this, &g](int percent) {
    g.PointOpacity = static_cast<Real>(percent) / 100;
    Changed();
  });
  connect(SCkBDensity, &QCheckBox::toggled, this, [this, &g](bool on) {
    g.DensityShading = on;
    Changed();
  });
  return page;
}

QWidget* TVN_Settings::BuildLabelsPage() {
  auto* page = new QWidget(SPageControl);
  auto* layout = new QVBoxLayout(page);
  GraphSettings& g = engine_.Settings;

  auto* points = Group(QStringLiteral(" Point Labels "), page);
  auto* pointsGrid = new QGridLayout(points);
  SRBUseDefLabels = Radio(QStringLiteral("&Case numbers"), points, "SRBUseDefLabels");
  SRBUseVarLabel = Radio(QStringLiteral("&From variable"), points, "SRBUseVarLabel");
  SCBoxLabelVar = VariableList(points, "SCBoxLabelVar");
  SPLabelFont = FontPanel(points, "SPLabelFont");
  SBtnLabelFont = new QPushButton(QStringLiteral("C&hange ..."), points);
  SBtnLabelFont->setObjectName(QStringLiteral("SBtnLabelFont"));
  pointsGrid->addWidget(SRBUseDefLabels, 0, 0);
  pointsGrid->addWidget(SRBUseVarLabel, 1, 0);
  pointsGrid->addWidget(SCBoxLabelVar, 1, 1);
  auto* labelCaption = new QLabel(QStringLiteral("Label Font:"), points);
  pointsGrid->addWidget(labelCaption, 2, 0);
  pointsGrid->addWidget(SPLabelFont, 2, 1);
  pointsGrid->addWidget(SBtnLabelFont, 2, 2, Qt::AlignTop);
  pointsGrid->setColumnStretch(1, 1);
  auto* labelButtons = new QButtonGroup(points);
  labelButtons->addButton(SRBUseDefLabels);
  labelButtons->addButton(SRBUseVarLabel);

  auto* apex = Group(QStringLiteral(" Apex Labels "), page);
  auto* apexGrid = new QGridLayout(apex);
  SPApexFont = FontPanel(apex, "SPApexFont");
  SBtnApexFont = new QPushButton(QStringLiteral("Cha&nge ..."), apex);
  SBtnApexFont->setObjectName(QStringLiteral("SBtnApexFont"));
  SCkBPlotApexLabels = new QCheckBox(QStringLiteral("&Plot"), apex);
  SCkBPlotApexLabels->setObjectName(QStringLiteral("SCkBPlotApexLabels"));
  auto* apexCaption = new QLabel(QStringLiteral("Apex Font:"), apex);
  apexGrid->addWidget(apexCaption, 0, 0);
  apexGrid->addWidget(SPApexFont, 0, 1);
  apexGrid->addWidget(SBtnApexFont, 0, 2, Qt::AlignTop);
  apexGrid->addWidget(SCkBPlotApexLabels, 1, 0);
  apexGrid->setColumnStretch(1, 1);

  layout->addWidget(points);
  layout->addWidget(apex);
  layout->addStretch(1);
  // The two font panels line up.
  const int captionWidth = std::max({SRBUseVarLabel->sizeHint().width(), labelCaption->sizeHint().width(),
                                     apexCaption->sizeHint().width()});
  pointsGrid->setColumnMinimumWidth(0, captionWidth);
  apexGrid->setColumnMinimumWidth(0, captionWidth);

  connect(SRBUseDefLabels, &QRadioButton::toggled, this, [this, &g](bool on) {
    g.UseDefaultLabels = on;
    Changed();
  });
  connect(SCBoxLabelVar, &QComboBox::activated, this,
          [this](int index) { SelectorChosen(SCBoxLabelVar, index); });
  connect(SBtnLabelFont, &QPushButton::clicked, this,
          [this] { PickFont(&GraphSettings::LabelFont, SPLabelFont); });
  connect(SBtnApexFont, &QPushButton::clicked, this,
          [this] { PickFont(&GraphSettings::ApexFont, SPApexFont); });
  connect(SCkBPlotApexLabels, &QCheckBox::toggled, this, [this, &g](bool on) {
    g.PlotApexLabels = on;
    Changed();
  });
  return page;
}

QWidget* TVN_Settings::BuildTiesPage() {
  auto* page = new QWidget(SPageControl);
  auto* layout = new QGridLayout(page);
  GraphSettings& g = engine_.Settings;

  auto* variable = Group(QStringLiteral(" Tie line variable "), page);
  auto* variableRow = new QHBoxLayout(variable);
  SCBTielinVar = VariableList(variable, "SCBTielinVar");
  variableRow->addWidget(SCBTielinVar, 1);

  auto* colours = Group(QStringLiteral(" Tie line color(s) "), page);
  auto* coloursGrid = new QGridLayout(colours);
  SRBTieDefaultColor = Radio(QStringLiteral("Use default &color"), colours, "SRBTieDefaultColor");
  SRBTieFirstColor = Radio(QStringLiteral("Use color of &first point symbol in each tie line set"), colours,
                           "SRBTieFirstColor");
  STieColor = Swatch(colours, "STieColor");
  SBtnTieColor = new QPushButton(QStringLiteral("C&hange ..."), colours);
  SBtnTieColor->setObjectName(QStringLiteral("SBtnTieColor"));
  coloursGrid->addWidget(SRBTieDefaultColor, 0, 0);
  coloursGrid->addWidget(STieColor, 0, 1);
  coloursGrid->addWidget(SBtnTieColor, 0, 2, Qt::AlignLeft);
  coloursGrid->addWidget(SRBTieFirstColor, 1, 0, 1, 3);
  coloursGrid->setColumnStretch(2, 1);
  auto* tieButtons = new QButtonGroup(colours);
  tieButtons->addButton(SRBTieDefaultColor);
  tieButtons->addButton(SRBTieFirstColor);

  auto* style = Group(QStringLiteral(" Tie line style "), page);
  auto* styleForm = new QFormLayout(style);
  SCBTielinStyle = new QComboBox(style);
  SCBTielinStyle->setObjectName(QStringLiteral("SCBTielinStyle"));
  SCBTielinStyle->addItems({QStringLiteral("Solid"), QStringLiteral("Dash"), QStringLiteral("Dot"),
                            QStringLiteral("Dash-Dot"), QStringLiteral("Dash-Dot-Dot")});
  STBTiePenWidth = TrackBar(1, MaxPenWidth, 1, style, "STBTiePenWidth");
  styleForm->addRow(QStringLiteral("Style:"), SCBTielinStyle);
  styleForm->addRow(QStringLiteral("Thickness (0.1 mm units):"), WithValue(STBTiePenWidth));

  auto* infinity = Group(QStringLiteral(" Infinity ties "), page);
  auto* infinityForm = new QFormLayout(infinity);
  STBInfinityLength = TrackBar(1, MaxInfinityLength, 3, infinity, "STBInfinityLength");
  infinityForm->addRow(QStringLiteral("Default length:"), WithValue(STBInfinityLength));

  auto* sets = Group(QStringLiteral(" Max.Tie Sets "), page);
  auto* setsRow = new QHBoxLayout(sets);
  SSEMaxTieSets = SpinEdit(0, MaxTieSetsLimit, sets, "SSEMaxTieSets");
  setsRow->addWidget(SSEMaxTieSets);
  setsRow->addStretch(1);

  layout->addWidget(variable, 0, 0);
  layout->addWidget(sets, 0, 1);
  layout->addWidget(colours, 1, 0, 1, 2);
  layout->addWidget(style, 2, 0, 1, 2);
  layout->addWidget(infinity, 3, 0, 1, 2);
  layout->setRowStretch(4, 1);
  layout->setColumnStretch(0, 2);
  layout->setColumnStretch(1, 1);

  connect(SCBTielinVar, &QComboBox::activated, this,
          [this](int index) { SelectorChosen(SCBTielinVar, index); });
  connect(SRBTieDefaultColor, &QRadioButton::toggled, this, [this, &g](bool on) {
    g.UseDefaultTieColor = on;
    Changed();
  });
  connect(SBtnTieColor, &QPushButton::clicked, this,
          [this] { PickColor(&GraphSettings::TieColor, STieColor, QStringLiteral("Tie line color")); });
  connect(SCBTielinStyle, &QComboBox::activated, this, [this, &g](int index) {
    g.TieStyle = index;
    Changed();
  });
  connect(STBTiePenWidth, &QSlider::valueChanged, this, [this, &g](int v) {
    g.DefaultTiePenWidth = v;
    Changed();
  });
  connect(STBInfinityLength, &QSlider::valueChanged, this, [this, &g](int v) {
    g.InfinityLineLengthFactor = v;
    Changed();
  });
  connect(SSEMaxTieSets, &QSpinBox::valueChanged, this, [this, &g](int v) {
    g.MaxTieSets = v;
    if (g.ViewTies) Changed();
  });
  return page;
}

QWidget* TVN_Settings::BuildDiagramPage() {
  auto* page = new QWidget(SPageControl);
  auto* layout = new QVBoxLayout(page);
  GraphSettings& g = engine_.Settings;

  auto* outline = Group(QStringLiteral(" Diagram Outline "), page);
  auto* outlineForm = new QFormLayout(outline);
  SOutlineColor = Swatch(outline, "SOutlineColor");
  SBtnOutlineColor = new QPushButton(QStringLiteral("C&hange..."), outline);
  SBtnOutlineColor->setObjectName(QStringLiteral("SBtnOutlineColor"));
  auto* colourRow = new QHBoxLayout;
  colourRow->addWidget(SOutlineColor);
  colourRow->addWidget(SBtnOutlineColor);
  colourRow->addStretch(1);
  STBDiagramPenWidth = TrackBar(1, MaxPenWidth, 3, outline, "STBDiagramPenWidth");
  outlineForm->addRow(QStringLiteral("Color:"), colourRow);
  outlineForm->addRow(QStringLiteral("Thickness (0.1 mm units):"), WithValue(STBDiagramPenWidth));

  auto* projection = Group(QStringLiteral(" 3D Projection Parameters "), page);
  auto* form = new QFormLayout(projection);
  STBEyeDistance = TrackBar(1, 30, 5, projection, "STBEyeDistance");
  STBStereoRotation = TrackBar(0, 30, 5, projection, "STBStereoRotation");
  form->addRow(QStringLiteral("Eye Distance:"), WithValue(STBEyeDistance));
  form->addRow(QStringLiteral("Stereo Rotation (degrees):"), WithValue(STBStereoRotation));
  SCkBProjectionLegend = new QCheckBox(QStringLiteral(" Draw &legend with projection variables"), projection);
  SCkBProjectionLegend->setObjectName(QStringLiteral("SCkBProjectionLegend"));
  SCkBProjectionLegend->setEnabled(false);
  SCkBProjectionLegend->setVisible(false);
  form->addRow(SCkBProjectionLegend);

  auto* extras = Group(QStringLiteral(" Grid and Reference Lines "), page);
  auto* extrasGrid = new QGridLayout(extras);
  SCkBGrid = new QCheckBox(QStringLiteral("&Grid of the triangle every"), extras);
  SCkBGrid->setObjectName(QStringLiteral("SCkBGrid"));
  SSEGridStep = new QDoubleSpinBox(extras);
  SSEGridStep->setObjectName(QStringLiteral("SSEGridStep"));
  SSEGridStep->setRange(static_cast<double>(MinGridStep), static_cast<double>(MaxGridStep));
  SSEGridStep->setDecimals(1);
  SSEGridStep->setValue(10);
  SSEGridStep->setSuffix(QStringLiteral(" %"));
  SReferenceFile = new QLabel(extras);
  SReferenceFile->setObjectName(QStringLiteral("SReferenceFile"));
  SReferenceFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
  SBtnReferenceFile = new QPushButton(QStringLiteral("&Reference file ..."), extras);
  SBtnReferenceFile->setObjectName(QStringLiteral("SBtnReferenceFile"));
  SBtnReferenceClear = new QPushButton(QStringLiteral("N&one"), extras);
  SBtnReferenceClear->setObjectName(QStringLiteral("SBtnReferenceClear"));
  extrasGrid->addWidget(SCkBGrid, 0, 0);
  extrasGrid->addWidget(SSEGridStep, 0, 1);
  extrasGrid->addWidget(SBtnReferenceFile, 1, 0);
  extrasGrid->addWidget(SReferenceFile, 1, 1, 1, 2);
  extrasGrid->addWidget(SBtnReferenceClear, 1, 3);
  extrasGrid->setColumnStretch(2, 1);

  layout->addWidget(outline);
  layout->addWidget(projection);
  layout->addWidget(extras);
  layout->addStretch(1);

  const auto gridChanged = [this, &g] {
    g.GridStep = SCkBGrid->isChecked() ? static_cast<Real>(SSEGridStep->value()) : 0;
    Changed();
  };
  connect(SCkBGrid, &QCheckBox::toggled, this, gridChanged);
  connect(SSEGridStep, &QDoubleSpinBox::valueChanged, this, [this, gridChanged] {
    if (SCkBGrid->isChecked()) gridChanged();
  });
  connect(SBtnReferenceFile, &QPushButton::clicked, this, [this] {
    FileDialogSpec spec;
    spec.title = QStringLiteral("Reference Lines");
    spec.filter = QStringLiteral("Reference lines (*.txt)|*.txt|All files (*)|*");
    spec.mustExist = true;
    if (const std::optional<QString> path = engine_.Prompt().OpenFileName(spec)) ChooseReferenceFile(*path);
  });
  connect(SBtnReferenceClear, &QPushButton::clicked, this, [this] { ChooseReferenceFile(QString()); });

  connect(SBtnOutlineColor, &QPushButton::clicked, this, [this] {
    PickColor(&GraphSettings::OutlineColor, SOutlineColor, QStringLiteral("Outline color"));
  });
  connect(STBDiagramPenWidth, &QSlider::valueChanged, this, [this, &g](int v) {
    g.DefaultDiagramPenWidth = v;
    Changed();
  });
  connect(STBEyeDistance, &QSlider::valueChanged, this, [this](int v) { STBEyeDistanceChange(v); });
  connect(STBStereoRotation, &QSlider::valueChanged, this, [this](int v) { STBStereoRotationChange(v); });
  return page;
}

QWidget* TVN_Settings::BuildCopyExportPage() {
  auto* page = new QWidget(SPageControl);
  auto* layout = new QVBoxLayout(page);
  GraphSettings& g = engine_.Settings;

  auto* sizes = Group(QStringLiteral(" Default Bitmap Sizes "), page);
  auto* sizesGrid = new QGridLayout(sizes);
  SSEClpBMPWidth = SpinEdit(MinBitmapWidth, MaxBitmapWidth, sizes, "SSEClpBMPWidth");
  SSEFileBMPWidth = SpinEdit(MinBitmapWidth, MaxBitmapWidth, sizes, "SSEFileBMPWidth");
  sizesGrid->addWidget(new QLabel(QStringLiteral("Clipboard bitmap is to be"), sizes), 0, 0);
  sizesGrid->addWidget(SSEClpBMPWidth, 0, 1);
  sizesGrid->addWidget(new QLabel(QStringLiteral("pixels wide."), sizes), 0, 2);
  sizesGrid->addWidget(new QLabel(QStringLiteral("Export file bitmap is to be"), sizes), 1, 0);
  sizesGrid->addWidget(SSEFileBMPWidth, 1, 1);
  sizesGrid->addWidget(new QLabel(QStringLiteral("pixels wide."), sizes), 1, 2);
  auto* note = new QLabel(
      QStringLiteral("(Bitmap height is set according to the paper format of the current printer.)"), sizes);
  note->setWordWrap(true);
  sizesGrid->addWidget(note, 2, 0, 1, 4);
  sizesGrid->setColumnStretch(3, 1);

  auto* formats = new QHBoxLayout;
  auto* clip = Group(QStringLiteral(" Default Clipboard Format "), page);
  auto* clipColumn = new QVBoxLayout(clip);
  SRGClipFormat = new QButtonGroup(clip);
  int id = 0;
  for (const QString& caption : {QStringLiteral(" &Bitmap"), QStringLiteral(" &Metafile")}) {
    auto* r = new QRadioButton(caption, clip);
    r->setObjectName(QStringLiteral("SRGClipFormat") + QString::number(id));
    SRGClipFormat->addButton(r, id++);
    clipColumn->addWidget(r);
  }
  clipColumn->addStretch(1);
  auto* file = Group(QStringLiteral(" Default File Export Format "), page);
  auto* fileColumn = new QVBoxLayout(file);
  SRGFileFormat = new QButtonGroup(file);
  id = 0;
  for (const QString& caption : {QStringLiteral(" B&itmap"), QStringLiteral(" En&hanced Metafile"),
                                 QStringLiteral(" Me&tafile (Aldus header)")}) {
    auto* r = new QRadioButton(caption, file);
    r->setObjectName(QStringLiteral("SRGFileFormat") + QString::number(id));
    SRGFileFormat->addButton(r, id++);
    fileColumn->addWidget(r);
  }
  formats->addWidget(clip);
  formats->addWidget(file);

  layout->addWidget(sizes);
  layout->addLayout(formats);
  layout->addStretch(1);

  connect(SSEClpBMPWidth, &QSpinBox::valueChanged, this, [this, &g](int v) {
    g.DefaultClpBMPWidth = v;
    g.ClpBmpHeight = BitmapHeight(v, PageAspect());
  });
  connect(SSEFileBMPWidth, &QSpinBox::valueChanged, this, [this, &g](int v) {
    g.DefaultFileBMPWidth = v;
    g.FileBmpHeight = BitmapHeight(v, PageAspect());
  });
  connect(SRGClipFormat, &QButtonGroup::idClicked, this, [this, &g](int format) {
    g.ClipFormat = format;
    FormatsChanged();
  });
  connect(SRGFileFormat, &QButtonGroup::idClicked, this, [this, &g](int format) {
    g.FileFormat = format;
    FormatsChanged();
  });
  return page;
}

void PlaceBesideOwner(QWidget* dialog) {
  const QWidget* owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
  if (!owner) return;
  dialog->adjustSize();
  QScreen* screen = owner->screen();
  if (!screen) return;
  const QSize frame = dialog->frameGeometry().size().expandedTo(dialog->sizeHint());
  dialog->move(BesideWindow(owner->frameGeometry(), frame, screen->availableGeometry()));
}

void TVN_Settings::ShowPage(std::optional<Page> page) {
  if (page) SPageControl->setCurrentIndex(static_cast<int>(*page));
  // Changes show at once: the dialog opens beside the graph, not over it.
  if (!isVisible()) PlaceBesideOwner(this);
  show();
  raise();
  activateWindow();
}

int TVN_Settings::HelpTopic() const { return HelpTopics[std::clamp(SPageControl->currentIndex(), 0, 4)]; }

void TVN_Settings::Changed() { engine_.RepaintGraph(); }

void TVN_Settings::SelectorChosen(QComboBox* box, int index) {
  const GraphSelector s = box == SCBSymbolShapeVar   ? GraphSelector::SymbolShape
                          : box == SCBSymbolSizeVar  ? GraphSelector::SymbolSize
                          : box == SCBSymbolColorVar ? GraphSelector::SymbolColor
                          : box == SCBoxLabelVar     ? GraphSelector::Label
                                                     : GraphSelector::TieLine;
  engine_.SetSelectorItem(s, index);
  engine_.SpecialColumnChanged(s);
  RefreshRadios();
}

void TVN_Settings::RefreshRadios() {
  const GraphSettings& g = engine_.Settings;
  const auto pair = [this](QRadioButton* byDefault, QRadioButton* byVariable, GraphSelector s,
                           bool useDefault) {
    const bool chosen = engine_.SelectorItem(s) != 0;
    byVariable->setEnabled(chosen);
    SetBlocked(byDefault, useDefault || !chosen);
    SetBlocked(byVariable, !useDefault && chosen);
  };
  pair(SRBSymbolDefaultShape, SRBSymbolShapeVar, GraphSelector::SymbolShape, g.UseDefaultShape);
  pair(SRBSymbolDefaultSize, SRBSymbolSizeVar, GraphSelector::SymbolSize, g.UseDefaultSize);
  pair(SRBSymbolDefaultColor, SRBSymbolColorVar, GraphSelector::SymbolColor, g.UseDefaultColor);
  pair(SRBUseDefLabels, SRBUseVarLabel, GraphSelector::Label, g.UseDefaultLabels);
  SetBlocked(SRBTieDefaultColor, g.UseDefaultTieColor);
  SetBlocked(SRBTieFirstColor, !g.UseDefaultTieColor);
}

void TVN_Settings::ChooseReferenceFile(const QString& path) {
  GraphSettings& g = engine_.Settings;
  const QString before = g.ReferenceFile;
  const ReferenceSet kept = g.References;
  g.ReferenceFile = path;
  QString error;
  if (!engine_.LoadReferences(&error)) {
    g.ReferenceFile = before;
    g.References = kept;
    engine_.Prompt().Message(BoxKind::Error, QStringLiteral("Cannot read the reference lines ") + error,
                             Only(Button::Ok));
  }
  RefreshSettingsDialog();
  Changed();
}

void TVN_Settings::RefreshSettingsDialog() {
  const GraphSettings& g = engine_.Settings;
  const QStringList& items = engine_.SelectorItems();
  const auto fill = [&items](QComboBox* box, int index) { ShowListItems(box, items, index); };
  fill(SCBSymbolShapeVar, engine_.SelectorItem(GraphSelector::SymbolShape));
  fill(SCBSymbolSizeVar, engine_.SelectorItem(GraphSelector::SymbolSize));
  fill(SCBSymbolColorVar, engine_.SelectorItem(GraphSelector::SymbolColor));
  fill(SCBoxLabelVar, engine_.SelectorItem(GraphSelector::Label));
  fill(SCBTielinVar, engine_.SelectorItem(GraphSelector::TieLine));
  fill(SCBLegendVar, engine_.LegendColumn());
  RefreshRadios();

  SetBlocked(SCBDefSymShape, std::clamp(g.DefSymShape, 0, SymbolShapeCount - 1));
  SetBlocked(SSESymbolSize, g.DefaultSymbolSize);
  SetBlocked(SCkBLegend, g.ShowLegend);
  SetBlocked(SCBLegendCorner, static_cast<int>(g.LegendPlace));
  SetBlocked(SCkBLegendTransparent, g.LegendTransparent);
  SetBlocked(SSEOpacity, static_cast<int>(std::lround(g.PointOpacity * 100)));
  SetBlocked(SCkBDensity, g.DensityShading);
  SetBlocked(SCkBGrid, g.GridStep > 0);
  if (g.GridStep > 0) {
    const QSignalBlocker block(SSEGridStep);
    SSEGridStep->setValue(static_cast<double>(g.GridStep));
  }
  SReferenceFile->setText(g.ReferenceFile.isEmpty() ? QStringLiteral("(None)")
                                                    : QFileInfo(g.ReferenceFile).fileName());
  SReferenceFile->setToolTip(g.ReferenceFile);
  SBtnReferenceClear->setEnabled(!g.ReferenceFile.isEmpty());
  ShowColor(SShapeColor, g.SymbolColor);
  ShowColor(SFillColor, g.FillColor);
  ShowFont(SPLabelFont, g.LabelFont);
  ShowFont(SPApexFont, g.ApexFont);
  SetBlocked(SCkBPlotApexLabels, g.PlotApexLabels);
  ShowColor(STieColor, g.TieColor);
  SetBlocked(SCBTielinStyle, std::clamp(g.TieStyle, 0, 4));
  SetBlocked(STBTiePenWidth, g.DefaultTiePenWidth);
  SetBlocked(STBInfinityLength, g.InfinityLineLengthFactor);
  SetBlocked(SSEMaxTieSets, g.MaxTieSets);
  ShowColor(SOutlineColor, g.OutlineColor);
  SetBlocked(STBDiagramPenWidth, g.DefaultDiagramPenWidth);
  SetBlocked(STBEyeDistance, static_cast<int>(std::nearbyint(g.View.EyeDistance)));
  SetBlocked(STBStereoRotation, static_cast<int>(std::nearbyint(g.View.Gamma / DegreesToRadians)));
  SetBlocked(SSEClpBMPWidth, g.DefaultClpBMPWidth);
  SetBlocked(SSEFileBMPWidth, g.DefaultFileBMPWidth);
  SetBlocked(SRGClipFormat->button(g.ClipFormat != 0 ? 1 : 0), true);
  SetBlocked(SRGFileFormat->button(std::clamp(g.FileFormat, 0, 2)), true);
}

void TVN_Settings::PickColor(QRgb GraphSettings::*field, QLabel* swatch, const QString& title) {
  const std::optional<QRgb> chosen = engine_.Prompt().ChooseColor(engine_.Settings.*field, title);
  if (!chosen) return;
  engine_.Settings.*field = qRgb(qRed(*chosen), qGreen(*chosen), qBlue(*chosen));
  ShowColor(swatch, engine_.Settings.*field);
  Changed();
}

void TVN_Settings::PickFont(LabelFontChoice GraphSettings::*field, QLabel* sample) {
  const std::optional<LabelFontChoice> chosen = AskFont(this, engine_.Prompt(), engine_.Settings.*field);
  if (!chosen || chosen->Name.isEmpty() || chosen->Size < 1) return;
  engine_.Settings.*field = *chosen;
  ShowFont(sample, *chosen);
  Changed();
}

void TVN_Settings::STBEyeDistanceChange(int position) {
  if (engine_.SetEyeDistance(position)) Changed();
}

void TVN_Settings::STBStereoRotationChange(int position) {
  if (engine_.SetStereoRotation(position)) Changed();
}

}  // namespace varnel

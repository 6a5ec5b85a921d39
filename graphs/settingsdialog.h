// The Graph Settings dialog: modeless, every change applies at once and the
// page is drawn again. Five pages: symbols, labels, tie lines, the diagram
// with the 3-D projection, and the copy and export defaults.
#pragma once

#include <QDialog>
#include <QRgb>
#include <functional>
#include <optional>

#include "graphs/graphsettings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace varnel {

class GraphEngine;

// Moves a dialog of the Graphs window beside that window on its screen.
void PlaceBesideOwner(QWidget* dialog);

class TVN_Settings : public QDialog {
  Q_OBJECT
 public:
  TVN_Settings(GraphEngine& engine, QWidget* parent = nullptr);

  QTabWidget* SPageControl = nullptr;

  // "Symbols"
  QRadioButton* SRBSymbolDefaultShape = nullptr;
  QRadioButton* SRBSymbolShapeVar = nullptr;
  QComboBox* SCBDefSymShape = nullptr;
  QComboBox* SCBSymbolShapeVar = nullptr;
  QRadioButton* SRBSymbolDefaultSize = nullptr;
  QRadioButton* SRBSymbolSizeVar = nullptr;
  QSpinBox* SSESymbolSize = nullptr;  // 1..1000
  QComboBox* SCBSymbolSizeVar = nullptr;
  QRadioButton* SRBSymbolDefaultColor = nullptr;
  QRadioButton* SRBSymbolColorVar = nullptr;
  QLabel* SShapeColor = nullptr;
  QLabel* SFillColor = nullptr;
  QPushButton* SBtnShapeColor = nullptr;
  QPushButton* SBtnFillColor = nullptr;
  QComboBox* SCBSymbolColorVar = nullptr;
  QCheckBox* SCkBLegend = nullptr;
  QComboBox* SCBLegendVar = nullptr;  // "(None)" names the lines after the shapes
  QComboBox* SCBLegendCorner = nullptr;        // the corners, then "Where dragged"
  QCheckBox* SCkBLegendTransparent = nullptr;
  QSpinBox* SSEOpacity = nullptr;  // percent
  QCheckBox* SCkBDensity = nullptr;
  QCheckBox* SCkBGrid = nullptr;
  QDoubleSpinBox* SSEGridStep = nullptr;  // percent
  QLabel* SReferenceFile = nullptr;
  QPushButton* SBtnReferenceFile = nullptr;
  QPushButton* SBtnReferenceClear = nullptr;

  // "Labels"
  QRadioButton* SRBUseDefLabels = nullptr;
  QRadioButton* SRBUseVarLabel = nullptr;
  QComboBox* SCBoxLabelVar = nullptr;
  QLabel* SPLabelFont = nullptr;
  QPushButton* SBtnLabelFont = nullptr;
  QLabel* SPApexFont = nullptr;
  QPushButton* SBtnApexFont = nullptr;
  QCheckBox* SCkBPlotApexLabels = nullptr;

  // "Tie lines"
  QComboBox* SCBTielinVar = nullptr;
  QRadioButton* SRBTieDefaultColor = nullptr;
  QRadioButton* SRBTieFirstColor = nullptr;
  QLabel* STieColor = nullptr;
  QPushButton* SBtnTieColor = nullptr;
  QComboBox* SCBTielinStyle = nullptr;
  QSlider* STBTiePenWidth = nullptr;     // 1..50
  QSlider* STBInfinityLength = nullptr;  // 1..100
  QSpinBox* SSEMaxTieSets = nullptr;     // 0..1000

  // "Diagram"
  QLabel* SOutlineColor = nullptr;
  QPushButton* SBtnOutlineColor = nullptr;
  QSlider* STBDiagramPenWidth = nullptr;      // 1..50
  QSlider* STBEyeDistance = nullptr;          // 1..30
  QSlider* STBStereoRotation = nullptr;       // 0..30 degrees
  QCheckBox* SCkBProjectionLegend = nullptr;  // never shown

  // "Copy/Export"
  QSpinBox* SSEClpBMPWidth = nullptr;   // 20..9999
  QSpinBox* SSEFileBMPWidth = nullptr;  // 20..9999
  QButtonGroup* SRGClipFormat = nullptr;
  QButtonGroup* SRGFileFormat = nullptr;

  // The printed page's shape, for the bitmap heights.
  std::function<Real()> PageAspect = [] { return Real{7016} / Real{4961}; };
  // After the clipboard or file format changed (the window's hints follow).
  std::function<void()> FormatsChanged = [] {};
  // The help topic of the page shown.
  std::function<void(int topic)> ShowHelp;

  // The pages in the order of their tabs.
  enum class Page { Symbols, Labels, TieLines, Diagram, CopyExport };
  // Selects the page and shows the dialog; without a page it keeps the one
  // last shown.
  void ShowPage(std::optional<Page> page = std::nullopt);
  // "Reference file ...": asks for the file and draws its lines; a file that
  // cannot be read is reported and the lines drawn so far stay.
  void ChooseReferenceFile(const QString& path);
  // Every control from the engine's settings and selectors, without
  // running any handler.
  void RefreshSettingsDialog();
  int HelpTopic() const;

 private:
  // A group of two exclusive choices: row 0 the Default radio with the
  // controls of the default value, row 1 "From variable" with the list of
  // variables. The radio sets the settings' flag, the list picks the selector.
  struct DefaultOrVariableSpec {
    const char* Caption;
    const char* DefaultCaption;
    const char* DefaultName;
    const char* VariableCaption;
    const char* VariableName;
    const char* ListName;
    bool GraphSettings::*UseDefault;
  };
  struct DefaultOrVariable {
    QGroupBox* Box;
    QRadioButton* ByDefault;
    QRadioButton* FromVariable;
    QComboBox* Variable;
  };
  DefaultOrVariable DefaultOrVariableGroup(
      const DefaultOrVariableSpec& spec, QWidget* page,
      const std::function<void(QGroupBox*, QGridLayout*)>& defaultControls);
  QWidget* BuildSymbolsPage();
  QWidget* BuildLabelsPage();
  QWidget* BuildTiesPage();
  QWidget* BuildDiagramPage();
  QWidget* BuildCopyExportPage();
  void SelectorChosen(QComboBox* box, int index);
  void RefreshRadios();
  void PickColor(QRgb GraphSettings::*field, QLabel* swatch, const QString& title);
  void PickFont(LabelFontChoice GraphSettings::*field, QLabel* sample);
  void Changed();

  void STBEyeDistanceChange(int position);
  void STBStereoRotationChange(int position);

  GraphEngine& engine_;
};

// The sample text of a font panel: "Times New Roman 10 points".
QString FontSampleText(const LabelFontChoice& font);

}  // namespace varnel

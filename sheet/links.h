// What the DataSheet asks of the subsystems that come after it: the graph
// engine, the Analysis Wizard and the matrix commands. Each implements its
// link; start-up sets them, and until it does a null object stands in.
#pragma once

#include <string>

namespace varnel {

// The nine variable selectors of the graph engine, in the order their
// name-cell icons are chosen.
enum class GraphSelector { A, B, C, D, Label, SymbolShape, SymbolSize, SymbolColor, TieLine };
inline constexpr int GraphSelectorCount = 9;

inline constexpr GraphSelector AllGraphSelectors[GraphSelectorCount] = {
    GraphSelector::A,          GraphSelector::B,           GraphSelector::C,
    GraphSelector::D,          GraphSelector::Label,       GraphSelector::SymbolShape,
    GraphSelector::SymbolSize, GraphSelector::SymbolColor, GraphSelector::TieLine};

inline bool IsApexSelector(GraphSelector s) {
  return s == GraphSelector::A || s == GraphSelector::B || s == GraphSelector::C || s == GraphSelector::D;
}

class GraphLink {
 public:
  virtual ~GraphLink() = default;

  // Connects to the sheet; with includeAll every case is included first.
  virtual void GetWSheetData(bool includeAll) = 0;
  virtual void DisconnectGraphs() = 0;
  virtual void RepaintGraph() = 0;
  virtual void Recompute() = 0;
  virtual bool Updating() const = 0;
  virtual void SetUpdating(bool on) = 0;

  // The chosen item of a selector: a DataSheet column, 0 for "(None)".
  virtual int SelectorItem(GraphSelector s) const = 0;
  virtual void SetSelectorItem(GraphSelector s, int item) = 0;
  virtual void ApexChanged(GraphSelector s) = 0;
  virtual void SpecialColumnChanged(GraphSelector s) = 0;

  // Upkeep of the item lists, which mirror the DataSheet's columns. None of
  // these moves a chosen item; the DataSheet sets those itself.
  virtual void SetSelectorItemText(int column, const std::string& name) = 0;
  virtual void AppendSelectorItem(const std::string& name) = 0;
  virtual void InsertSelectorItem(int column, const std::string& name) = 0;
  virtual void RemoveSelectorItem(int column) = 0;

  virtual void SetPlotCaseCount(int count) = 0;
  virtual bool ViewPoints() const = 0;
  virtual int PointsDrawn() const = 0;
  virtual void SetGraphsCaptionFile(const std::string& fileName) = 0;
};

// The graph link while there is no graph engine: never connected.
class NullGraphLink final : public GraphLink {
 public:
  void GetWSheetData(bool) override {}
  void DisconnectGraphs() override {}
  void RepaintGraph() override {}
  void Recompute() override {}
  bool Updating() const override { return false; }
  void SetUpdating(bool) override {}
  int SelectorItem(GraphSelector) const override { return 0; }
  void SetSelectorItem(GraphSelector, int) override {}
  void ApexChanged(GraphSelector) override {}
  void SpecialColumnChanged(GraphSelector) override {}
  void SetSelectorItemText(int, const std::string&) override {}
  void AppendSelectorItem(const std::string&) override {}
  void InsertSelectorItem(int, const std::string&) override {}
  void RemoveSelectorItem(int) override {}
  void SetPlotCaseCount(int) override {}
  bool ViewPoints() const override { return false; }
  int PointsDrawn() const override { return 0; }
  void SetGraphsCaptionFile(const std::string&) override {}
};

// What the DataSheet asks of the Analysis Wizard.
class WizardLink {
 public:
  virtual ~WizardLink() = default;
  virtual void StartAfresh() = 0;
  virtual void ShowWizard() = 0;
  // The page the wizard shows (0-based); -1 when closed.
  virtual int CurrentPage() const = 0;
  virtual void AddCases(int left, int top, int right, int bottom) = 0;
};

// The wizard link while there is no wizard: always closed.
class NullWizardLink final : public WizardLink {
 public:
  void StartAfresh() override {}
  void ShowWizard() override {}
  int CurrentPage() const override { return -1; }
  void AddCases(int, int, int, int) override {}
};

// The matrix commands the DataSheet's menu offers.
class MatrixLink {
 public:
  virtual ~MatrixLink() = default;
  virtual void SVD1Click() = 0;
  virtual void Inverse1Click() = 0;
  virtual void LinearMapping1Click() = 0;
};

class NullMatrixLink final : public MatrixLink {
 public:
  void SVD1Click() override {}
  void Inverse1Click() override {}
  void LinearMapping1Click() override {}
};

// The formula and recalculation commands of the Variables menu.
class ChemistryLink {
 public:
  virtual ~ChemistryLink() = default;
  virtual void NewVariableFromFormula1Click() = 0;
  virtual void ReplaceValuesFromFormula1Click() = 0;
  virtual void Recalculate1Click() = 0;
};

class NullChemistryLink final : public ChemistryLink {
 public:
  void NewVariableFromFormula1Click() override {}
  void ReplaceValuesFromFormula1Click() override {}
  void Recalculate1Click() override {}
};

}  // namespace varnel

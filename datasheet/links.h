// What the DataSheet asks of the subsystems that come after it: the graph
// engine, the Analysis Wizard and the matrix commands. Each implements its
// link; until it exists the link does nothing (and the graph engine reports
// itself disconnected).
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
  virtual void GetWSheetData(bool /*includeAll*/) {}
  virtual void DisconnectGraphs() {}
  virtual void RepaintGraph() {}
  virtual void Recompute() {}
  virtual bool Updating() const { return false; }
  virtual void SetUpdating(bool) {}

  // The chosen item of a selector: a DataSheet column, 0 for "(None)".
  virtual int SelectorItem(GraphSelector) const { return 0; }
  virtual void SetSelectorItem(GraphSelector, int /*item*/) {}
  virtual void ApexChanged(GraphSelector) {}
  virtual void SpecialColumnChanged(GraphSelector) {}

  // Upkeep of the item lists, which mirror the DataSheet's columns. None of
  // these moves a chosen item; the DataSheet sets those itself.
  virtual void SetSelectorItemText(int /*column*/, const std::string& /*name*/) {}
  virtual void AppendSelectorItem(const std::string& /*name*/) {}
  virtual void InsertSelectorItem(int /*column*/, const std::string& /*name*/) {}
  virtual void RemoveSelectorItem(int /*column*/) {}

  virtual void SetPlotCaseCount(int) {}
  virtual bool ViewPoints() const { return false; }
  virtual int PointsDrawn() const { return 0; }
  virtual void SetGraphsCaptionFile(const std::string& /*fileName*/) {}
};

// What the DataSheet asks of the Analysis Wizard; likewise a no-op until the
// wizard exists.
class WizardLink {
 public:
  virtual ~WizardLink() = default;
  virtual void StartAfresh() {}
  virtual void ShowWizard() {}
  // The page the wizard shows (0-based); -1 when closed.
  virtual int CurrentPage() const { return -1; }
  virtual void AddCases(int /*left*/, int /*top*/, int /*right*/, int /*bottom*/) {}
  virtual void SetReadOnlyTextPad(bool) {}
};

// The matrix commands the DataSheet's menu offers.
class MatrixLink {
 public:
  virtual ~MatrixLink() = default;
  virtual void SVD1Click() {}
  virtual void Inverse1Click() {}
  virtual void LinearMapping1Click() {}
};

}  // namespace varnel

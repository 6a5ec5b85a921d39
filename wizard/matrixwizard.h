// The Analysis Wizard without its window: the cases sent to it, the input
// matrix, row weights, rank, tolerance and model matrices, the working set
// and its relations, and every report block they write to the TextPad.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/prompter.h"
#include "app/reportparts.h"
#include "app/reporttarget.h"
#include "core/fmatrix.h"
#include "core/numbertext.h"
#include "wizard/relations.h"

namespace varnel {

class Sheet;

inline constexpr int WizardPageCount = 5;
enum WizardPage : int { PageLabels = 0, PageInput = 1, PageSvd = 2, PageModel = 3, PageReactions = 4 };

// The settings of the options dialog.
struct WizardOptions {
  int Style = StyleShort;
  int RelErrMajor = 3;
  int RelErrMinor = 10;
  int RelErrTrace = 30;
  int RelErrAbsent = -3;
  bool Normalize = true;
  // Relative coefficient cut-off (0: off) and whole-number relations, as
  // RelationFormat takes them.
  Real MinCoefficient = 0;
  bool WholeNumbers = false;
  int WholeBound = 100;
  bool FilterDuplicates = false;
  bool OutputSvdMatrices = true;
  bool StayOnTop = false;
};

// Abundance class of an entry x of a column whose absolute values add up to
// total.
enum class Abundance { Absent, Major, Minor, Trace };
Abundance AbundanceClass(Real x, Real total);

// What the wizard needs of the program around it.
struct WizardContext {
  const Sheet* SheetData = nullptr;
  Prompter* Prompt = nullptr;
  ReportTarget* Report = nullptr;
  std::function<int()> FontSize = [] { return 8; };  // the TextPad's, in points
  std::function<ReportEnvironment()> Environment;
  // Runs pending events so that a window repaints and Cancel can be pressed.
  std::function<void()> ProcessEvents;
  // Progress of the long Reactions commands: maximum, position, label.
  std::function<void(std::int64_t maximum, std::int64_t position, const QString& label)> Progress;
  int Threads = 0;  // enumeration threads; 0: one per core
  // The window counts selections in 32 bits, as it always has: a larger
  // count reports the integer overflow and shows -1 or "*E*". The command
  // line counts in 64 bits, which hold every count of 60 columns.
  bool WideSelectionCounts = false;
  // A Univariants report whose text would pass this many bytes is offered to
  // go into a file instead of the TextPad; 0: never asked.
  std::uint64_t FileOfferBytes = 0;
};

// What the wizard shows and has computed: the choices on its pages, the
// matrices, ranks and the working set. The window, the command line and the
// tests read it through MatrixWizard::State(); only the wizard's own steps
// and setters change it, so that it stays consistent.
struct WizardState {
  // Controls of the pages, as the window shows them.
  int Page = PageLabels;
  int LabelColumn = 0, CommentColumn = 0;
  bool WeightOn = false;
  bool OutWeighted = false;
  bool OutModel = true;
  bool OutTestResiduals = true;
  bool Computational = false;
  int DesiredRank = 1;
  WizardOptions Options;
  bool FilterDuplicates = false;
  bool Busy = false;
  bool IntersectEnabled = false, RSpaceEnabled = false, UnivariantsEnabled = false;

  // The data model.
  int m = 0, n = 0;
  std::vector<int> CaseRows;         // 1-based, [0] unused
  std::vector<int> VariableColumns;  // 1-based, [0] unused
  QStringList CaseNames;
  QString ColumnHeaderLine;
  std::unique_ptr<FMatrix> InputMatrix, WorkMatrix, VMatrix, ModelMatrix, ToleranceMatrix, WorkingSetMatrix;
  FVector SingularValues;
  std::vector<int> SortIndex;  // SortIndex[k]: 1-based position of the (k+1)-th smallest
  FVector RowWeights;
  Real CompZero = 0;
  Real GuessZero = 0.0009L;
  Real SavedGuessZero = 0.0009L;
  int Dimension = 0;
  int AbsoluteRank = 0, GuessRank = 0;
  int TestedRank = 0;
  std::set<int> TestedRanks;
  bool InputChanged = true, NewInput = true, RebuildSet = true, WeightsChanged = true;
  bool WeightingWasOn = false, ModelIsInput = true;
  int AppliedLabelColumn = 0, AppliedCommentColumn = 0;
  QStringList ReportBuffer;

  // Reactions page grid: per model column, name, " Yes"/" No", mark.
  struct SetupColumn {
    QString Name, InSet, Mark;
  };
  std::vector<SetupColumn> SetupGrid;
  std::vector<int> WorkingSet;  // members, increasing
  int SetCount = 0, SetRank = 0;
  QStringList SetNames;
  QString SetHeaderLine, AssemblageLine;
  std::vector<int> AssemblageA, AssemblageB;
  // Panel texts of the Reactions page.
  QString PanelTCols, PanelRows, PanelTRank, PanelTUniv, PanelSetCols, PanelSetRank, PanelSetUniv, PanelColsA,
      PanelColsB;
  std::set<std::string> RelationKeys;

  // Cell (col, row) of the tolerance grid, row 0 and column 0 the names.
  std::vector<std::vector<QString>> ToleranceGrid;  // [row][col]
};

class MatrixWizard : private WizardState {
 public:
  explicit MatrixWizard(WizardContext context);

  WizardContext& Context() { return ctx_; }
  const WizardState& State() const { return *this; }

  // The choices of the pages. Each keeps the state consistent: columns
  // within the sheet, the desired rank within what the model page allows,
  // option values within their ranges.
  void SetLabelColumns(int label, int comment);
  void SetWeighting(bool on);
  void SetOutputs(bool weighted, bool model, bool testResiduals);
  // Refused (false, nothing changed) outside 1 .. DesiredRankMaximum().
  bool SetDesiredRank(int rank);
  void SetOptions(const WizardOptions& options);
  void SetStyle(int style);
  void SetFilterDuplicates(bool on);

  // Reset on showing: page 0, empty matrices, label choices from the sheet.
  void Reset();
  // Closing: empties the case list and the lists.
  void Close();

  // The variable names of the sheet for the two label combo boxes, item 0
  // "(None)".
  QStringList ColumnChoices() const;

  // Case list.
  void AddCases(int top, int bottom);
  void DeleteCases(const std::vector<int>& itemIndexes);
  const QStringList& CaseList() const { return caseList_; }
  QString CasesAddedText() const;
  static int ItemRow(const QString& item);

  // Page steps. Each returns true when the wizard moved on.
  bool Next();
  void Back();
  bool NextOnLabels();
  bool NextOnInput();
  bool NextOnSvd();
  bool NextOnModel();

  // Guess zero and weights.
  void CountGuessRank();
  // The threshold edit's text changed; returns the text the edit should show.
  QString ThresholdEdited(const QString& text, const QString& previousText);
  // The threshold as a number (its absolute value); the guess rank follows.
  void SetThreshold(Real zero);
  void SetComputational(bool checked);
  QString ThresholdText() const;
  // A weight cell typed: column 0-based.
  void WeightEdited(int column, const QString& text);
  // Leaving the weight grid: absolute values, zero weights to 1 with a warning.
  void WeightsDone();
  void ResetWeights();
  QString WeightText(int i) const;

  // Tolerances.
  void FillToleranceGrid();
  // Takes the grid as the user left it: absolute values, and the tolerance
  // matrix read from it.
  void ReadToleranceGrid(std::vector<std::vector<QString>> grid);

  // Model page.
  bool TestModel(bool withOutput);
  CommandOutcome TestModelClick();
  int DesiredRankMaximum() const { return desiredMax_; }

  // Reactions page.
  void SetupReactionsPage();
  enum class SetChange { Include, Exclude, IncludeAll };
  void ModifySet(SetChange change, int left, int right, bool fromWizard = false);
  enum class AssemblageMark { A, B, Undefined };
  void ModifyAssemblage(AssemblageMark mark, int left, int right);
  void UpdateSetInfo(bool setChanged);
  // The number of k-element selections of the columns as the panels show it
  // (see WizardContext::WideSelectionCounts).
  std::int64_t CountSelections(int columns, int k, MessageSink& sink) const;
  CommandOutcome ReactionSpace();
  CommandOutcome Univariants();
  CommandOutcome Intersections();
  void RequestCancel() { cancel_.store(true); }
  // Where a Univariants report goes: a report whose text would pass the
  // context's FileOfferBytes is offered to go into a file (path), chosen
  // with the prompter; Nowhere when the user cancelled.
  enum class ReportPlace { TextPad, File, Nowhere };
  ReportPlace ChooseUnivariantsPlace(QString& path);
  // The Univariants report written into a file instead of the TextPad, as
  // the enumeration goes, in bounded memory: the TextPad receives the head,
  // the counts and the file's name. The file is written whole or not at all.
  CommandOutcome UnivariantsToFile(const QString& path);
  // The text a Univariants report would hold, in bytes, estimated from its
  // first selections.
  std::uint64_t EstimateUnivariantBytes();
  // The relations of the last Univariants or Intersections report, one row
  // each, as CSV (written whole or not at all).
  bool HasRelationsResult() const { return lastRelations_ != nullptr; }
  CommandOutcome SaveRelationsCsv(const QString& path);
  static FileDialogSpec RelationsFileSpec();
  static FileDialogSpec CsvFileSpec();
  // The enumeration behind the Univariants and Intersections commands.
  UnivariantJob MakeUnivariantJob(bool filter) const;

  // One relation line of the working set: the coefficient row (adding its
  // key when filtering), a tab, " | " and the equation. x is left as printed.
  std::string FormatRelation(std::vector<Real>& x, const std::vector<int>& members, bool normalise);
  // How relations are written with the current options.
  RelationFormat Format() const;

  // Texts for the window.
  QString InputInfoText() const;
  QString SingularValuesTitle() const;
  // The i-th largest singular value (1-based).
  Real SortedSingularValue(int i) const;

 private:
  void ReadToleranceGrid();
  char Sep() const;
  QString Name(int col) const;
  QString CellText(int col, int row) const;
  void RefreshCaseCount();
  void RelabelCases();
  int BuildInputMatrix();
  void WriteReportHeader();
  void WriteMatrix(const FMatrix& mat, int rows, const QString& title, bool withLabels, int cols);
  void AppendReport(int columns);
  void AppendPlain();
  int TabWidth() const;
  void Events() const;
  void ProgressTo(std::int64_t maximum, std::int64_t position, const QString& label) const;
  bool WriteLinesCancellable(const QStringList& head, const std::vector<std::string>& tail, int tabColumns);
  // The lines every Reactions block starts with, up to the working set
  // itself: aboutTheSet after the size line, beforeTheSet after "Working Set:".
  void OpenReactionReport(const QString& title, const QStringList& aboutTheSet,
                          const QStringList& beforeTheSet);
  // The Univariants report's head, up to the names line, into ReportBuffer.
  void UnivariantHead(std::size_t filteredTotal);
  QString FileOfferText(std::uint64_t bytes) const;
  // Keeps what the last relations report was made from, so it can be saved
  // as data later.
  void RememberRelations(bool intersections);
  struct RelationsRun;

  WizardContext ctx_;
  QStringList caseList_;
  std::vector<int> lastBuiltRows_;
  std::vector<int> lastBuiltColumns_;
  int desiredMax_ = 1;
  std::atomic<bool> cancel_{false};
  QString thresholdText_;  // what the threshold edit shows; null: the guess zero's text
  std::shared_ptr<const RelationsRun> lastRelations_;
};

}  // namespace varnel

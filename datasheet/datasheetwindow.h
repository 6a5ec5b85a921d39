// The DataSheet window (TVN_Wsheet): the program's main window, its menus,
// tool bar, grid, context menu and status bar.
#pragma once

#include <QDesktopServices>
#include <QFont>
#include <QHash>
#include <QMainWindow>
#include <QUrl>
#include <functional>
#include <memory>

#include "app/settingssection.h"
#include "app/windowplacement.h"
#include "sheet/commandstate.h"
#include "sheet/editing.h"
#include "sheet/filecommands.h"
#include "sheet/sheet.h"
#include "datasheet/importdialog.h"

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMimeData;
class QMenu;
class QToolBar;
class QToolButton;

namespace varnel {

class SheetModel;
class SheetTable;
class TFileHist;
class TVN_Filter;
class TVn_Loadp;
class TextPrinter;

class TVN_Wsheet : public QMainWindow, public SheetView, public SettingsSection, public ImportChooser {
  Q_OBJECT
 public:
  // The sheet is start-up's: the graph engine and the wizard read it too.
  TVN_Wsheet(Sheet& sheet, Prompter& prompter, QWidget* parent = nullptr);
  ~TVN_Wsheet() override;

  Sheet& Data() { return sheet_; }
  SheetModel& Model() { return *model_; }
  SheetTable* Grid() { return grid_; }
  // A menu item or context-menu item by its name ("Save1", "PMTag").
  QAction* Action(const QString& name) const { return actions_.value(name, popupItems_.value(name)); }
  QAction* CommandAction(WsCommand command) const;
  // Every menu command's item, for checks that none lacks its rule.
  QList<QAction*> CommandActions() const { return actions_.values(); }
  // Commits what the cell editor holds, if it is open.
  void CommitPendingEdit();
  QMenu* PopupMenu() const { return popup_; }
  QToolBar* ToolBar() const { return toolbar_; }
  QString StatusPanel(int panel) const;
  bool Editing() const { return editing_; }
  CommandContext Context() const;
  const QFont& GridFont() const { return gridFont_; }
  void SetGridFont(const QFont& font);
  QColor CellTint() const { return cellTint_; }

  DataFiles& Files() { return *files_; }
  TFileHist& History() { return *history_; }
  TVn_Loadp& LoadingWindow() { return *loading_; }
  void SetTextPrinter(TextPrinter* printer) { printer_ = printer; }
  void SetMatrixLink(MatrixLink* link) { matrix_ = link ? link : &noMatrix_; }
  void SetChemistryLink(ChemistryLink* link) { chemistry_ = link ? link : &noChemistry_; }
  bool LoadDataFile(const QString& path) { return files_->LoadDataFile(path); }

  TVN_Filter& FilterDialog() { return *filter_; }
  TVN_Import& ImportDialog() { return *import_; }
  // ImportChooser: the import dialog, run through the prompter.
  bool ChooseImport(const QString& path, TableImportOptions& options) override;
  // A file dropped on the window (or handed over as one would be).
  bool OpenDroppedFile(const QString& path);
  static QString DroppedFile(const QMimeData* mime);
  // Where the window is, as the settings file keeps it.
  WindowBounds Bounds() const { return {y(), x(), width(), height()}; }
  // Opens a web page in the browser; false when none could be started.
  std::function<bool(const QUrl&)> OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  // Hooks to windows that come later in the start-up order.
  std::function<void()> ShowTextPad;
  // Asks about a modified TextPad at exit; false refuses the close.
  std::function<bool()> AskTextPadAtExit;
  std::function<void()> SavePreferencesAtExit;

  // The context menu as it would open now (visibility and enabled states).
  void PreparePopup();
  // Shows the hint of the control under the mouse: "short|long" hints show
  // their long part.
  void RouteHint(const QString& hint);

  // Cell editing mode.
  void BeginCellEdit(bool showEditor);
  void EndCellEdit() override;

  // SettingsSection: the preferences, the grid font and the placement.
  void ReadSettings(const IniFile& ini) override;
  void WriteSettings(IniFile& ini, bool savePrefs) const override;

  // SheetView
  void UpdateCommands() override;
  void UpdateStatusBar() override;
  void CaptionsChanged() override;
  void SizeInclusionColumn(bool measureFont) override;
  void SelectionChanged() override;
  void ShowColumns(int first, int last) override;
  void WidenColumns(int first, int last) override;
  void SetBusy(bool on) override;
  void ProcessEvents() override;
  bool SaveSheet() override;
  void BeginChange(Change change, int first, int count) override;
  void EndChange() override;
  void CellsChanged(int left, int top, int right, int bottom) override;

 signals:
  // The grid font changed: the TextPad and the wizard follow it.
  void GridFontChanged(const QFont& font);

 public slots:
  void New1Click();
  void Open1Click();
  void Save1Click();
  void SaveAs1Click();
  void SaveSelection1Click();
  void AppendFile1Click();
  void ExportAs1Click();
  void ExportIncludedAs1Click();
  void PasteFile1Click();
  void WSPrint1Click();
  void PrintSetup1Click();
  void SVD1Click();
  void Inverse1Click();
  void LinearMapping1Click();
  void Exit1Click();
  void SelectAllCells1Click();
  void HideToolbar1Click();
  void WSTButtonTxtPadClick();
  void About1Click();
  void WebSite1Click();
  void InOutOfPlot(InclusionChange change);
  void IncludeAll1Click();
  void ExcludeAll1Click();
  void Toggleallrows1Click();
  void TagSelected(bool tag);
  void Filter1Click();
  void PlotInApex(GraphSelector apex);
  void Connect1Click();
  void Disconnect1Click();
  void AnalysisWizard1Click();
  void SendToMWizard1Click();
  void Cut1Click();
  void Copy1Click();
  void PasteBlock1Click();
  void Clear1Click();
  void AddRows1Click();
  void InsertRows1Click();
  void DeleteRows1Click();
  void AddColumns1Click();
  void InsertColumns1Click();
  void DeleteColumns1Click();
  void RenameCol1Click();
  void HeaderLine1Click();
  void AdjustColWidth1Click();
  void ResetDefaultColumnWidths1Click();
  void Font1Click();
  void Preferences1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool event(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct CommandSpec {
    WsCommand id;
    const char* caption;
    const char* shortcut;
    const char* hint;
    std::function<void()> handler;
  };
  QAction* MakeAction(const CommandSpec& c);
  void BuildMenus();
  void BuildToolBar();
  void BuildPopup();
  void BuildStatusBar();
  void WireGrid();
  bool IsActive() const;
  void OnHeaderPressed(int col, int row, Qt::KeyboardModifiers modifiers);
  void OnHeaderDoubleClicked(int col, int row);
  void OnViewSelectionChanged();
  void OnCurrentChanged();
  void ExtendRows(int delta);
  void ExtendColumns(int delta);
  bool MayStartEditing() const;
  // Fits the columns of the selection to the widest of its cells.
  void FitColumns(const Selection& s);

  Sheet& sheet_;
  TFileHist* history_ = nullptr;
  TVn_Loadp* loading_ = nullptr;
  std::unique_ptr<DataFiles> files_;
  TextPrinter* printer_ = nullptr;
  TVN_Filter* filter_ = nullptr;
  TVN_Import* import_ = nullptr;
  NullMatrixLink noMatrix_;
  MatrixLink* matrix_ = &noMatrix_;
  NullChemistryLink noChemistry_;
  ChemistryLink* chemistry_ = &noChemistry_;
  SheetModel* model_ = nullptr;
  SheetTable* grid_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QMenu* popup_ = nullptr;
  QLabel* panels_[4] = {};
  QHash<QString, QAction*> actions_;
  QHash<QString, QAction*> popupItems_;
  QHash<QString, QKeySequence> editKeys_;
  QFont gridFont_;
  QColor cellTint_;
  bool editing_ = false;
  bool committing_ = false;
  bool syncing_ = false;
  int busy_ = 0;
};

}  // namespace varnel

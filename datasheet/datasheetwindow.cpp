#include "datasheet/datasheetwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPalette>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <new>

#include "app/dialogparts.h"
#include "app/filename.h"
#include "app/help.h"
#include "app/icons.h"
#include "app/inifile.h"
#include "app/numberlocale.h"
#include "app/programfolder.h"
#include "app/textprinting.h"
#include "app/version.h"
#include "controls/filehistory.h"
#include "core/computationerror.h"
#include "datasheet/aboutbox.h"
#include "datasheet/filterdialog.h"
#include "datasheet/loadingwindow.h"
#include "datasheet/namedialogs.h"
#include "datasheet/preferencesdialog.h"
#include "datasheet/sheetmodel.h"
#include "datasheet/sheettable.h"
#include "sheet/editing.h"
#include "sheet/preferencesfile.h"

namespace varnel {
namespace {

// The short and long parts of a "short|long" hint.
QString LongHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  return bar >= 0 ? hint.mid(bar + 1) : hint;
}

}  // namespace

TVN_Wsheet::TVN_Wsheet(Sheet& sheet, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent), sheet_(sheet), loading_(new TVn_Loadp(this)) {
  setObjectName(QStringLiteral("VN_Wsheet"));
  sheet_.SetView(this);
  // Preferences and placement come from the settings file before the first
  // blank sheet is made.
  resize(590, 370);
  ReadSettings(IniFile(SettingsFilePath()));

  model_ = new SheetModel(sheet_, this);
  model_->SetCommitHandler([this](int col, int row, const QString& text) {
    committing_ = true;
    const QByteArray utf8 = text.toUtf8();
    sheet_.CommitCellEdit(col, row, std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
    committing_ = false;
  });
  grid_ = new SheetTable(sheet_, this);
  grid_->setObjectName(QStringLiteral("WSGridRaw"));
  grid_->setModel(model_);
  grid_->setItemDelegate(new SheetDelegate(grid_));
  setCentralWidget(grid_);

  filter_ = new TVN_Filter(this);
  BuildMenus();
  history_ = new TFileHist(actions_.value(QStringLiteral("Reopen1"))->menu(), prompter, this);
  files_ = std::make_unique<DataFiles>(sheet_, history_, loading_);
  import_ = new TVN_Import(this);
  files_->SetImportChooser(this);
  setAcceptDrops(true);
  history_->OnFileSelected = [this](const QString& path, int& action) { files_->FileSelected(path, action); };
  history_->Load();
  BuildToolBar();
  BuildPopup();
  BuildStatusBar();
  WireGrid();

  // The highlight tint: the button face lightened, unless the display has a
  // palette of its own.
  const QColor face = QApplication::palette().color(QPalette::Button);
  const bool paletteDisplay = false;  // every display here has more than 256 colours
  const QColor base = QApplication::palette().color(QPalette::Base);
  const QColor highlight = QApplication::palette().color(QPalette::Highlight);
  const auto tint = VisibleCellTint(CellTintFor(face.red(), face.green(), face.blue(), paletteDisplay),
                                    {base.red(), base.green(), base.blue()},
                                    {highlight.red(), highlight.green(), highlight.blue()});
  cellTint_ = QColor(tint[0], tint[1], tint[2]);
  model_->SetCellTint(cellTint_);

  sheet_.New1Click();
  UpdateCommands();
}

void TVN_Wsheet::ReadSettings(const IniFile& ini) {
  LoadPreferences(ini, sheet_.Prefs);
  gridFont_ = QFont(sheet_.Prefs.SheetFontName, sheet_.Prefs.SheetFontSize);
  const QSize screen =
      QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
  const WindowBounds bounds =
      ReadWindowBounds(ini, QStringLiteral("DS"), TileFirstStart(AvailableArea()).DataSheet, screen);
  move(bounds.Left, bounds.Top);
  resize(bounds.Width, bounds.Height);
}

void TVN_Wsheet::WriteSettings(IniFile& ini, bool savePrefs) const {
  if (savePrefs) WritePreferences(ini, sheet_.Prefs);
  WriteWindowBounds(ini, QStringLiteral("DS"), Bounds());
}

TVN_Wsheet::~TVN_Wsheet() {
  // An editor still open is closed while the widgets go; nothing of it may
  // reach a sheet that is going too.
  grid_->disconnect(this);
  grid_->itemDelegate()->disconnect(this);
  grid_->selectionModel()->disconnect(this);
  model_->SetCommitHandler(nullptr);
  sheet_.SetView(nullptr);
  // The grid and the model read the sheet, which goes before the base class
  // would delete them.
  delete grid_;
  delete model_;
}

QAction* TVN_Wsheet::MakeAction(const CommandSpec& c) {
  auto* action = new QAction(QString::fromUtf8(c.caption), this);
  action->setObjectName(CommandName(c.id));
  action->setData(static_cast<int>(c.id));
  if (c.shortcut && *c.shortcut) {
    action->setShortcut(QKeySequence(QString::fromLatin1(c.shortcut)));
    action->setShortcutContext(Qt::WindowShortcut);
  }
  // The tool tip is Qt's: the caption without "&" and "...".
  action->setStatusTip(QString::fromUtf8(c.hint));
  if (c.handler) {
    connect(action, &QAction::triggered, this, [this, handler = c.handler] {
      // What is being typed into a cell belongs to the sheet before any
      // command acts on it; tool buttons take no focus, so the editor would
      // not commit by itself.
      CommitPendingEdit();
      // A command that runs out of memory ends with a message; the program
      // goes on. (Reading and saving files catch it themselves, before
      // anything has changed.)
      const int busy = busy_;
      try {
        handler();
      } catch (const std::bad_alloc&) {
        while (busy_ > busy) SetBusy(false);
        sheet_.Prompt().Message(
            BoxKind::Error, QString::fromStdString(ComputationErrorMessage(CodeNoMemory, std::string()).text),
            Only(Button::Ok));
      }
    });
  }
  actions_.insert(action->objectName(), action);
  return action;
}

QAction* TVN_Wsheet::CommandAction(WsCommand command) const { return actions_.value(CommandName(command)); }

void TVN_Wsheet::BuildMenus() {
  using C = WsCommand;
  const auto plotIn = [this](GraphSelector apex) { return [this, apex] { PlotInApex(apex); }; };
  const CommandSpec commands[] = {
      // File
      {C::New, "&New", "", "Create a new blank DataSheet.", [this] { New1Click(); }},
      {C::Open, "&Open ...", "", "Load an existing data file.", [this] { Open1Click(); }},
      {C::Save, "&Save", "", "Save current DataSheet contents to disk.", [this] { Save1Click(); }},
      {C::SaveAs, "Save &As ...", "", "Save current DataSheet contents under a new name.",
       [this] { SaveAs1Click(); }},
      {C::SaveSelection, "Sa&ve Selection ...", "", "Save the selected cells as a new data file.",
       [this] { SaveSelection1Click(); }},
      {C::ExportAs, "Expor&t As ...", "", "Write the DataSheet as a CSV file or an Excel workbook.",
       [this] { ExportAs1Click(); }},
      {C::ExportIncludedAs, "Export &Included As ...", "",
       "Write the included cases as a CSV file or an Excel workbook.", [this] { ExportIncludedAs1Click(); }},
      {C::Reopen, "&Reopen", "", "Open one of the files used recently.", nullptr},
      {C::AppendFile, "Appe&nd ...", "", "Append the cases of a data file to the DataSheet.",
       [this] { AppendFile1Click(); }},
      {C::PrintSetup, "Printer Set&up ...", "", "Choose and set up the printer.",
       [this] { PrintSetup1Click(); }},
      {C::Print, "&Print ...", "", "Print current DataSheet.", [this] { WSPrint1Click(); }},
      {C::Description, "&Description ...", "", "Edit the description line of the data file.",
       [this] { HeaderLine1Click(); }},
      {C::Exit, "&Exit", "", "Quit Varnel.", [this] { Exit1Click(); }},
      // Edit
      {C::Cut, "C&ut", "Ctrl+X", "Copy selected DataSheet cells to the Clipboard, then clear them.",
       [this] { Cut1Click(); }},
      {C::Copy, "&Copy", "Ctrl+C", "Copy selected DataSheet cells to the Clipboard.",
       [this] { Copy1Click(); }},
      {C::Paste, "&Paste", "Ctrl+V", "Paste Clipboard contents at current location.",
       [this] { PasteBlock1Click(); }},
      {C::PasteAsNewFile, "Paste as a &New File", "", "Make a new DataSheet from the Clipboard contents.",
       [this] { PasteFile1Click(); }},
      {C::Clear, "C&lear", "Del", "Clear selected range of cells.", [this] { Clear1Click(); }},
      {C::SelectAll, "&Select All", "", "Select every case and variable.",
       [this] { SelectAllCells1Click(); }},
      // DataSheet
      {C::Connect, "&Connect", "", "Connect the Graphs to the DataSheet.", [this] { Connect1Click(); }},
      {C::Disconnect, "&Disconnect", "", "Disconnect the Graphs from the DataSheet.",
       [this] { Disconnect1Click(); }},
      {C::Font, "&Font ...", "", "Choose the font of the DataSheet.", [this] { Font1Click(); }},
      {C::AdjustColumnWidths, "&Adjust Column Widths", "", "Fit the selected columns to their contents.",
       [this] { AdjustColWidth1Click(); }},
      {C::ResetColumnWidths, "&Reset Column Widths", "", "Give every column its default width.",
       [this] { ResetDefaultColumnWidths1Click(); }},
      {C::HideToolbar, "&Hide Toolbar", "", "Hide or show the tool bar.", [this] { HideToolbar1Click(); }},
      {C::Preferences, "Pre&ferences ...", "", "Set the DataSheet preferences.",
       [this] { Preferences1Click(); }},
      // Cases
      {C::AddCases, "&Add", "", "Add as many empty cases as are selected, at the end.",
       [this] { AddRows1Click(); }},
      {C::InsertCases, "&Insert", "", "Insert as many empty cases as are selected, before them.",
       [this] { InsertRows1Click(); }},
      {C::DeleteCases, "&Delete", "", "Delete the selected cases.", [this] { DeleteRows1Click(); }},
      {C::IncludeSelected, "In&clude Selected", "Ctrl+I", "Include the selected cases.",
       [this] { InOutOfPlot(InclusionChange::Include); }},
      {C::ExcludeSelected, "&Exclude Selected", "Ctrl+E", "Exclude the selected cases.",
       [this] { InOutOfPlot(InclusionChange::Exclude); }},
      {C::IncludeAll, "Incl&ude All", "Ctrl+A", "Include every case.", [this] { IncludeAll1Click(); }},
      {C::ExcludeAll, "Exc&lude All", "Ctrl+L", "Exclude every case.", [this] { ExcludeAll1Click(); }},
      {C::ToggleSelected, "Toggle &Selected", "Ctrl+S", "Toggle the inclusion of the selected cases.",
       [this] { InOutOfPlot(InclusionChange::Toggle); }},
      {C::ToggleAll, "&Toggle All ", "", "Toggle the inclusion of every case.",
       [this] { Toggleallrows1Click(); }},
      {C::Filter, "&Filter ...", "", "Include or exclude cases by a condition on the selected variable.",
       [this] { Filter1Click(); }},
      {C::SendToWizard, "Add to the MA&W", "Ctrl+W", "Add currently selected cases to the MAW input matrix.",
       [this] { SendToMWizard1Click(); }},
      {C::CoordinateMapping, "Coordinate &Mapping ...", "",
       "Perform coordinate mapping (the current row/case selection shoud define the transformation matrix).",
       [this] { LinearMapping1Click(); }},
      // Variables
      {C::AddVariables, "&Add", "", "Add as many empty variables as are selected, at the end.",
       [this] { AddColumns1Click(); }},
      {C::InsertVariables, "&Insert", "", "Insert as many empty variables as are selected, before them.",
       [this] { InsertColumns1Click(); }},
      {C::DeleteVariables, "&Delete", "", "Delete the selected variables.",
       [this] { DeleteColumns1Click(); }},
      {C::Tag, "&Tag - #", "Ctrl+T", "Tag the selected variables (leave them out of the system).",
       [this] { TagSelected(true); }},
      {C::Untag, "&Untag - #", "Ctrl+U", "Untag the selected variables.", [this] { TagSelected(false); }},
      {C::Rename, "&Rename ...", "Ctrl+R", "Rename the selected variable.", [this] { RenameCol1Click(); }},
      {C::NewVariableFromFormula, "New Variable From &Formula ...", "",
       "Add a variable computed by a formula over the variables.",
       [this] { chemistry_->NewVariableFromFormula1Click(); }},
      {C::ReplaceValuesFromFormula, "Replace &Values From Formula ...", "",
       "Replace the values of the selected variable by a formula over the variables.",
       [this] { chemistry_->ReplaceValuesFromFormula1Click(); }},
      {C::Recalculate, "Re&calculate ...", "",
       "Recalculate oxide analyses: total iron, normalising, moles, cations per formula unit, Fe3+, Mg#, "
       "AFM.",
       [this] { chemistry_->Recalculate1Click(); }},
      {C::PlotIn, "Plot In", "", "Click to select an apex to plot currently selected variable.", nullptr},
      {C::PlotInA, "A", "", "Plot the selected variable in apex A.", plotIn(GraphSelector::A)},
      {C::PlotInB, "B", "", "Plot the selected variable in apex B.", plotIn(GraphSelector::B)},
      {C::PlotInC, "C", "", "Plot the selected variable in apex C.", plotIn(GraphSelector::C)},
      {C::PlotInD, "D", "", "Plot the selected variable in apex D.", plotIn(GraphSelector::D)},
      // Matrix
      {C::Svd, "&SVD ...", "",
       "Compute Singular Value Decomposition of the matrix implicit in the current row selection.",
       [this] { SVD1Click(); }},
      {C::Inverse, "&Inverse ...", "",
       "Compute matrix inverse of the matrix implicit in the current row selection.",
       [this] { Inverse1Click(); }},
      {C::AnalysisWizard, "&Analysis Wizard ...", "", "Opens the Matrix Analysis Wizard.",
       [this] { AnalysisWizard1Click(); }},
      {C::ShowTextPad, "ShowTextPad", "", "Displays (or brings to forefront) the TextPad window.",
       [this] { WSTButtonTxtPadClick(); }},
      // Help
      {C::HelpTopics, "Varnel Help &Topics ...", "F1", "Contents of the Varnel manual.",
       [] { ShowHelp(QString::fromLatin1(HelpContentsSection)); }},
      {C::Introduction, "&Introduction ...", "", "A short introduction to Varnel.",
       [] { ShowHelp(QStringLiteral("introduction")); }},
      {C::About, "&About Varnel ...", "", "Version and credits of Varnel.", [this] { About1Click(); }},
      {C::WebSite, "&Check Varnel Web Site", "", "Open the Varnel home page in your browser.",
       [this] { WebSite1Click(); }},
  };
  for (const CommandSpec& c : commands) MakeAction(c);
  CommandAction(C::HideToolbar)->setCheckable(true);
  CommandAction(C::Inverse)->setVisible(false);
  CommandAction(C::AnalysisWizard)->setCheckable(true);

  struct MenuSpec {
    const char* title;
    const char* name;
    std::vector<std::optional<WsCommand>> items;  // nullopt: a separator
  };
  const std::nullopt_t sep = std::nullopt;
  const MenuSpec menus[] = {
      {"&File",
       "File1",
       {C::New, C::Open, C::Save, C::SaveAs, C::SaveSelection, sep, C::ExportAs, C::ExportIncludedAs, sep,
        C::Reopen, sep, C::AppendFile, sep, C::PrintSetup, C::Print, sep, C::Description, sep, C::Exit}},
      {"&Edit", "Edit1", {C::Cut, C::Copy, C::Paste, C::PasteAsNewFile, sep, C::Clear, sep, C::SelectAll}},
      {"&DataSheet",
       "DataSheet1",
       {C::Connect, C::Disconnect, sep, C::Font, C::AdjustColumnWidths, C::ResetColumnWidths, sep,
        C::HideToolbar, C::Preferences}},
      {"&Cases",
       "Cases1",
       {C::AddCases, C::InsertCases, C::DeleteCases, sep, C::IncludeSelected, C::ExcludeSelected,
        C::IncludeAll, C::ExcludeAll, C::ToggleSelected, C::ToggleAll, C::Filter, sep, C::SendToWizard, sep,
        C::CoordinateMapping}},
      {"&Variables",
       "Variables1",
       {C::AddVariables, C::InsertVariables, C::DeleteVariables, sep, C::Tag, C::Untag, sep, C::Rename, sep,
        C::NewVariableFromFormula, C::ReplaceValuesFromFormula, C::Recalculate, sep, C::PlotIn}},
      {"&Matrix", "Matrix1", {C::Svd, C::Inverse, sep, C::AnalysisWizard, sep, C::ShowTextPad}},
      {"&Help", "Help1", {C::HelpTopics, C::Introduction, sep, C::About, C::WebSite}},
  };
  for (const MenuSpec& m : menus) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
    menu->setObjectName(QString::fromLatin1(m.name));
    menu->setToolTipsVisible(false);
    for (const std::optional<WsCommand>& item : m.items) {
      if (!item) {
        menu->addSeparator();
        continue;
      }
      QAction* a = CommandAction(*item);
      if (*item == C::PlotIn) {
        auto* apexes = new QMenu(a->text(), menu);
        for (WsCommand apex : {C::PlotInA, C::PlotInB, C::PlotInC, C::PlotInD})
          apexes->addAction(CommandAction(apex));
        a->setMenu(apexes);
      } else if (*item == C::Reopen) {
        a->setMenu(new QMenu(a->text(), menu));
      }
      menu->addAction(a);
    }
    // Commands are brought up to date each time a menu drops down.
    connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
  }
}

void TVN_Wsheet::BuildToolBar() {
  toolbar_ = AddFixedToolBar(this, QStringLiteral("WSToolBar"));
  using C = WsCommand;
  struct ToolButtonSpec {
    std::optional<WsCommand> command;  // nullopt: a separator
    ToolIcon icon;
  };
  // The buttons are the menu items themselves: one caption, one hint, one
  // enabled state.
  const ToolButtonSpec buttons[] = {
      {C::New, ToolIcon::New},
      {C::Open, ToolIcon::Open},
      {C::Save, ToolIcon::Save},
      {C::Print, ToolIcon::Print},
      {std::nullopt, ToolIcon::New},
      {C::Clear, ToolIcon::Clear},
      {C::Cut, ToolIcon::Cut},
      {C::Copy, ToolIcon::Copy},
      {C::Paste, ToolIcon::Paste},
      {std::nullopt, ToolIcon::New},
      {C::ShowTextPad, ToolIcon::TextPad},
      {std::nullopt, ToolIcon::New},
      {C::PlotIn, ToolIcon::PlotIn},
      {std::nullopt, ToolIcon::New},
      {C::AnalysisWizard, ToolIcon::Maw},
      {C::SendToWizard, ToolIcon::AddToMaw},
      {C::CoordinateMapping, ToolIcon::Mapping},
      {std::nullopt, ToolIcon::New},
  };
  for (const ToolButtonSpec& b : buttons) {
    if (!b.command) {
      toolbar_->addSeparator();
      continue;
    }
    QAction* action = CommandAction(*b.command);
    action->setIcon(ToolBarIcon(b.icon));
    toolbar_->addAction(action);
    if (auto* button = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action))) {
      button->setAutoRaise(true);
      button->setObjectName(QStringLiteral("WSTButton") + action->objectName());
      if (action->menu()) button->setPopupMode(QToolButton::InstantPopup);
    }
  }
  // Menus show the captions only; the icons are for the tool bar.
  for (QAction* a : actions_) a->setIconVisibleInMenu(false);
}

void TVN_Wsheet::BuildPopup() {
  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("WSPopupMenu1"));
  using P = PopupItem;
  using C = WsCommand;
  struct Item {
    PopupItem item;
    const char* caption;  // nullptr: a separator
    std::optional<WsCommand> sameAs;
  };
  const Item items[] = {
      {P::Cut, "Cut", C::Cut},
      {P::Copy, "Copy", C::Copy},
      {P::Paste, "Paste", C::Paste},
      {P::Clear, "Clear", C::Clear},
      {P::Separator1, nullptr, std::nullopt},
      {P::Tag, "Tag - #", C::Tag},
      {P::Untag, "Untag - #", C::Untag},
      {P::Rename, "Rename", C::Rename},
      {P::PlotIn, "Plot In", std::nullopt},
      {P::AddVariables, "Add Columns", C::AddVariables},
      {P::InsertVariables, "Insert Columns", C::InsertVariables},
      {P::DeleteVariables, "Delete Columns", C::DeleteVariables},
      {P::AdjustWidth, "Adjust &Width", C::AdjustColumnWidths},
      {P::Separator2, nullptr, std::nullopt},
      {P::Include, "Include", C::IncludeSelected},
      {P::Exclude, "Exclude", C::ExcludeSelected},
      {P::Separator3, nullptr, std::nullopt},
      {P::AddCases, "Add Rows", C::AddCases},
      {P::InsertCases, "Insert Rows", C::InsertCases},
      {P::DeleteCases, "Delete Rows", C::DeleteCases},
      {P::SendToWizard, "Send to the Analysis Wizard", C::SendToWizard},
  };
  const auto forward = [this](QAction* item, WsCommand command) {
    QAction* target = CommandAction(command);
    item->setStatusTip(target->statusTip());
    connect(item, &QAction::triggered, target, [target] { target->trigger(); });
  };
  for (const Item& item : items) {
    QAction* a = item.caption ? popup_->addAction(QString::fromUtf8(item.caption)) : popup_->addSeparator();
    a->setObjectName(PopupItemName(item.item));
    a->setData(static_cast<int>(item.item));
    popupItems_.insert(a->objectName(), a);
    if (item.sameAs) forward(a, *item.sameAs);
    if (item.item == P::PlotIn) {
      auto* sub = new QMenu(a->text(), popup_);
      const std::pair<PopupItem, WsCommand> apexes[] = {{P::PlotInA, C::PlotInA},
                                                        {P::PlotInB, C::PlotInB},
                                                        {P::PlotInC, C::PlotInC},
                                                        {P::PlotInD, C::PlotInD}};
      for (const auto& [popupApex, command] : apexes) {
        QAction* pa = sub->addAction(CommandAction(command)->text());
        pa->setObjectName(PopupItemName(popupApex));
        pa->setData(static_cast<int>(popupApex));
        popupItems_.insert(pa->objectName(), pa);
        forward(pa, command);
      }
      a->setMenu(sub);
    }
  }
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (editing_) return;
    PreparePopup();
    popup_->popup(grid_->viewport()->mapToGlobal(pos));
  });
  for (QHeaderView* header :
       {static_cast<QHeaderView*>(grid_->NameHeader()), static_cast<QHeaderView*>(grid_->CaseHeader())}) {
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& pos) {
      if (editing_) return;
      PreparePopup();
      popup_->popup(header->mapToGlobal(pos));
    });
  }
}

void TVN_Wsheet::PreparePopup() {
  const CommandContext c = Context();
  for (QAction* a : popupItems_) {
    const PopupItemState s = PopupState(static_cast<PopupItem>(a->data().toInt()), c);
    a->setVisible(s.Visible);
    a->setEnabled(s.Enabled);
  }
}

void TVN_Wsheet::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("WSStatusBar"));
  bar->setSizeGripEnabled(true);
  // At least the widths of the classic layout, and wide enough for the
  // longest text each panel shows in the status bar's own font.
  const QFontMetrics fm(bar->font());
  const int margin = 2 * fm.horizontalAdvance(QLatin1Char(' ')) + 6;
  const int widths[3] = {std::max(45, fm.horizontalAdvance(QStringLiteral("Discon.")) + margin),
                         std::max(45, fm.horizontalAdvance(QStringLiteral("88888")) + margin),
                         std::max(60, fm.horizontalAdvance(QStringLiteral("8888888")) + margin)};
  // Each number has a short word before it, so that the three read without
  // hovering over them.
  static constexpr const char* Captions[3] = {"drawn", "included", "cases"};
  static constexpr const char* Tips[3] = {"Points drawn in the Graphs window", "Included cases", "Cases"};
  for (int k = 0; k < 4; ++k) {
    if (k < 3) {
      auto* caption = new QLabel(QString::fromLatin1(Captions[k]), bar);
      caption->setObjectName(QStringLiteral("WSStatusCaption%1").arg(k));
      caption->setToolTip(QString::fromLatin1(Tips[k]));
      caption->setIndent(4);
      bar->addWidget(caption);
    }
    panels_[k] = new QLabel(bar);
    panels_[k]->setFrameShape(QFrame::Panel);
    panels_[k]->setFrameShadow(QFrame::Sunken);
    if (k < 3) {
      panels_[k]->setFixedWidth(widths[k]);
      panels_[k]->setAlignment(Qt::AlignCenter);
      bar->addWidget(panels_[k]);
    } else {
      panels_[k]->setMinimumWidth(50);
      panels_[k]->setIndent(3);
      bar->addWidget(panels_[k], 1);
    }
  }
  for (int k = 0; k < 3; ++k) panels_[k]->setToolTip(QString::fromLatin1(Tips[k]));
}

QString TVN_Wsheet::StatusPanel(int panel) const { return panels_[panel]->text(); }

void TVN_Wsheet::WireGrid() {
  auto* delegate = static_cast<SheetDelegate*>(grid_->itemDelegate());
  connect(delegate, &SheetDelegate::EditorOpened, this,
          [this](QWidget* editor, int, int, const QString& text) {
            const QByteArray utf8 = text.toUtf8();
            sheet_.EditStartText.assign(utf8.constData(), static_cast<size_t>(utf8.size()));
            sheet_.EditLastText = sheet_.EditStartText;
            if (auto* line = qobject_cast<QLineEdit*>(editor)) {
              connect(line, &QLineEdit::textEdited, this,
                      [this](const QString& t) { sheet_.EditLastText = t.toUtf8().toStdString(); });
            }
          });
  connect(grid_, &SheetTable::EditorClosed, this, [this](bool) {
    if (editing_ && !committing_) EndCellEdit();
  });
  connect(grid_, &SheetTable::EnterPressed, this, [this] {
    if (!MayStartEditing()) return;
    BeginCellEdit(false);
    grid_->OpenEditor(nullptr);
  });
  connect(grid_, &SheetTable::PrintableTyped, this, [this](QKeyEvent* event) {
    if (!MayStartEditing()) return;
    BeginCellEdit(true);
    grid_->OpenEditor(event);
  });
  connect(grid_, &SheetTable::EscapePressed, this, [this] {
    if (editing_) EndCellEdit();
  });
  connect(grid_, &SheetTable::ShiftPressed, this, [this] { sheet_.ShiftHeld = true; });
  connect(grid_, &SheetTable::ExtendRows, this, &TVN_Wsheet::ExtendRows);
  connect(grid_, &SheetTable::ExtendColumns, this, &TVN_Wsheet::ExtendColumns);
  connect(grid_, &SheetTable::DataCellDoubleClicked, this, [this](int, int) {
    if (!MayStartEditing()) return;
    BeginCellEdit(true);
    grid_->OpenEditor(nullptr);
  });
  connect(grid_, &SheetTable::DataCellPressed, this, [this](int col, int row, Qt::KeyboardModifiers mods) {
    if (editing_) return;
    sheet_.MouseDown(col, row, mods & Qt::ShiftModifier);
  });
  connect(grid_, &SheetTable::CornerPressed, this, [this] {
    if (editing_) return;
    sheet_.MouseDown(0, 0, false);
  });
  connect(grid_, &SheetTable::CornerReleased, this, [this](bool over) {
    if (editing_) return;
    sheet_.MouseUp(over ? 0 : -1, over ? 0 : -1, false);
  });
  connect(grid_, &SheetTable::CornerDoubleClicked, this, [this] { OnHeaderDoubleClicked(0, 0); });
  for (SheetHeader* header : {grid_->NameHeader(), grid_->CaseHeader()}) {
    connect(header, &SheetHeader::CellPressed, this, &TVN_Wsheet::OnHeaderPressed);
    connect(header, &SheetHeader::CellDragged, this, [this](int col, int row) {
      if (!editing_) sheet_.MouseDrag(col, row);
    });
    connect(header, &SheetHeader::CellReleased, this, [this](int col, int row, bool dragged) {
      if (!editing_) sheet_.MouseUp(col, row, dragged);
    });
    connect(header, &SheetHeader::CellDoubleClicked, this, &TVN_Wsheet::OnHeaderDoubleClicked);
  }
  connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this, &TVN_Wsheet::OnCurrentChanged);
  connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TVN_Wsheet::OnViewSelectionChanged);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdateCommands(); });
}

bool TVN_Wsheet::MayStartEditing() const {
  return !editing_ && !sheet_.RowsMode && !sheet_.ColumnsMode && !sheet_.WizardOpen;
}

void TVN_Wsheet::OnHeaderPressed(int col, int row, Qt::KeyboardModifiers modifiers) {
  if (editing_) return;
  grid_->setFocus();
  sheet_.MouseDown(col, row, modifiers & Qt::ShiftModifier);
}

void TVN_Wsheet::OnHeaderDoubleClicked(int col, int row) {
  if (editing_) return;
  if (col == 0 && row == 0) {
    Toggleallrows1Click();
  } else if (col == 0 && row >= 1) {
    if (IsActive()) ChangeSelectedInclusion(sheet_, InclusionChange::Toggle);
  } else if (row == 0 && col >= 1) {
    if (sheet_.WizardOpen) return;
    CommandAction(WsCommand::Rename)->trigger();
  }
}

void TVN_Wsheet::OnCurrentChanged() {
  if (syncing_) return;
  const QModelIndex current = grid_->currentIndex();
  if (!current.isValid()) return;
  sheet_.CellSelected(current.column() + 1, current.row() + 1);
}

void TVN_Wsheet::OnViewSelectionChanged() {
  if (syncing_) return;
  const QItemSelection selection = grid_->selectionModel()->selection();
  if (selection.isEmpty()) return;
  int top = selection.first().top(), bottom = selection.first().bottom();
  int left = selection.first().left(), right = selection.first().right();
  for (const QItemSelectionRange& r : selection) {
    top = std::min(top, r.top());
    bottom = std::max(bottom, r.bottom());
    left = std::min(left, r.left());
    right = std::max(right, r.right());
  }
  if (!sheet_.TakeCellSelection(left + 1, top + 1, right + 1, bottom + 1)) return;
  grid_->NameHeader()->viewport()->update();
  grid_->CaseHeader()->viewport()->update();
}

void TVN_Wsheet::ExtendRows(int delta) {
  const int moving = sheet_.ExtendRows(delta);
  grid_->scrollTo(model_->index(moving - 1, std::max(grid_->currentIndex().column(), 0)));
}

void TVN_Wsheet::ExtendColumns(int delta) {
  const int moving = sheet_.ExtendColumns(delta);
  grid_->scrollTo(model_->index(std::max(grid_->currentIndex().row(), 0), moving - 1));
}

CommandContext TVN_Wsheet::Context() const {
  CommandContext c;
  c.WizardOpen = sheet_.WizardOpen;
  c.Blank = sheet_.Blank;
  c.Editing = editing_;
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  c.ClipboardHasText = mime && mime->hasText();
  c.Connected = sheet_.Connected;
  c.RowsMode = sheet_.RowsMode;
  c.ColumnsMode = sheet_.ColumnsMode;
  c.WizardPage = sheet_.Wizard().CurrentPage();
  c.OneColumnWide = sheet_.Sel.Left == sheet_.Sel.Right;
  c.HasRecentFiles = history_ && !history_->Files().isEmpty();
  return c;
}

void TVN_Wsheet::UpdateCommands() {
  const CommandContext c = Context();
  for (QAction* a : actions_) a->setEnabled(CommandEnabled(static_cast<WsCommand>(a->data().toInt()), c));
  CommandAction(WsCommand::AnalysisWizard)->setChecked(sheet_.WizardOpen);
}

void TVN_Wsheet::UpdateStatusBar() {
  const auto texts = sheet_.StatusTexts();
  for (int k = 0; k < 3; ++k) panels_[k]->setText(texts[k]);
}

void TVN_Wsheet::CaptionsChanged() { setWindowTitle(sheet_.SheetCaption()); }

void TVN_Wsheet::SetGridFont(const QFont& font) {
  gridFont_ = font;
  sheet_.Prefs.SheetFontName = font.family();
  sheet_.Prefs.SheetFontSize = font.pointSize();
  SizeInclusionColumn(true);
}

void TVN_Wsheet::SizeInclusionColumn(bool measureFont) {
  const QFontMetrics fm(gridFont_);
  if (measureFont) {
    grid_->setFont(gridFont_);
    QFont bold = gridFont_;
    bold.setBold(true);
    grid_->NameHeader()->setFont(bold);
    grid_->CaseHeader()->setFont(bold);
    const int rowHeight = fm.height() + 4;
    grid_->CaseHeader()->setMinimumSectionSize(rowHeight);
    grid_->CaseHeader()->setDefaultSectionSize(rowHeight);
    grid_->NameHeader()->setFixedHeight(rowHeight + 1);
    const int width = fm.horizontalAdvance(QStringLiteral("88888888888"));
    grid_->NameHeader()->setDefaultSectionSize(width);
    for (int c = 0; c < model_->columnCount(); ++c) grid_->NameHeader()->resizeSection(c, width);
  }
  const int digits = InclusionDigits(sheet_.CaseCount());
  const int w = fm.horizontalAdvance(QString(digits, QLatin1Char('8')));
  grid_->CaseHeader()->setFixedWidth(AdjustInclusionWidth(w, gridFont_.pointSize()) + 4);
}

void TVN_Wsheet::SelectionChanged() {
  if (sheet_.RowCount() < 2 || sheet_.ColCount() < 2) return;
  syncing_ = true;
  const Selection& s = sheet_.Sel;
  const int top = std::clamp(std::max(s.Top, 1), 1, sheet_.RowCount() - 1) - 1;
  const int bottom = std::clamp(std::max(s.Bottom, 1), 1, sheet_.RowCount() - 1) - 1;
  const int left = std::clamp(std::max(s.Left, 1), 1, sheet_.ColCount() - 1) - 1;
  const int right = std::clamp(std::max(s.Right, 1), 1, sheet_.ColCount() - 1) - 1;
  QItemSelectionModel* sm = grid_->selectionModel();
  sm->setCurrentIndex(model_->index(top, left), QItemSelectionModel::NoUpdate);
  sm->select(QItemSelection(model_->index(top, left), model_->index(bottom, right)),
             QItemSelectionModel::ClearAndSelect);
  grid_->NameHeader()->viewport()->update();
  grid_->CaseHeader()->viewport()->update();
  syncing_ = false;
}

void TVN_Wsheet::ShowColumns(int first, int last) {
  if (model_->rowCount() == 0 || last < 1) return;
  const int row = std::max(grid_->rowAt(0), 0);
  grid_->scrollTo(model_->index(row, last - 1));
  const QModelIndex left = model_->index(row, std::max(first, 1) - 1);
  if (!grid_->viewport()->rect().contains(grid_->visualRect(left))) grid_->scrollTo(left);
}

void TVN_Wsheet::SetBusy(bool on) {
  if (on) {
    if (busy_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busy_ > 0 && --busy_ == 0) {
    QApplication::restoreOverrideCursor();
  }
}

void TVN_Wsheet::ProcessEvents() { QApplication::processEvents(); }

bool TVN_Wsheet::SaveSheet() { return files_->Save1Click(); }

void TVN_Wsheet::BeginChange(Change change, int first, int count) {
  syncing_ = true;
  model_->BeginChange(change, first, count);
}

void TVN_Wsheet::EndChange() {
  model_->EndChange();
  syncing_ = false;
}

void TVN_Wsheet::CellsChanged(int left, int top, int right, int bottom) {
  model_->CellsChanged(left, top, right, bottom);
}

void TVN_Wsheet::BeginCellEdit(bool showEditor) {
  Q_UNUSED(showEditor);  // the caller opens the editor on the current cell
  if (editing_) return;
  editing_ = true;
  for (const char* name : {"Cut1", "Copy1", "PasteBlock1", "Clear1"}) {
    QAction* a = actions_.value(QString::fromLatin1(name));
    editKeys_.insert(a->objectName(), a->shortcut());
    a->setShortcut(QKeySequence());
  }
  UpdateCommands();
}

void TVN_Wsheet::EndCellEdit() {
  if (!editing_) return;
  editing_ = false;
  if (!committing_) grid_->CloseEditor();
  for (auto it = editKeys_.cbegin(); it != editKeys_.cend(); ++it)
    actions_.value(it.key())->setShortcut(it.value());
  editKeys_.clear();
  UpdateCommands();
}

bool TVN_Wsheet::IsActive() const { return isActiveWindow() || QApplication::activeWindow() == nullptr; }

void TVN_Wsheet::RouteHint(const QString& hint) {
  if (isActiveWindow() || !QApplication::activeWindow()) panels_[3]->setText(LongHint(hint));
}

bool TVN_Wsheet::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    RouteHint(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

void TVN_Wsheet::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) UpdateCommands();
  QMainWindow::changeEvent(event);
}

void TVN_Wsheet::closeEvent(QCloseEvent* event) {
  CommitPendingEdit();
  bool allow = true;
  const Button answer = sheet_.AskSaveChanges();
  if (answer == Button::Cancel)
    allow = false;
  else if (answer == Button::Yes && !SaveSheet())
    allow = false;
  // The TextPad question is asked even when the DataSheet one was cancelled.
  if (AskTextPadAtExit && !AskTextPadAtExit()) allow = false;
  if (!allow) {
    event->ignore();
    return;
  }
  if (SavePreferencesAtExit) SavePreferencesAtExit();
  event->accept();
  // Not quit(): it first asks every window to close, and the Graphs window
  // answers by minimising itself, which would keep the program running.
  QCoreApplication::exit(0);
}

void TVN_Wsheet::New1Click() { sheet_.New1Click(); }

void TVN_Wsheet::Open1Click() { files_->Open1Click(); }
void TVN_Wsheet::Save1Click() { files_->Save1Click(); }
void TVN_Wsheet::SaveAs1Click() { files_->SaveAs1Click(); }
void TVN_Wsheet::SaveSelection1Click() { files_->SaveSelection1Click(); }
void TVN_Wsheet::AppendFile1Click() { files_->AppendFile1Click(); }
void TVN_Wsheet::ExportAs1Click() {
  CommitPendingEdit();
  files_->ExportAs1Click(false);
}
void TVN_Wsheet::ExportIncludedAs1Click() {
  CommitPendingEdit();
  files_->ExportAs1Click(true);
}

bool TVN_Wsheet::ChooseImport(const QString& path, TableImportOptions& options) {
  import_->Prepare(path, options);
  if (!sheet_.Prompt().RunDialog(*import_)) return false;
  options = import_->Options();
  return true;
}

// A file dropped on the window opens as File > Open would open it.
void TVN_Wsheet::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty() && !sheet_.WizardOpen) event->acceptProposedAction();
}

void TVN_Wsheet::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty() || sheet_.WizardOpen) return;
  event->acceptProposedAction();
  OpenDroppedFile(path);
}

QString TVN_Wsheet::DroppedFile(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return QString();
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return QString();
}

bool TVN_Wsheet::OpenDroppedFile(const QString& path) {
  CommitPendingEdit();
  const Button answer = sheet_.AskSaveChanges();
  if (answer == Button::Cancel) return false;
  if (answer == Button::Yes && !files_->Save1Click()) return false;
  return files_->LoadDataFile(QFileInfo(path).absoluteFilePath());
}

void TVN_Wsheet::PasteFile1Click() {
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  if (!mime || !mime->hasText()) return;
  files_->PasteFile1Click(mime->text());
}

void TVN_Wsheet::WSPrint1Click() {
  if (!printer_) return;
  const std::optional<Prompter::PrintRange> range = sheet_.Prompt().PrintDialog(printer_->Printer(), true);
  if (!range) return;
  const std::string text = files_->PrintLines(*range == Prompter::PrintRange::Selection);
  QStringList lines;
  for (std::string_view line : SplitLines(text))
    lines << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
  printer_->PrintTextLines(lines, gridFont_, FileNameOnly(sheet_.FileName), this, sheet_.PrintAbort);
}

void TVN_Wsheet::PrintSetup1Click() {
  if (printer_) sheet_.Prompt().PrinterSetup(printer_->Printer());
}

void TVN_Wsheet::SVD1Click() {
  CommitPendingEdit();
  matrix_->SVD1Click();
}

void TVN_Wsheet::Inverse1Click() {
  CommitPendingEdit();
  matrix_->Inverse1Click();
}

void TVN_Wsheet::LinearMapping1Click() {
  CommitPendingEdit();
  matrix_->LinearMapping1Click();
}

void TVN_Wsheet::Exit1Click() { close(); }

void TVN_Wsheet::SelectAllCells1Click() {
  CommitPendingEdit();
  sheet_.SelectAll();
}

void TVN_Wsheet::HideToolbar1Click() {
  QAction* item = actions_.value(QStringLiteral("HideToolbar1"));
  toolbar_->setVisible(!item->isChecked());
}

void TVN_Wsheet::WSTButtonTxtPadClick() {
  if (ShowTextPad) ShowTextPad();
}

void TVN_Wsheet::About1Click() {
  TVN_AboutBox box(this);
  sheet_.Prompt().RunDialog(box);
}

void TVN_Wsheet::WebSite1Click() {
  const QString url = QString::fromLatin1(HomePageUrl);
  if (OpenUrl(QUrl(url))) return;
  sheet_.Prompt().Message(
      BoxKind::Information,
      QStringLiteral("No web browser could be started.\n\rThe Varnel home page is ") + url, Only(Button::Ok));
}

void TVN_Wsheet::InOutOfPlot(InclusionChange change) {
  if (IsActive()) ChangeSelectedInclusion(sheet_, change);
}

void TVN_Wsheet::IncludeAll1Click() {
  if (IsActive()) sheet_.SetAllInclusion(true);
}

void TVN_Wsheet::ExcludeAll1Click() {
  if (IsActive()) sheet_.SetAllInclusion(false);
}

void TVN_Wsheet::Toggleallrows1Click() {
  if (IsActive()) ToggleAllInclusion(sheet_);
}

void TVN_Wsheet::TagSelected(bool tag) {
  if (IsActive()) TagVariables(sheet_, tag);
}

void TVN_Wsheet::Filter1Click() {
  if (!IsActive()) return;
  const int col = std::max(sheet_.Sel.Left, 1);
  filter_->Prepare(sheet_, col);
  if (!sheet_.Prompt().RunDialog(*filter_)) return;
  const std::optional<FilterCondition> first = filter_->First(DecimalSeparator());
  if (!first) return;
  RunFilter(sheet_, col, *first, filter_->Second(DecimalSeparator()), filter_->FRBAnd->isChecked(),
            filter_->FRBInclude->isChecked(), DecimalSeparator());
}

void TVN_Wsheet::PlotInApex(GraphSelector apex) { PlotIn(sheet_, apex); }

void TVN_Wsheet::Connect1Click() {
  if (!sheet_.HasGraphEngine()) {
    sheet_.Prompt().Message(BoxKind::Information,
                            QStringLiteral("The Graphs are not part of this version of Varnel yet."),
                            Only(Button::Ok));
    return;
  }
  sheet_.Graph().GetWSheetData(false);
  UpdateCommands();
}

void TVN_Wsheet::Disconnect1Click() {
  sheet_.Graph().DisconnectGraphs();
  UpdateCommands();
}

void TVN_Wsheet::AnalysisWizard1Click() {
  if (!sheet_.HasWizard()) {
    sheet_.Prompt().Message(BoxKind::Information,
                            QStringLiteral("The Analysis Wizard is not part of this version of Varnel yet."),
                            Only(Button::Ok));
    UpdateCommands();
    return;
  }
  sheet_.Wizard().StartAfresh();
  sheet_.Wizard().ShowWizard();
}

void TVN_Wsheet::SendToMWizard1Click() {
  if (!IsActive()) return;
  const Selection& s = sheet_.Sel;
  sheet_.Wizard().AddCases(s.Left, s.Top, s.Right, s.Bottom);
}

void TVN_Wsheet::Copy1Click() {
  if (!IsActive()) return;
  SetBusy(true);
  const std::string text = CopyText(sheet_);
  QApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  SetBusy(false);
}

void TVN_Wsheet::Cut1Click() {
  if (!IsActive() || sheet_.WizardOpen) return;
  Copy1Click();
  if (sheet_.RowsMode)
    DeleteCases(sheet_);
  else if (sheet_.ColumnsMode)
    DeleteVariables(sheet_);
  else
    ClearSelection(sheet_);
}

void TVN_Wsheet::PasteBlock1Click() {
  if (!IsActive() || sheet_.WizardOpen) return;
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  if (!mime || !mime->hasText()) return;
  PasteText(sheet_, mime->text().toStdString());
}

void TVN_Wsheet::Clear1Click() {
  if (!IsActive() || sheet_.WizardOpen) return;
  ClearSelection(sheet_);
}

void TVN_Wsheet::AddRows1Click() {
  if (!sheet_.WizardOpen) AddCases(sheet_);
}

void TVN_Wsheet::InsertRows1Click() {
  if (!sheet_.WizardOpen) InsertCases(sheet_);
}

void TVN_Wsheet::DeleteRows1Click() {
  if (!sheet_.WizardOpen) DeleteCases(sheet_);
}

void TVN_Wsheet::AddColumns1Click() {
  if (!sheet_.WizardOpen) AddVariables(sheet_);
}

void TVN_Wsheet::InsertColumns1Click() {
  if (!sheet_.WizardOpen) InsertVariables(sheet_);
}

void TVN_Wsheet::DeleteColumns1Click() {
  if (!sheet_.WizardOpen) DeleteVariables(sheet_);
}

namespace {
void CenterOver(QWidget& dialog, const QWidget& over) {
  dialog.adjustSize();
  const QRect r = over.frameGeometry();
  dialog.move(r.left() + r.width() / 2 - dialog.width() / 2, r.top() + r.height() / 2 - dialog.height() / 2);
}
}  // namespace

void TVN_Wsheet::RenameCol1Click() {
  if (sheet_.WizardOpen) return;
  const int col = std::max(sheet_.Sel.Left, 1);
  TVN_EVName dialog(this);
  const std::string_view name = sheet_.Name(col);
  dialog.EVNameEdit->setText(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  dialog.EVNameEdit->selectAll();
  CenterOver(dialog, *this);
  if (!sheet_.Prompt().RunDialog(dialog)) return;
  RenameVariable(sheet_, col, dialog.EVNameEdit->text().toStdString());
  UpdateCommands();
}

void TVN_Wsheet::HeaderLine1Click() {
  TVN_EditHeaderLine dialog(this);
  dialog.Caption->setText(QStringLiteral("Description text for file ") + sheet_.FileName);
  dialog.EditHeaderLine->setText(sheet_.HeaderLine);
  // As wide as the description (within the screen), so that it reads whole.
  const int wanted = dialog.EditHeaderLine->fontMetrics().horizontalAdvance(sheet_.HeaderLine) + 24;
  const int most = screen() ? screen()->availableGeometry().width() * 9 / 10 : 1200;
  dialog.EditHeaderLine->setMinimumWidth(std::clamp(wanted, 360, std::max(most, 360)));
  dialog.adjustSize();
  if (!sheet_.Prompt().RunDialog(dialog) || dialog.EditHeaderLine->text() == sheet_.HeaderLine) return;
  // The description is part of the file: changing it is a change to save.
  sheet_.HeaderLine = dialog.EditHeaderLine->text();
  sheet_.Saved = false;
  UpdateCommands();
}

void TVN_Wsheet::AdjustColWidth1Click() { FitColumns(sheet_.Sel); }

void TVN_Wsheet::WidenColumns(int first, int last) {
  const QFontMetrics fm(gridFont_);
  for (int c = std::max(first, 1); c <= last && c < sheet_.ColCount(); ++c) {
    int width = grid_->NameHeader()->sectionSize(c - 1);
    for (int r = 0; r < sheet_.RowCount(); ++r) {
      const std::string_view t = sheet_.Cell(c, r);
      width = std::max(
          width, fm.horizontalAdvance(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()))) + 8);
    }
    grid_->NameHeader()->resizeSection(c - 1, width);
  }
}

void TVN_Wsheet::FitColumns(const Selection& s) {
  const BusyGuard busy(*this);
  const QFontMetrics fm(gridFont_);
  QFont bold = gridFont_;
  bold.setBold(true);
  const QFontMetrics boldMetrics(bold);
  for (int c = std::max(s.Left, 1); c <= s.Right && c < sheet_.ColCount(); ++c) {
    bool icon = false;
    if (sheet_.Connected)
      for (int k = 0; k < GraphSelectorCount; ++k)
        if (sheet_.Graph().SelectorItem(static_cast<GraphSelector>(k)) == c) icon = true;
    int width = icon ? 17 : 8;
    for (int r = std::max(s.Top, 1); r <= s.Bottom && r < sheet_.RowCount(); ++r) {
      const std::string_view t = sheet_.Cell(c, r);
      width = std::max(width,
                       fm.horizontalAdvance(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()))));
    }
    const std::string_view n = sheet_.Name(c);
    width = std::max(
        width, boldMetrics.horizontalAdvance(QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()))) +
                   (icon ? 20 : 0));
    width += 4;
    if (grid_->NameHeader()->sectionSize(c - 1) != width) grid_->NameHeader()->resizeSection(c - 1, width);
  }
}

void TVN_Wsheet::ResetDefaultColumnWidths1Click() { SizeInclusionColumn(true); }

void TVN_Wsheet::Font1Click() {
  const std::optional<QFont> font = sheet_.Prompt().ChooseFont(gridFont_);
  if (!font) return;
  SetGridFont(*font);
  emit GridFontChanged(*font);
}

void TVN_Wsheet::Preferences1Click() {
  TVN_Prefs dialog(this);
  dialog.Fill(sheet_.Prefs);
  if (!sheet_.Prompt().RunDialog(dialog)) return;
  dialog.Apply(sheet_.Prefs);
  model_->Repaint();
  UpdateCommands();
}

void TVN_Wsheet::CommitPendingEdit() {
  if (editing_) grid_->CommitEditor();
}

}  // namespace varnel

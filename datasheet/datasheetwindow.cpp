#include "datasheet/datasheetwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
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

#include "app/dialogparts.h"
#include "app/icons.h"
#include "app/inifile.h"
#include "app/numberlocale.h"
#include "app/programfolder.h"
#include "app/textprinting.h"
#include "app/version.h"
#include "controls/filehistory.h"
#include "datasheet/editing.h"
#include "datasheet/filterdialog.h"
#include "datasheet/loadingwindow.h"
#include "datasheet/namedialogs.h"
#include "datasheet/preferencesdialog.h"
#include "datasheet/preferencesfile.h"
#include "datasheet/sheetmodel.h"
#include "datasheet/sheettable.h"

namespace varnel {
namespace {

struct MenuEntry {
  const char* name;  // nullptr: a separator
};

// The short and long parts of a "short|long" hint.
QString LongHint(const QString& hint) {
  const int bar = hint.indexOf(QLatin1Char('|'));
  return bar >= 0 ? hint.mid(bar + 1) : hint;
}
QString ShortHint(const QString& hint) {
  const int bar = hint.indexOf(QLatin1Char('|'));
  return bar >= 0 ? hint.left(bar) : hint;
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

  ExecDialog = [](QDialog& d) { return d.exec() == QDialog::Accepted; };
  filter_ = new TVN_Filter(this);
  BuildMenus();
  history_ = new TFileHist(actions_.value(QStringLiteral("Reopen1"))->menu(), prompter, this);
  files_ = std::make_unique<DataFiles>(sheet_, history_, loading_);
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
  const auto tint = CellTintFor(face.red(), face.green(), face.blue(), paletteDisplay);
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
  const WindowBounds bounds = ReadWindowBounds(ini, QStringLiteral("DS"), 590, 370, screen);
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

QAction* TVN_Wsheet::MakeAction(const Command& c) {
  auto* action = new QAction(QString::fromUtf8(c.caption), this);
  action->setObjectName(QString::fromLatin1(c.name));
  if (c.shortcut && *c.shortcut) {
    action->setShortcut(QKeySequence(QString::fromLatin1(c.shortcut)));
    action->setShortcutContext(Qt::WindowShortcut);
  }
  const QString hint = QString::fromUtf8(c.hint);
  action->setStatusTip(LongHint(hint));
  action->setToolTip(ShortHint(hint));
  if (c.handler) connect(action, &QAction::triggered, this, c.handler);
  actions_.insert(action->objectName(), action);
  return action;
}

void TVN_Wsheet::BuildMenus() {
  using W = TVN_Wsheet;
  const Command commands[] = {
      // File
      {"New1", "&New", "", "Create a new blank DataSheet.", &W::New1Click},
      {"Open1", "&Open ...", "", "Load an existing data file.", &W::Open1Click},
      {"Save1", "&Save", "", "Save current DataSheet contents to disk.", &W::Save1Click},
      {"SaveAs1", "Save &As ...", "", "Save current DataSheet contents under a new name.", &W::SaveAs1Click},
      {"SaveSelection1", "Sa&ve Selection ...", "", "Save the selected cells as a new data file.",
       &W::SaveSelection1Click},
      {"Reopen1", "&Reopen", "", "Open one of the files used recently.", nullptr},
      {"AppendFile1", "Appe&nd ...", "", "Append the cases of a data file to the DataSheet.",
       &W::AppendFile1Click},
      {"PrintSetup1", "Printer Set&up ...", "", "Choose and set up the printer.", &W::PrintSetup1Click},
      {"WSPrint1", "&Print ...", "", "Print current DataSheet.", &W::WSPrint1Click},
      {"HeaderLine1", "&Description ...", "", "Edit the description line of the data file.",
       &W::HeaderLine1Click},
      {"Exit1", "&Exit", "", "Quit Varnel.", &W::Exit1Click},
      // Edit
      {"Cut1", "C&ut", "Ctrl+X", "Copy selected DataSheet cells to the Clipboard, then clear them.",
       &W::Cut1Click},
      {"Copy1", "&Copy", "Ctrl+C", "Copy selected DataSheet cells to the Clipboard.", &W::Copy1Click},
      {"PasteBlock1", "&Paste", "Ctrl+V", "Paste Clipboard contents at current location.",
       &W::PasteBlock1Click},
      {"PasteFile1", "Paste as a &New File", "", "Make a new DataSheet from the Clipboard contents.",
       &W::PasteFile1Click},
      {"Clear1", "C&lear", "Del", "Clear selected range of cells.", &W::Clear1Click},
      {"SelectAllCells1", "&Select All", "", "Select every case and variable.", &W::SelectAllCells1Click},
      // DataSheet
      {"Connect1", "&Connect", "", "Connect the Graphs to the DataSheet.", &W::Connect1Click},
      {"Disconnect1", "&Disconnect", "", "Disconnect the Graphs from the DataSheet.", &W::Disconnect1Click},
      {"Font1", "&Font ...", "", "Choose the font of the DataSheet.", &W::Font1Click},
      {"AdjustColWidth1", "&Adjust Column Widths", "", "Fit the selected columns to their contents.",
       &W::AdjustColWidth1Click},
      {"ResetDefaultColumnWidths1", "&Reset Column Widths", "", "Give every column its default width.",
       &W::ResetDefaultColumnWidths1Click},
      {"HideToolbar1", "&Hide Toolbar", "", "Hide or show the tool bar.", &W::HideToolbar1Click},
      {"Preferences1", "Pre&ferences ...", "", "Set the DataSheet preferences.", &W::Preferences1Click},
      // Cases
      {"AddRows1", "&Add", "", "Add as many empty cases as are selected, at the end.", &W::AddRows1Click},
      {"InsertRows1", "&Insert", "", "Insert as many empty cases as are selected, before them.",
       &W::InsertRows1Click},
      {"DeleteRows1", "&Delete", "", "Delete the selected cases.", &W::DeleteRows1Click},
      {"IncludeInPlot1", "In&clude Selected", "Ctrl+I", "Include the selected cases.", &W::InOutOfPlot1Click},
      {"ExcludeFromPlot1", "&Exclude Selected", "Ctrl+E", "Exclude the selected cases.",
       &W::InOutOfPlot1Click},
      {"IncludeAll1", "Incl&ude All", "Ctrl+A", "Include every case.", &W::IncludeAll1Click},
      {"ExcludeAll1", "Exc&lude All", "Ctrl+L", "Exclude every case.", &W::ExcludeAll1Click},
      {"ToggleCurrentRows1", "Toggle &Selected", "Ctrl+S", "Toggle the inclusion of the selected cases.",
       &W::InOutOfPlot1Click},
      {"Toggleallrows1", "&Toggle All ", "", "Toggle the inclusion of every case.", &W::Toggleallrows1Click},
      {"Filter1", "&Filter ...", "", "Include or exclude cases by a condition on the selected variable.",
       &W::Filter1Click},
      {"SendToMWizard1", "Add to the MA&W", "Ctrl+W", "Add currently selected cases to the MAW input matrix.",
       &W::SendToMWizard1Click},
      {"LinearMapping1", "Coordinate &Mapping ...", "",
       "Perform coordinate mapping (the current row/case selection shoud define the transformation matrix).",
       &W::LinearMapping1Click},
      // Variables
      {"AddColumns1", "&Add", "", "Add as many empty variables as are selected, at the end.",
       &W::AddColumns1Click},
      {"InsertColumns1", "&Insert", "", "Insert as many empty variables as are selected, before them.",
       &W::InsertColumns1Click},
      {"DeleteColumns1", "&Delete", "", "Delete the selected variables.", &W::DeleteColumns1Click},
      {"Tag1", "&Tag - #", "Ctrl+T", "Tag the selected variables (leave them out of the system).",
       &W::Tag1Click},
      {"Untag1", "&Untag - #", "Ctrl+U", "Untag the selected variables.", &W::Tag1Click},
      {"RenameCol1", "&Rename ...", "Ctrl+R", "Rename the selected variable.", &W::RenameCol1Click},
      {"PlotIn1", "Plot In", "", "Plot the selected variable in an apex.", nullptr},
      {"A1", "A", "", "Plot the selected variable in apex A.", &W::PMPlotInApexClick},
      {"B1", "B", "", "Plot the selected variable in apex B.", &W::PMPlotInApexClick},
      {"C1", "C", "", "Plot the selected variable in apex C.", &W::PMPlotInApexClick},
      {"D1", "D", "", "Plot the selected variable in apex D.", &W::PMPlotInApexClick},
      // Matrix
      {"SVD1", "&SVD ...", "",
       "Compute Singular Value Decomposition of the matrix implicit in the current row selection.",
       &W::SVD1Click},
      {"Inverse1", "&Inverse ...", "",
       "Compute matrix inverse of the matrix implicit in the current row selection.", &W::Inverse1Click},
      {"AnalysisWizard1", "&Analysis Wizard ...", "", "Opens the Matrix Analysis Wizard.",
       &W::AnalysisWizard1Click},
      {"ShowTextPad1", "ShowTextPad", "", "Displays (or brings to forefront) the TextPad window.",
       &W::WSTButtonTxtPadClick},
      // Help
      {"HelpTopics1", "Varnel Help &Topics ...", "", "Contents of the Varnel help.", &W::HelpClick},
      {"Quickstart1", "&Introduction ...", "", "A short introduction to Varnel.", &W::HelpClick},
      {"HelponHelp1", "Help on &Windows Help ...", "", "How to use the help system.", &W::HelpClick},
      {"About1", "&About Varnel ...", "", "Version and credits of Varnel.", &W::About1Click},
      {"WebSite1", "&Check Varnel Web Site", "", "Open the Varnel home page in your browser.",
       &W::WebSite1Click},
  };
  for (const Command& c : commands) MakeAction(c);
  actions_["HideToolbar1"]->setCheckable(true);
  actions_["Inverse1"]->setVisible(false);

  struct MenuSpec {
    const char* title;
    const char* name;
    std::vector<const char*> items;
  };
  const MenuSpec menus[] = {
      {"&File",
       "File1",
       {"New1", "Open1", "Save1", "SaveAs1", "SaveSelection1", nullptr, "Reopen1", nullptr, "AppendFile1",
        nullptr, "PrintSetup1", "WSPrint1", nullptr, "HeaderLine1", nullptr, "Exit1"}},
      {"&Edit",
       "Edit1",
       {"Cut1", "Copy1", "PasteBlock1", "PasteFile1", nullptr, "Clear1", nullptr, "SelectAllCells1"}},
      {"&DataSheet",
       "DataSheet1",
       {"Connect1", "Disconnect1", nullptr, "Font1", "AdjustColWidth1", "ResetDefaultColumnWidths1", nullptr,
        "HideToolbar1", "Preferences1"}},
      {"&Cases",
       "Cases1",
       {"AddRows1", "InsertRows1", "DeleteRows1", nullptr, "IncludeInPlot1", "ExcludeFromPlot1",
        "IncludeAll1", "ExcludeAll1", "ToggleCurrentRows1", "Toggleallrows1", "Filter1", nullptr,
        "SendToMWizard1", nullptr, "LinearMapping1"}},
      {"&Variables",
       "Variables1",
       {"AddColumns1", "InsertColumns1", "DeleteColumns1", nullptr, "Tag1", "Untag1", nullptr, "RenameCol1",
        nullptr, "PlotIn1"}},
      {"&Matrix", "Matrix1", {"SVD1", "Inverse1", nullptr, "AnalysisWizard1", nullptr, "ShowTextPad1"}},
      {"&Help", "Help1", {"HelpTopics1", "Quickstart1", "HelponHelp1", nullptr, "About1", "WebSite1"}},
  };
  for (const MenuSpec& m : menus) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
    menu->setObjectName(QString::fromLatin1(m.name));
    menu->setToolTipsVisible(false);
    for (const char* item : m.items) {
      if (!item) {
        menu->addSeparator();
        continue;
      }
      QAction* a = actions_.value(QString::fromLatin1(item));
      if (a->objectName() == QLatin1String("PlotIn1")) {
        auto* sub = new QMenu(a->text(), menu);
        for (const char* apex : {"A1", "B1", "C1", "D1"})
          sub->addAction(actions_.value(QString::fromLatin1(apex)));
        a->setMenu(sub);
      } else if (a->objectName() == QLatin1String("Reopen1")) {
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
  struct Button {
    const char* name;
    ToolIcon icon;
    const char* hint;
    const char* sameAs;  // the menu item it stands for
  };
  const Button buttons[] = {
      {"WSTButtonNew", ToolIcon::New, "New|Create a new blank DataSheet.", "New1"},
      {"WSTButtonOpen", ToolIcon::Open, "Open|Load an existing data file.", "Open1"},
      {"WSTButtonSave", ToolIcon::Save, "Save|Save current DataSheet contents to disk.", "Save1"},
      {"WSTButtonPrint", ToolIcon::Print, "Print|Print current DataSheet.", "WSPrint1"},
      {nullptr, ToolIcon::New, nullptr, nullptr},
      {"WSTClear", ToolIcon::Clear, "Clear|Clear selected range of cells.", "Clear1"},
      {"WSTButtonCut", ToolIcon::Cut, "Cut|Copy selected DataSheet cells to the Clipboard, then clear them.",
       "Cut1"},
      {"WSTButtonCopy", ToolIcon::Copy, "Copy|Copy selected DataSheet cells to the Clipboard.", "Copy1"},
      {"WSTButtonPaste", ToolIcon::Paste, "Paste|Paste Clipboard contents at current location.",
       "PasteBlock1"},
      {nullptr, ToolIcon::New, nullptr, nullptr},
      {"WSTButtonTxtPad", ToolIcon::TextPad, "TextPad|Displays (or brings to forefront) the TextPad window.",
       "ShowTextPad1"},
      {nullptr, ToolIcon::New, nullptr, nullptr},
      {"WSTButtonPlotIn", ToolIcon::PlotIn,
       "Plot in ...|Click to select an apex to plot currently selected variable.", nullptr},
      {nullptr, ToolIcon::New, nullptr, nullptr},
      {"WSTButtonMAW", ToolIcon::Maw, "MAW ...|Opens the Matrix Analysis Wizard.", "AnalysisWizard1"},
      {"WSTButtonSendToMAW", ToolIcon::AddToMaw,
       "Add to MAW|Add currently selected cases to the MAW input matrix.", "SendToMWizard1"},
      {"WSTButtonMapping", ToolIcon::Mapping,
       "Coordinate Mapping ...|Perform coordinate mapping (the current row/case selection shoud define the "
       "transformation matrix).",
       "LinearMapping1"},
      {nullptr, ToolIcon::New, nullptr, nullptr},
  };
  for (const Button& b : buttons) {
    if (!b.name) {
      toolbar_->addSeparator();
      continue;
    }
    const Command c{b.name, "", "", b.hint, nullptr};
    QAction* action = MakeAction(c);
    action->setText(ShortHint(QString::fromUtf8(b.hint)));
    action->setIcon(ToolBarIcon(b.icon));
    if (b.sameAs) {
      QAction* target = actions_.value(QString::fromLatin1(b.sameAs));
      connect(action, &QAction::triggered, target, [target] { target->trigger(); });
    }
    if (QLatin1String(b.name) == QLatin1String("WSTButtonPlotIn")) {
      auto* menu = new QMenu(this);
      for (const char* apex : {"A", "B", "C", "D"}) {
        const QString name = QStringLiteral("tb%1").arg(QLatin1String(apex)) + QStringLiteral("1");
        auto* item = menu->addAction(QStringLiteral("apex ") + QLatin1String(apex));
        item->setObjectName(name);
        QAction* target = actions_.value(QLatin1String(apex) + QStringLiteral("1"));
        connect(item, &QAction::triggered, target, [target] { target->trigger(); });
        actions_.insert(name, item);
      }
      action->setMenu(menu);
    }
    if (QLatin1String(b.name) == QLatin1String("WSTButtonMAW")) action->setCheckable(true);
    toolbar_->addAction(action);
    if (auto* button = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action))) {
      button->setAutoRaise(true);
      if (action->menu()) button->setPopupMode(QToolButton::InstantPopup);
    }
  }
}

void TVN_Wsheet::BuildPopup() {
  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("WSPopupMenu1"));
  struct Item {
    const char* name;
    const char* caption;
    const char* sameAs;
  };
  const Item items[] = {
      {"PMCut", "Cut", "Cut1"},
      {"PMCopy", "Copy", "Copy1"},
      {"PMPaste", "Paste", "PasteBlock1"},
      {"PMClear", "Clear", "Clear1"},
      {"PMN1", nullptr, nullptr},
      {"PMTag", "Tag - #", "Tag1"},
      {"PMUntag", "Untag - #", "Untag1"},
      {"PMRenameCol1", "Rename", "RenameCol1"},
      {"PMPlotIn1", "Plot In", nullptr},
      {"PMColAdd1", "Add Columns", "AddColumns1"},
      {"PMColInsert1", "Insert Columns", "InsertColumns1"},
      {"PMColDelete1", "Delete Columns", "DeleteColumns1"},
      {"PMAdjustWidth1", "Adjust &Width", "AdjustColWidth1"},
      {"PMN2", nullptr, nullptr},
      {"PMInclude", "Include", "IncludeInPlot1"},
      {"PMExclude", "Exclude", "ExcludeFromPlot1"},
      {"PMN3", nullptr, nullptr},
      {"PMRowAdd1", "Add Rows", "AddRows1"},
      {"PMRowInsert1", "Insert Rows", "InsertRows1"},
      {"PMRowDelete1", "Delete Rows", "DeleteRows1"},
      {"PMSendMW1", "Send to the Analysis Wizard", "SendToMWizard1"},
  };
  for (const Item& item : items) {
    QAction* a = item.caption ? popup_->addAction(QString::fromUtf8(item.caption)) : popup_->addSeparator();
    a->setObjectName(QString::fromLatin1(item.name));
    actions_.insert(a->objectName(), a);
    if (item.sameAs) {
      QAction* target = actions_.value(QString::fromLatin1(item.sameAs));
      a->setStatusTip(target->statusTip());
      // The context menu's own Include and Exclude set the mark directly.
      connect(a, &QAction::triggered, target, [target] { target->trigger(); });
    }
    if (QLatin1String(item.name) == QLatin1String("PMPlotIn1")) {
      auto* sub = new QMenu(a->text(), popup_);
      for (const char* apex : {"A", "B", "C", "D"}) {
        QAction* pa = sub->addAction(QLatin1String(apex));
        pa->setObjectName(QStringLiteral("PM") + QLatin1String(apex) + QStringLiteral("1"));
        QAction* target = actions_.value(QLatin1String(apex) + QStringLiteral("1"));
        connect(pa, &QAction::triggered, target, [target] { target->trigger(); });
        actions_.insert(pa->objectName(), pa);
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
  for (QAction* a : popup_->actions()) {
    const PopupItemState s = PopupState(a->objectName(), c);
    a->setVisible(s.Visible);
    a->setEnabled(s.Enabled);
  }
}

void TVN_Wsheet::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("WSStatusBar"));
  bar->setSizeGripEnabled(true);
  const int widths[3] = {45, 45, 60};
  for (int k = 0; k < 4; ++k) {
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
  panels_[0]->setToolTip(QStringLiteral("Points drawn in the Graphs window"));
  panels_[1]->setToolTip(QStringLiteral("Included cases"));
  panels_[2]->setToolTip(QStringLiteral("Cases"));
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
    if (QAction* rename = actions_.value(QStringLiteral("RenameCol1"))) rename->trigger();
  }
}

void TVN_Wsheet::OnCurrentChanged() {
  if (syncing_) return;
  const QModelIndex current = grid_->currentIndex();
  if (!current.isValid()) return;
  sheet_.CellSelected(current.column() + 1, current.row() + 1);
}

void TVN_Wsheet::OnViewSelectionChanged() {
  if (syncing_ || sheet_.RowsMode || sheet_.ColumnsMode) return;
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
  sheet_.Sel = Selection{left + 1, top + 1, right + 1, bottom + 1};
  grid_->NameHeader()->viewport()->update();
  grid_->CaseHeader()->viewport()->update();
  UpdateCommands();
}

void TVN_Wsheet::ExtendRows(int delta) {
  Selection s = sheet_.Sel;
  const int anchor = sheet_.AnchorRow;
  int moving = s.Top == anchor ? s.Bottom : s.Top;
  moving = std::clamp(moving + delta, 1, sheet_.RowCount() - 1);
  sheet_.Sel = Selection{0, std::min(anchor, moving), sheet_.ColCount() - 1, std::max(anchor, moving)};
  SelectionChanged();
  grid_->scrollTo(model_->index(moving - 1, std::max(grid_->currentIndex().column(), 0)));
}

void TVN_Wsheet::ExtendColumns(int delta) {
  Selection s = sheet_.Sel;
  const int anchor = sheet_.AnchorCol;
  int moving = s.Left == anchor ? s.Right : s.Left;
  moving = std::clamp(moving + delta, 1, sheet_.ColCount() - 1);
  sheet_.Sel = Selection{std::min(anchor, moving), 0, std::max(anchor, moving), sheet_.RowCount() - 1};
  SelectionChanged();
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
  return c;
}

void TVN_Wsheet::UpdateCommands() {
  const CommandContext c = Context();
  for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) {
    if (it.key().startsWith(QLatin1String("PM"))) continue;  // decided when the context menu opens
    it.value()->setEnabled(CommandEnabled(it.key(), c));
  }
  if (QAction* reopen = actions_.value(QStringLiteral("Reopen1")))
    reopen->setEnabled(!sheet_.WizardOpen && history_ && !history_->Files().isEmpty());
  if (QAction* maw = actions_.value(QStringLiteral("WSTButtonMAW"))) maw->setChecked(sheet_.WizardOpen);
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
  QApplication::quit();
}

void TVN_Wsheet::New1Click() { sheet_.New1Click(); }

void TVN_Wsheet::Open1Click() { files_->Open1Click(); }
void TVN_Wsheet::Save1Click() { files_->Save1Click(); }
void TVN_Wsheet::SaveAs1Click() { files_->SaveAs1Click(); }
void TVN_Wsheet::SaveSelection1Click() { files_->SaveSelection1Click(); }
void TVN_Wsheet::AppendFile1Click() { files_->AppendFile1Click(); }

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
  EndCellEdit();
  matrix_->SVD1Click();
}

void TVN_Wsheet::Inverse1Click() {
  EndCellEdit();
  matrix_->Inverse1Click();
}

void TVN_Wsheet::LinearMapping1Click() {
  EndCellEdit();
  matrix_->LinearMapping1Click();
}

void TVN_Wsheet::Exit1Click() { close(); }

void TVN_Wsheet::SelectAllCells1Click() {
  EndCellEdit();
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
  QDialog box(this);
  box.setObjectName(QStringLiteral("vn_AboutBox"));
  box.setWindowTitle(QStringLiteral("About Varnel"));
  auto* layout = new QVBoxLayout(&box);
  auto* picture = new QLabel(&box);
  picture->setPixmap(SplashPicture(VersionString()));
  layout->addWidget(picture);
  auto* version = new QLabel(QStringLiteral("Version ") + VersionString(), &box);
  version->setObjectName(QStringLiteral("AboutVersion"));
  layout->addWidget(version);
  layout->addWidget(
      new QLabel(QStringLiteral("Singular value decomposition, coordinate mapping and "
                                "triangular and tetrahedral diagrams for petrology and geochemistry."),
                 &box));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  layout->addWidget(buttons);
  box.exec();
}

void TVN_Wsheet::WebSite1Click() { QDesktopServices::openUrl(QUrl(QString::fromLatin1(HomePageUrl))); }

void TVN_Wsheet::InOutOfPlot1Click() {
  if (!IsActive()) return;
  const QObject* from = sender();
  const QString name = from ? from->objectName() : QString();
  if (name == QLatin1String("IncludeInPlot1"))
    ChangeSelectedInclusion(sheet_, InclusionChange::Include);
  else if (name == QLatin1String("ExcludeFromPlot1"))
    ChangeSelectedInclusion(sheet_, InclusionChange::Exclude);
  else
    ChangeSelectedInclusion(sheet_, InclusionChange::Toggle);
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

void TVN_Wsheet::Tag1Click() {
  if (!IsActive()) return;
  const QObject* from = sender();
  TagVariables(sheet_, !(from && from->objectName() == QLatin1String("Untag1")));
}

void TVN_Wsheet::Filter1Click() {
  if (!IsActive()) return;
  const int col = std::max(sheet_.Sel.Left, 1);
  filter_->Prepare(sheet_, col);
  if (!ExecDialog(*filter_)) return;
  const std::optional<FilterCondition> first = filter_->First(DecimalSeparator());
  if (!first) return;
  RunFilter(sheet_, col, *first, filter_->Second(DecimalSeparator()), filter_->FRBAnd->isChecked(),
            filter_->FRBInclude->isChecked(), DecimalSeparator());
}

void TVN_Wsheet::PMPlotInApexClick() {
  const QObject* from = sender();
  const QString name = from ? from->objectName() : QString();
  GraphSelector apex = GraphSelector::A;
  if (name.startsWith(QLatin1Char('B'))) apex = GraphSelector::B;
  if (name.startsWith(QLatin1Char('C'))) apex = GraphSelector::C;
  if (name.startsWith(QLatin1Char('D'))) apex = GraphSelector::D;
  PlotIn(sheet_, apex);
}

void TVN_Wsheet::Connect1Click() {
  sheet_.Graph().GetWSheetData(false);
  UpdateCommands();
}

void TVN_Wsheet::Disconnect1Click() {
  sheet_.Graph().DisconnectGraphs();
  UpdateCommands();
}

void TVN_Wsheet::AnalysisWizard1Click() {
  EndCellEdit();
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
  if (!ExecDialog(dialog)) return;
  RenameVariable(sheet_, col, dialog.EVNameEdit->text().toStdString());
  UpdateCommands();
}

void TVN_Wsheet::HeaderLine1Click() {
  TVN_EditHeaderLine dialog(this);
  dialog.Caption->setText(QStringLiteral("Description text for file ") + sheet_.FileName);
  dialog.EditHeaderLine->setText(sheet_.HeaderLine);
  if (ExecDialog(dialog)) sheet_.HeaderLine = dialog.EditHeaderLine->text();
}

void TVN_Wsheet::AdjustColWidth1Click() {
  SetBusy(true);
  const Selection& s = sheet_.Sel;
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
  SetBusy(false);
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
  if (!ExecDialog(dialog)) return;
  dialog.Apply(sheet_.Prefs);
  model_->Repaint();
  UpdateCommands();
}

void TVN_Wsheet::HelpClick() {
  sheet_.Prompt().Message(BoxKind::Information,
                          QStringLiteral("The Varnel help is not installed on this system.\n\r"
                                         "The README file that comes with Varnel describes the program."),
                          Only(Button::Ok));
}

}  // namespace varnel

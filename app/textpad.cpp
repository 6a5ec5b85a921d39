#include "app/textpad.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolBar>

#include "app/atomicfile.h"
#include "app/dialogparts.h"
#include "app/icons.h"
#include "app/inifile.h"
#include "app/programfolder.h"
#include "app/prompter.h"
#include "app/textprinting.h"
#include "app/windowplacement.h"

namespace varnel {
namespace {

const char* const TextFilters =
    "Text data files (*.vnp, *.prn, *.dat)|*.vnp;*.prn;*.dat|Text files (*.txt)|*.txt|All files (*.*)|*.*";
const char* const SaveFilters =
    "Varnel text files (*.vnp)|*.vnp|Text files (*.txt)|*.txt|All files (*.*)|*.*";

// The text box with its text 6 pixels from the left and 3 from the top.
class TextBox : public QPlainTextEdit {
 public:
  explicit TextBox(QWidget* parent) : QPlainTextEdit(parent) { setViewportMargins(6, 3, 0, 0); }

 protected:
  // Lines never wrap here, so a new width changes no line. The text box
  // would lay out every line again all the same, keeping a layout object per
  // line: for a long report that doubles its memory. Only the scroll bars
  // need to follow the new size.
  void resizeEvent(QResizeEvent* event) override {
    if (lineWrapMode() != QPlainTextEdit::NoWrap) {
      QPlainTextEdit::resizeEvent(event);
      return;
    }
    QAbstractScrollArea::resizeEvent(event);
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());
  }
};

}  // namespace

TVN_Txt::TVN_Txt(Prompter& prompter, TextPrinter& printer, Environment env, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), printer_(printer), env_(std::move(env)) {
  setObjectName(QStringLiteral("VN_Txt"));
  setWindowTitle(QStringLiteral("Untitled - Varnel TextPad"));
  edit_ = new TextBox(this);
  edit_->setObjectName(QStringLiteral("TxtRichEdit"));
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit_->setWordWrapMode(QTextOption::NoWrap);
  edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setTabChangesFocus(false);
  // The text starts 6 pixels from the left and 3 from the top.
  edit_->document()->setDocumentMargin(0);
  edit_->setAutoFillBackground(true);
  SetReadOnly(false);
  setCentralWidget(edit_);

  using T = TVN_Txt;
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("File1"));
  file->addAction(Make("New1", "New", "", &T::New1Click));
  file->addAction(Make("Open1", "&Open...", "", &T::Open1Click));
  file->addAction(Make("Save1", "&Save", "", &T::Save1Click));
  file->addAction(Make("SaveAs1", "Save &As...", "", &T::SaveAs1Click));
  file->addAction(Make("Print1", "&Print...", "", &T::Print1Click));
  file->addAction(Make("Closehidewindow1", "&Close (hide window)", "", &T::Closehidewindow1Click));
  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("Edit1"));
  edit->addAction(Make("Undo1", "&Undo", "Ctrl+Z", &T::Undo1Click));
  edit->addAction(Make("Cut1", "Cut", "Ctrl+X", &T::Cut1Click));
  edit->addAction(Make("Copy1", "Copy", "Ctrl+C", &T::Copy1Click));
  edit->addAction(Make("Paste1", "Paste", "Ctrl+V", &T::Paste1Click));
  edit->addAction(Make("Delete1", "Delete", "Del", &T::Delete1Click));
  edit->addAction(Make("SelectAll1", "Select All", "", &T::SelectAll1Click));
  QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
  options->setObjectName(QStringLiteral("Options1"));
  options->addAction(Make("ReadOnly1", "&Read Only", "", &T::ReadOnly1Click));
  options->addAction(Make("HideToolbar1", "&Hide Toolbar", "", &T::HideToolbar1Click));
  actions_["ReadOnly1"]->setCheckable(true);
  actions_["HideToolbar1"]->setCheckable(true);
  for (QMenu* m : {file, edit, options}) connect(m, &QMenu::aboutToShow, this, &TVN_Txt::RefreshMenus);

  toolbar_ = AddFixedToolBar(this, QStringLiteral("TXTPanelToolBar"));
  struct ToolButtonSpec {
    const char* action;
    ToolIcon icon;
    const char* hint;
  };
  const ToolButtonSpec buttons[] = {
      {"New1", ToolIcon::New, "New"},      {"Open1", ToolIcon::Open, "Open"},
      {"Save1", ToolIcon::Save, "Save"},   {"Print1", ToolIcon::Print, "Print..."},
      {nullptr, ToolIcon::New, nullptr},   {"Undo1", ToolIcon::Undo, "Undo"},
      {"Cut1", ToolIcon::Cut, "Cut"},      {"Copy1", ToolIcon::Copy, "Copy"},
      {"Paste1", ToolIcon::Paste, "Paste"}};
  for (const ToolButtonSpec& b : buttons) {
    if (!b.action) {
      toolbar_->addSeparator();
      continue;
    }
    QAction* a = actions_.value(QString::fromLatin1(b.action));
    a->setIcon(ToolBarIcon(b.icon));
    a->setToolTip(QString::fromLatin1(b.hint));
    toolbar_->addAction(a);
  }

  context_ = new QMenu(this);
  for (const char* name : {"Undo1", "Cut1", "Copy1", "Paste1", "Delete1"}) {
    QAction* target = actions_.value(QString::fromLatin1(name));
    QAction* item = context_->addAction(target->text());
    item->setObjectName(QStringLiteral("TxE") + QString::fromLatin1(name));
    connect(item, &QAction::triggered, target, &QAction::trigger);
  }
  edit_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(edit_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    PrepareContextMenu();
    context_->popup(edit_->viewport()->mapToGlobal(pos));
  });

  connect(edit_, &QPlainTextEdit::undoAvailable, this, &TVN_Txt::RefreshMenus);
  connect(edit_, &QPlainTextEdit::selectionChanged, this, &TVN_Txt::RefreshMenus);
  connect(edit_, &QPlainTextEdit::textChanged, this, &TVN_Txt::RefreshMenus);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TVN_Txt::RefreshMenus);
  resize(550, 450);
  edit_->document()->setModified(false);
  RefreshMenus();
}

QAction* TVN_Txt::Make(const char* name, const char* caption, const char* shortcut, void (TVN_Txt::*slot)()) {
  auto* a = new QAction(QString::fromUtf8(caption), this);
  a->setObjectName(QString::fromLatin1(name));
  if (*shortcut) {
    a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    // The text box has its own editing keys; the menu's are for the window.
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  }
  connect(a, &QAction::triggered, this, slot);
  actions_.insert(a->objectName(), a);
  return a;
}

bool TVN_Txt::Modified() const { return edit_->document()->isModified(); }

QStringList TVN_Txt::Lines() const {
  if (edit_->document()->isEmpty()) return {};
  return edit_->toPlainText().split(QLatin1Char('\n'));
}

void TVN_Txt::RefreshMenus() {
  if (!toolbar_) return;  // still being built
  const bool hasText = !edit_->document()->isEmpty();
  const bool readOnly = edit_->isReadOnly();
  const bool selection = edit_->textCursor().hasSelection();
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  const bool clipText = mime && mime->hasText();
  for (const char* name : {"Save1", "SaveAs1", "Print1", "SelectAll1"}) actions_[name]->setEnabled(hasText);
  actions_["Undo1"]->setEnabled(edit_->document()->isUndoAvailable() && !readOnly);
  actions_["Copy1"]->setEnabled(selection);
  actions_["Cut1"]->setEnabled(selection && !readOnly);
  actions_["Delete1"]->setEnabled(selection && !readOnly);
  actions_["Paste1"]->setEnabled(clipText && !readOnly);
  actions_["ReadOnly1"]->setChecked(readOnly);
  actions_["HideToolbar1"]->setChecked(toolbar_ && toolbar_->isHidden());
}

void TVN_Txt::PrepareContextMenu() {
  RefreshMenus();
  for (QAction* item : context_->actions()) {
    const QString target = item->objectName().mid(3);
    item->setEnabled(actions_.value(target)->isEnabled());
  }
}

void TVN_Txt::SetReadOnly(bool readOnly) {
  edit_->setReadOnly(readOnly);
  QPalette p = edit_->palette();
  const QColor background = readOnly ? QApplication::palette().color(QPalette::Button)
                                     : QApplication::palette().color(QPalette::Base);
  p.setColor(QPalette::Base, background);
  p.setColor(QPalette::Window, background);
  edit_->setPalette(p);
  RefreshMenus();
}

void TVN_Txt::ShowTextPad() {
  if (!isVisible()) show();
  raise();
  activateWindow();
}

void TVN_Txt::SetFileName(const QString& path) {
  fileName_ = path;
  setWindowTitle(path == QLatin1String("Untitled")
                     ? QStringLiteral("Untitled - Varnel TextPad")
                     : FileNameOnly(path) + QStringLiteral(" - Varnel TextPad"));
}

bool TVN_Txt::NewDocument(bool ownCommand) {
  if (Modified()) {
    const Buttons buttons =
        ownCommand ? (Button::Yes | Button::No | Button::Cancel) : (Button::Yes | Button::No);
    const Button answer = prompter_.Message(
        BoxKind::Confirmation,
        QStringLiteral("TextPad file ") + fileName_ + QStringLiteral(" has changed.\n\rSave modifications?"),
        buttons);
    if (answer == Button::Cancel) return false;
    // The TextPad's own New keeps the text when it could not be saved; a
    // report replaces it in any case.
    if (answer == Button::Yes && !Save() && ownCommand) return false;
  }
  QTextDocument* doc = edit_->document();
  doc->setUndoRedoEnabled(false);
  edit_->clear();
  doc->setUndoRedoEnabled(true);
  doc->setModified(false);
  appendedSinceNew_ = false;
  SetFileName(QStringLiteral("Untitled"));
  encoding_ = TextEncoding::Utf8;
  RefreshMenus();
  return true;
}

bool TVN_Txt::WriteTo(const QString& path) {
  QByteArray utf8;
  const QTextDocument* doc = edit_->document();
  if (!doc->isEmpty()) {
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
      utf8 += b.text().toUtf8();
      utf8 += "\r\n";
    }
  }
  TextEncoding used = encoding_;
  const std::string bytes =
      EncodeText(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), encoding_, &used);
  QString error;
  if (!SaveFileAtomically(path, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                          env_.BackupWanted() ? QStringLiteral(".BAK") : QString(), &error)) {
    prompter_.FileError(error);
    return false;
  }
  encoding_ = used;
  edit_->document()->setModified(false);
  RefreshMenus();
  return true;
}

bool TVN_Txt::Save() {
  if (fileName_ == QLatin1String("Untitled")) return SaveAs();
  return WriteTo(fileName_);
}

bool TVN_Txt::SaveAs() {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Save As");
  spec.initialPath = fileName_;
  spec.defaultSuffix = QStringLiteral("txt");
  spec.filter = QString::fromLatin1(SaveFilters);
  spec.filterIndex = 2;
  spec.confirmOverwrite = true;
  const std::optional<QString> path = prompter_.SaveFileName(spec);
  if (!path) return false;
  SetFileName(*path);
  return WriteTo(*path);
}

bool TVN_Txt::OpenFile(const QString& path) {
  QByteArray bytes;
  QString error;
  if (!ReadWholeFile(path, bytes, &error)) {
    prompter_.FileError(error);
    return false;
  }
  const DecodedText text = DecodeText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  QString content;
  content.reserve(static_cast<qsizetype>(text.utf8.size()));
  bool first = true;
  for (std::string_view line : SplitLines(text.utf8)) {
    if (!first) content += QLatin1Char('\n');
    content += QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    first = false;
  }
  QTextDocument* doc = edit_->document();
  doc->setUndoRedoEnabled(false);
  edit_->setPlainText(content);
  doc->setUndoRedoEnabled(true);
  doc->setModified(false);
  encoding_ = text.encoding;
  appendedSinceNew_ = false;
  SetFileName(path);
  RefreshMenus();
  return true;
}

bool TVN_Txt::AskAtExit() {
  if (!Modified()) return true;
  const Button answer = prompter_.Message(
      BoxKind::Confirmation,
      QStringLiteral("TextPad file ") + fileName_ + QStringLiteral(" has changed.\n\rSave modifications?"),
      Button::Yes | Button::No | Button::Cancel);
  if (answer == Button::Cancel) return false;
  if (answer == Button::Yes) return Save();
  return true;
}

void TVN_Txt::ReadSettings(const IniFile& ini) {
  resize(550, 450);
  QFont font = edit_->font();
  font.setFamily(
      ini.ReadString(QStringLiteral("Prefs"), QStringLiteral("TextPadFontFontName"), font.family()));
  const int size =
      ini.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("TextPadFontFontSize"), font.pointSize());
  if (size > 0) font.setPointSize(size);
  edit_->setFont(font);
  const QSize screen =
      QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
  const WindowBounds b = ReadWindowBounds(ini, QStringLiteral("T"), 550, 450, screen);
  move(b.Left, b.Top);
  resize(b.Width, b.Height);
}

void TVN_Txt::WriteSettings(IniFile& ini, bool savePrefs) const {
  if (savePrefs) {
    const QFont font = edit_->font();
    ini.WriteString(QStringLiteral("Prefs"), QStringLiteral("TextPadFontFontName"), font.family());
    ini.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("TextPadFontFontSize"), font.pointSize());
  }
  WriteWindowBounds(ini, QStringLiteral("T"), Bounds());
}

int TVN_Txt::FontSize() const { return edit_->font().pointSize(); }

WindowBounds TVN_Txt::Bounds() const { return {y(), x(), width(), height()}; }

void TVN_Txt::StartReport() {
  hide();
  NewDocument(false);
  tabCount_ = tabWidth_ = 0;
}

void TVN_Txt::AppendLines(const QStringList& lines) {
  if (lines.isEmpty()) return;
  QTextDocument* doc = edit_->document();
  QString text;
  qsizetype size = 0;
  for (const QString& l : lines) size += l.size() + 1;
  text.reserve(size + 1);
  // The first line of an empty document takes its first block.
  const bool empty = doc->isEmpty() && doc->blockCount() == 1 && !appendedSinceNew_;
  for (qsizetype k = 0; k < lines.size(); ++k) {
    if (k > 0 || !empty) text += QLatin1Char('\n');
    text += lines[k];
  }
  doc->setUndoRedoEnabled(false);
  QTextCursor cursor(doc);
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  doc->setUndoRedoEnabled(true);
  appendedSinceNew_ = true;
}

void TVN_Txt::SetTabStops(int count, int width) {
  tabCount_ = count;
  tabWidth_ = width;
  QTextOption option = edit_->document()->defaultTextOption();
  QList<QTextOption::Tab> tabs;
  for (int i = 0; i < count; ++i) tabs << QTextOption::Tab((i + 1) * width, QTextOption::LeftTab);
  option.setTabs(tabs);
  if (width > 0) option.setTabStopDistance(width);
  option.setWrapMode(QTextOption::NoWrap);
  edit_->document()->setDefaultTextOption(option);
}

int TVN_Txt::BlockStart() {
  CaretToEnd();
  return edit_->textCursor().position();
}

void TVN_Txt::SetBlockTabStops(int start, int count, int width) {
  QTextCursor cursor = edit_->textCursor();
  cursor.setPosition(start);
  cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  edit_->setTextCursor(cursor);
  // The text box holds one set of tab stops, so the block's apply to all.
  SetTabStops(count, width);
  CaretToEnd();
}

void TVN_Txt::CaretToEnd() { edit_->moveCursor(QTextCursor::End); }

void TVN_Txt::ShowReport() {
  RefreshMenus();
  show();
  raise();
  activateWindow();
}

void TVN_Txt::SuspendRepaint(bool suspend) { edit_->setUpdatesEnabled(!suspend); }

void TVN_Txt::New1Click() { NewDocument(true); }

void TVN_Txt::Open1Click() {
  if (Modified()) {
    const Button answer = prompter_.Message(
        BoxKind::Confirmation,
        QStringLiteral("TextPad file ") + fileName_ + QStringLiteral(" has changed.\n\rSave modifications?"),
        Button::Yes | Button::No | Button::Cancel);
    if (answer == Button::Cancel) return;
    if (answer == Button::Yes && !Save()) return;
  }
  FileDialogSpec spec;
  spec.title = QStringLiteral("Open Text File");
  spec.filter = QString::fromLatin1(TextFilters);
  spec.mustExist = true;
  const std::optional<QString> path = prompter_.OpenFileName(spec);
  if (path) OpenFile(*path);
}

void TVN_Txt::Save1Click() { Save(); }

void TVN_Txt::SaveAs1Click() { SaveAs(); }

void TVN_Txt::Print1Click() {
  const QTextCursor cursor = edit_->textCursor();
  const std::optional<Prompter::PrintRange> range =
      prompter_.PrintDialog(printer_.Printer(), cursor.hasSelection());
  if (!range) return;
  QStringList lines;
  if (*range == Prompter::PrintRange::Selection && cursor.hasSelection()) {
    QString selected = cursor.selectedText();
    selected.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    lines = selected.split(QLatin1Char('\n'));
  } else {
    lines = Lines();
  }
  bool abort = false;
  printer_.PrintTextLines(lines, edit_->font(), FileNameOnly(env_.DataFileName()), env_.CenterOver, abort);
}

void TVN_Txt::Closehidewindow1Click() { hide(); }
void TVN_Txt::Undo1Click() { edit_->undo(); }
void TVN_Txt::Cut1Click() { edit_->cut(); }
void TVN_Txt::Copy1Click() { edit_->copy(); }
void TVN_Txt::Paste1Click() { edit_->paste(); }
void TVN_Txt::Delete1Click() { edit_->textCursor().removeSelectedText(); }
void TVN_Txt::SelectAll1Click() { edit_->selectAll(); }
void TVN_Txt::ReadOnly1Click() { SetReadOnly(!edit_->isReadOnly()); }

void TVN_Txt::HideToolbar1Click() {
  toolbar_->setVisible(toolbar_->isHidden());
  RefreshMenus();
}

void TVN_Txt::closeEvent(QCloseEvent* event) {
  // Closing only hides the window; the document stays.
  event->ignore();
  hide();
}

void TVN_Txt::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) RefreshMenus();
  QMainWindow::changeEvent(event);
}

}  // namespace varnel

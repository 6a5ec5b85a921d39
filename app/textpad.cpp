#include "app/textpad.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolBar>
#include <algorithm>
#include <new>

#include "app/atomicfile.h"
#include "app/dialogparts.h"
#include "app/filename.h"
#include "app/icons.h"
#include "app/inifile.h"
#include "app/programfolder.h"
#include "app/prompter.h"
#include "app/tabstops.h"
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

// What a report line keeps of its tab stops, in its block format: the
// distance the report asked for in points, the number of stops, and the
// distance in pixels the lines of its block were fitted to on this screen.
constexpr int TabGroupProperty = QTextFormat::UserProperty + 1;
constexpr int TabCountProperty = QTextFormat::UserProperty + 2;
constexpr int TabPointsProperty = QTextFormat::UserProperty + 3;
constexpr int TabPixelsProperty = QTextFormat::UserProperty + 4;

// The plain-text layout knows only the document's one set of tab stops.
// Report blocks carry their own: a line is laid out again with them before
// anything sees where its text lies, since every caller asks for the block's
// rectangle first.
class TabbedBlockLayout : public QPlainTextDocumentLayout {
 public:
  using QPlainTextDocumentLayout::QPlainTextDocumentLayout;

  QRectF blockBoundingRect(const QTextBlock& block) const override {
    const QRectF rect = QPlainTextDocumentLayout::blockBoundingRect(block);
    if (!block.isValid() || !block.isVisible()) return rect;
    const QTextBlockFormat format = block.blockFormat();
    if (!format.hasProperty(TabPixelsProperty)) return rect;
    QTextLayout* layout = block.layout();
    QTextOption option = layout->textOption();
    const qreal distance = format.doubleProperty(TabPixelsProperty);
    const QList<QTextOption::Tab> tabs = format.tabPositions();
    if ((option.tabStopDistance() == distance && option.tabs() == tabs) || layout->lineCount() != 1)
      return rect;
    const QTextLine old = layout->lineAt(0);
    const QPointF position = old.position();
    const qreal lineWidth = old.width();
    option.setTabs(tabs);
    option.setTabStopDistance(distance);
    layout->setTextOption(option);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    line.setLeadingIncluded(true);
    line.setLineWidth(lineWidth);
    line.setPosition(position);
    layout->endLayout();
    const qreal width = line.naturalTextWidth() + 2 * document()->documentMargin();
    if (width > widest_) {
      // The scroll bars must reach the end of a line that grew.
      widest_ = width;
      auto* self = const_cast<TabbedBlockLayout*>(this);
      emit self->documentSizeChanged(documentSize());
    }
    return QPlainTextDocumentLayout::blockBoundingRect(block);
  }

  QSizeF documentSize() const override {
    QSizeF size = QPlainTextDocumentLayout::documentSize();
    size.setWidth(std::max(size.width(), widest_));
    return size;
  }

  // A new document: no line of the old one counts.
  void Forget() { widest_ = 0; }

 private:
  mutable qreal widest_ = 0;
};

}  // namespace

TVN_Txt::TVN_Txt(Prompter& prompter, TextPrinter& printer, Environment env, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), printer_(printer), env_(std::move(env)) {
  setObjectName(QStringLiteral("VN_Txt"));
  setWindowTitle(QStringLiteral("Untitled - Varnel TextPad"));
  edit_ = new TextBox(this);
  auto* document = new QTextDocument(edit_);
  document->setDocumentLayout(new TabbedBlockLayout(document));
  edit_->setDocument(document);
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
  // Setting the text box up is nothing the user could undo.
  edit_->document()->clearUndoRedoStacks();
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
  // An empty TextPad has nothing worth undoing.
  actions_["Undo1"]->setEnabled(hasText && edit_->document()->isUndoAvailable() && !readOnly);
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
  ForgetTabStops();
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
  std::string bytes;
  QString error;
  if (!ReadWholeFile(path, bytes, &error)) {
    prompter_.FileError(error);
    return false;
  }
  // What follows a NUL would be lost, and a save would make the loss final.
  if (const std::optional<std::size_t> line = NulLine(bytes)) {
    prompter_.FileError(
        QStringLiteral("Cannot read \"%1\": line %2 holds a NUL character, so it is not a text file."
                       "\n\rNothing was loaded.")
            .arg(QDir::toNativeSeparators(path))
            .arg(*line));
    return false;
  }
  TextEncoding encoding = TextEncoding::Utf8;
  QString content;
  try {
    const DecodedText text = DecodeTextInPlace(std::move(bytes));
    encoding = text.encoding;
    content.reserve(static_cast<qsizetype>(text.utf8.size()));
    bool first = true;
    for (std::string_view line : SplitLines(text.utf8)) {
      if (!first) content += QLatin1Char('\n');
      content += QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
      first = false;
    }
  } catch (const std::bad_alloc&) {
    prompter_.FileError(QStringLiteral("Not enough memory to read \"%1\".\n\rThe TextPad was left as it was.")
                            .arg(QDir::toNativeSeparators(path)));
    return false;
  }
  QTextDocument* doc = edit_->document();
  doc->setUndoRedoEnabled(false);
  edit_->setPlainText(content);
  ForgetTabStops();
  doc->setUndoRedoEnabled(true);
  doc->setModified(false);
  encoding_ = encoding;
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
  // Beyond the sizes a font dialog offers the stored value is damage.
  if (size > 0 && size <= 999) font.setPointSize(size);
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

void TVN_Txt::ForgetTabStops() {
  QTextDocument* doc = edit_->document();
  static_cast<TabbedBlockLayout*>(doc->documentLayout())->Forget();
  QTextOption option = doc->defaultTextOption();
  option.setTabs({});
  option.setTabStopDistance(80);
  doc->setDefaultTextOption(option);
  // A cleared document keeps the format of its first block.
  QTextCursor cursor(doc);
  cursor.setBlockFormat(QTextBlockFormat());
  tabCount_ = tabWidth_ = textTabCount_ = textTabPoints_ = 0;
  blockStops_ = false;
}

qreal TVN_Txt::TabDistanceAt(int line) const {
  const QTextBlock block = edit_->document()->findBlockByNumber(line);
  if (block.blockFormat().hasProperty(TabPixelsProperty))
    return block.blockFormat().doubleProperty(TabPixelsProperty);
  return edit_->document()->defaultTextOption().tabStopDistance();
}

void TVN_Txt::ApplyTabStops(int from, int count, int points, bool wholeText) {
  tabCount_ = count;
  tabWidth_ = points;
  QTextDocument* doc = edit_->document();
  const QFontMetricsF metrics(edit_->font(), edit_->viewport());
  const QTextBlock first = doc->findBlock(from);
  const TextWidths widths(metrics);
  qreal widest = 0;
  for (QTextBlock b = first; b.isValid(); b = b.next())
    widest = std::max(widest, WidestTabbedField(b.text(), widths));
  const qreal distance = FitTabDistance(PointsToDevice(points, edit_->logicalDpiY()), widest,
                                        metrics.horizontalAdvance(QLatin1Char(' ')));
  QList<QTextOption::Tab> tabs;
  for (int i = 0; i < count; ++i) tabs << QTextOption::Tab((i + 1) * distance, QTextOption::LeftTab);
  QTextBlockFormat format;
  if (wholeText) {
    // The document's own stops: every line without stops of its block
    // follows them, also those typed after the report.
    QTextOption option = doc->defaultTextOption();
    option.setTabs(tabs);
    if (distance > 0) option.setTabStopDistance(distance);
    option.setWrapMode(QTextOption::NoWrap);
    doc->setDefaultTextOption(option);
    textTabCount_ = count;
    textTabPoints_ = points;
    // The lines need no stops of their own; those a block had give way.
    if (!blockStops_) return;
    blockStops_ = false;
  } else {
    format.setTabPositions(tabs);
    format.setProperty(TabGroupProperty, ++tabGroups_);
    format.setProperty(TabCountProperty, count);
    format.setProperty(TabPointsProperty, points);
    format.setProperty(TabPixelsProperty, distance);
    blockStops_ = true;
  }
  const bool modified = doc->isModified();
  const bool undo = doc->isUndoRedoEnabled();
  doc->setUndoRedoEnabled(false);
  QTextCursor cursor(doc);
  cursor.setPosition(first.position());
  cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  cursor.setBlockFormat(format);
  doc->setUndoRedoEnabled(undo);
  doc->setModified(modified);
}

void TVN_Txt::SetTabStops(int count, int width) { ApplyTabStops(0, count, width, true); }

int TVN_Txt::BlockStart() {
  CaretToEnd();
  return edit_->textCursor().position();
}

void TVN_Txt::SetBlockTabStops(int start, int count, int width) {
  // The lines appended after start get their own stops; the blocks before
  // keep theirs. start is the end of the line before them, unless they
  // began in the empty document's first line.
  const QTextBlock at = edit_->document()->findBlock(start);
  const bool atLineEnd = start == at.position() + static_cast<int>(at.text().size());
  tabCount_ = count;
  tabWidth_ = width;
  // Nothing after start: the block brought no line that could use stops.
  if (!atLineEnd || at.next().isValid())
    ApplyTabStops(atLineEnd ? at.next().position() : start, count, width, false);
  CaretToEnd();
}

QList<TabbedLines> TVN_Txt::TabbedRuns(bool selectionOnly) const {
  const QTextDocument* doc = edit_->document();
  QList<TabbedLines> runs;
  if (doc->isEmpty()) return runs;
  const QTextCursor cursor = edit_->textCursor();
  int from = 0;
  int to = doc->characterCount();
  if (selectionOnly) {
    from = cursor.selectionStart();
    to = cursor.selectionEnd();
  }
  int group = -1;
  for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
    const int begin = std::max(from - b.position(), 0);
    const int end = std::min(to - b.position(), static_cast<int>(b.text().size()));
    const QString text = b.text().mid(begin, end - begin);
    const QTextBlockFormat format = b.blockFormat();
    const int blockGroup = format.hasProperty(TabGroupProperty) ? format.intProperty(TabGroupProperty) : 0;
    if (runs.isEmpty() || blockGroup != group) {
      TabbedLines run;
      run.TabCount = blockGroup > 0 ? format.intProperty(TabCountProperty) : textTabCount_;
      run.TabWidthPoints = blockGroup > 0 ? format.intProperty(TabPointsProperty) : textTabPoints_;
      runs << run;
      group = blockGroup;
    }
    runs.last().Lines << text;
  }
  return runs;
}

void TVN_Txt::CaretToEnd() {
  edit_->moveCursor(QTextCursor::End);
  ShowLineStarts();
}

// The caret ends a report at the end of its last line, which may lie far to
// the right; the columns a reader needs first are at the start of the lines.
void TVN_Txt::ShowLineStarts() { edit_->horizontalScrollBar()->setValue(0); }

void TVN_Txt::ShowReport() {
  RefreshMenus();
  show();
  raise();
  activateWindow();
  // Showing the text box brings the caret into view once more.
  ShowLineStarts();
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
  const QList<TabbedLines> runs =
      TabbedRuns(*range == Prompter::PrintRange::Selection && cursor.hasSelection());
  bool abort = false;
  printer_.PrintReport(runs, edit_->font(), FileNameOnly(env_.DataFileName()), env_.CenterOver, abort);
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

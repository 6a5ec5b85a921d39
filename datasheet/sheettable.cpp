#include "datasheet/sheettable.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "app/icons.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

// The icon of the first selector that has chosen the column, or -1.
int SelectorIcon(Sheet& sheet, int col) {
  if (!sheet.Connected) return -1;
  for (int k = 0; k < GraphSelectorCount; ++k)
    if (sheet.Graph().SelectorItem(AllGraphSelectors[k]) == col) return k;
  return -1;
}

}  // namespace

SheetHeader::SheetHeader(Qt::Orientation orientation, Sheet& sheet, QWidget* parent)
    : QHeaderView(orientation, parent), sheet_(sheet) {
  setSectionsClickable(false);
  setHighlightSections(false);
  if (orientation == Qt::Vertical) setSectionResizeMode(QHeaderView::Fixed);
  setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void SheetHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  QStyleOptionHeader opt;
  initStyleOption(&opt);
  opt.rect = rect;
  opt.section = logicalIndex;
  opt.text.clear();
  const Selection& sel = sheet_.Sel;
  const bool horizontal = orientation() == Qt::Horizontal;
  const int gridIndex = logicalIndex + 1;
  const bool selected = horizontal ? (sheet_.ColumnsMode && gridIndex >= sel.Left && gridIndex <= sel.Right)
                                   : (sheet_.RowsMode && gridIndex >= sel.Top && gridIndex <= sel.Bottom);
  style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
  if (selected) painter->fillRect(rect.adjusted(0, 0, -1, -1), palette().highlight().color().lighter(170));

  painter->save();
  QFont bold = font();
  bold.setBold(true);
  painter->setFont(bold);
  painter->setPen(palette().color(QPalette::ButtonText));
  painter->setClipRect(rect.adjusted(0, 0, -1, -1));
  const int iconTop = rect.top() + rect.height() / 2 - 7;
  if (horizontal) {
    int textLeft = 2;
    const int icon = SelectorIcon(sheet_, gridIndex);
    if (icon >= 0) {
      painter->drawPixmap(rect.left() + 3, iconTop, HeaderImage(icon));
      textLeft = 22;
    }
    if (gridIndex < sheet_.ColCount()) {
      const std::string_view name = sheet_.Name(gridIndex);
      painter->drawText(rect.adjusted(textLeft, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                        QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
  } else if (gridIndex < sheet_.RowCount()) {
    painter->drawPixmap(rect.left(), iconTop, HeaderImage(sheet_.Included(gridIndex) ? 9 : 10));
    painter->drawText(rect.adjusted(15, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      QString::number(gridIndex));
  }
  painter->restore();
}

bool SheetHeader::NearSectionEdge(const QPoint& pos) const {
  if (orientation() != Qt::Horizontal) return false;
  const int index = logicalIndexAt(pos);
  if (index < 0) return false;
  const int left = sectionViewportPosition(index);
  const int right = left + sectionSize(index);
  const int margin = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
  return pos.x() >= right - margin || (index > 0 && pos.x() <= left + margin);
}

QPoint SheetHeader::GridCellAt(const QPoint& pos) const {
  auto* table = qobject_cast<QTableView*>(parentWidget());
  if (!table) return {-1, -1};
  if (orientation() == Qt::Horizontal) {
    int col = -1;
    if (pos.x() < 0)
      col = pos.x() >= -table->verticalHeader()->width() ? 0 : -1;
    else if (const int c = logicalIndexAt(pos.x()); c >= 0)
      col = c + 1;
    int row = -1;
    if (pos.y() >= 0 && pos.y() < height())
      row = 0;
    else if (pos.y() >= height())
      if (const int r = table->rowAt(pos.y() - height()); r >= 0) row = r + 1;
    return {col, row};
  }
  int row = -1;
  if (pos.y() < 0)
    row = pos.y() >= -table->horizontalHeader()->height() ? 0 : -1;
  else if (const int r = logicalIndexAt(pos.y()); r >= 0)
    row = r + 1;
  int col = -1;
  if (pos.x() >= 0 && pos.x() < width())
    col = 0;
  else if (pos.x() >= width())
    if (const int c = table->columnAt(pos.x() - width()); c >= 0) col = c + 1;
  return {col, row};
}

void SheetHeader::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || NearSectionEdge(event->position().toPoint())) {
    QHeaderView::mousePressEvent(event);
    return;
  }
  const QPoint cell = GridCellAt(event->position().toPoint());
  selecting_ = true;
  dragged_ = false;
  emit CellPressed(cell.x(), cell.y(), event->modifiers());
}

void SheetHeader::mouseMoveEvent(QMouseEvent* event) {
  if (!selecting_) {
    QHeaderView::mouseMoveEvent(event);
    return;
  }
  dragged_ = true;
  const QPoint pos = event->position().toPoint();
  // Past the edge the view scrolls one case (variable) per move.
  auto* table = qobject_cast<QTableView*>(parentWidget());
  if (table) {
    QScrollBar* bar =
        orientation() == Qt::Vertical ? table->verticalScrollBar() : table->horizontalScrollBar();
    const int along = orientation() == Qt::Vertical ? pos.y() : pos.x();
    const int extent = orientation() == Qt::Vertical ? height() : width();
    if (along > extent && bar->value() < bar->maximum())
      bar->setValue(bar->value() + 1);
    else if (along < 0 && bar->value() > 0)
      bar->setValue(bar->value() - 1);
  }
  const QPoint cell = GridCellAt(pos);
  emit CellDragged(cell.x(), cell.y());
}

void SheetHeader::mouseReleaseEvent(QMouseEvent* event) {
  if (!selecting_) {
    QHeaderView::mouseReleaseEvent(event);
    return;
  }
  selecting_ = false;
  const QPoint cell = GridCellAt(event->position().toPoint());
  emit CellReleased(cell.x(), cell.y(), dragged_);
}

void SheetHeader::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || NearSectionEdge(event->position().toPoint())) {
    QHeaderView::mouseDoubleClickEvent(event);
    return;
  }
  const QPoint cell = GridCellAt(event->position().toPoint());
  emit CellDoubleClicked(cell.x(), cell.y());
}

void SheetDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const bool selected = opt.state & QStyle::State_Selected;
  const bool current = opt.state & QStyle::State_HasFocus;
  QColor textColor = opt.palette.color(QPalette::Text);
  if (selected || current) {
    painter->fillRect(opt.rect, opt.palette.highlight());
    textColor = opt.palette.color(QPalette::HighlightedText);
  } else if (opt.backgroundBrush.style() != Qt::NoBrush) {
    painter->fillRect(opt.rect, opt.backgroundBrush);
  }
  painter->save();
  painter->setClipRect(opt.rect);
  painter->setPen(textColor);
  painter->setFont(opt.font);
  painter->drawText(opt.rect.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter, opt.text);
  painter->restore();
}

void SheetDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  QStyledItemDelegate::setEditorData(editor, index);
  emit EditorOpened(editor, index.column() + 1, index.row() + 1, index.data(Qt::EditRole).toString());
}

SheetTable::SheetTable(Sheet& sheet, QWidget* parent) : QTableView(parent), sheet_(sheet) {
  names_ = new SheetHeader(Qt::Horizontal, sheet, this);
  cases_ = new SheetHeader(Qt::Vertical, sheet, this);
  setHorizontalHeader(names_);
  setVerticalHeader(cases_);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setCornerButtonEnabled(true);
  setTabKeyNavigation(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
  viewport()->setCursor(Qt::CrossCursor);
  if (QWidget* corner = CornerButton()) corner->installEventFilter(this);
}

QWidget* SheetTable::CornerButton() const {
  for (QAbstractButton* b : findChildren<QAbstractButton*>())
    if (b->parentWidget() == this) return b;
  return nullptr;
}

void SheetTable::OpenEditor(QKeyEvent* firstKey) {
  if (!currentIndex().isValid()) return;
  if (!firstKey) {
    edit(currentIndex());
    return;
  }
  setEditTriggers(QAbstractItemView::AnyKeyPressed);
  QTableView::keyPressEvent(firstKey);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void SheetTable::CloseEditor() {
  if (!EditorOpen()) return;
  if (QWidget* editor = indexWidget(currentIndex())) closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void SheetTable::CommitEditor() {
  if (!EditorOpen()) return;
  if (QWidget* editor = indexWidget(currentIndex())) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

void SheetTable::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  // As in every spreadsheet: Enter commits and goes down, Tab right,
  // Shift+Tab left; the next cell is not opened for editing.
  int down = 0, across = 0;
  if (hint == QAbstractItemDelegate::SubmitModelCache) down = 1;
  if (hint == QAbstractItemDelegate::EditNextItem) across = 1;
  if (hint == QAbstractItemDelegate::EditPreviousItem) across = -1;
  const bool moves = down != 0 || across != 0;
  QTableView::closeEditor(editor, moves ? QAbstractItemDelegate::NoHint : hint);
  emit EditorClosed(hint != QAbstractItemDelegate::RevertModelCache);
  const QModelIndex at = currentIndex();
  if (!moves || !at.isValid()) return;
  const int row = std::clamp(at.row() + down, 0, model()->rowCount() - 1);
  const int col = std::clamp(at.column() + across, 0, model()->columnCount() - 1);
  setCurrentIndex(model()->index(row, col));
}

void SheetTable::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index.isValid())
    emit DataCellPressed(index.column() + 1, index.row() + 1, event->modifiers());
  QTableView::mousePressEvent(event);
}

void SheetTable::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Shift) emit ShiftPressed();
  if (state() == QAbstractItemView::EditingState) {
    QTableView::keyPressEvent(event);
    return;
  }
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
    emit EnterPressed();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    emit EscapePressed();
    return;
  }
  if (mods == Qt::ShiftModifier) {
    if (sheet_.RowsMode && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
      emit ExtendRows(event->key() == Qt::Key_Down ? 1 : -1);
      return;
    }
    if (sheet_.ColumnsMode && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
      emit ExtendColumns(event->key() == Qt::Key_Right ? 1 : -1);
      return;
    }
  }
  const QString text = event->text();
  if (!text.isEmpty() && text.at(0).unicode() > 31 && text.at(0).unicode() != 127 &&
      !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    emit PrintableTyped(event);
    return;
  }
  QTableView::keyPressEvent(event);
}

void SheetTable::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index.isValid())
    emit DataCellDoubleClicked(index.column() + 1, index.row() + 1);
}

bool SheetTable::eventFilter(QObject* watched, QEvent* event) {
  if (watched == CornerButton()) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        emit CornerPressed();
        return true;
      case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        emit CornerReleased(static_cast<QWidget*>(watched)->rect().contains(me->position().toPoint()));
        return true;
      }
      case QEvent::MouseButtonDblClick:
        emit CornerDoubleClicked();
        return true;
      default:
        break;
    }
  }
  return QTableView::eventFilter(watched, event);
}

}  // namespace varnel

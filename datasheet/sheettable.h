// The grid widget of the DataSheet (WSGridRaw): a table view over the sheet
// whose headers are the name row and the inclusion column.
#pragma once

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>

namespace varnel {

class Sheet;

// The name row (horizontal) or the case column (vertical). Mouse presses on
// sections select whole variables or cases by the DataSheet's own rules; the
// horizontal one still lets its sections be resized by their edges.
class SheetHeader : public QHeaderView {
  Q_OBJECT
 public:
  SheetHeader(Qt::Orientation orientation, Sheet& sheet, QWidget* parent);

 signals:
  // Grid coordinates of the pointer: (column, row), -1 outside the cells.
  void CellPressed(int col, int row, Qt::KeyboardModifiers modifiers);
  void CellDragged(int col, int row);
  void CellReleased(int col, int row, bool dragged);
  void CellDoubleClicked(int col, int row);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool NearSectionEdge(const QPoint& pos) const;
  // (column, row) under a point given in this header's coordinates.
  QPoint GridCellAt(const QPoint& pos) const;

  Sheet& sheet_;
  bool selecting_ = false;
  bool dragged_ = false;
};

// Draws ordinary cells with the tint and the 2-pixel text offset.
class SheetDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;

 signals:
  void EditorOpened(QWidget* editor, int col, int row, const QString& text) const;
};

class SheetTable : public QTableView {
  Q_OBJECT
 public:
  SheetTable(Sheet& sheet, QWidget* parent);

  SheetHeader* NameHeader() const { return names_; }
  SheetHeader* CaseHeader() const { return cases_; }
  QWidget* CornerButton() const;
  // Opens the cell editor on the current cell, as typing would.
  void OpenEditor(QKeyEvent* firstKey);
  void CloseEditor();
  // Commits what the open editor holds and closes it.
  void CommitEditor();
  bool EditorOpen() const { return state() == QAbstractItemView::EditingState; }

 signals:
  void EnterPressed();
  void PrintableTyped(QKeyEvent* event);
  void ShiftPressed();
  void CornerPressed();
  void CornerReleased(bool overCorner);
  void CornerDoubleClicked();
  void DataCellDoubleClicked(int col, int row);
  void DataCellPressed(int col, int row, Qt::KeyboardModifiers modifiers);
  void EditorClosed(bool committed);
  void EscapePressed();
  void ExtendRows(int delta);
  void ExtendColumns(int delta);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Sheet& sheet_;
  SheetHeader* names_;
  SheetHeader* cases_;
};

}  // namespace varnel

#include "datasheet/sheetmodel.h"

namespace varnel {

SheetModel::SheetModel(Sheet& sheet, QObject* parent) : QAbstractTableModel(parent), sheet_(sheet) {}

int SheetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(sheet_.RowCount() - 1, 0);
}

int SheetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(sheet_.ColCount() - 1, 0);
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int col = index.column() + 1;
  const int row = index.row() + 1;
  if (col >= sheet_.ColCount() || row >= sheet_.RowCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      const std::string_view t = sheet_.Cell(col, row);
      return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
    }
    case Qt::BackgroundRole: {
      const int mode = sheet_.Prefs.ColorCells;
      if ((mode == 1 && !sheet_.IsTagged(col)) || (mode == 2 && sheet_.Included(row))) return tint_;
      return {};
    }
    default:
      return {};
  }
}

bool SheetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  if (commit_) commit_(index.column() + 1, index.row() + 1, value.toString());
  return true;
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section + 1 >= sheet_.ColCount()) return {};
    const std::string_view t = sheet_.Name(section + 1);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
  }
  return QString::number(section + 1);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void SheetModel::BeginChange(SheetView::Change change, int first, int count) {
  pending_ = change;
  switch (change) {
    case SheetView::Change::Reset:
      beginResetModel();
      break;
    case SheetView::Change::InsertRows:
      beginInsertRows(QModelIndex(), first - 1, first + count - 2);
      break;
    case SheetView::Change::RemoveRows:
      beginRemoveRows(QModelIndex(), first - 1, first + count - 2);
      break;
    case SheetView::Change::InsertColumns:
      beginInsertColumns(QModelIndex(), first - 1, first + count - 2);
      break;
    case SheetView::Change::RemoveColumns:
      beginRemoveColumns(QModelIndex(), first - 1, first + count - 2);
      break;
  }
}

void SheetModel::EndChange() {
  switch (pending_) {
    case SheetView::Change::Reset:
      endResetModel();
      break;
    case SheetView::Change::InsertRows:
      endInsertRows();
      break;
    case SheetView::Change::RemoveRows:
      endRemoveRows();
      break;
    case SheetView::Change::InsertColumns:
      endInsertColumns();
      break;
    case SheetView::Change::RemoveColumns:
      endRemoveColumns();
      break;
  }
}

void SheetModel::CellsChanged(int left, int top, int right, int bottom) {
  const int rows = rowCount();
  const int cols = columnCount();
  if (rows == 0 || cols == 0) return;
  if (top <= 0) emit headerDataChanged(Qt::Horizontal, std::max(left, 1) - 1, std::min(right, cols) - 1);
  if (left <= 0) emit headerDataChanged(Qt::Vertical, std::max(top, 1) - 1, std::min(bottom, rows) - 1);
  const int r0 = std::max(top, 1) - 1, r1 = std::min(bottom, rows) - 1;
  const int c0 = std::max(left, 1) - 1, c1 = std::min(right, cols) - 1;
  // Inclusion marks tint whole rows when cells are coloured by inclusion.
  if (left <= 0 && sheet_.Prefs.ColorCells == 2) {
    if (r0 <= r1) emit dataChanged(index(r0, 0), index(r1, cols - 1), {Qt::BackgroundRole});
    return;
  }
  if (r0 <= r1 && c0 <= c1) emit dataChanged(index(r0, c0), index(r1, c1));
}

void SheetModel::Repaint() {
  if (rowCount() > 0 && columnCount() > 0) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
  }
}

}  // namespace varnel

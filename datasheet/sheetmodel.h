// The Sheet as a table model: data rows are the cases (grid rows 1..), data
// columns the variables (grid columns 1..); the names and the inclusion marks
// are the header.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <functional>

#include "sheet/sheet.h"

namespace varnel {

class SheetModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit SheetModel(Sheet& sheet, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void SetCellTint(const QColor& tint) { tint_ = tint; }
  // Called with (column, row, text) when the cell editor commits.
  void SetCommitHandler(std::function<void(int, int, const QString&)> handler) {
    commit_ = std::move(handler);
  }

  // Structure and content changes of the sheet, in grid indices.
  void BeginChange(SheetView::Change change, int first, int count);
  void EndChange();
  void CellsChanged(int left, int top, int right, int bottom);
  void Repaint();

 private:
  Sheet& sheet_;
  QColor tint_ = QColor(236, 236, 236);
  std::function<void(int, int, const QString&)> commit_;
  SheetView::Change pending_ = SheetView::Change::Reset;
};

}  // namespace varnel

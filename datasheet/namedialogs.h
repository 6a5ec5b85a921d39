// The two small text dialogs of the DataSheet: a variable's name
// (TVN_EVName) and the data file's description (VN_EditHeaderLine).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace varnel {

class TVN_EVName : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_EVName(QWidget* parent = nullptr);
  QLineEdit* EVNameEdit;
};

class TVN_EditHeaderLine : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_EditHeaderLine(QWidget* parent = nullptr);
  QLabel* Caption;
  QLineEdit* EditHeaderLine;
};

}  // namespace varnel

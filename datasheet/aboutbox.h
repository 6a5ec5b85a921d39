// The About box: the picture, the program's name and version, what it is
// for and where its home page is.
#pragma once

#include <QDialog>

class QLabel;

namespace varnel {

class TVN_AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_AboutBox(QWidget* parent = nullptr);
  QLabel* AboutVersion = nullptr;
  QLabel* AboutText = nullptr;
};

}  // namespace varnel

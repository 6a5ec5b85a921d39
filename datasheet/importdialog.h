// The import dialog (TVN_Import): the first rows of a table from another
// program as they will land in the DataSheet, and the choices detected for
// it (separator, decimal mark, rows to skip, the names, the sheet of a
// workbook, values below detection), which the user may change.
#pragma once

#include <QDialog>

#include "sheet/tableimport.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace varnel {

class TVN_Import : public QDialog {
  Q_OBJECT
 public:
  // Rows of the preview.
  static constexpr int PreviewRows = 20;

  explicit TVN_Import(QWidget* parent = nullptr);

  // Reads the start of the table at path with the given choices (the rest
  // detected) and shows them.
  void Prepare(const QString& path, const TableImportOptions& options);
  // The choices as the controls hold them; OK uses them.
  TableImportOptions Options() const;

  char Separator() const;
  void SetSeparator(char separator);
  char Decimal() const;
  void SetDecimal(char decimal);
  int Skip() const;
  void SetSkip(int rows);
  bool Header() const;
  void SetHeader(bool names);
  QString SheetName() const;
  void SetSheetName(const QString& name);
  LimitReading BelowLimit() const;
  void SetBelowLimit(LimitReading reading);
  bool IsWorkbook() const { return workbook_; }

  // The preview as shown: names, then the cases.
  std::vector<QStringList> PreviewText() const;
  // Why the table cannot be read with these choices, or empty.
  QString Problem() const;

  QComboBox* ISeparator;
  QComboBox* IDecimal;
  QComboBox* ISheet;
  QSpinBox* ISkip;
  QCheckBox* IHeader;
  QComboBox* IBelowLimit;
  QTableWidget* IPreview;
  QLabel* IProblem;
  QPushButton* IOk;

 private:
  // Reads the preview again after a change of the choices.
  void Refresh(bool redetect);
  void ShowOptions(const TableImportOptions& used);

  QString path_;
  TableImportOptions base_;
  bool workbook_ = false;
  bool updating_ = false;
};

}  // namespace varnel

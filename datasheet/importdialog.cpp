#include "datasheet/importdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/dialogparts.h"
#include "app/filename.h"

namespace varnel {

TVN_Import::TVN_Import(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_Import"));
  setWindowTitle(QStringLiteral("Import Table"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  ISeparator = new QComboBox(this);
  ISeparator->addItem(QStringLiteral("Comma"), QVariant(int{','}));
  ISeparator->addItem(QStringLiteral("Semicolon"), QVariant(int{';'}));
  ISeparator->addItem(QStringLiteral("Tab"), QVariant(int{'\t'}));
  IDecimal = new QComboBox(this);
  IDecimal->addItem(QStringLiteral("Point (1.5)"), QVariant(int{'.'}));
  IDecimal->addItem(QStringLiteral("Comma (1,5)"), QVariant(int{','}));
  ISheet = new QComboBox(this);
  ISkip = new QSpinBox(this);
  ISkip->setRange(0, 100000);
  IHeader = new QCheckBox(QStringLiteral("The first row names the variables"), this);
  IBelowLimit = new QComboBox(this);
  IBelowLimit->addItem(QStringLiteral("Missing (the text is kept)"));
  IBelowLimit->addItem(QStringLiteral("The limit"));
  IBelowLimit->addItem(QStringLiteral("Half the limit"));
  form->addRow(QStringLiteral("&Separator:"), ISeparator);
  form->addRow(QStringLiteral("&Decimal mark:"), IDecimal);
  form->addRow(QStringLiteral("S&heet:"), ISheet);
  form->addRow(QStringLiteral("&Rows to skip before the names:"), ISkip);
  form->addRow(QString(), IHeader);
  form->addRow(QStringLiteral("Values below detection (<limit):"), IBelowLimit);
  layout->addLayout(form);
  layout->addWidget(new QLabel(QStringLiteral("The first rows as they will be read:"), this));
  IPreview = new QTableWidget(this);
  IPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
  IPreview->setMinimumSize(560, 300);
  layout->addWidget(IPreview, 1);
  IProblem = new QLabel(this);
  IProblem->setWordWrap(true);
  IProblem->setStyleSheet(QStringLiteral("color: #a00000"));
  layout->addWidget(IProblem);
  IOk = AddDialogButtons(this, layout)->button(QDialogButtonBox::Ok);
  // Wide enough for a table of analyses, its names and a reference column.
  resize(960, 640);

  const auto changed = [this] {
    if (!updating_) Refresh(false);
  };
  connect(ISeparator, &QComboBox::currentIndexChanged, this, changed);
  connect(IDecimal, &QComboBox::currentIndexChanged, this, changed);
  connect(ISkip, &QSpinBox::valueChanged, this, changed);
  connect(IHeader, &QCheckBox::toggled, this, changed);
  connect(IBelowLimit, &QComboBox::currentIndexChanged, this, changed);
  // Another sheet has its own layout: its rows and names are looked at anew.
  connect(ISheet, &QComboBox::currentIndexChanged, this, [this] {
    if (!updating_) Refresh(true);
  });
}

char TVN_Import::Separator() const { return static_cast<char>(ISeparator->currentData().toInt()); }
void TVN_Import::SetSeparator(char separator) {
  const int i = ISeparator->findData(QVariant(int{separator}));
  if (i >= 0) ISeparator->setCurrentIndex(i);
}
char TVN_Import::Decimal() const { return static_cast<char>(IDecimal->currentData().toInt()); }
void TVN_Import::SetDecimal(char decimal) {
  const int i = IDecimal->findData(QVariant(int{decimal}));
  if (i >= 0) IDecimal->setCurrentIndex(i);
}
int TVN_Import::Skip() const { return ISkip->value(); }
void TVN_Import::SetSkip(int rows) { ISkip->setValue(rows); }
bool TVN_Import::Header() const { return IHeader->isChecked(); }
void TVN_Import::SetHeader(bool names) { IHeader->setChecked(names); }
QString TVN_Import::SheetName() const { return workbook_ ? ISheet->currentText() : QString(); }
void TVN_Import::SetSheetName(const QString& name) {
  const int i = ISheet->findText(name);
  if (i >= 0) ISheet->setCurrentIndex(i);
}
LimitReading TVN_Import::BelowLimit() const { return static_cast<LimitReading>(IBelowLimit->currentIndex()); }
void TVN_Import::SetBelowLimit(LimitReading reading) {
  IBelowLimit->setCurrentIndex(static_cast<int>(reading));
}
QString TVN_Import::Problem() const { return IProblem->text(); }

TableImportOptions TVN_Import::Options() const {
  TableImportOptions o = base_;
  if (!workbook_) {
    o.Separator = Separator();
    o.Decimal = Decimal();
  }
  o.Skip = Skip();
  o.Header = Header() ? 1 : 0;
  o.SheetName = SheetName();
  o.BelowLimit = BelowLimit();
  return o;
}

void TVN_Import::Prepare(const QString& path, const TableImportOptions& options) {
  path_ = path;
  base_ = options;
  workbook_ = TableKindOf(path) == TableKind::Workbook;
  setWindowTitle(QStringLiteral("Import Table - ") + FileNameOnly(path));
  {
    const QSignalBlocker block(ISheet);
    ISheet->clear();
  }
  updating_ = true;
  SetBelowLimit(options.BelowLimit);
  updating_ = false;
  Refresh(true);
}

void TVN_Import::ShowOptions(const TableImportOptions& used) {
  updating_ = true;
  if (!workbook_) {
    SetSeparator(used.Separator);
    SetDecimal(used.Decimal);
  }
  SetSkip(std::max(used.Skip, 0));
  SetHeader(used.Header != 0);
  updating_ = false;
}

void TVN_Import::Refresh(bool redetect) {
  TableImportOptions o = Options();
  if (redetect) {
    // The choices given from outside hold; the rest is looked at anew.
    o.Skip = base_.Skip;
    o.Header = base_.Header;
    if (!workbook_) {
      o.Separator = base_.Separator;
      o.Decimal = base_.Decimal;
    }
  }
  ImportedTable preview;
  const ImportResult result = ImportTable(path_, o, preview, PreviewRows);
  if (workbook_ && ISheet->count() == 0 && !preview.Sheets.isEmpty()) {
    const QSignalBlocker block(ISheet);
    ISheet->addItems(preview.Sheets);
    ISheet->setCurrentIndex(std::max<int>(0, static_cast<int>(preview.Sheets.indexOf(preview.SheetUsed))));
  }
  ISeparator->setEnabled(!workbook_);
  IDecimal->setEnabled(!workbook_);
  ISheet->setEnabled(workbook_ && ISheet->count() > 1);
  if (result.Ok) ShowOptions(preview.Used);
  IProblem->setText(result.Ok ? QString() : result.Error);
  // A table that cannot be read with these choices cannot be taken; other
  // choices may mend it, or Cancel leaves everything as it was.
  IOk->setEnabled(result.Ok);
  IPreview->clear();
  const int columns = result.Ok ? static_cast<int>(preview.Columns.size()) - 1 : 0;
  const int rows = result.Ok ? preview.RowCount - 1 : 0;
  IPreview->setColumnCount(columns);
  IPreview->setRowCount(rows);
  QStringList names;
  for (int c = 1; c <= columns; ++c)
    names << QString::fromUtf8(preview.Columns[static_cast<std::size_t>(c)][0].View());
  IPreview->setHorizontalHeaderLabels(names);
  for (int c = 1; c <= columns; ++c)
    for (int r = 1; r <= rows; ++r)
      IPreview->setItem(
          r - 1, c - 1,
          new QTableWidgetItem(QString::fromUtf8(
              preview.Columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)].View())));
}

std::vector<QStringList> TVN_Import::PreviewText() const {
  std::vector<QStringList> out;
  QStringList names;
  for (int c = 0; c < IPreview->columnCount(); ++c)
    names << (IPreview->horizontalHeaderItem(c) ? IPreview->horizontalHeaderItem(c)->text() : QString());
  out.push_back(names);
  for (int r = 0; r < IPreview->rowCount(); ++r) {
    QStringList row;
    for (int c = 0; c < IPreview->columnCount(); ++c)
      row << (IPreview->item(r, c) ? IPreview->item(r, c)->text() : QString());
    out.push_back(row);
  }
  return out;
}

}  // namespace varnel

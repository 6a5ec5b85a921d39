#include "datasheet/preferencesdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/dialogparts.h"

namespace varnel {

TVN_Prefs::TVN_Prefs(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_Prefs"));
  setWindowTitle(QStringLiteral("Preferences"));
  auto* layout = new QVBoxLayout(this);

  auto* size = new QGroupBox(QStringLiteral(" Size of new (blank) data sheets "), this);
  auto* sizeLayout = new QFormLayout(size);
  PSpinEditNumCols = new QSpinBox(size);
  PSpinEditNumRows = new QSpinBox(size);
  for (QSpinBox* spin : {PSpinEditNumCols, PSpinEditNumRows}) spin->setRange(MinSheetSize, MaxSheetSize);
  PSpinEditNumCols->setObjectName(QStringLiteral("PSpinEditNumCols"));
  PSpinEditNumRows->setObjectName(QStringLiteral("PSpinEditNumRows"));
  sizeLayout->addRow(QStringLiteral("Columns"), PSpinEditNumCols);
  sizeLayout->addRow(QStringLiteral("Rows"), PSpinEditNumRows);
  layout->addWidget(size);

  auto* colour = new QGroupBox(QStringLiteral(" Colored cell background "), this);
  colour->setObjectName(QStringLiteral("PRadioGroupColorCells"));
  auto* colourLayout = new QHBoxLayout(colour);
  const char* captions[3] = {"&No coloring", "&Untagged cols", "&Included cases"};
  for (int k = 0; k < 3; ++k) {
    PRadioGroupColorCells[k] = new QRadioButton(QString::fromLatin1(captions[k]), colour);
    colourLayout->addWidget(PRadioGroupColorCells[k]);
  }
  layout->addWidget(colour);

  PChkBoxBackupWanted = new QCheckBox(QStringLiteral("&Backup files"), this);
  PChkBoxSavePrefs = new QCheckBox(QStringLiteral("&Save settings and preferences on exit"), this);
  PChkBoxParseWarnings =
      new QCheckBox(QStringLiteral("&Give warnings on non-fatal file-reading errors"), this);
  PChkBoxAutoConnect = new QCheckBox(QStringLiteral("C&onnect Graphs upon loading a file"), this);
  PChkBoxDisconnect = new QCheckBox(QStringLiteral("&Disconnect Graphs when using the MAW"), this);
  for (QCheckBox* box :
       {PChkBoxBackupWanted, PChkBoxSavePrefs, PChkBoxParseWarnings, PChkBoxAutoConnect, PChkBoxDisconnect})
    layout->addWidget(box);

  AddDialogButtons(this, layout);
}

void TVN_Prefs::Fill(const Preferences& p) {
  PSpinEditNumCols->setValue(p.DefaultColCount);
  PSpinEditNumRows->setValue(p.DefaultRowCount);
  PRadioGroupColorCells[std::clamp(p.ColorCells, 0, 2)]->setChecked(true);
  PChkBoxBackupWanted->setChecked(p.BackupWanted);
  PChkBoxSavePrefs->setChecked(p.SavePrefs);
  PChkBoxParseWarnings->setChecked(p.ParseWarnings);
  PChkBoxAutoConnect->setChecked(p.AutoConnect);
  PChkBoxDisconnect->setChecked(p.MwGDisconnect);
}

void TVN_Prefs::Apply(Preferences& p) const {
  p.DefaultColCount = PSpinEditNumCols->value();
  p.DefaultRowCount = PSpinEditNumRows->value();
  for (int k = 0; k < 3; ++k)
    if (PRadioGroupColorCells[k]->isChecked()) p.ColorCells = k;
  p.BackupWanted = PChkBoxBackupWanted->isChecked();
  p.SavePrefs = PChkBoxSavePrefs->isChecked();
  p.ParseWarnings = PChkBoxParseWarnings->isChecked();
  p.AutoConnect = PChkBoxAutoConnect->isChecked();
  p.MwGDisconnect = PChkBoxDisconnect->isChecked();
}

}  // namespace varnel

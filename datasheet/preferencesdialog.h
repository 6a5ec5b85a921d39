// The Preferences dialog (TVN_Prefs), made for each use.
#pragma once

#include <QDialog>

#include "sheet/preferences.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace varnel {

class TVN_Prefs : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_Prefs(QWidget* parent = nullptr);

  QSpinBox* PSpinEditNumCols;
  QSpinBox* PSpinEditNumRows;
  QRadioButton* PRadioGroupColorCells[3];
  QCheckBox* PChkBoxBackupWanted;
  QCheckBox* PChkBoxSavePrefs;
  QCheckBox* PChkBoxParseWarnings;
  QCheckBox* PChkBoxAutoConnect;
  QCheckBox* PChkBoxDisconnect;

  void Fill(const Preferences& prefs);
  // The fields as the controls show them; the font is left alone.
  void Apply(Preferences& prefs) const;
};

}  // namespace varnel

// The "File loading in progress... " window (TVn_Loadp) with its progress bar.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include "sheet/filecommands.h"

class QProgressBar;

namespace varnel {

class TVn_Loadp : public QDialog, public LoadProgress {
  Q_OBJECT
 public:
  explicit TVn_Loadp(QWidget* centerOver);
  QProgressBar* LFProgressBar() const { return bar_; }

  void Begin(int maximum, bool show) override;
  void Step(int step) override;
  void End() override;

 private:
  QWidget* centerOver_;
  QProgressBar* bar_;
  QElapsedTimer sinceEvents_;
};

}  // namespace varnel

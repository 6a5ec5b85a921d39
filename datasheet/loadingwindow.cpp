#include "datasheet/loadingwindow.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace varnel {

TVn_Loadp::TVn_Loadp(QWidget* centerOver) : QDialog(centerOver), centerOver_(centerOver) {
  setObjectName(QStringLiteral("Vn_Loadp"));
  setWindowTitle(QStringLiteral("Varnel"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("File loading in progress... "), this));
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("LFProgressBar"));
  bar_->setMinimumWidth(260);
  layout->addWidget(bar_);
}

void TVn_Loadp::Begin(int maximum, bool show) {
  bar_->setRange(0, std::max(maximum, 0));
  bar_->setValue(0);
  if (!show) return;
  adjustSize();
  if (centerOver_) {
    const QRect r = centerOver_->frameGeometry();
    move(r.left() + r.width() / 2 - width() / 2, r.top() + r.height() / 2 - height() / 2);
  }
  QDialog::show();
  repaint();
  sinceEvents_.start();
  QApplication::processEvents();
}

void TVn_Loadp::Step(int step) {
  if (!isVisible() || step <= bar_->value()) return;
  bar_->setValue(std::min(step, bar_->maximum()));
  // Pending events run now and then, not at every step.
  if (sinceEvents_.elapsed() > 50) {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceEvents_.restart();
  }
}

void TVn_Loadp::End() { hide(); }

}  // namespace varnel

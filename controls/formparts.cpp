#include "controls/formparts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace varnel {

QSlider* TrackBar(int minimum, int maximum, int position, QWidget* parent, const char* name) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setObjectName(QLatin1String(name));
  s->setRange(minimum, maximum);
  s->setValue(position);
  s->setTickPosition(QSlider::TicksBelow);
  s->setTickInterval(maximum - minimum > 50 ? 10 : 5);
  s->setPageStep(5);
  s->setMinimumWidth(160);
  return s;
}

QSpinBox* SpinEdit(int minimum, int maximum, QWidget* parent, const char* name) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(QLatin1String(name));
  s->setRange(minimum, maximum);
  s->setMinimumWidth(70);
  return s;
}

QComboBox* VariableList(QWidget* parent, const char* name) {
  auto* b = new QComboBox(parent);
  b->setObjectName(QLatin1String(name));
  b->setMinimumContentsLength(12);
  b->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  b->addItem(QStringLiteral("(None)"));
  return b;
}

QRadioButton* Radio(const QString& caption, QWidget* parent, const char* name) {
  auto* r = new QRadioButton(caption, parent);
  r->setObjectName(QLatin1String(name));
  return r;
}

QLabel* Swatch(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(QLatin1String(name));
  l->setFixedSize(40, 20);
  l->setFrameShape(QFrame::Panel);
  l->setFrameShadow(QFrame::Sunken);
  l->setAutoFillBackground(true);
  return l;
}

void ShowColor(QLabel* swatch, QRgb colour) {
  QPalette p = swatch->palette();
  p.setColor(QPalette::Window, QColor::fromRgb(colour));
  swatch->setPalette(p);
  swatch->setToolTip(QColor::fromRgb(colour).name());
}

QLabel* FontPanel(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(QLatin1String(name));
  l->setFrameShape(QFrame::Panel);
  l->setFrameShadow(QFrame::Sunken);
  l->setAutoFillBackground(true);
  l->setBackgroundRole(QPalette::Base);
  l->setAlignment(Qt::AlignCenter);
  l->setMinimumSize(220, 44);
  return l;
}

void SetBlocked(QComboBox* box, int index) {
  const QSignalBlocker block(box);
  box->setCurrentIndex(index);
}

void SetBlocked(QSpinBox* box, int value) {
  const QSignalBlocker block(box);
  box->setValue(value);
}

QLabel* ValueLabel(const QSlider* bar) {
  return bar->parentWidget()->findChild<QLabel*>(bar->objectName() + QStringLiteral("Value"));
}

void SetBlocked(QSlider* bar, int value) {
  const QSignalBlocker block(bar);
  bar->setValue(value);
  if (QLabel* label = ValueLabel(bar)) label->setNum(bar->value());
}

QHBoxLayout* WithValue(QSlider* bar) {
  auto* row = new QHBoxLayout;
  auto* value = new QLabel(QString::number(bar->value()), bar->parentWidget());
  value->setObjectName(bar->objectName() + QStringLiteral("Value"));
  value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("000")));
  value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QObject::connect(bar, &QSlider::valueChanged, value, qOverload<int>(&QLabel::setNum));
  row->addWidget(bar, 1);
  row->addWidget(value);
  return row;
}

void SetBlocked(QAbstractButton* button, bool checked) {
  const QSignalBlocker block(button);
  button->setChecked(checked);
}

QGroupBox* Group(const QString& caption, QWidget* parent) { return new QGroupBox(caption, parent); }

}  // namespace varnel

#include "graphs/settingsdialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "graphs/graphengine.h"

namespace varnel {
namespace {

QSlider* TrackBar(int minimum, int maximum, int position, QWidget* parent) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setRange(minimum, maximum);
  s->setValue(position);
  s->setTickPosition(QSlider::TicksBelow);
  s->setTickInterval(5);
  s->setPageStep(5);
  return s;
}

}  // namespace

TVN_Settings::TVN_Settings(GraphEngine& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
  setObjectName(QStringLiteral("VN_Settings"));
  setWindowTitle(QStringLiteral("Graph Settings"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  SPageControl = new QTabWidget(this);
  layout->addWidget(SPageControl);

  auto* diagram = new QWidget(SPageControl);
  auto* diagramLayout = new QVBoxLayout(diagram);
  auto* projection = new QGroupBox(QStringLiteral(" 3D Projection Parameters "), diagram);
  auto* form = new QFormLayout(projection);
  STBEyeDistance = TrackBar(1, 30, 5, projection);
  STBEyeDistance->setObjectName(QStringLiteral("STBEyeDistance"));
  STBStereoRotation = TrackBar(0, 30, 5, projection);
  STBStereoRotation->setObjectName(QStringLiteral("STBStereoRotation"));
  form->addRow(QStringLiteral("Eye Distance:"), STBEyeDistance);
  form->addRow(QStringLiteral("Stereo Rotation (degrees):"), STBStereoRotation);
  diagramLayout->addWidget(projection);
  diagramLayout->addStretch(1);
  SPageControl->addTab(diagram, QStringLiteral("Diagram"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
  connect(STBEyeDistance, &QSlider::valueChanged, this, [this](int v) { STBEyeDistanceChange(v); });
  connect(STBStereoRotation, &QSlider::valueChanged, this, [this](int v) { STBStereoRotationChange(v); });
}

void TVN_Settings::ShowPage(const QString& title) {
  for (int i = 0; i < SPageControl->count(); ++i)
    if (SPageControl->tabText(i) == title) SPageControl->setCurrentIndex(i);
  show();
  raise();
  activateWindow();
}

void TVN_Settings::STBEyeDistanceChange(int position) {
  if (engine_.SetEyeDistance(position)) Repaint();
}

void TVN_Settings::STBStereoRotationChange(int position) {
  if (engine_.SetStereoRotation(position)) Repaint();
}

}  // namespace varnel

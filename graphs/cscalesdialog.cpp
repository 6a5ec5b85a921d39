#include "graphs/cscalesdialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/dialogparts.h"
#include "graphs/graphengine.h"

namespace varnel {

TVN_CScales::TVN_CScales(GraphEngine& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
  setObjectName(QStringLiteral("VN_CScales"));
  setWindowTitle(QStringLiteral("Coordinate Scales"));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  for (std::size_t i = 0; i < 4; ++i) {
    const QChar letter(QLatin1Char(static_cast<char>('A' + i)));
    auto* spin = new QSpinBox(this);
    spin->setObjectName(QStringLiteral("CSSpin") + letter);
    spin->setRange(1, MaxScaleFactor);
    spin->setValue(engine_.Settings.ScaleFactors[i]);
    spin->setMinimumWidth(70);
    CSSpin[i] = spin;
    const int row = static_cast<int>(i) / 2, col = static_cast<int>(i) % 2 * 2;
    grid->addWidget(new QLabel(QString(letter) + QStringLiteral(" :"), this), row, col, Qt::AlignRight);
    grid->addWidget(spin, row, col + 1);
  }
  grid->setColumnStretch(4, 1);
  layout->addLayout(grid);
  auto* note =
      new QLabel(QStringLiteral("Caution: Coordinate scaling might produce unwanted results for cases "
                                "with mixed positive and negative coordinates."),
                 this);
  note->setWordWrap(true);
  note->setMinimumWidth(320);
  layout->addWidget(note);
  QDialogButtonBox* buttons = AddDialogButtons(this, layout, QStringLiteral("Cancel"));
  CSBtnPreview = buttons->addButton(QStringLiteral("&Preview"), QDialogButtonBox::ActionRole);
  CSBtnPreview->setObjectName(QStringLiteral("CSBtnPreview"));
  CSBtnPreview->setEnabled(engine_.Connected() && engine_.PlotKind() != 0);
  connect(CSBtnPreview, &QPushButton::clicked, this, [this] { Preview(); });
}

void TVN_CScales::Preview() {
  GraphSettings& g = engine_.Settings;
  const std::array<int, 4> factors = g.ScaleFactors;
  const bool on = g.ScalingOn;
  for (std::size_t i = 0; i < 4; ++i) g.ScaleFactors[i] = CSSpin[i]->value();
  g.ScalingOn = true;
  engine_.Recompute();
  g.ScaleFactors = factors;
  g.ScalingOn = on;
}

void TVN_CScales::Finish(bool ok) {
  if (ok)
    for (std::size_t i = 0; i < 4; ++i) engine_.Settings.ScaleFactors[i] = CSSpin[i]->value();
  engine_.Recompute();
}

}  // namespace varnel

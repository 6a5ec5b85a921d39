// The "Coordinate Scales" dialog: one whole-number factor per apex, tried
// on the plot with Preview before OK takes them.
#pragma once

#include <QDialog>
#include <array>

class QPushButton;
class QSpinBox;

namespace varnel {

class GraphEngine;

class TVN_CScales : public QDialog {
  Q_OBJECT
 public:
  TVN_CScales(GraphEngine& engine, QWidget* parent = nullptr);

  std::array<QSpinBox*, 4> CSSpin{};  // A, B, C, D: 1..999
  QPushButton* CSBtnPreview = nullptr;

  // "&Preview": the plot drawn with the factors of the spins and scaling on,
  // while the engine keeps its own factors and switch.
  void Preview();
  // Closing: OK takes the factors (the switch stays as it is); either way
  // the plot is computed again, which ends any preview.
  void Finish(bool ok);

 private:
  GraphEngine& engine_;
};

}  // namespace varnel

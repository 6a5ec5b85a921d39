// The Graph Settings dialog: modeless, its changes apply at once. It holds
// the 3-D projection parameters of the "Diagram" page.
#pragma once

#include <QDialog>
#include <functional>

class QSlider;
class QTabWidget;

namespace varnel {

class GraphEngine;

class TVN_Settings : public QDialog {
  Q_OBJECT
 public:
  TVN_Settings(GraphEngine& engine, QWidget* parent = nullptr);

  QTabWidget* SPageControl = nullptr;
  QSlider* STBEyeDistance = nullptr;     // 1..30
  QSlider* STBStereoRotation = nullptr;  // 0..30 degrees

  // Runs after a change that needs the page drawn again.
  std::function<void()> Repaint = [] {};

  void ShowPage(const QString& title);

 private:
  void STBEyeDistanceChange(int position);
  void STBStereoRotationChange(int position);

  GraphEngine& engine_;
};

}  // namespace varnel

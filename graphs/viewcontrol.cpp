// Turning, zooming and separating the tetrahedral views.
#include <cmath>

#include "graphs/graphengine.h"

namespace varnel {

bool GraphEngine::ApplyViewKey(ViewKey key) {
  const bool turnable = Page != PlotPage::Triangular;
  ViewAngles& v = Settings.View;
  switch (key) {
    case ViewKey::Left:
    case ViewKey::Right:
      if (!turnable) return false;
      v.Alpha += key == ViewKey::Left ? -RotationStep : RotationStep;
      return true;
    case ViewKey::Up:
    case ViewKey::Down:
      if (!turnable) return false;
      v.Theta += key == ViewKey::Up ? -RotationStep : RotationStep;
      return true;
    case ViewKey::Enlarge:
      Settings.Scale += ZoomStep;
      return true;
    case ViewKey::Reduce:
      if (Settings.Scale - ZoomStep > ZoomStep) Settings.Scale -= ZoomStep;
      return true;
    case ViewKey::IncreaseSeparation:
      if (Page != PlotPage::Stereo) return false;
      Settings.StereoSFactor += SeparationStep;
      return true;
    case ViewKey::DecreaseSeparation:
      if (Page != PlotPage::Stereo) return false;
      // Steps of 0.05 from 1.5 do not land on 0.1 exactly in binary; the
      // margin keeps the floor where it is from 1.
      if (Settings.StereoSFactor - SeparationStep > SeparationStep + 1e-9L)
        Settings.StereoSFactor -= SeparationStep;
      return true;
  }
  return false;
}

bool GraphEngine::DragBy(int dx, int dy) {
  if (Page == PlotPage::Triangular) return false;
  ViewAngles& v = Settings.View;
  if (std::abs(dx) / MouseStepPixels > 1) v.Alpha += dx < 0 ? RotationStep : -RotationStep;
  if (std::abs(dy) / MouseStepPixels > 1) v.Theta += dy < 0 ? RotationStep : -RotationStep;
  return true;
}

bool GraphEngine::SetEyeDistance(int position) {
  Settings.View.EyeDistance = position;
  return Page != PlotPage::Triangular;
}

bool GraphEngine::SetStereoRotation(int degrees) {
  Settings.View.Gamma = degrees * DegreesToRadians;
  return Page == PlotPage::Stereo;
}

}  // namespace varnel

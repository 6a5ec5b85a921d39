#include "graphs/graphcommands.h"

namespace varnel {

GraphCommandState GraphCommands(const GraphEngine& engine) {
  GraphCommandState s;
  const GraphSettings& g = engine.Settings;
  const bool triangular = engine.Page == PlotPage::Triangular;
  const bool drawable = triangular ? engine.PlotKind() != 0 : engine.PlotKind() == 2;
  s.Output = drawable || g.ViewDiagram;
  s.Points = drawable;
  s.Labels = s.Points && g.ViewPoints;
  s.Ties = s.Points && engine.TieVarSet();
  s.Separation = engine.Page == PlotPage::Stereo;
  s.ApexD = !triangular;
  return s;
}

}  // namespace varnel

// Which commands of the Graphs window are enabled, from the engine's state.
#pragma once

#include "graphs/graphengine.h"

namespace varnel {

struct GraphCommandState {
  bool Output = false;  // "&Export ...", "&Print" and "&Copy"
  bool Points = false;
  bool Labels = false;
  bool Ties = false;
  bool Separation = false;  // only on the stereo page
  bool ApexD = true;        // the triangle has no use for apex D
};

GraphCommandState GraphCommands(const GraphEngine& engine);

}  // namespace varnel

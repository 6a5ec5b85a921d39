#include "core/rowweight.h"

#include <cmath>

#include "core/messages.h"

namespace varnel {

Real UsableRowWeight(Real typed, bool& zeroed) {
  const Real w = std::fabs(typed);
  zeroed = w == 0;
  return zeroed ? 1 : w;
}

std::string ZeroRowWeightMessage(std::string_view component, WeightWarning who) {
  std::string text = "Row Weights: Zero entry for component ";
  text += component;
  text += MsgBreak;
  text +=
      who == WeightWarning::Wizard ? "This entry will be (re)set to 1." : "This entry will be (re)set to 1.0";
  return text;
}

}  // namespace varnel

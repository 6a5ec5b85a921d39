// The numbered computation errors and the one reporter that shows them.
#pragma once

#include <string>

#include "core/messages.h"

namespace varnel {

enum ComputationCode : int {
  CodeSuccess = 0,
  CodeNoMemory = 1,
  CodeLuSingular = 2,
  CodeLuZeroPivot = 3,
  CodeNotNumeric = 4,
  CodeTooLarge = 5,
  CodeNoConvergence = 6,
  CodeNoMatrix = 7,
  CodeIntegerOverflow = 8,
};

struct ComputationMessage {
  BoxKind kind;
  std::string text;
};

// The box kind and the full text (prefix + the code's text) for a code.
ComputationMessage ComputationErrorMessage(int code, const std::string& prefix);

// Shows the message of the code through the sink.
void ComputationError(int code, const std::string& prefix, MessageSink& sink);

}  // namespace varnel

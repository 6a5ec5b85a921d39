#include "core/computationerror.h"

#include "core/fmatrix.h"

namespace varnel {

ComputationMessage ComputationErrorMessage(int code, const std::string& prefix) {
  const std::string br = MsgBreak;
  switch (code) {
    case CodeNoMemory:
      return {BoxKind::Error, prefix + "Could not get enough memory to perform requested operation." + br +
                                  "Please try again after closing any other running applications."};
    case CodeLuSingular:
      return {BoxKind::Error,
              prefix + "No non-zero largest element: Varnel could not proceed with LU decomposition." + br +
                  "The system is singular. An SVD check is suggested."};
    case CodeLuZeroPivot:
      return {BoxKind::Warning, prefix + "Warning: one or more zero pivot elements were arrived at during" +
                                    " computation of the LU decomposition." + br +
                                    "System could be ill-conditioned. An SVD check is suggested."};
    case CodeNotNumeric:
      return {BoxKind::Error, prefix + "Found missing or non-numeric values within the input selection." +
                                  br + "Please, check the selection and try again."};
    case CodeTooLarge:
      return {BoxKind::Error, prefix + "Data array too large. Maximun array dimension(s) is " +
                                  std::to_string(MaxMatrixDim) + "." + br +
                                  "Please, check the selection and try again."};
    case CodeNoConvergence:
      return {BoxKind::Error, prefix + "SVD failure. Routine could not converge after 30 iterations." + br +
                                  "Please, check the input matrix and try again."};
    case CodeNoMatrix:
      return {BoxKind::Error, prefix + "Could not build a matrix from DataSheet selection." + br +
                                  "Please, check the selection and try again."};
    case CodeIntegerOverflow:
      return {BoxKind::Error, prefix + " Integer overflow."};
    default:
      // What the undefined error stands for: a value outside the extended
      // range (an overflow) or one without a value at all (such as 0/0).
      return {BoxKind::Error, prefix + "Undefined computation error: a value overflowed or is undefined" +
                                  " (not a finite number)." + br +
                                  "Please, check the input values and try again."};
  }
}

void ComputationError(int code, const std::string& prefix, MessageSink& sink) {
  const ComputationMessage m = ComputationErrorMessage(code, prefix);
  sink.ShowMessage(m.kind, m.text);
}

}  // namespace varnel

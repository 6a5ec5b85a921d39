#include "core/computationerror.h"

#include <gtest/gtest.h>

#include "core/fmatrix.h"
#include "tests/core/recording_sink.h"

namespace varnel {
namespace {

TEST(ComputationError, EachCodeHasItsTextAndBox) {
  struct Case {
    int code;
    BoxKind kind;
    const char* text;
  };
  const Case cases[] = {
      {1, BoxKind::Error,
       "SVD: Could not get enough memory to perform requested operation.\n\r"
       "Please try again after closing any other running applications."},
      {2, BoxKind::Error,
       "SVD: No non-zero largest element: Varnel could not proceed with LU decomposition.\n\r"
       "The system is singular. An SVD check is suggested."},
      {3, BoxKind::Warning,
       "SVD: Warning: one or more zero pivot elements were arrived at during computation of the LU "
       "decomposition.\n\rSystem could be ill-conditioned. An SVD check is suggested."},
      {4, BoxKind::Error,
       "SVD: Found missing or non-numeric values within the input selection.\n\r"
       "Please, check the selection and try again."},
      {5, BoxKind::Error,
       "SVD: Data array too large. Maximun array dimension(s) is 60.\n\r"
       "Please, check the selection and try again."},
      {6, BoxKind::Error,
       "SVD: SVD failure. Routine could not converge after 30 iterations.\n\r"
       "Please, check the input matrix and try again."},
      {7, BoxKind::Error,
       "SVD: Could not build a matrix from DataSheet selection.\n\r"
       "Please, check the selection and try again."},
      {8, BoxKind::Error, "SVD:  Integer overflow."},
  };
  for (const Case& c : cases) {
    test::RecordingSink sink;
    ComputationError(c.code, "SVD: ", sink);
    ASSERT_EQ(sink.boxes.size(), 1u) << c.code;
    EXPECT_EQ(sink.boxes[0].kind, c.kind) << c.code;
    EXPECT_EQ(sink.boxes[0].text, c.text) << c.code;
  }
}

TEST(ComputationError, TheUndefinedErrorSaysAValueOverflowedOrIsUndefined) {
  const std::string expected =
      "Rank: Undefined computation error: a value overflowed or is undefined (not a finite number).\n\r"
      "Please, check the input values and try again.";
  for (int code : {NonFiniteCode, 0, -1, 42}) {
    const ComputationMessage m = ComputationErrorMessage(code, "Rank: ");
    EXPECT_EQ(m.kind, BoxKind::Error);
    EXPECT_EQ(m.text, expected) << code;
    EXPECT_EQ(m.text.find('@'), std::string::npos) << "no invitation to write an e-mail";
  }
}

}  // namespace
}  // namespace varnel

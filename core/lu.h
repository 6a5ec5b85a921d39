// LU decomposition (Crout, implicit partial pivoting), solve and inverse.
#pragma once

#include "core/fmatrix.h"
#include "core/messages.h"

namespace varnel {

// Replaces a by the LU decomposition of its row-permuted self. indx[j] is the
// row exchanged with row j at step j; d is +1 or -1 by the parity of the
// exchanges. Returns 0; 2 when a row is all zeros (nothing eliminated); 3 when
// an exactly zero pivot was replaced by 1e-20 (decomposition completed);
// NonFiniteCode when the input or the result is not finite.
int LU_Decomp(FMatrix& a, int n, IVector& indx, Real& d);

// Solves A x = b in place with the output of LU_Decomp. A zero divisor is
// reported through the sink, leaves 1e4500 in its place and the solve goes on.
void LU_Bksolv(const FMatrix& a, int n, const IVector& indx, FVector& b, MessageSink& sink);

// y := the inverse of a (a is destroyed). Returns the code of LU_Decomp (y is
// untouched unless it is 0), or NonFiniteCode when the inverse is not finite.
int InvertFMatrix(FMatrix& a, FMatrix& y, int n, MessageSink& sink);

}  // namespace varnel

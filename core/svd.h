// Singular value decomposition (Golub-Reinsch), rank, and the routines that
// use a finished decomposition.
#pragma once

#include "core/fmatrix.h"
#include "core/messages.h"

namespace varnel {

// Decomposes the m x n matrix a (m >= n; a caller with fewer real rows passes
// m = n and leaves the extra rows zero) as U diag(W) V^T. a becomes U, v
// receives V itself, w the n singular values, all >= 0 and in the order the
// iteration leaves them. Returns 0; 6 when a value has not converged after 30
// passes (the outputs must not be used); NonFiniteCode when the input or the
// result holds an infinite or undefined number.
int SV_Decomp(FMatrix& a, FMatrix& v, int m, int n, FVector& w);

// W and V exactly as SV_Decomp gives them, without forming U: a is left
// holding the Householder vectors. For callers that only need null spaces.
// Here m may be below n: the rows below m are then taken as zero without
// being read or written, and W and V are those of the matrix with n rows
// whose last n - m rows are zero, to the last bit.
int SV_DecompWV(FMatrix& a, FMatrix& v, int m, int n, FVector& w);

// The computational zero: n x max(W[1..n]) x 1e-14.
Real SV_ZeroThreshold(const FVector& w, int n);

// The number of singular values above the computational zero. a is destroyed.
// dimension becomes max(rows, cols), threshold the computational zero. Rows or
// columns of one give 1 without decomposing, none give 0; a failed
// decomposition is reported with the prefix "Rank: " and gives -1.
int Rank(FMatrix& a, FMatrix& v, FVector& w, int rows, int cols, int& dimension, Real& threshold,
         MessageSink& sink);

// c(i, j) = sum over k = 1..n of (W[k] U(i, k)) V(j, k), i = 1..m, j = 1..n.
void SV_Compose(const FMatrix& u, const FMatrix& v, FMatrix& c, int n, int m, const FVector& w);

// x = V diag(1/W) U^T b, leaving out the terms of zero singular values.
void SV_Bksolv(const FMatrix& u, const FMatrix& v, const FVector& w, int n, int m, FVector& x,
               const FVector& b);

}  // namespace varnel

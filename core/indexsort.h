// The ascending sort index and the binomial count.
#pragma once

#include <cstdint>
#include <span>

#include "core/messages.h"
#include "core/real.h"

namespace varnel {

// index[k] (k = 1..count, stored at index[k - 1]) := the position before
// sorting of the k-th smallest of values[1..count] (stored from values[0]).
// The values are sorted in place unless keepValues is set. This is one exact
// quicksort, so equal values always come out in the same order. Shows an error
// and does nothing when index holds fewer than count entries.
void IndexFVector(std::span<Real> values, int count, std::span<std::int32_t> index, bool keepValues,
                  MessageSink& sink);

// The number of k-element subsets of n elements; 0 when n < k or k < 1; -1
// after reporting an integer overflow.
std::int32_t SelectionsOf(std::int32_t n, std::int32_t k, MessageSink& sink);

}  // namespace varnel

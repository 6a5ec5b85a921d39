#include "core/indexsort.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "core/computationerror.h"

namespace varnel {
namespace {

// values and index are addressed from 1 here, as the positions they record.
void QuickSort(Real* values, std::int32_t* index, int lo, int hi) {
  const Real p = values[(lo + hi) / 2];
  int i = lo;
  int j = hi;
  do {
    while (values[i] < p) ++i;
    while (values[j] > p) --j;
    if (i <= j) {
      std::swap(values[i], values[j]);
      std::swap(index[i], index[j]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (j > lo) QuickSort(values, index, lo, j);
  if (i < hi) QuickSort(values, index, i, hi);
}

}  // namespace

void IndexFVector(std::span<Real> values, int count, std::span<std::int32_t> index, bool keepValues,
                  MessageSink& sink) {
  if (count < 0) count = 0;
  if (index.size() < static_cast<std::size_t>(count)) {
    sink.ShowMessage(BoxKind::Error, "IndexFVector: Cannot index. Index array is too small.");
    return;
  }
  if (values.size() < static_cast<std::size_t>(count)) count = static_cast<int>(values.size());
  for (int k = 1; k <= count; ++k) index[k - 1] = k;
  if (count < 2) return;

  Real* data = values.data();
  std::vector<Real> copy;
  if (keepValues) {
    try {
      copy.assign(values.begin(), values.begin() + count);
    } catch (const std::bad_alloc&) {
      ComputationError(CodeNoMemory, "IndexFVector: ", sink);
      return;
    }
    data = copy.data();
  }
  // Zero-based bounds pick the same pivots as the one-based ones would.
  QuickSort(data, index.data(), 0, count - 1);
}

std::int32_t SelectionsOf(std::int32_t n, std::int32_t k, MessageSink& sink) {
  if (n < k || k < 1) return 0;
  const std::int64_t m = std::min<std::int64_t>(k, std::int64_t{n} - k);
  Real r = 1;
  for (std::int64_t t = 0; t < m; ++t) {
    r = r * static_cast<Real>(n - t);
    r = r / static_cast<Real>(m - t);
  }
  const Real whole = std::trunc(r);
  if (!(whole <= static_cast<Real>(INT32_MAX))) {
    ComputationError(CodeIntegerOverflow, "SelectionsOf: ", sink);
    return -1;
  }
  return static_cast<std::int32_t>(whole);
}

}  // namespace varnel

// Linear relations among the phases of a working set: their texts, their
// duplicate keys, the enumeration of every "univariant" selection and the
// assemblage test.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/fmatrix.h"
#include "core/numbertext.h"
#include "wizard/relationrows.h"

namespace varnel {

struct RelationFormat {
  int Style = StyleShort;
  char DecimalSeparator = '.';
  bool Normalize = true;
  // A coefficient below this fraction of the largest of its relation is
  // rounding noise: it prints as zero and takes no part in the scaling.
  // 0: off.
  Real MinCoefficient = 0;
  // Relations written with the smallest whole coefficients that reproduce
  // them within the cut-off (DefaultWholeTolerance without one), the largest
  // at most WholeBound; a relation no whole numbers fit keeps its scaled form.
  bool WholeNumbers = false;
  int WholeBound = 100;
};

// Divides every coefficient by the smallest non-zero magnitude, so that it
// becomes +1 or -1. Coefficients that are all zero stay as they are.
void NormalizeRelation(std::span<Real> x);

// The coefficients of a relation as the format prints them: the cut-off
// applied, then whole numbers when asked for and found, else normalised when
// normalise is asked for and the format normalises. True when x now holds
// whole numbers (printed without decimals).
bool ShapeRelation(std::span<Real> x, const RelationFormat& format, bool normalise);

// members: the working-set positions (1..setCount, increasing) that x holds
// coefficients for, in the same order.
// The coefficient row: one field per position, zero for non-members.
// whole: the coefficients are whole numbers and print as such.
std::string CoefficientRow(std::span<const Real> x, std::span<const int> members, int setCount,
                           const RelationFormat& format, bool whole = false);
// The duplicate key: the coefficients in Long style with their signs, turned
// so that the first non-zero one is positive, so that a relation and its
// negation share one key while relations differing in some signs do not.
// The fields are joined by ";", so a key holds no tab.
std::string RelationKey(std::span<const Real> x, std::span<const int> members, int setCount, char separator);
// The equation: positive terms on the left, negative ones on the right.
// names[c] is the name of working-set position c.
// Whole numbers print without decimals and a coefficient of 1 not at all.
std::string RelationEquation(std::span<const Real> x, std::span<const int> members,
                             const std::vector<std::string>& names, const RelationFormat& format,
                             bool whole = false);

// C(n, k) in 64 bits; UINT64_MAX when it does not fit, 0 when k < 0 or k > n.
std::uint64_t Binomial(int n, int k);

// The label of a selection: the left-out positions, "[1, 3]", "[]" for none.
std::string SelectionLabel(std::span<const int> removed);

// The left-out positions (increasing, q of them from 1..setCount) of the
// selection with this 0-based lexicographic rank.
void UnrankSelection(std::uint64_t rank, int setCount, int q, std::span<int> removed);

// Moves the q left-out positions to the lexicographically next selection;
// the last selection is left as it is.
void NextSelection(int setCount, int q, int* removed);

struct UnivariantJob {
  const FMatrix* WorkingSet = nullptr;  // rows x setCount
  int Rows = 0;
  int SetCount = 0;
  int SetRank = 0;
  std::vector<std::string> Names;  // index 0 unused, then one per position
  RelationFormat Format;
  bool FilterDuplicates = false;
  // Also the data row of each relation (DataRows of the result, beside Lines).
  RowFormat RowOutput = RowFormat::None;
};

struct UnivariantResult {
  // Unfiltered: each selection's label line and its relation lines (or
  // " ***Error"). Filtered: each distinct relation once, keys beside them.
  std::vector<std::string> Lines;
  std::vector<std::string> Keys;
  // With a row format: one row per line, empty for a selection's label line.
  std::vector<std::string> DataRows;
  // Ranks of the selections whose decomposition failed, in order.
  std::vector<std::uint64_t> Failures;
  bool Cancelled = false;
};

// Enumerates the selections of rank first..last (inclusive) on threads
// worker threads (0: one per core). The lines are those of a sequential run in
// the same order, whatever the number of threads. poll runs on the calling
// thread between waits with the number of selections done so far; setting
// cancel stops the workers at their next selection.
UnivariantResult FindUnivariants(const UnivariantJob& job, std::uint64_t first, std::uint64_t last,
                                 int threads, std::atomic<bool>& cancel,
                                 const std::function<void(std::uint64_t done)>& poll = {});

// The same enumeration handed out as it goes, block by block, so that a range
// of any length needs memory for one block only (and, when filtering, for the
// keys met so far). emit receives each line in order with its key (empty
// unless filtering); a relation whose key an earlier block handed out is not
// handed out again, so the lines are exactly those of FindUnivariants over
// the whole range. Returning false from emit stops the enumeration.
struct UnivariantStream {
  std::vector<std::uint64_t> Failures;
  bool Cancelled = false;
  bool Stopped = false;  // emit returned false
};
UnivariantStream StreamUnivariants(
    const UnivariantJob& job, std::uint64_t first, std::uint64_t last, int threads,
    std::uint64_t blockSelections, std::atomic<bool>& cancel,
    const std::function<bool(std::string_view key, std::string_view line)>& emit);

// The same with the data rows and progress: emit receives each line with its
// key and its data row (empty without a row format, and for label lines);
// poll runs on the calling thread with the number of selections done.
struct StreamedRelation {
  std::string_view Key, Line, Row;
};
UnivariantStream StreamRelations(const UnivariantJob& job, std::uint64_t first, std::uint64_t last,
                                 int threads, std::uint64_t blockSelections, std::atomic<bool>& cancel,
                                 const std::function<bool(const StreamedRelation&)>& emit,
                                 const std::function<void(std::uint64_t done)>& poll = {});

// Working sets and selection counts as the enumeration sees them.
inline int LeftOutCount(const UnivariantJob& job) { return job.SetCount - job.SetRank - 1; }
inline std::uint64_t SelectionCount(const UnivariantJob& job) {
  return Binomial(job.SetCount, LeftOutCount(job));
}

// True when the relation line puts every member of a on one side and every
// member of b on the other; a coefficient that reads as zero is on both.
bool SeparatesAssemblages(const std::string& line, int setCount, const std::vector<int>& a,
                          const std::vector<int>& b, char separator);

}  // namespace varnel

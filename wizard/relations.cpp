#include "wizard/relations.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_set>

#include "core/numberread.h"
#include "core/svd.h"
#include "wizard/wholenumbers.h"

namespace varnel {

void NormalizeRelation(std::span<Real> x) {
  Real mn = 1e100L;
  for (const Real v : x)
    if (v != 0 && std::fabs(v) < mn) mn = std::fabs(v);
  if (mn < 1e100L)
    for (Real& v : x) v = v / mn;
}

bool ShapeRelation(std::span<Real> x, const RelationFormat& format, bool normalise) {
  if (format.MinCoefficient > 0) DropSmallCoefficients(x, format.MinCoefficient);
  if (format.WholeNumbers &&
      ToWholeNumbers(x, format.MinCoefficient > 0 ? format.MinCoefficient : DefaultWholeTolerance,
                     format.WholeBound))
    return true;
  if (normalise && format.Normalize) NormalizeRelation(x);
  return false;
}

namespace {

// Walks positions 1..setCount, giving the coefficient of each (zero for the
// positions that are not members).
template <typename F>
void ForEachPosition(std::span<const Real> x, std::span<const int> members, int setCount, F&& f) {
  std::size_t next = 0;
  for (int c = 1; c <= setCount; ++c) {
    Real v = 0;
    if (next < members.size() && members[next] == c) v = x[next++];
    f(c, v);
  }
}

bool PrintsAsZero(std::string_view t) {
  for (const char ch : t)
    if (ch >= '1' && ch <= '9') return false;
  return true;
}

// A whole coefficient, led by a space unless negative as the styles are.
void AppendWhole(std::string& out, Real v, bool lead) {
  char buf[32];
  const long long w = std::llround(v);
  if (lead && w >= 0) out += ' ';
  const auto res = std::to_chars(buf, buf + sizeof buf, w);
  out.append(buf, res.ptr);
}

}  // namespace

namespace {

void AppendCoefficientRow(std::string& out, std::span<const Real> x, std::span<const int> members,
                          int setCount, const RelationFormat& format, std::string_view zero, bool whole) {
  ForEachPosition(x, members, setCount, [&](int c, Real v) {
    if (c > 1) out += '\t';
    if (whole)
      AppendWhole(out, v, true);
    else if (v == 0)
      out += zero;
    else
      AppendFNumber(out, format.Style, v, format.DecimalSeparator);
  });
}

// starts: scratch for the offsets of the fields.
void AppendRelationKey(std::string& key, std::span<const Real> x, std::span<const int> members, int setCount,
                       char separator, std::vector<std::size_t>& starts) {
  starts.clear();
  ForEachPosition(x, members, setCount, [&](int c, Real v) {
    if (c > 1) key += ';';
    starts.push_back(key.size());
    AppendFNumber(key, StyleLong, v, separator);
  });
  starts.push_back(key.size() + 1);  // where a field after the last would start
  auto field = [&](std::size_t k) {
    return std::string_view(key).substr(starts[k], starts[k + 1] - 1 - starts[k]);
  };
  const std::size_t count = starts.size() - 1;
  bool flip = false;
  for (std::size_t k = 0; k < count; ++k)
    if (!PrintsAsZero(field(k))) {
      flip = key[starts[k]] == '-';
      break;
    }
  if (!flip) return;
  for (std::size_t k = 0; k < count; ++k)
    if (!PrintsAsZero(field(k))) key[starts[k]] = key[starts[k]] == '-' ? ' ' : '-';
}

// right: scratch for the right-hand side.
void AppendRelationEquation(std::string& out, std::span<const Real> x, std::span<const int> members,
                            const std::vector<std::string>& names, const RelationFormat& format,
                            std::string& right, bool whole) {
  right.clear();
  bool leftEmpty = true;
  for (std::size_t k = 0; k < members.size(); ++k) {
    const Real v = x[k];
    if (v == 0) continue;
    const bool left = v > 0;
    std::string& side = left ? out : right;
    if (left ? !leftEmpty : !right.empty()) side += " + ";
    if (!whole) {
      AppendFNumber(side, format.Style, std::fabs(v), format.DecimalSeparator);
      side += ' ';
    } else if (std::fabs(v) != 1) {
      AppendWhole(side, std::fabs(v), false);
      side += ' ';
    }
    const auto c = static_cast<std::size_t>(members[k]);
    if (c < names.size()) side += names[c];
    if (left) leftEmpty = false;
  }
  out += " = ";
  out += right;
}

}  // namespace

std::string CoefficientRow(std::span<const Real> x, std::span<const int> members, int setCount,
                           const RelationFormat& format, bool whole) {
  std::string out;
  out.reserve(static_cast<std::size_t>(setCount) * 10);
  const std::string zero = FormatFNumber(format.Style, 0, format.DecimalSeparator);
  AppendCoefficientRow(out, x, members, setCount, format, zero, whole);
  return out;
}

std::string RelationKey(std::span<const Real> x, std::span<const int> members, int setCount, char separator) {
  std::string key;
  std::vector<std::size_t> starts;
  AppendRelationKey(key, x, members, setCount, separator, starts);
  return key;
}

std::string RelationEquation(std::span<const Real> x, std::span<const int> members,
                             const std::vector<std::string>& names, const RelationFormat& format,
                             bool whole) {
  std::string out, right;
  AppendRelationEquation(out, x, members, names, format, right, whole);
  return out;
}

std::uint64_t Binomial(int n, int k) {
  if (k < 0 || n < 0 || k > n) return 0;
  k = std::min(k, n - k);
  std::uint64_t r = 1;
  for (int t = 1; t <= k; ++t) {
    // r x a is a multiple of t, and so is (r mod t) x a: no rounding.
    const auto a = static_cast<std::uint64_t>(n - k + t);
    const auto d = static_cast<std::uint64_t>(t);
    std::uint64_t high;
    if (__builtin_mul_overflow(r / d, a, &high)) return UINT64_MAX;
    const std::uint64_t low = (r % d) * a / d;
    if (__builtin_add_overflow(high, low, &r)) return UINT64_MAX;
  }
  return r;
}

std::string SelectionLabel(std::span<const int> removed) {
  std::string s = "[";
  for (std::size_t k = 0; k < removed.size(); ++k) {
    if (k > 0) s += ", ";
    s += std::to_string(removed[k]);
  }
  return s + "]";
}

void UnrankSelection(std::uint64_t rank, int setCount, int q, std::span<int> removed) {
  int v = 1;
  for (int t = 0; t < q; ++t) {
    for (;;) {
      const std::uint64_t below = Binomial(setCount - v, q - t - 1);
      if (rank < below) break;
      rank -= below;
      ++v;
    }
    removed[static_cast<std::size_t>(t)] = v++;
  }
}

void NextSelection(int setCount, int q, int* removed) {
  int t = q - 1;
  while (t >= 0 && removed[t] == setCount - q + t + 1) --t;
  if (t < 0) return;
  ++removed[t];
  for (int u = t + 1; u < q; ++u) removed[u] = removed[u - 1] + 1;
}

namespace {

// What one worker reuses from selection to selection, so that a selection
// allocates nothing but the lines it hands out.
struct Workspace {
  FMatrix a, v;
  FVector w;
  Real x[MaxMatrixDim + 1];
  int members[64];
  int removed[64];
  std::string line, right, key, zero, row;
  std::vector<std::size_t> starts;
};

// Neighbouring chunks are filled by different workers: each gets cache lines
// of its own.
struct alignas(64) ChunkOut {
  std::vector<std::string> lines;
  std::vector<std::string> keys;
  std::vector<std::string> rows;
  std::vector<std::uint64_t> failures;
};

void AppendInteger(std::string& out, int value) {
  char buf[16];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
}

// The relations of one selection, as a sequential run writes them.
void OneSelection(const UnivariantJob& job, std::uint64_t rank, Workspace& ws, ChunkOut& out) {
  const int setCount = job.SetCount;
  const int q = LeftOutCount(job);
  const int c = job.SetRank + 1;
  const int m = job.Rows;
  int count = 0, next = 0;
  for (int p = 1; p <= setCount; ++p) {
    if (next < q && ws.removed[next] == p) {
      ++next;
      continue;
    }
    ws.members[count++] = p;
  }

  const FMatrix& set = *job.WorkingSet;
  bool decomposed = false;
  if (m > 1 && c > 1) {
    // With fewer rows than members the decomposition takes the missing rows
    // as zero without touching them.
    for (int i = 1; i <= m; ++i) {
      Real* row = ws.a.Row(i);
      const Real* src = set.Row(i);
      for (int k = 0; k < c; ++k) row[k] = src[ws.members[k] - 1];
    }
    if (SV_DecompWV(ws.a, ws.v, m, c, ws.w) != 0) {
      out.failures.push_back(rank);
    } else {
      decomposed = true;
    }
  }
  Real t = 0;
  int rho = 1;
  if (decomposed) {
    t = SV_ZeroThreshold(ws.w, c);
    rho = 0;
    for (int j = 1; j <= c; ++j)
      if (ws.w[j] > t) ++rho;
  }
  if (!job.FilterDuplicates) {
    std::string& label = ws.line;
    label.clear();
    label += '[';
    for (int k = 0; k < q; ++k) {
      if (k > 0) label += ", ";
      AppendInteger(label, ws.removed[k]);
    }
    label += ']';
    if (decomposed && job.SetRank > rho) {
      label += " D(r = ";
      AppendInteger(label, rho);
      label += ')';
    }
    out.lines.emplace_back(label);
    if (job.RowOutput != RowFormat::None) out.rows.emplace_back();
  }
  bool anyRelation = false;
  if (decomposed) {
    const std::span<const int> members(ws.members, static_cast<std::size_t>(c));
    std::span<Real> x(ws.x, static_cast<std::size_t>(c));
    if (ws.zero.empty()) ws.zero = FormatFNumber(job.Format.Style, 0, job.Format.DecimalSeparator);
    int found = 0;
    for (int j = c; j >= 1; --j) {
      if (std::fabs(ws.w[j]) <= t) {
        ++found;
        for (int i = 1; i <= c; ++i) {
          const Real e = ws.v(i, j);
          x[static_cast<std::size_t>(i - 1)] = std::fabs(e) >= t ? e : Real{0};
        }
        const bool whole = ShapeRelation(x, job.Format, true);
        std::string& line = ws.line;
        line.clear();
        AppendCoefficientRow(line, x, members, setCount, job.Format, ws.zero, whole);
        line += "\t | ";
        AppendRelationEquation(line, x, members, job.Names, job.Format, ws.right, whole);
        if (job.FilterDuplicates) {
          ws.key.clear();
          AppendRelationKey(ws.key, x, members, setCount, job.Format.DecimalSeparator, ws.starts);
          out.keys.emplace_back(ws.key);
        }
        out.lines.emplace_back(line);
        if (job.RowOutput != RowFormat::None) {
          ws.row.clear();
          RelationRecord record;
          record.Removed = std::span<const int>(ws.removed, static_cast<std::size_t>(q));
          record.Rank = rho;
          record.Degenerate = job.SetRank > rho;
          record.X = x;
          record.Members = members;
          record.Whole = whole;
          AppendRelationRow(ws.row, job.RowOutput, record, job.Names, setCount, job.Format);
          out.rows.emplace_back(ws.row);
        }
        anyRelation = true;
      }
      if (found >= c - rho) break;
    }
  }
  if (!job.FilterDuplicates && !anyRelation) {
    out.lines.emplace_back(" ***Error");
    if (job.RowOutput != RowFormat::None) {
      ws.row.clear();
      RelationRecord record;
      record.Removed = std::span<const int>(ws.removed, static_cast<std::size_t>(q));
      record.Error = true;
      AppendRelationRow(ws.row, job.RowOutput, record, job.Names, setCount, job.Format);
      out.rows.emplace_back(ws.row);
    }
  }
}

}  // namespace

UnivariantResult FindUnivariants(const UnivariantJob& job, std::uint64_t first, std::uint64_t last,
                                 int threads, std::atomic<bool>& cancel,
                                 const std::function<void(std::uint64_t)>& poll) {
  UnivariantResult result;
  const std::uint64_t total = SelectionCount(job);
  if (total == 0 || first > last || first >= total) return result;
  last = std::min(last, total - 1);
  const std::uint64_t span = last - first + 1;
  if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  // Chunks small enough to share the work evenly and to merge back in order.
  constexpr std::uint64_t ChunkSize = 256;
  const std::uint64_t chunkCount = (span + ChunkSize - 1) / ChunkSize;
  threads = static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(threads), chunkCount));
  std::vector<ChunkOut> chunks(chunkCount);
  std::atomic<std::uint64_t> nextChunk{0};
  std::atomic<std::uint64_t> done{0};
  std::mutex mutex;
  std::condition_variable finished;
  int running = threads;
  const int q = LeftOutCount(job);

  auto work = [&] {
    auto ws = std::make_unique<Workspace>();
    for (;;) {
      const std::uint64_t k = nextChunk.fetch_add(1);
      if (k >= chunkCount || cancel.load(std::memory_order_relaxed)) break;
      const std::uint64_t from = first + k * ChunkSize;
      const std::uint64_t to = std::min(last, from + ChunkSize - 1);
      UnrankSelection(from, job.SetCount, q, std::span<int>(ws->removed, 64));
      // The counter is shared by the workers: it is brought up to date once a
      // chunk rather than bounced between their caches once a selection.
      std::uint64_t r = from;
      for (; r <= to; ++r) {
        if (cancel.load(std::memory_order_relaxed)) break;
        OneSelection(job, r, *ws, chunks[k]);
        NextSelection(job.SetCount, q, ws->removed);
      }
      done.fetch_add(r - from, std::memory_order_relaxed);
    }
    std::lock_guard lock(mutex);
    if (--running == 0) finished.notify_all();
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(work);
  {
    std::unique_lock lock(mutex);
    while (running > 0) {
      finished.wait_for(lock, std::chrono::milliseconds(20));
      if (poll && running > 0) {
        lock.unlock();
        poll(done.load());
        lock.lock();
      }
    }
  }
  for (auto& t : pool) t.join();
  if (cancel.load()) {
    result.Cancelled = true;
    return result;
  }
  if (poll) poll(done.load());

  // The set views the kept keys in result.Keys, which is reserved for every
  // line at once and so never moves them.
  std::unordered_set<std::string_view> seen;
  std::size_t lineCount = 0;
  const bool rows = job.RowOutput != RowFormat::None;
  for (const ChunkOut& chunk : chunks) lineCount += chunk.lines.size();
  result.Lines.reserve(lineCount);
  if (rows) result.DataRows.reserve(lineCount);
  if (job.FilterDuplicates) {
    result.Keys.reserve(lineCount);
    seen.reserve(lineCount);
  }
  for (ChunkOut& chunk : chunks) {
    result.Failures.insert(result.Failures.end(), chunk.failures.begin(), chunk.failures.end());
    if (!job.FilterDuplicates) {
      for (auto& line : chunk.lines) result.Lines.push_back(std::move(line));
      if (rows)
        for (auto& row : chunk.rows) result.DataRows.push_back(std::move(row));
    } else {
      for (std::size_t i = 0; i < chunk.lines.size(); ++i) {
        result.Keys.push_back(std::move(chunk.keys[i]));
        if (seen.insert(result.Keys.back()).second) {
          result.Lines.push_back(std::move(chunk.lines[i]));
          if (rows) result.DataRows.push_back(std::move(chunk.rows[i]));
        } else {
          result.Keys.pop_back();
        }
      }
    }
    chunk = ChunkOut{};
  }
  return result;
}

UnivariantStream StreamRelations(const UnivariantJob& job, std::uint64_t first, std::uint64_t last,
                                 int threads, std::uint64_t blockSelections, std::atomic<bool>& cancel,
                                 const std::function<bool(const StreamedRelation&)>& emit,
                                 const std::function<void(std::uint64_t)>& poll) {
  UnivariantStream stream;
  const std::uint64_t total = SelectionCount(job);
  if (total == 0 || first > last || first >= total) return stream;
  last = std::min(last, total - 1);
  blockSelections = std::max<std::uint64_t>(blockSelections, 1);
  std::unordered_set<std::string> seen;
  for (std::uint64_t from = first;;) {
    const std::uint64_t to = last - from < blockSelections ? last : from + blockSelections - 1;
    std::function<void(std::uint64_t)> blockPoll;
    if (poll) blockPoll = [&poll, done = from - first](std::uint64_t inBlock) { poll(done + inBlock); };
    UnivariantResult block = FindUnivariants(job, from, to, threads, cancel, blockPoll);
    if (block.Cancelled) {
      stream.Cancelled = true;
      return stream;
    }
    stream.Failures.insert(stream.Failures.end(), block.Failures.begin(), block.Failures.end());
    const bool rows = job.RowOutput != RowFormat::None;
    for (std::size_t k = 0; k < block.Lines.size(); ++k) {
      if (job.FilterDuplicates && !seen.insert(block.Keys[k]).second) continue;
      StreamedRelation r;
      if (job.FilterDuplicates) r.Key = block.Keys[k];
      r.Line = block.Lines[k];
      if (rows) r.Row = block.DataRows[k];
      if (!emit(r)) {
        stream.Stopped = true;
        return stream;
      }
    }
    if (to == last) return stream;
    from = to + 1;
  }
}

UnivariantStream StreamUnivariants(
    const UnivariantJob& job, std::uint64_t first, std::uint64_t last, int threads,
    std::uint64_t blockSelections, std::atomic<bool>& cancel,
    const std::function<bool(std::string_view key, std::string_view line)>& emit) {
  return StreamRelations(job, first, last, threads, blockSelections, cancel,
                         [&emit](const StreamedRelation& r) { return emit(r.Key, r.Line); });
}

bool SeparatesAssemblages(const std::string& line, int setCount, const std::vector<int>& a,
                          const std::vector<int>& b, char separator) {
  std::vector<bool> pos(static_cast<std::size_t>(setCount) + 1), neg(static_cast<std::size_t>(setCount) + 1);
  std::size_t from = 0;
  for (int c = 1; c <= setCount; ++c) {
    std::size_t tab = line.find('\t', from);
    if (tab == std::string::npos) tab = line.size();
    Real v = 0;
    ReadNumber(std::string_view(line).substr(from, tab - from), separator, v);
    from = std::min(tab + 1, line.size());
    if (v >= 0) pos[static_cast<std::size_t>(c)] = true;
    if (v <= 0) neg[static_cast<std::size_t>(c)] = true;
  }
  auto within = [](const std::vector<int>& s, const std::vector<bool>& side) {
    return std::all_of(s.begin(), s.end(),
                       [&](int c) { return c >= 0 && side[static_cast<std::size_t>(c)]; });
  };
  return (within(a, pos) && within(b, neg)) || (within(a, neg) && within(b, pos));
}

}  // namespace varnel

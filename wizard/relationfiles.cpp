// The relations reports that go into files rather than the TextPad: a
// Univariants report too large to hold, and the last report's relations as
// CSV rows. Both stream through the enumeration block by block.
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <algorithm>

#include "core/computationerror.h"
#include "wizard/matrixwizard.h"

namespace varnel {

// What a relations report was made from: enough to make its rows again.
struct MatrixWizard::RelationsRun {
  FMatrix WorkingSet;
  UnivariantJob Job;
  bool Intersections = false;
  std::vector<int> A, B;
};

namespace {

// Selections handed out at once: the memory of a run whatever its count.
constexpr std::uint64_t FileBlockSelections = 1 << 14;

// Lines gathered into one buffer and written in large pieces; the first
// failure sticks.
class LineWriter {
 public:
  explicit LineWriter(QIODevice& device) : device_(device) { buffer_.reserve(Chunk + 4096); }
  void Line(std::string_view text) {
    buffer_.append(text);
    buffer_ += "\r\n";
    if (buffer_.size() >= Chunk) Flush();
  }
  void Line(const QString& text) { Line(std::string_view(text.toStdString())); }
  bool Flush() {
    if (ok_ && !buffer_.empty())
      ok_ = device_.write(buffer_.data(), static_cast<qint64>(buffer_.size())) ==
            static_cast<qint64>(buffer_.size());
    buffer_.clear();
    return ok_;
  }
  bool Ok() const { return ok_; }

 private:
  static constexpr std::size_t Chunk = 1 << 20;
  QIODevice& device_;
  std::string buffer_;
  bool ok_ = true;
};

QString FileErrorText(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

}  // namespace

FileDialogSpec MatrixWizard::RelationsFileSpec() {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Write Relations To");
  spec.filter = QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*");
  spec.defaultSuffix = QStringLiteral("txt");
  spec.confirmOverwrite = true;
  return spec;
}

FileDialogSpec MatrixWizard::CsvFileSpec() {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Save Relations As CSV");
  spec.filter = QStringLiteral("CSV files (*.csv)|*.csv|All files (*.*)|*.*");
  spec.defaultSuffix = QStringLiteral("csv");
  spec.confirmOverwrite = true;
  return spec;
}

QString MatrixWizard::FileOfferText(std::uint64_t bytes) const {
  const UnivariantJob job = MakeUnivariantJob(FilterDuplicates);
  return QStringLiteral(
             "The \"Univariant\" relations of %1 selections would make about %2 MB of text, too much "
             "to keep in the TextPad.")
             .arg(SelectionCount(job))
             .arg((bytes + (1u << 20) - 1) >> 20) +
         QStringLiteral("\n\r") +
         QStringLiteral("Write them straight into a file instead? (No keeps them in the TextPad.)");
}

std::uint64_t MatrixWizard::EstimateUnivariantBytes() {
  const UnivariantJob job = MakeUnivariantJob(FilterDuplicates);
  const std::uint64_t total = SelectionCount(job);
  if (total == 0) return 0;
  // The selections of a working set print alike: a sample of them, spread
  // over the enumeration, tells the length of the rest.
  constexpr std::uint64_t Samples = 64;
  std::atomic<bool> cancel{false};
  std::uint64_t bytes = 0, sampled = 0;
  const std::uint64_t step = std::max<std::uint64_t>(total / Samples, 1);
  for (std::uint64_t k = 0; k < total && sampled < Samples; k += step, ++sampled) {
    const UnivariantResult r = FindUnivariants(job, k, k, 1, cancel);
    for (const std::string& line : r.Lines) bytes += line.size() + 2;
  }
  if (sampled == 0) return 0;
  const long double perSelection = static_cast<long double>(bytes) / static_cast<long double>(sampled);
  const long double estimate = perSelection * static_cast<long double>(total);
  return estimate >= 1.8e19L ? UINT64_MAX : static_cast<std::uint64_t>(estimate);
}

MatrixWizard::ReportPlace MatrixWizard::ChooseUnivariantsPlace(QString& path) {
  if (ctx_.FileOfferBytes == 0) return ReportPlace::TextPad;
  const std::uint64_t bytes = EstimateUnivariantBytes();
  if (bytes <= ctx_.FileOfferBytes) return ReportPlace::TextPad;
  const Button answer = ctx_.Prompt->Message(BoxKind::Confirmation, FileOfferText(bytes),
                                             Button::Yes | Button::No | Button::Cancel);
  if (answer == Button::No) return ReportPlace::TextPad;
  if (answer != Button::Yes) return ReportPlace::Nowhere;
  const std::optional<QString> chosen = ctx_.Prompt->SaveFileName(RelationsFileSpec());
  if (!chosen) return ReportPlace::Nowhere;
  path = *chosen;
  return ReportPlace::File;
}

CommandOutcome MatrixWizard::UnivariantsToFile(const QString& path) {
  Busy = true;
  const bool intersect = IntersectEnabled;
  const UnivariantJob job = MakeUnivariantJob(FilterDuplicates);
  const std::uint64_t total = SelectionCount(job);
  CommandOutcome outcome = CommandOutcome::Done;
  auto finish = [&] {
    Events();
    Busy = false;
    IntersectEnabled = intersect;
    ReportBuffer.clear();
    return outcome;
  };
  // The relations go first into a file of their own beside the target, as
  // the head that comes before them counts them when filtering.
  const QString folder = QFileInfo(path).absolutePath();
  QTemporaryFile relations(folder + QStringLiteral("/.varnel-relations-XXXXXX"));
  if (!relations.open()) {
    ctx_.Prompt->FileError(FileErrorText(path, relations.errorString()));
    outcome = CommandOutcome::Failed;
    return finish();
  }
  ProgressTo(static_cast<std::int64_t>(std::min<std::uint64_t>(total, INT64_MAX)), 0,
             QStringLiteral("Computing ..."));
  cancel_.store(false);
  LineWriter lines(relations);
  std::uint64_t lineCount = 0, relationCount = 0, errorCount = 0;
  const UnivariantStream run = StreamRelations(
      job, 0, total == 0 ? 0 : total - 1, ctx_.Threads, FileBlockSelections, cancel_,
      [&](const StreamedRelation& r) {
        lines.Line(r.Line);
        ++lineCount;
        // Besides relations the lines are selection labels, "[...]", and
        // " ***Error" for a selection without a relation.
        if (r.Line == " ***Error")
          ++errorCount;
        else if (!r.Line.empty() && r.Line.front() != '[')
          ++relationCount;
        return lines.Ok();
      },
      [&](std::uint64_t done) {
        Events();
        ProgressTo(static_cast<std::int64_t>(std::min<std::uint64_t>(total, INT64_MAX)),
                   static_cast<std::int64_t>(std::min<std::uint64_t>(done, INT64_MAX)),
                   QStringLiteral("Computing ..."));
      });
  if (run.Cancelled) {
    cancel_.store(false);
    outcome = CommandOutcome::Cancelled;
    return finish();
  }
  if (run.Stopped || !lines.Flush()) {
    ctx_.Prompt->FileError(FileErrorText(path, relations.errorString()));
    outcome = CommandOutcome::Failed;
    return finish();
  }
  {
    PrompterSink sink(*ctx_.Prompt);
    for (std::size_t k = 0; k < run.Failures.size(); ++k) {
      ComputationError(CodeNoConvergence, "Rank: ", sink);
      ComputationError(CodeNoConvergence, "OutUnivariant: ", sink);
    }
  }

  UnivariantHead(relationCount);
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) {
    ctx_.Prompt->FileError(FileErrorText(path, out.errorString()));
    outcome = CommandOutcome::Failed;
    return finish();
  }
  LineWriter file(out);
  for (const QString& line : ReportBuffer) file.Line(line);
  file.Flush();
  const qint64 size = relations.size();
  relations.seek(0);
  std::vector<char> chunk(1 << 20);
  qint64 copied = 0;
  while (file.Ok() && copied < size) {
    Events();
    if (cancel_.load()) {
      cancel_.store(false);
      out.cancelWriting();
      outcome = CommandOutcome::Cancelled;
      return finish();
    }
    ProgressTo(size, copied, QStringLiteral("Writing to file ..."));
    const qint64 got = relations.read(chunk.data(), static_cast<qint64>(chunk.size()));
    if (got <= 0 || out.write(chunk.data(), got) != got) break;
    copied += got;
  }
  if (copied != size || !out.commit()) {
    ctx_.Prompt->FileError(FileErrorText(path, out.errorString()));
    outcome = CommandOutcome::Failed;
    return finish();
  }

  // The TextPad: the head, the counts and where the relations are.
  ReportBuffer.removeLast();  // the names line heads the relations in the file
  ReportBuffer << QStringLiteral(" %1 line(s) from %2 selection(s), %3 of them relations, are in the file")
                      .arg(lineCount)
                      .arg(total)
                      .arg(relationCount)
               << QLatin1Char(' ') + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
  if (errorCount > 0)
    ReportBuffer << QStringLiteral(" %1 selection(s) without a relation (\" ***Error\")").arg(errorCount);
  AppendReport(SetCount);
  RememberRelations(false);
  return finish();
}

void MatrixWizard::RememberRelations(bool intersections) {
  auto run = std::make_shared<RelationsRun>();
  run->WorkingSet = *WorkingSetMatrix;
  run->Job = MakeUnivariantJob(FilterDuplicates || intersections);
  run->Job.WorkingSet = &run->WorkingSet;
  run->Intersections = intersections;
  run->A = AssemblageA;
  run->B = AssemblageB;
  lastRelations_ = std::move(run);
}

CommandOutcome MatrixWizard::SaveRelationsCsv(const QString& path) {
  if (!lastRelations_) return CommandOutcome::Failed;
  const std::shared_ptr<const RelationsRun> run = lastRelations_;
  UnivariantJob job = run->Job;
  job.RowOutput = RowFormat::Csv;
  const std::uint64_t total = SelectionCount(job);
  Busy = true;
  const bool intersect = IntersectEnabled;
  CommandOutcome outcome = CommandOutcome::Done;
  auto finish = [&] {
    Events();
    Busy = false;
    IntersectEnabled = intersect;
    return outcome;
  };
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) {
    ctx_.Prompt->FileError(FileErrorText(path, out.errorString()));
    outcome = CommandOutcome::Failed;
    return finish();
  }
  LineWriter rows(out);
  rows.Line(RowsHeader(RowFormat::Csv, job.Names, job.SetCount, job.Format.DecimalSeparator));
  cancel_.store(false);
  ProgressTo(static_cast<std::int64_t>(std::min<std::uint64_t>(total, INT64_MAX)), 0,
             QStringLiteral("Writing to file ..."));
  const UnivariantStream r = StreamRelations(
      job, 0, total == 0 ? 0 : total - 1, ctx_.Threads, FileBlockSelections, cancel_,
      [&](const StreamedRelation& rel) {
        if (rel.Row.empty()) return true;
        if (run->Intersections && !SeparatesAssemblages(std::string(rel.Line), job.SetCount, run->A, run->B,
                                                        job.Format.DecimalSeparator))
          return true;
        rows.Line(rel.Row);
        return rows.Ok();
      },
      [&](std::uint64_t done) {
        Events();
        ProgressTo(static_cast<std::int64_t>(std::min<std::uint64_t>(total, INT64_MAX)),
                   static_cast<std::int64_t>(std::min<std::uint64_t>(done, INT64_MAX)),
                   QStringLiteral("Writing to file ..."));
      });
  if (r.Cancelled) {
    cancel_.store(false);
    out.cancelWriting();
    outcome = CommandOutcome::Cancelled;
    return finish();
  }
  if (r.Stopped || !rows.Flush() || !out.commit()) {
    ctx_.Prompt->FileError(FileErrorText(path, out.errorString()));
    outcome = CommandOutcome::Failed;
  }
  return finish();
}

}  // namespace varnel

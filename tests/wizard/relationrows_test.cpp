#include "wizard/relationrows.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "wizard/relations.h"

namespace varnel {
namespace {

// Six phases in a space of rank 3: selections of four, some degenerate, and
// names that need escaping in every format.
struct RowSet {
  RowSet() {
    const Real columns[6][3] = {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}, {0, 0, 1}, {1, 2, 3}};
    for (int c = 1; c <= 6; ++c)
      for (int i = 1; i <= 3; ++i) matrix(i, c) = columns[c - 1][i - 1];
    job.WorkingSet = &matrix;
    job.Rows = 3;
    job.SetCount = 6;
    job.SetRank = 3;
    job.Names = {"", "Fo", "En \"opx\"", "Qz, alpha", "back\\slash", "tab\there", "Grt\x01"};
  }
  UnivariantResult Run(RowFormat rows, bool filter = false) {
    job.RowOutput = rows;
    job.FilterDuplicates = filter;
    std::atomic<bool> cancel{false};
    return FindUnivariants(job, 0, SelectionCount(job) - 1, 2, cancel);
  }
  FMatrix matrix;
  UnivariantJob job;
};

// The coefficient fields of a report line, as printed, without their
// leading spaces.
QStringList Fields(const std::string& line, int count) {
  QStringList all = QString::fromStdString(line).split(QLatin1Char('\t'));
  QStringList out;
  for (int k = 0; k < count; ++k) out << all[k].trimmed();
  return out;
}

TEST(RelationRows, TsvRowsCarryTheReportsCoefficientsWithSelectionAndRank) {
  RowSet set;
  const UnivariantResult r = set.Run(RowFormat::Tsv);
  ASSERT_EQ(r.DataRows.size(), r.Lines.size());
  EXPECT_EQ(RowsHeader(RowFormat::Tsv, set.job.Names, 6, '.'),
            "selection\tdegenerate\trank\tFo\tEn \"opx\"\tQz, alpha\tback\\slash\ttab here\tGrt\x01");
  QString label;
  int relations = 0, degenerate = 0;
  for (std::size_t k = 0; k < r.Lines.size(); ++k) {
    const std::string& line = r.Lines[k];
    if (line.front() == '[') {
      EXPECT_TRUE(r.DataRows[k].empty()) << "a label line has no row of its own";
      label = QString::fromStdString(line);
      continue;
    }
    ASSERT_NE(line, " ***Error");
    const QStringList row = QString::fromStdString(r.DataRows[k]).split(QLatin1Char('\t'));
    ASSERT_EQ(row.size(), 3 + 6) << r.DataRows[k];
    // "[2, 5] D(r = 2)": the selection, then the degenerate mark and rank.
    const qsizetype mark = label.indexOf(QStringLiteral(" D(r = "));
    EXPECT_EQ(row[0], mark < 0 ? label : label.left(mark));
    EXPECT_EQ(row[1], mark < 0 ? QStringLiteral("no") : QStringLiteral("yes"));
    EXPECT_EQ(row[2], mark < 0 ? QStringLiteral("3") : label.mid(mark + 7).chopped(1));
    EXPECT_EQ(row.mid(3), Fields(line, 6)) << line;
    ++relations;
    degenerate += mark >= 0;
  }
  EXPECT_GE(relations, 15);
  EXPECT_GT(degenerate, 0);
}

TEST(RelationRows, JsonRowsParseAndNameEachPhaseWithItsCoefficient) {
  RowSet set;
  set.job.Format.Style = StyleExp;
  set.job.Format.DecimalSeparator = ',';  // JSON keeps its "." all the same
  const UnivariantResult r = set.Run(RowFormat::Json);
  int rows = 0;
  QString label;
  for (std::size_t k = 0; k < r.Lines.size(); ++k) {
    if (r.Lines[k].front() == '[') label = QString::fromStdString(r.Lines[k]);
    if (r.DataRows[k].empty()) continue;
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.DataRows[k]), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.DataRows[k];
    EXPECT_FALSE(o[QStringLiteral("error")].toBool());
    EXPECT_EQ(o[QStringLiteral("degenerate")].toBool(), label.contains(QStringLiteral(" D(r = ")));
    QStringList numbers;
    for (const QJsonValue v : o[QStringLiteral("selection")].toArray()) numbers << QString::number(v.toInt());
    EXPECT_TRUE(label.startsWith(QLatin1Char('[') + numbers.join(QStringLiteral(", ")) + QLatin1Char(']')));
    // The phases are the report line's non-zero coefficients, in order.
    QStringList expected, got;
    const QStringList fields = Fields(r.Lines[k], 6);
    for (int c = 0; c < 6; ++c) {
      const double v = QString(fields[c]).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
      if (v != 0)
        expected << QString::fromStdString(set.job.Names[static_cast<std::size_t>(c + 1)]) +
                        QLatin1Char('=') + QString::number(v, 'g', 17);
    }
    for (const QJsonValue p : o[QStringLiteral("phases")].toArray())
      got << p[QStringLiteral("name")].toString() + QLatin1Char('=') +
                 QString::number(p[QStringLiteral("coefficient")].toDouble(), 'g', 17);
    EXPECT_EQ(got, expected) << r.DataRows[k];
    ++rows;
  }
  EXPECT_GT(rows, 10);
}

TEST(RelationRows, FilteredRowsFollowTheFilteredLinesAndErrorsAreMarked) {
  RowSet set;
  const UnivariantResult filtered = set.Run(RowFormat::Tsv, true);
  ASSERT_EQ(filtered.DataRows.size(), filtered.Lines.size());
  for (std::size_t k = 0; k < filtered.Lines.size(); ++k) {
    const QStringList row = QString::fromStdString(filtered.DataRows[k]).split(QLatin1Char('\t'));
    EXPECT_EQ(row.mid(3), Fields(filtered.Lines[k], 6));
    EXPECT_TRUE(row[0].startsWith(QLatin1Char('['))) << "the first selection that found it";
  }
  // A claimed rank the columns do not have: no relation, an error row.
  FMatrix independent;
  for (int i = 1; i <= 3; ++i) independent(i, i) = 1;
  UnivariantJob job;
  job.WorkingSet = &independent;
  job.Rows = 3;
  job.SetCount = 3;
  job.SetRank = 2;
  job.Names = {"", "A", "B", "C"};
  std::atomic<bool> cancel{false};
  for (const auto& [format, expected] :
       {std::pair{RowFormat::Tsv, std::string("[]\terror\t\t\t\t")},
        std::pair{RowFormat::Csv, std::string("[],error,,,,")},
        std::pair{RowFormat::Json, std::string("{\"selection\":[],\"error\":true,\"phases\":[]}")}}) {
    job.RowOutput = format;
    const UnivariantResult r = FindUnivariants(job, 0, 0, 1, cancel);
    ASSERT_EQ(r.DataRows.size(), 2u);
    EXPECT_EQ(r.DataRows[1], expected);
  }
}

TEST(RelationRows, CsvQuotesWhatNeedsItAndJsonEscapesEveryControlCharacter) {
  const std::vector<std::string> names{"", "plain", "a,b", "say \"hi\"", " edge", "semi;colon"};
  EXPECT_EQ(RowsHeader(RowFormat::Csv, names, 5, '.'),
            "selection,degenerate,rank,plain,\"a,b\",\"say \"\"hi\"\"\",\" edge\",semi;colon");
  EXPECT_EQ(RowsHeader(RowFormat::Csv, names, 5, ','),
            "selection;degenerate;rank;plain;a,b;\"say \"\"hi\"\"\";\" edge\";\"semi;colon\"");
  EXPECT_EQ(RowsHeader(RowFormat::Json, names, 5, '.'), "");
  const std::string tricky = std::string("q\"b\\n\nt\tc\x01\x1f\x7f") + "\xc3\xa9";
  std::string json;
  AppendJsonString(json, tricky);
  EXPECT_EQ(json, "\"q\\\"b\\\\n\\nt\\tc\\u0001\\u001f\\u007f\xc3\xa9\"");
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString("[" + json + "]"), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError);
  EXPECT_EQ(doc.array()[0].toString().toStdString(), tricky);
  // A selection of several positions in CSV is one quoted field.
  const int removed[] = {1, 3};
  const Real x[] = {2, -1};
  const int members[] = {2, 4};
  RelationRecord record;
  record.Removed = removed;
  record.Rank = 2;
  record.X = x;
  record.Members = members;
  RelationFormat f;
  std::string row;
  AppendRelationRow(row, RowFormat::Csv, record, names, 5, f);
  EXPECT_EQ(row, "\"[1, 3]\",no,2,0.0000,2.0000,0.0000,-1.0000,0.0000");
  row.clear();
  record.Whole = true;
  f.DecimalSeparator = ',';
  AppendRelationRow(row, RowFormat::Csv, record, names, 5, f);
  EXPECT_EQ(row, "[1, 3];no;2;0;2;0;-1;0");
}

}  // namespace
}  // namespace varnel

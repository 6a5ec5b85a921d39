#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "program/commandline.h"
#include "tests/support/batchrun.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

using test::RunBatch;

const QString Sample = QStringLiteral(VARNEL_SOURCE_DIR "/examples/peridotite.vnp");

// The end members: seven phases on five components, rank 5.
const QStringList EndMembers{"wizard", Sample, "--cases", "11-17", "--decimal-separator", "."};
// All seventeen cases at rank 5: 12376 univariant selections.
const QStringList AllCases{"wizard", Sample, "--cases", "1-17", "--rank", "5", "--yes", "--univariants"};
const QStringList AllCasesInOneRange = AllCases + QStringList{"--range", "0-12375"};

TEST(WizardCommand, PrintsTheReportOfEveryStep) {
  const test::BatchOutput r =
      RunBatch(EndMembers + QStringList{"--no-svd-matrices", "--univariants", "--reaction-space"});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QStringList out = r.OutLines();
  EXPECT_TRUE(out[0].startsWith(QStringLiteral("Matrix analysis results. (Varnel ")));
  EXPECT_EQ(out[3], QStringLiteral(" 11\t 12\t 13\t 14\t 15\t 16\t 17\t (Case numbers)"));
  EXPECT_EQ(out[5], QStringLiteral(" Fo\t Fa\t En\t Di\t Py\t Grs\t Sp\t Label#"));
  EXPECT_TRUE(out.contains(QStringLiteral(" INPUT MATRIX:")));
  EXPECT_FALSE(out.contains(QStringLiteral(" MATRIX U:")));
  // The commands run in the order given: univariants first.
  const qsizetype univariants =
      out.indexOf(QStringLiteral(" Working Set contains 7 rank+1 column selections (\"univariants\")"));
  const qsizetype space = out.indexOf(QStringLiteral(" REACTION SPACE"));
  EXPECT_GT(univariants, 0);
  EXPECT_GT(space, univariants);
  EXPECT_EQ(out[univariants + 4], QStringLiteral("[1]"));
  EXPECT_EQ(out.count(QStringLiteral(" ***Error")), 0);
}

TEST(WizardCommand, StepsAreReadAsTheParserReadsThem) {
  // A single dash names the same option as two; the steps keep their order.
  const auto reportOf = [](const QStringList& steps) {
    test::BatchOutput r = RunBatch(EndMembers + QStringList{"--no-svd-matrices"} + steps);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QStringList lines = r.OutLines();
    lines.removeAt(1);  // the time of the run
    return lines;
  };
  const QStringList dashes = reportOf({"--univariants", "--reaction-space"});
  EXPECT_EQ(reportOf({"-univariants", "-reaction-space"}), dashes);
  EXPECT_EQ(reportOf({"-univariants", "--reaction-space"}), dashes);
  EXPECT_NE(reportOf({"-reaction-space", "-univariants"}), dashes);
  EXPECT_TRUE(dashes.contains(QStringLiteral(" REACTION SPACE")));
  // With no step the run stops after the Model page.
  EXPECT_FALSE(reportOf({}).contains(QStringLiteral(" REACTION SPACE")));
  // --range goes with the univariants alone, however they are written.
  EXPECT_EQ(RunBatch(EndMembers + QStringList{"-univariants", "--range", "0-2"}).status, 0);
  EXPECT_EQ(RunBatch(EndMembers + QStringList{"-univariants", "-reaction-space", "--range", "0-2"}).status,
            2);
}

TEST(WizardCommand, AQuestionWithoutYesEndsTheRun) {
  // All seventeen cases have rank 5; a model of rank 4 is below the guess rank.
  const QStringList args{"wizard", Sample, "--cases", "1-17", "--rank", "4", "--univariants"};
  const QString unfiltered = QStringLiteral(" \"Univariant\" relation(s): (unfiltered)");
  const test::BatchOutput asked = RunBatch(args);
  EXPECT_EQ(asked.status, 1);
  EXPECT_TRUE(asked.err.contains(QStringLiteral("Requested model rank is lower than input threshold rank.")));
  EXPECT_FALSE(asked.OutLines().contains(unfiltered));
  const test::BatchOutput yes = RunBatch(args + QStringList{"--yes"});
  EXPECT_EQ(yes.status, 0);
  EXPECT_TRUE(yes.OutLines().contains(unfiltered));
}

TEST(WizardCommand, RangesJoinIntoTheFullListAndFilteredPartsMerge) {
  ASSERT_EQ(RunBatch(AllCases.mid(0, AllCases.size() - 1) + QStringList{"--count"}).out,
            QByteArray("12376\n"));
  const test::BatchOutput full = RunBatch(AllCases);
  ASSERT_EQ(full.status, 0);
  QByteArray joined;
  for (const QString range : {"0-0", "1-4000", "4001-9999", "10000-12375"}) {
    const test::BatchOutput part = RunBatch(AllCases + QStringList{"--range", range});
    ASSERT_EQ(part.status, 0) << part.err.toStdString();
    joined += part.out;
  }
  // The list is the end of the report, after the names line.
  ASSERT_TRUE(full.out.endsWith(joined));
  EXPECT_TRUE(joined.startsWith("[1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11]\n"));
  EXPECT_EQ(RunBatch(AllCasesInOneRange + QStringList{"--threads", "1"}).out, joined);

  QTemporaryDir dir;
  const QStringList filtered = AllCases + QStringList{"--filter-duplicates"};
  QStringList parts{"merge-relations"};
  for (const QString range : {"0-5000", "5001-12375"}) {
    parts << dir.filePath(range);
    test::WriteFileOrFail(parts.last(), RunBatch(filtered + QStringList{"--range", range}).out);
  }
  const test::BatchOutput merged = RunBatch(parts);
  ASSERT_EQ(merged.status, 0) << merged.err.toStdString();
  const test::BatchOutput one = RunBatch(filtered);
  EXPECT_TRUE(one.out.endsWith(merged.out));
  const qsizetype total = merged.OutLines().size();
  EXPECT_TRUE(one.OutLines().contains(
      QStringLiteral(" \"Univariant\" relation(s): (filtered, totalling %1)").arg(total)));
  EXPECT_LT(total, 12376);
}

// A full disk under the report must not pass for a finished run.
TEST(WizardCommand, AnOutputThatCannotBeWrittenIsAFailure) {
  for (const QStringList& args :
       {QStringList{"--version"}, EndMembers + QStringList{"--univariants"}, AllCasesInOneRange}) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (!full) GTEST_SKIP() << "no /dev/full here";
    std::FILE* err = std::tmpfile();
    const int status = RunBatchCommand(args, full, err);
    std::fclose(full);
    const QString message = QString::fromUtf8(test::ReadBack(err));
    EXPECT_EQ(status, 1) << args.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("varnel: the output could not be written in full")))
        << message.toStdString();
  }
}

TEST(WizardCommand, WrongUsageAndRefusals) {
  struct Case {
    QStringList args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {EndMembers + QStringList{"--univariants", "--range", "5-2"}, 2, ""},
      {EndMembers + QStringList{"--reaction-space", "--range", "0-2"}, 2, ""},
      {EndMembers + QStringList{"--weights", "1,2"}, 2, ""},
      {EndMembers + QStringList{"--threshold", "abc"}, 2, ""},
      {{"wizard", Sample}, 2, ""},
      {EndMembers + QStringList{"--rank", "9"}, 1, "--rank must lie between 1 and 5"},
      // Intersections need both assemblages.
      {EndMembers + QStringList{"--intersections"}, 1, "Intersections is not available"},
      {{"merge-relations", "/no/such/part"}, 1, ""},
      {EndMembers + QStringList{"--univariants", "--min-coefficient", "1"}, 2, ""},
      {EndMembers + QStringList{"--univariants", "--min-coefficient", "x"}, 2, ""},
      {EndMembers + QStringList{"--univariants", "--integer-bound", "5"}, 2, ""},
      {EndMembers + QStringList{"--univariants", "--integers", "--integer-bound", "0"}, 2, ""},
      {EndMembers + QStringList{"--univariants", "--format", "xml"}, 2, ""},
      {EndMembers + QStringList{"--reaction-space", "--format", "tsv"}, 2, ""},
      {EndMembers + QStringList{"--univariants", "--intersections", "--format", "json"}, 2, ""},
      {EndMembers + QStringList{"--intersections", "--format", "json"}, 1, "Intersections is not available"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    const test::BatchOutput r = RunBatch(c.args);
    EXPECT_EQ(r.status, c.status);
    if (*c.message) {
      EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
    }
  }
}

// The relation lines of a text report: what follows its names line.
QStringList RelationLines(const QStringList& report, const QString& names) {
  const qsizetype at = report.lastIndexOf(names);
  EXPECT_GE(at, 0);
  return report.mid(at + 1);
}

TEST(WizardCommand, TheCutOffDropsRoundingNoiseFromTheRelations) {
  const QString names = QStringLiteral(" Fo\t Fa\t En\t Di\t Py\t Grs\t Sp");
  const QStringList plain =
      RelationLines(RunBatch(EndMembers + QStringList{"--univariants"}).OutLines(), names);
  const QStringList cut = RelationLines(
      RunBatch(EndMembers + QStringList{"--univariants", "--min-coefficient", "1E-4"}).OutLines(), names);
  ASSERT_EQ(plain.size(), cut.size());
  // Spinel's coefficient in the garnet relation is noise of 7E-6 of the
  // largest; without the cut-off the relation is scaled on it.
  int noisy = 0;
  for (qsizetype k = 0; k < plain.size(); ++k) {
    if (!plain[k].contains(QStringLiteral(" 1.0000 Sp"))) continue;
    if (!plain[k].contains(QStringLiteral(" Grs"))) continue;
    ++noisy;
    EXPECT_FALSE(cut[k].contains(QStringLiteral("Sp"))) << cut[k].toStdString();
    EXPECT_TRUE(cut[k].contains(QStringLiteral(" 1.0000 "))) << "scaled on what remains";
    EXPECT_TRUE(cut[k].section(QLatin1Char('\t'), 6, 6) == QStringLiteral(" 0.0000"));
  }
  EXPECT_GT(noisy, 0);
}

TEST(WizardCommand, WholeNumberReactionsFromMolarCompositions) {
  const QString moles = QStringLiteral(VARNEL_SOURCE_DIR "/examples/endmembers-moles.vnp");
  const QStringList base{"wizard", moles, "--cases", "1-4", "--univariants", "--decimal-separator", "."};
  const QStringList whole = RunBatch(base + QStringList{"--integers"}).OutLines();
  EXPECT_TRUE(whole.last() == QStringLiteral(" 6\t-3\t-1\t 1\t | 6 En + Grs = 3 Di + Py") ||
              whole.last() == QStringLiteral("-6\t 3\t 1\t-1\t | 3 Di + Py = 6 En + Grs"))
      << whole.last().toStdString();
  // Up to 5 no whole numbers fit: the scaled form, as without the option.
  const QStringList bounded = RunBatch(base + QStringList{"--integers", "--integer-bound", "5"}).OutLines();
  const QStringList scaled = RunBatch(base).OutLines();
  EXPECT_EQ(bounded.last(), scaled.last());
  EXPECT_TRUE(scaled.last().contains(QStringLiteral(" 6.0000 En"))) << scaled.last().toStdString();
}

TEST(WizardCommand, RelationsAsTsvAndJsonRowsMatchTheTextReport) {
  const QStringList args = EndMembers + QStringList{"--univariants"};
  const QStringList text =
      RelationLines(RunBatch(args).OutLines(), QStringLiteral(" Fo\t Fa\t En\t Di\t Py\t Grs\t Sp"));
  const test::BatchOutput tsv = RunBatch(args + QStringList{"--format", "tsv"});
  ASSERT_EQ(tsv.status, 0) << tsv.err.toStdString();
  const QStringList rows = tsv.OutLines();
  ASSERT_FALSE(rows.isEmpty());
  EXPECT_EQ(rows[0], QStringLiteral("selection\tdegenerate\trank\tFo\tFa\tEn\tDi\tPy\tGrs\tSp"));
  // Each relation line of the report is one row, under its selection.
  QStringList expected;
  QString label;
  for (const QString& line : text) {
    if (line.startsWith(QLatin1Char('['))) {
      label = line;
      continue;
    }
    QStringList fields = line.section(QStringLiteral("\t | "), 0, 0).split(QLatin1Char('\t'));
    for (QString& f : fields) f = f.trimmed();
    // "[2] D(r = 4)": a degenerate selection of rank 4.
    const qsizetype mark = label.indexOf(QStringLiteral(" D(r = "));
    const QString flags =
        mark < 0 ? QStringLiteral("\tno\t5\t")
                 : QStringLiteral("\tyes\t") + label.mid(mark + 7).chopped(1) + QLatin1Char('\t');
    expected << label.left(mark < 0 ? label.size() : mark) + flags + fields.join(QLatin1Char('\t'));
  }
  EXPECT_EQ(rows.mid(1), expected);

  const test::BatchOutput json = RunBatch(args + QStringList{"--format", "json"});
  ASSERT_EQ(json.status, 0);
  const QStringList objects = json.OutLines();
  ASSERT_EQ(objects.size(), expected.size());
  EXPECT_TRUE(
      objects[0].startsWith(QStringLiteral("{\"selection\":[1],\"error\":false,\"degenerate\":false,"
                                           "\"rank\":5,\"phases\":[{\"name\":\"")))
      << objects[0].toStdString();
}

TEST(WizardCommand, WeightsAndTheirLines) {
  const test::BatchOutput r =
      RunBatch(EndMembers + QStringList{"--weights", "1,2,1,1,0", "--output-weighted"});
  ASSERT_EQ(r.status, 0);
  const QStringList out = r.OutLines();
  EXPECT_TRUE(r.err.contains(QStringLiteral("Row Weights: Zero entry for component CaO")));
  const qsizetype at = out.indexOf(QStringLiteral(" ****ROW WEIGHTING IS ENABLED"));
  ASSERT_GT(at, 0);
  EXPECT_EQ(out[at + 1], QStringLiteral(" ** New weights are in effect."));
  EXPECT_EQ(out[at + 4], QStringLiteral(" 1.0000\t 2.0000\t 1.0000\t 1.0000\t 1.0000"));
  EXPECT_EQ(out[at + 6], QStringLiteral(" WEIGHTED INPUT MATRIX:"));
}

// GNU parallel runs the shards; the joined bytes are those of one run.
TEST(WizardCommand, ParallelScriptGivesTheBytesOfOneRun) {
  QProcess script;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("VARNEL"), QStringLiteral(VARNEL_BINARY));
  env.insert(QStringLiteral("JOBS"), QStringLiteral("2"));
  script.setProcessEnvironment(env);
  script.start(QStringLiteral(VARNEL_SOURCE_DIR "/scripts/univariants-parallel.sh"),
               {Sample, "4", "--cases", "1-17", "--rank", "5", "--yes"});
  ASSERT_TRUE(script.waitForFinished(300000));
  ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
  const QByteArray sharded = script.readAllStandardOutput();
  const QByteArray one = RunBatch(AllCasesInOneRange).out;
  EXPECT_EQ(sharded.size(), one.size());
  EXPECT_TRUE(sharded == one);
}

}  // namespace
}  // namespace varnel

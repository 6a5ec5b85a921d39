#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "program/commandline.h"
#include "tests/support/batchrun.h"

namespace varnel {
namespace {

const QString Sample = QStringLiteral(VARNEL_SOURCE_DIR "/examples/peridotite.vnp");

struct Outcome {
  int status;
  QByteArray out;
  QString err;
};

Outcome Wizard(QStringList args) {
  const test::BatchOutput r = test::RunBatch(args);
  return {r.status, r.out, r.err};
}

QStringList Lines(const QByteArray& bytes) {
  QStringList l = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
  if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
  return l;
}

// The end members: seven phases on five components, rank 5.
const QStringList EndMembers{QStringLiteral("wizard"),
                             Sample,
                             QStringLiteral("--cases"),
                             QStringLiteral("11-17"),
                             QStringLiteral("--decimal-separator"),
                             QStringLiteral(".")};

TEST(WizardCommand, PrintsTheReportOfEveryStep) {
  const Outcome r =
      Wizard(EndMembers + QStringList{QStringLiteral("--no-svd-matrices"), QStringLiteral("--univariants"),
                                      QStringLiteral("--reaction-space")});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QStringList out = Lines(r.out);
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

TEST(WizardCommand, AQuestionWithoutYesEndsTheRun) {
  // All seventeen cases have rank 5; a model of rank 4 is below the guess rank.
  const QStringList args{QStringLiteral("wizard"),       Sample,
                         QStringLiteral("--cases"),      QStringLiteral("1-17"),
                         QStringLiteral("--rank"),       QStringLiteral("4"),
                         QStringLiteral("--univariants")};
  const Outcome asked = Wizard(args);
  EXPECT_EQ(asked.status, 1);
  EXPECT_TRUE(asked.err.contains(QStringLiteral("Requested model rank is lower than input threshold rank.")));
  EXPECT_FALSE(Lines(asked.out).contains(QStringLiteral(" \"Univariant\" relation(s): (unfiltered)")));
  const Outcome yes = Wizard(args + QStringList{QStringLiteral("--yes")});
  EXPECT_EQ(yes.status, 0);
  EXPECT_TRUE(Lines(yes.out).contains(QStringLiteral(" \"Univariant\" relation(s): (unfiltered)")));
}

TEST(WizardCommand, RangesJoinIntoTheFullListAndFilteredPartsMerge) {
  const QStringList base{QStringLiteral("wizard"),  Sample,
                         QStringLiteral("--cases"), QStringLiteral("1-17"),
                         QStringLiteral("--rank"),  QStringLiteral("5"),
                         QStringLiteral("--yes"),   QStringLiteral("--univariants")};
  const Outcome count =
      Wizard(QStringList(base.begin(), base.end() - 1) + QStringList{QStringLiteral("--count")});
  ASSERT_EQ(count.out, QByteArray("12376\n"));
  const Outcome full = Wizard(base);
  ASSERT_EQ(full.status, 0);
  QByteArray joined;
  for (const char* range : {"0-0", "1-4000", "4001-9999", "10000-12375"}) {
    const Outcome part = Wizard(base + QStringList{QStringLiteral("--range"), QString::fromLatin1(range)});
    ASSERT_EQ(part.status, 0) << part.err.toStdString();
    joined += part.out;
  }
  // The list is the end of the report, after the names line.
  ASSERT_TRUE(full.out.endsWith(joined));
  EXPECT_TRUE(joined.startsWith("[1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11]\n"));
  EXPECT_EQ(Wizard(base + QStringList{QStringLiteral("--range"), QStringLiteral("0-12375"),
                                      QStringLiteral("--threads"), QStringLiteral("1")})
                .out,
            joined);

  QTemporaryDir dir;
  const QStringList filtered = base + QStringList{QStringLiteral("--filter-duplicates")};
  QStringList parts{QStringLiteral("merge-relations")};
  for (const char* range : {"0-5000", "5001-12375"}) {
    const Outcome part =
        Wizard(filtered + QStringList{QStringLiteral("--range"), QString::fromLatin1(range)});
    const QString path = dir.filePath(QString::fromLatin1(range));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(part.out);
    parts << path;
  }
  const Outcome merged = Wizard(parts);
  ASSERT_EQ(merged.status, 0) << merged.err.toStdString();
  const Outcome one = Wizard(filtered);
  EXPECT_TRUE(one.out.endsWith(merged.out));
  const QStringList lines = Lines(one.out);
  const qsizetype total = Lines(merged.out).size();
  EXPECT_TRUE(
      lines.contains(QStringLiteral(" \"Univariant\" relation(s): (filtered, totalling %1)").arg(total)));
  EXPECT_LT(total, 12376);
}

// A full disk under the report must not pass for a finished run.
TEST(WizardCommand, AnOutputThatCannotBeWrittenIsAFailure) {
  const QStringList ranged{QStringLiteral("wizard"),  Sample,
                           QStringLiteral("--cases"), QStringLiteral("1-17"),
                           QStringLiteral("--rank"),  QStringLiteral("5"),
                           QStringLiteral("--yes"),   QStringLiteral("--univariants"),
                           QStringLiteral("--range"), QStringLiteral("0-12375")};
  for (const QStringList& args : {QStringList{QStringLiteral("--version")},
                                  EndMembers + QStringList{QStringLiteral("--univariants")}, ranged}) {
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
  EXPECT_EQ(Wizard(EndMembers + QStringList{QStringLiteral("--univariants"), QStringLiteral("--range"),
                                            QStringLiteral("5-2")})
                .status,
            2);
  EXPECT_EQ(Wizard(EndMembers + QStringList{QStringLiteral("--reaction-space"), QStringLiteral("--range"),
                                            QStringLiteral("0-2")})
                .status,
            2);
  EXPECT_EQ(Wizard(EndMembers + QStringList{QStringLiteral("--weights"), QStringLiteral("1,2")}).status, 2);
  EXPECT_EQ(Wizard(EndMembers + QStringList{QStringLiteral("--threshold"), QStringLiteral("abc")}).status, 2);
  EXPECT_EQ(Wizard({QStringLiteral("wizard"), Sample}).status, 2);
  const Outcome rank = Wizard(EndMembers + QStringList{QStringLiteral("--rank"), QStringLiteral("9")});
  EXPECT_EQ(rank.status, 1);
  EXPECT_TRUE(rank.err.contains(QStringLiteral("--rank must lie between 1 and 5")));
  // Intersections need both assemblages.
  const Outcome none = Wizard(EndMembers + QStringList{QStringLiteral("--intersections")});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(none.err.contains(QStringLiteral("Intersections is not available")));
  const Outcome bad = Wizard({QStringLiteral("merge-relations"), QStringLiteral("/no/such/part")});
  EXPECT_EQ(bad.status, 1);
}

TEST(WizardCommand, WeightsAndTheirLines) {
  const Outcome r = Wizard(EndMembers + QStringList{QStringLiteral("--weights"), QStringLiteral("1,2,1,1,0"),
                                                    QStringLiteral("--output-weighted")});
  ASSERT_EQ(r.status, 0);
  const QStringList out = Lines(r.out);
  EXPECT_TRUE(r.err.contains(QStringLiteral("Row Weights: Zero entry for component CaO")));
  const qsizetype at = out.indexOf(QStringLiteral(" ****ROW WEIGHTING IS ENABLED"));
  ASSERT_GT(at, 0);
  EXPECT_EQ(out[at + 1], QStringLiteral(" ** New weights are in effect."));
  EXPECT_EQ(out[at + 4], QStringLiteral(" 1.0000\t 2.0000\t 1.0000\t 1.0000\t 1.0000"));
  EXPECT_EQ(out[at + 6], QStringLiteral(" WEIGHTED INPUT MATRIX:"));
}

// GNU parallel runs the shards; the joined bytes are those of one run.
TEST(WizardCommand, ParallelScriptGivesTheBytesOfOneRun) {
  const QStringList options{Sample,
                            QStringLiteral("4"),
                            QStringLiteral("--cases"),
                            QStringLiteral("1-17"),
                            QStringLiteral("--rank"),
                            QStringLiteral("5"),
                            QStringLiteral("--yes")};
  QProcess script;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("VARNEL"), QStringLiteral(VARNEL_BINARY));
  env.insert(QStringLiteral("JOBS"), QStringLiteral("2"));
  script.setProcessEnvironment(env);
  script.start(QStringLiteral(VARNEL_SOURCE_DIR "/scripts/univariants-parallel.sh"), options);
  ASSERT_TRUE(script.waitForFinished(300000));
  ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
  const QByteArray sharded = script.readAllStandardOutput();
  const Outcome one =
      Wizard({QStringLiteral("wizard"), Sample, QStringLiteral("--cases"), QStringLiteral("1-17"),
              QStringLiteral("--rank"), QStringLiteral("5"), QStringLiteral("--yes"),
              QStringLiteral("--univariants"), QStringLiteral("--range"), QStringLiteral("0-12375")});
  EXPECT_EQ(sharded.size(), one.out.size());
  EXPECT_TRUE(sharded == one.out);
}

}  // namespace
}  // namespace varnel

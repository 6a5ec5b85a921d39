#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdint>

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

// Thirty-four cases on seventeen components at rank 16: C(34, 17) =
// 2,333,606,220 univariant selections, beyond a signed 32-bit count.
QString WideSet(const QTemporaryDir& dir) {
  QByteArray text = ";;wide\r\nLabel#";
  for (int v = 1; v <= 17; ++v) text += "\tX" + QByteArray::number(v);
  text += "\r\n";
  std::uint32_t state = 12345;
  for (int c = 1; c <= 34; ++c) {
    text += "P" + QByteArray::number(c);
    for (int v = 1; v <= 17; ++v) {
      state = state * 1103515245u + 12345u;
      text += "\t" + QByteArray::number(1 + (state >> 16) % 97);
    }
    text += "\r\n";
  }
  const QString path = dir.filePath(QStringLiteral("wide.vnp"));
  test::WriteFileOrFail(path, text);
  return path;
}

TEST(WizardCommand, SelectionCountsBeyondThirtyTwoBitsAreNoError) {
  QTemporaryDir dir;
  const QStringList wide{"wizard", WideSet(dir), "--cases", "1-34", "--rank", "16", "--yes"};
  const test::BatchOutput count = RunBatch(wide + QStringList{"--count"});
  EXPECT_EQ(count.status, 0);
  EXPECT_EQ(count.out, QByteArray("2333606220\n"));
  EXPECT_FALSE(count.err.contains(QStringLiteral("error"))) << count.err.toStdString();
  for (const QString range : {"0-2", "2333606219-2333606219"}) {
    const test::BatchOutput part = RunBatch(wide + QStringList{"--univariants", "--range", range});
    EXPECT_EQ(part.status, 0) << part.err.toStdString();
    EXPECT_FALSE(part.err.contains(QStringLiteral("error"))) << part.err.toStdString();
    EXPECT_TRUE(part.out.startsWith("[")) << part.out.left(200).toStdString();
  }
  // The report names the count as it is.
  const test::BatchOutput space = RunBatch(wide + QStringList{"--reaction-space"});
  EXPECT_EQ(space.status, 0) << space.err.toStdString();
  EXPECT_FALSE(space.err.contains(QStringLiteral("Integer overflow"))) << space.err.toStdString();
}

// When the system refuses threads the command falls back to fewer, down to
// its own thread, and prints the same bytes. The process limit is set in a
// child process run as an unprivileged user, for whom it counts.
TEST(WizardCommand, RefusedThreadsGiveTheSameOutput) {
  if (geteuid() != 0) GTEST_SKIP() << "becoming another user to limit its processes needs root";
  if (!test::OthersCanReach(Sample)) GTEST_SKIP() << "the sample file is out of another user's reach";
  // Ranged, so that the report's date and time leave the bytes alone.
  for (const QStringList& args : {AllCasesInOneRange, AllCasesInOneRange + QStringList{"--filter-duplicates"}}) {
    const QByteArray expected = RunBatch(args + QStringList{"--threads", "1"}).out;
    ASSERT_FALSE(expected.isEmpty());
    const int status = test::RunInChild([&] {
      if (!test::BecomeNobody()) return 2;
      const struct rlimit limit{1, 1};
      if (setrlimit(RLIMIT_NPROC, &limit) != 0) return 3;
      std::FILE* out = std::tmpfile();
      std::FILE* err = std::tmpfile();
      if (!out || !err) return 4;
      const int run = RunBatchCommand(args + QStringList{"--threads", "4"}, out, err);
      if (run != 0) {
        std::fputs(test::ReadBack(err).constData(), stderr);
        return 10 + run;
      }
      return test::ReadBack(out) == expected ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << args.join(QLatin1Char(' ')).toStdString();
  }
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

// varnel merge-relations started with an address-space limit of budget
// bytes beyond what it maps once started; its exit status and messages.
struct LimitedRun {
  int status = -1;
  QProcess::ExitStatus how = QProcess::CrashExit;
  QByteArray err;
};
LimitedRun MergeWithin(const QString& part, std::size_t budget) {
  // What the program maps once started: measured while it waits for a FIFO.
  QTemporaryDir dir;
  const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("wait")));
  LimitedRun run;
  if (::mkfifo(fifo.constData(), 0600) != 0) return run;
  QProcess waiting;
  waiting.start(QStringLiteral(VARNEL_BINARY), {QStringLiteral("merge-relations"), QFile::decodeName(fifo)});
  waiting.waitForStarted();
  // Started up once it sleeps (in open(), for a writer) with a steady size.
  std::size_t started = 0, last = 0;
  for (int k = 0, steady = 0; k < 400 && steady < 4; ++k) {
    QThread::msleep(50);
    QFile status(QStringLiteral("/proc/%1/status").arg(waiting.processId()));
    if (!status.open(QIODevice::ReadOnly)) break;
    std::size_t size = 0;
    bool sleeping = false;
    for (const QByteArray& line : status.readAll().split('\n')) {
      if (line.startsWith("VmSize:")) size = line.mid(7).trimmed().split(' ').first().toULongLong() * 1024;
      if (line.startsWith("State:")) sleeping = line.contains("(sleeping)");
    }
    steady = sleeping && size == last && size > 0 ? steady + 1 : 0;
    last = size;
    if (steady == 4) started = size;
  }
  const int writer = ::open(fifo.constData(), O_WRONLY);
  if (writer >= 0) ::close(writer);
  waiting.waitForFinished(60000);
  if (started == 0) return run;
  QProcess limited;
  limited.setChildProcessModifier([limit = started + budget] {
    const struct rlimit l{limit, limit};
    setrlimit(RLIMIT_AS, &l);
  });
  limited.setStandardOutputFile(QProcess::nullDevice());
  limited.start(QStringLiteral(VARNEL_BINARY), {QStringLiteral("merge-relations"), part});
  limited.waitForFinished(300000);
  run.status = limited.exitCode();
  run.how = limited.exitStatus();
  run.err = limited.readAllStandardError();
  return run;
}

// A part of many distinct relations: the keys are held in little more than
// their bytes, so that a budget the standard containers would overrun (a
// node, a string and a line of their own per key) is enough; a budget too
// small for even that ends with a message and exit status 1, not an abort.
TEST(WizardCommand, ALargePartUnderAMemoryLimitIsMergedOrRefusedWithAMessage) {
  if (test::AddressSanitizerBuild)
    GTEST_SKIP() << "an address-space limit cannot work under AddressSanitizer";
  QTemporaryDir dir;
  const int count = 500000;
  QByteArray part;
  part.reserve(count * 130);
  for (int k = 0; k < count; ++k) {
    const QByteArray n = QByteArray::number(k);
    part += " 1.0000000000000;-0.5000000000000;" + n + ";0.2500000000000\t 1.0000\t-0.5000\t" + n +
            "\t 0.2500\t | 1.0000 A + 0.2500 D = 0.5000 B\n";
  }
  part += part.left(part.size() / 2);  // every relation of the first half once more
  const QString path = dir.filePath(QStringLiteral("large"));
  test::WriteFileOrFail(path, part);
  part = QByteArray();
  const LimitedRun enough = MergeWithin(path, std::size_t{100} << 20);
  ASSERT_EQ(enough.how, QProcess::NormalExit) << enough.err.toStdString();
  EXPECT_EQ(enough.status, 0) << enough.err.toStdString();
  const LimitedRun tight = MergeWithin(path, std::size_t{12} << 20);
  ASSERT_EQ(tight.how, QProcess::NormalExit) << tight.err.toStdString();
  EXPECT_EQ(tight.status, 1);
  EXPECT_TRUE(tight.err.startsWith("error: not enough memory to merge the relation parts")) << tight.err.toStdString();
}

// The hosts of PARALLEL_HOSTS, reached through a stand-in for ssh that runs
// each job on this machine with a /tmp of its own, as another machine
// would have: the parts must come back through parallel, not through this
// machine's temporary folder.
TEST(WizardCommand, ParallelScriptOnSeveralHostsBringsThePartsBack) {
  QTemporaryDir dir;
  const QString standIn = dir.filePath(QStringLiteral("ssh-standin"));
  test::WriteFileOrFail(standIn,
                        "#!/bin/sh\n"
                        "# ssh HOST [--] COMMAND...: COMMAND run here, with an empty /tmp of its own.\n"
                        "shift\n"
                        "[ \"$1\" = -- ] && shift\n"
                        "exec unshare -m sh -c 'mount -t tmpfs standin /tmp && exec sh -c \"$0\"' \"$*\"\n");
  QFile::setPermissions(standIn, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QProcess probe;
  probe.start(standIn, {QStringLiteral("host"), QStringLiteral("--"), QStringLiteral("test ! -e"),
                        dir.path()});
  if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
    GTEST_SKIP() << "no private mount namespace here: " << probe.readAllStandardError().toStdString();

  for (const bool filter : {false, true}) {
    SCOPED_TRACE(filter ? "filtered" : "unfiltered");
    QProcess script;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VARNEL"), QStringLiteral(VARNEL_BINARY));
    env.insert(QStringLiteral("JOBS"), QStringLiteral("1"));
    env.insert(QStringLiteral("PARALLEL_HOSTS"), QStringLiteral("alpha,beta"));
    env.insert(QStringLiteral("PARALLEL_SSH"), standIn);
    // As under a service or a CI runner, where no login set it.
    env.remove(QStringLiteral("SHELL"));
    script.setProcessEnvironment(env);
    QStringList args{Sample, "3", "--cases", "1-17", "--rank", "5", "--yes"};
    if (filter) args << QStringLiteral("--filter-duplicates");
    script.start(QStringLiteral(VARNEL_SOURCE_DIR "/scripts/univariants-parallel.sh"), args);
    ASSERT_TRUE(script.waitForFinished(300000));
    ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    const QByteArray sharded = script.readAllStandardOutput();
    if (!filter) {
      EXPECT_TRUE(sharded == RunBatch(AllCasesInOneRange).out);
    } else {
      const QByteArray one = RunBatch(AllCases + QStringList{"--filter-duplicates"}).out;
      EXPECT_GT(sharded.size(), 1000);
      EXPECT_TRUE(one.endsWith(sharded));
    }
  }
}

}  // namespace
}  // namespace varnel

#include "program/commandline.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "app/reporttarget.h"
#include "datasheet/datafiles.h"
#include "matrix/matrixreport.h"
#include "tests/support/batchrun.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

struct BatchRun {
  int status;
  QStringList out;
  QString err;
};

BatchRun Batch(const QStringList& args) {
  const test::BatchOutput r = test::RunBatch(args);
  return {r.status, r.OutLines(), r.err};
}

class CommandLineTest : public ::testing::Test {
 protected:
  CommandLineTest() {
    path = dir.filePath(QStringLiteral("garnets.vnp"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(
        ";;test\r\nLabel#\tSiO2\tAl2O3\tMgO\tComment#\r\nG1\t41.0\t23.2\t15.1\tx\r\nG2\t38.0\t21.5\t5."
        "1\ty\r\n"
        "G3\t37.0\t20.8\t1.2\tz\r\nBad\t38.0\t\t3.0\tw\r\n");
  }
  QTemporaryDir dir;
  QString path;
};

TEST_F(CommandLineTest, PrintsTheLinesTheWindowCommandWrites) {
  const BatchRun run =
      Batch({QStringLiteral("svd"), path, QStringLiteral("--cases"), QStringLiteral("1-3"),
             QStringLiteral("--style"), QStringLiteral("long"), QStringLiteral("--w-matrix")});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();

  // The same selection through the window's command.
  test::ScriptedPrompter prompter;
  Sheet sheet(prompter);
  sheet.New1Click();
  DataFiles files(sheet, nullptr, nullptr);
  ASSERT_TRUE(files.LoadDataFile(path));
  sheet.Sel = Selection{2, 1, 3, 3};
  LinesReport report;
  MatrixCommandContext context;
  context.ShowDialog = [](MatrixReportOptions& o) {
    o.CaseNameColumn = 1;
    o.Style = StyleLong;
    o.VectorizeW = false;
    return true;
  };
  context.Report = &report;
  context.Environment = [&sheet] {
    ReportEnvironment env;
    env.FileName = sheet.FileName;
    env.Now = QDateTime::currentDateTime();
    env.Version = QStringLiteral("**");
    return env;
  };
  ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
  ASSERT_EQ(run.out.size(), report.lines.size());
  for (int k = 0; k < run.out.size(); ++k) {
    if (k == 1) continue;  // "Computed on" the moment it ran
    EXPECT_EQ(run.out[k].toStdString(), report.lines[k].toStdString()) << "line " << k;
  }
  EXPECT_TRUE(run.out.contains(QStringLiteral(" MATRIX W: ")));
  EXPECT_TRUE(run.out.contains(QStringLiteral(" G1\t G2\t G3\t Label#")));
}

TEST_F(CommandLineTest, OptionsMirrorTheDialog) {
  const QString comma = dir.filePath(QStringLiteral("comma.vnp"));
  QFile f(comma);
  f.open(QIODevice::WriteOnly);
  f.write("Label#\tSiO2\tAl2O3\tMgO\r\nG1\t41,0\t23,2\t15,1\r\nG2\t38,0\t21,5\t5,1\r\nG3\t37\t20,8\t1,2\r\n");
  f.close();
  const BatchRun run =
      Batch({QStringLiteral("svd"), comma, QStringLiteral("--cases"), QStringLiteral("1-3"),
             QStringLiteral("--rows-are-cases"), QStringLiteral("--case-names"), QStringLiteral("none"),
             QStringLiteral("--no-variable-names"), QStringLiteral("--threshold"), QStringLiteral("0,5"),
             QStringLiteral("--decimal-separator"), QStringLiteral(",")});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out[3], QString()) << "no names line";
  EXPECT_EQ(run.out[6], QStringLiteral(" 41,0000\t 23,2000\t 15,1000\t 1"));
  EXPECT_TRUE(run.out.last().startsWith(QStringLiteral("Matrix Rank is ")));
  EXPECT_TRUE(
      run.out.last().endsWith(QStringLiteral(" (up to the specified zero threshold [0,5000000000000000]).")));
}

TEST_F(CommandLineTest, RefusalsAndWrongUsageHaveTheirExitCodes) {
  BatchRun run = Batch({QStringLiteral("svd"), path});  // the fourth case has an empty cell
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(
      run.err.contains(QStringLiteral("SVD: Found missing or non-numeric values within the input selection.\n"
                                      "Please, check the selection and try again.")))
      << run.err.toStdString();
  EXPECT_EQ(run.out.last(), QStringLiteral("***ERROR: SVD COMPUTATION COULD NOT BE COMPLETED***"));

  run = Batch({QStringLiteral("inverse"), path, QStringLiteral("--cases"), QStringLiteral("1-2")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(
      run.err.contains(QStringLiteral("Currently there are 3 untagged variables and 2 selected rows.")));
  EXPECT_TRUE(run.out.isEmpty());

  run = Batch({QStringLiteral("inverse"), path, QStringLiteral("--cases"), QStringLiteral("1-3")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral(" INVERSE OF INPUT MATRIX:")));

  EXPECT_EQ(Batch({QStringLiteral("svd"), dir.filePath(QStringLiteral("absent.vnp"))}).status, 1);
  EXPECT_EQ(Batch({QStringLiteral("svd")}).status, 2);
  EXPECT_EQ(Batch({QStringLiteral("svd"), path, QStringLiteral("--style"), QStringLiteral("huge")}).status,
            2);
  EXPECT_EQ(Batch({QStringLiteral("svd"), path, QStringLiteral("--cases"), QStringLiteral("3-9")}).status, 2);
  EXPECT_EQ(
      Batch({QStringLiteral("inverse"), path, QStringLiteral("--threshold"), QStringLiteral("1")}).status, 2);
  EXPECT_EQ(
      Batch({QStringLiteral("svd"), path, QStringLiteral("--case-names"), QStringLiteral("Nope")}).status, 2);
  EXPECT_EQ(Batch({QStringLiteral("frobnicate")}).status, 2);
  EXPECT_EQ(Batch({QStringLiteral("svd"), path, QStringLiteral("--no-such-option")}).status, 2);
  EXPECT_EQ(Batch({QStringLiteral("svd"), path, path}).status, 2) << "one data file";
  EXPECT_EQ(Batch({QStringLiteral("map"), path, QStringLiteral("--cases")}).status, 2)
      << "a value is missing";
}

TEST_F(CommandLineTest, EveryCommandHasItsOwnHelp) {
  const BatchRun help = Batch({QStringLiteral("--help")});
  EXPECT_EQ(help.status, 0);
  const QString general = help.out.join(QLatin1Char('\n'));
  for (const char* command : {"svd", "inverse", "map"}) {
    EXPECT_TRUE(general.contains(QStringLiteral("varnel %1 ").arg(QLatin1String(command)))) << command;
    const BatchRun own = Batch({QLatin1String(command), QStringLiteral("--help")});
    EXPECT_EQ(own.status, 0) << command;
    EXPECT_TRUE(own.out.value(0).startsWith(QStringLiteral("Usage: varnel %1").arg(QLatin1String(command))))
        << own.out.value(0).toStdString();
    EXPECT_EQ(Batch({QStringLiteral("help"), QLatin1String(command)}).out, own.out) << command;
  }
  // The overview repeats each command's own synopsis word for word, so
  // that neither it nor the manual page made from it lists less.
  for (const char* command : {"svd", "inverse", "map", "wizard", "merge-relations", "plot"}) {
    const QString synopsis = Batch({QLatin1String(command), QStringLiteral("--help")}).out.value(0);
    ASSERT_TRUE(synopsis.startsWith(QStringLiteral("Usage: "))) << command;
    EXPECT_TRUE(general.contains(QStringLiteral("  ") + synopsis.mid(7))) << synopsis.toStdString();
  }
  const QString svd = Batch({QStringLiteral("svd"), QStringLiteral("--help")}).out.join(QLatin1Char('\n'));
  EXPECT_TRUE(svd.contains(QStringLiteral("--rows-are-cases")));
  EXPECT_TRUE(svd.contains(QStringLiteral("--w-matrix")));
  const QString inverse =
      Batch({QStringLiteral("inverse"), QStringLiteral("--help")}).out.join(QLatin1Char('\n'));
  EXPECT_FALSE(inverse.contains(QStringLiteral("--w-matrix"))) << "W belongs to the SVD";
  const QString map = Batch({QStringLiteral("map"), QStringLiteral("--help")}).out.join(QLatin1Char('\n'));
  EXPECT_TRUE(map.contains(QStringLiteral("-o, --output <OUT>"))) << map.toStdString();

  const BatchRun version = Batch({QStringLiteral("--version")});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.out.value(0).startsWith(QStringLiteral("varnel ")))
      << version.out.value(0).toStdString();
}

TEST_F(CommandLineTest, MapRefusesAResultThatIsNotFiniteAndWritesNoFile) {
  const QString tiny = dir.filePath(QStringLiteral("tiny.vnp"));
  QFile f(tiny);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("Label#\tX\tY\r\nA\t1e-4900\t0\r\nB\t0\t1e-4900\r\np\t1e100\t1\r\n");
  f.close();
  const QString out = dir.filePath(QStringLiteral("mapped.vnp"));
  const BatchRun run = Batch({QStringLiteral("map"), tiny, QStringLiteral("--cases"), QStringLiteral("1-2"),
                              QStringLiteral("--threshold"), QStringLiteral("0"), QStringLiteral("--yes"),
                              QStringLiteral("-o"), out});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(
      run.err.contains(QStringLiteral("Linear Mapping: Undefined computation error: a value overflowed")))
      << run.err.toStdString();
  EXPECT_FALSE(QFile::exists(out));
}

}  // namespace
}  // namespace varnel

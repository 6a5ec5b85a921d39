#include "program/commandline.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "app/reporttarget.h"
#include "matrix/matrixreport.h"
#include "sheet/filecommands.h"
#include "tests/support/batchrun.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

using test::RunBatch;

class CommandLineTest : public ::testing::Test {
 protected:
  CommandLineTest() {
    test::WriteFileOrFail(path,
                          ";;test\r\nLabel#\tSiO2\tAl2O3\tMgO\tComment#\r\nG1\t41.0\t23.2\t15.1\tx\r\n"
                          "G2\t38.0\t21.5\t5.1\ty\r\nG3\t37.0\t20.8\t1.2\tz\r\nBad\t38.0\t\t3.0\tw\r\n");
  }
  QString In(const char* name) const { return dir.filePath(QLatin1String(name)); }
  QTemporaryDir dir;
  const QString path = In("garnets.vnp");
};

TEST_F(CommandLineTest, PrintsTheLinesTheWindowCommandWrites) {
  const test::BatchOutput run = RunBatch({"svd", path, "--cases", "1-3", "--style", "long", "--w-matrix"});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QStringList out = run.OutLines();

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
  ASSERT_EQ(out.size(), report.lines.size());
  for (int k = 0; k < out.size(); ++k) {
    if (k == 1) continue;  // "Computed on" the moment it ran
    EXPECT_EQ(out[k].toStdString(), report.lines[k].toStdString()) << "line " << k;
  }
  EXPECT_TRUE(out.contains(QStringLiteral(" MATRIX W: ")));
  EXPECT_TRUE(out.contains(QStringLiteral(" G1\t G2\t G3\t Label#")));
}

TEST_F(CommandLineTest, OptionsMirrorTheDialog) {
  const QString comma = In("comma.vnp");
  test::WriteFileOrFail(
      comma,
      "Label#\tSiO2\tAl2O3\tMgO\r\nG1\t41,0\t23,2\t15,1\r\nG2\t38,0\t21,5\t5,1\r\nG3\t37\t20,8\t1,2\r\n");
  const test::BatchOutput run =
      RunBatch({"svd", comma, "--cases", "1-3", "--rows-are-cases", "--case-names", "none",
                "--no-variable-names", "--threshold", "0,5", "--decimal-separator", ","});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QStringList out = run.OutLines();
  EXPECT_EQ(out[3], QString()) << "no names line";
  EXPECT_EQ(out[6], QStringLiteral(" 41,0000\t 23,2000\t 15,1000\t 1"));
  EXPECT_TRUE(out.last().startsWith(QStringLiteral("Matrix Rank is ")));
  EXPECT_TRUE(
      out.last().endsWith(QStringLiteral(" (up to the specified zero threshold [0,5000000000000000]).")));
}

TEST_F(CommandLineTest, RefusalsAndWrongUsageHaveTheirExitCodes) {
  test::BatchOutput run = RunBatch({"svd", path});  // the fourth case has an empty cell
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(
      run.err.contains(QStringLiteral("SVD: Found missing or non-numeric values within the input selection.\n"
                                      "Please, check the selection and try again.")))
      << run.err.toStdString();
  EXPECT_EQ(run.OutLines().last(), QStringLiteral("***ERROR: SVD COMPUTATION COULD NOT BE COMPLETED***"));

  run = RunBatch({"inverse", path, "--cases", "1-2"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(
      run.err.contains(QStringLiteral("Currently there are 3 untagged variables and 2 selected rows.")));
  EXPECT_TRUE(run.out.isEmpty());

  run = RunBatch({"inverse", path, "--cases", "1-3"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(run.OutLines().contains(QStringLiteral(" INVERSE OF INPUT MATRIX:")));

  const std::pair<QStringList, int> usage[] = {
      {{"svd", In("absent.vnp")}, 1},
      {{"svd"}, 2},
      {{"svd", path, "--style", "huge"}, 2},
      {{"svd", path, "--cases", "3-9"}, 2},
      {{"inverse", path, "--threshold", "1"}, 2},
      {{"svd", path, "--case-names", "Nope"}, 2},
      {{"frobnicate"}, 2},
      {{"svd", path, "--no-such-option"}, 2},
      {{"svd", path, path}, 2},       // one data file
      {{"map", path, "--cases"}, 2},  // a value is missing
  };
  for (const auto& [args, status] : usage)
    EXPECT_EQ(RunBatch(args).status, status) << args.join(QLatin1Char(' ')).toStdString();
}

TEST_F(CommandLineTest, EveryCommandHasItsOwnHelp) {
  const test::BatchOutput help = RunBatch({"--help"});
  EXPECT_EQ(help.status, 0);
  const QString general = help.OutText();
  // The overview repeats each command's own synopsis word for word, so
  // that neither it nor the manual page made from it lists less.
  for (const QString command : {"svd", "inverse", "map", "wizard", "merge-relations", "plot"}) {
    const test::BatchOutput own = RunBatch({command, "--help"});
    EXPECT_EQ(own.status, 0) << command.toStdString();
    const QString synopsis = own.OutLines().value(0);
    ASSERT_TRUE(synopsis.startsWith(QStringLiteral("Usage: varnel ") + command + QLatin1Char(' ')))
        << synopsis.toStdString();
    EXPECT_TRUE(general.contains(QStringLiteral("  ") + synopsis.mid(7))) << synopsis.toStdString();
    EXPECT_EQ(RunBatch({"help", command}).out, own.out) << command.toStdString();
  }
  const QString svd = RunBatch({"svd", "--help"}).OutText();
  EXPECT_TRUE(svd.contains(QStringLiteral("--rows-are-cases")));
  EXPECT_TRUE(svd.contains(QStringLiteral("--w-matrix")));
  EXPECT_FALSE(RunBatch({"inverse", "--help"}).OutText().contains(QStringLiteral("--w-matrix")))
      << "W belongs to the SVD";
  const QString map = RunBatch({"map", "--help"}).OutText();
  EXPECT_TRUE(map.contains(QStringLiteral("-o, --output <OUT>"))) << map.toStdString();
}

TEST_F(CommandLineTest, MapRefusesAResultThatIsNotFiniteAndWritesNoFile) {
  const QString tiny = In("tiny.vnp");
  test::WriteFileOrFail(tiny, "Label#\tX\tY\r\nA\t1e-4900\t0\r\nB\t0\t1e-4900\r\np\t1e100\t1\r\n");
  const QString out = In("mapped.vnp");
  const test::BatchOutput run =
      RunBatch({"map", tiny, "--cases", "1-2", "--threshold", "0", "--yes", "-o", out});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(
      run.err.contains(QStringLiteral("Linear Mapping: Undefined computation error: a value overflowed")))
      << run.err.toStdString();
  EXPECT_FALSE(QFile::exists(out));
}

}  // namespace
}  // namespace varnel

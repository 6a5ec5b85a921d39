// Formulas and recalculations on a DataSheet, their dialogs and the
// commands without a window.
#include "chemistry/sheetchemistry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <charconv>
#include <functional>
#include <cmath>

#include "app/reporttarget.h"
#include "chemistry/chemistrycommands.h"
#include "chemistry/oxides.h"
#include "program/batchsheet.h"
#include "sheet/sheet.h"
#include "tests/datasheet/sheetcells.h"
#include "tests/support/batchrun.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

using test::Column;
using test::ScriptedPrompter;

// Rows of tab-separated cells, the first the names.
void Fill(Sheet& sheet, const std::vector<std::vector<std::string>>& rows) {
  sheet.SetSize(static_cast<int>(rows[0].size()) + 1, static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      sheet.SetCell(static_cast<int>(c) + 1, static_cast<int>(r), rows[r][c]);
  for (int r = 1; r < sheet.RowCount(); ++r) sheet.SetCell(0, r, "Y");
  sheet.Blank = false;
  sheet.Saved = true;
}

double Read(std::string_view text) {
  double v = std::nan("");
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

const QString Br = QStringLiteral("\n\r");

TEST(SheetFormula, NewVariableWritesShortestTextsAndCountsEmptyCases) {
  ScriptedPrompter prompter;
  Sheet sheet(prompter);
  Fill(sheet, {{"Label#", "Na2O", "K2O (wt%)"},
               {"a", "3.1", "0.2"},
               {"b", "2", ""},
               {"c", "n.d.", "1"},
               {"d", "1", "0"},
               {"e", "1e308", "1e308"}});
  prompter.Expect(
      BoxKind::Information,
      QStringLiteral("Formula computed for 2 cases.") + Br +
          QStringLiteral("3 cases left empty: 2 with an input that is not a number, 1 with a result "
                         "that is not finite."),
      Only(Button::Ok), Button::Ok);
  FormulaRequest request;
  request.Name = "Alkalis";
  request.Text = "(Na2O + [K2O (wt%)]) / if(Na2O > 0, 1, 0)";
  FormulaRun run;
  EXPECT_EQ(RunFormulaCommand(sheet, request, &run), CommandOutcome::Done);
  EXPECT_EQ(sheet.ColCount(), 5);
  // 3.1 + 0.2 is 3.3000000000000003 in doubles: written so, it reads back exactly.
  EXPECT_EQ(Column(sheet, 4, 0, 5), "Alkalis|3.3000000000000003|||1|");
  EXPECT_FALSE(sheet.Saved);
  EXPECT_TRUE(sheet.ColumnsMode);
  EXPECT_EQ(sheet.Sel, (Selection{4, 1, 4, 5}));

  // Decimals instead, and a decimal comma.
  Fill(sheet, {{"x"}, {"2"}, {"3,5"}});
  prompter.Expect(BoxKind::Information, QStringLiteral("Formula computed for 2 cases."), Only(Button::Ok),
                  Button::Ok);
  request = FormulaRequest{};
  request.Name = "y";
  request.Text = "x / 3";
  request.Style = ResultStyle{2, ','};
  EXPECT_EQ(RunFormulaCommand(sheet, request), CommandOutcome::Done);
  EXPECT_EQ(Column(sheet, 2, 0, 2), "y|0,67|1,17");
}

TEST(SheetFormula, FaultsAreShownAndNothingIsWritten) {
  ScriptedPrompter prompter;
  Sheet sheet(prompter);
  Fill(sheet, {{"Label#", "SiO2 (wt%)"}, {"a", "50"}});
  const std::string before = test::Grid(sheet);
  struct Case {
    const char* name;
    const char* formula;
    const char* message;
  };
  const Case cases[] = {
      {"n", "[SiO2 (wt%)] * * 2",
       "Error in the formula at position 16: an operator where a value is expected."},
      {"n", "SiO2 + MgO", "Unknown names in the formula: SiO2, MgO."},
      {"", "1", "Please give the new variable a name."},
      {"a\tb", "1", "A variable name cannot hold tabs or line breaks."},
  };
  for (const Case& c : cases) {
    prompter.Expect(BoxKind::Error, QString::fromUtf8(c.message), Only(Button::Ok), Button::Ok);
    FormulaRequest request;
    request.Name = c.name;
    request.Text = c.formula;
    EXPECT_EQ(RunFormulaCommand(sheet, request), CommandOutcome::Refused) << c.formula;
    EXPECT_EQ(test::Grid(sheet), before);
  }
}

TEST(SheetFormula, ReplacingTaggedLabelOrExistingVariablesAsksFirst) {
  ScriptedPrompter prompter;
  Sheet sheet(prompter);
  Fill(sheet, {{"Name", "Mg#", "MgO", "FeO"}, {"ol", "", "49", "9"}, {"opx", "", "33", "6"}});
  const std::string before = test::Grid(sheet);
  FormulaRequest request;
  request.Text = "100 * (MgO / 40.304) / (MgO / 40.304 + FeO / 71.844)";
  request.NewVariable = false;
  request.Column = 2;
  const QString tagged = QStringLiteral("Variable \"Mg#\" is tagged or holds labels.") + Br +
                         QStringLiteral("Replace its values with the computed results?");
  prompter.Expect(BoxKind::Confirmation, tagged, Button::Yes | Button::Cancel, Button::Cancel);
  EXPECT_EQ(RunFormulaCommand(sheet, request), CommandOutcome::Declined);
  EXPECT_EQ(test::Grid(sheet), before);
  prompter.Expect(BoxKind::Confirmation, tagged, Button::Yes | Button::Cancel, Button::Yes);
  prompter.Expect(BoxKind::Information, QStringLiteral("Formula computed for 2 cases."), Only(Button::Ok),
                  Button::Ok);
  EXPECT_EQ(RunFormulaCommand(sheet, request), CommandOutcome::Done);
  EXPECT_NEAR(Read(sheet.Cell(2, 1)), 100 * (49 / 40.304) / (49 / 40.304 + 9 / 71.844), 1e-12);
  EXPECT_EQ(sheet.ColCount(), 5);

  // An untagged column of names holds labels.
  request.Column = 1;
  request.Text = "1";
  prompter.Expect(BoxKind::Confirmation,
                  QStringLiteral("Variable \"Name\" is tagged or holds labels.") + Br +
                      QStringLiteral("Replace its values with the computed results?"),
                  Button::Yes | Button::Cancel, Button::Cancel);
  EXPECT_EQ(RunFormulaCommand(sheet, request), CommandOutcome::Declined);
  // A "new" variable that exists is a replacement too.
  request = FormulaRequest{};
  request.Name = "FeO";
  request.Text = "FeO * 2";
  prompter.Expect(BoxKind::Confirmation,
                  QStringLiteral("Variable \"FeO\" already exists.") + Br +
                      QStringLiteral("Replace its values with the computed results?"),
                  Button::Yes | Button::Cancel, Button::Yes);
  prompter.Expect(BoxKind::Information, QStringLiteral("Formula computed for 2 cases."), Only(Button::Ok),
                  Button::Ok);
  EXPECT_EQ(RunFormulaCommand(sheet, request), CommandOutcome::Done);
  EXPECT_EQ(Column(sheet, 4, 0, 2), "FeO|18|12");
  EXPECT_EQ(sheet.ColCount(), 5);
}

TEST(SheetRecalc, OlivinesOnFourOxygensWithTheReport) {
  ScriptedPrompter prompter;
  Sheet sheet(prompter);
  // Fo90 made from its formula (Mg 1.8, Fe 0.2, Si 1) with the molar masses
  // 40.304, 71.844, 60.083: 72.5472 + 14.3688 + 60.083 g.
  const double total = 1.8 * 40.304 + 0.2 * 71.844 + 60.083;
  const auto pct = [total](double g) { return std::to_string(100 * g / total); };
  Fill(sheet, {{"Label#", "SiO2 (wt%)", "FeOt", "MgO_pct", "Cr2O3", "Note#"},
               {"Fo90", pct(60.083), pct(0.2 * 71.844), pct(1.8 * 40.304), "<0.01", "x"},
               {"bad", "40", "x", "50", "", ""},
               {"neg", "-1", "9", "50", "", ""}});
  EXPECT_EQ(RecalcCandidates(sheet), (std::vector<ColumnMapping>{{2, ComponentIndex("SiO2")},
                                                                 {3, ComponentIndex("FeO")},
                                                                 {4, ComponentIndex("MgO")},
                                                                 {5, ComponentIndex("Cr2O3")}}));
  RecalcOptions o;
  o.Oxygens = 4;
  o.MgNumber = true;
  LinesReport report;
  ReportEnvironment env;
  env.FileName = QStringLiteral("/data/olivine.vnp");
  env.Version = QStringLiteral("9.9");
  env.Now = QDateTime(QDate(2026, 12, 7), QTime(3, 0));
  RecalcRun run;
  ASSERT_EQ(RunRecalcCommand(sheet, DefaultMapping(sheet), o, ResultStyle{}, &report, env, &run),
            CommandOutcome::Done);
  EXPECT_EQ(test::Row(sheet, 0, 7, sheet.ColCount() - 1),
            "Si (4 O)|Cr (4 O)|Fe2+ (4 O)|Mg (4 O)|Sum (4 O)|Mg#");
  EXPECT_NEAR(Read(sheet.Cell(7, 1)), 1, 1e-6);
  EXPECT_EQ(sheet.Cell(8, 1), "0");
  EXPECT_NEAR(Read(sheet.Cell(9, 1)), 0.2, 1e-6);
  EXPECT_NEAR(Read(sheet.Cell(10, 1)), 1.8, 1e-6);
  EXPECT_NEAR(Read(sheet.Cell(11, 1)), 3, 1e-6);
  EXPECT_NEAR(Read(sheet.Cell(12, 1)), 90, 1e-5);
  EXPECT_EQ(test::Row(sheet, 2, 7, 12), "|||||");
  EXPECT_EQ(test::Row(sheet, 3, 7, 12), "|||||");
  ASSERT_GE(report.lines.size(), 4);
  EXPECT_TRUE(report.started);
  EXPECT_TRUE(report.shown);
  EXPECT_TRUE(report.lines[0].startsWith(QStringLiteral("Recalculation of oxide analyses (Varnel 9.9)")));
  EXPECT_TRUE(
      report.lines.contains(QStringLiteral("Columns: SiO2 = SiO2 (wt%), FeO = FeOt, MgO = MgO_pct, Cr2O3")));
  EXPECT_TRUE(
      report.lines.contains(QStringLiteral("Cations per 4 oxygens (H2O, CO2, SO3, LOI, F and Cl left out)")));
  EXPECT_TRUE(report.lines.contains(QStringLiteral(
      "Cases: 1 recalculated, 2 skipped (1 with a value that is not a number, 1 with a negative value)")));
  EXPECT_TRUE(report.lines.contains(QStringLiteral(
      "1 cell marked below detection or not determined (\"<...\", \"n.d.\", \"bdl\", ...) read as 0")));

  // Once more: the same columns get the new values, and Mg# (tagged) asks.
  prompter.Expect(BoxKind::Confirmation,
                  QStringLiteral("Variable \"Mg#\" is tagged or holds labels.") + Br +
                      QStringLiteral("Replace its values with the computed results?"),
                  Button::Yes | Button::Cancel, Button::Cancel);
  const std::string before = test::Grid(sheet);
  EXPECT_EQ(RunRecalcCommand(sheet, DefaultMapping(sheet), o, ResultStyle{}, &report, env),
            CommandOutcome::Declined);
  EXPECT_EQ(test::Grid(sheet), before);

  // Options that do not fit are refused with the reason.
  o.Fe3ChargeBalance = true;
  o.Cations = 3;
  std::vector<ColumnMapping> noIron = DefaultMapping(sheet);
  noIron[1].Component = -1;
  prompter.Expect(BoxKind::Error,
                  QStringLiteral("Fe3+ by charge balance needs an iron column (FeO or Fe2O3)."),
                  Only(Button::Ok), Button::Ok);
  EXPECT_EQ(RunRecalcCommand(sheet, noIron, o, ResultStyle{}, &report, env), CommandOutcome::Refused);
  EXPECT_EQ(test::Grid(sheet), before);
}

// A rerun replaces the columns the last run wrote without asking; a label
// typed into one of them since (any change of the sheet) makes it ask again.
TEST(SheetRecalc, ARerunReplacesItsOwnColumnsButNotALabelTypedSince) {
  ScriptedPrompter prompter;
  Sheet sheet(prompter);
  Fill(sheet, {{"SiO2", "FeO", "MgO"}, {"40.8", "9.5", "49.7"}, {"39.9", "14.1", "45.8"}});
  RecalcOptions o;
  o.Oxygens = 4;
  ASSERT_EQ(RunRecalcCommand(sheet, DefaultMapping(sheet), o, ResultStyle{}, nullptr, {}), CommandOutcome::Done);
  const int si = ColumnNamed(sheet, "Si (4 O)");
  ASSERT_GT(si, 0);
  EXPECT_TRUE(sheet.KnownNumbers(si));
  const std::string first = test::Grid(sheet);
  ASSERT_EQ(RunRecalcCommand(sheet, DefaultMapping(sheet), o, ResultStyle{}, nullptr, {}), CommandOutcome::Done);
  EXPECT_EQ(test::Grid(sheet), first);
  sheet.SetCell(si, 2, "olivine");
  EXPECT_FALSE(sheet.KnownNumbers(si));
  prompter.Expect(BoxKind::Confirmation,
                  QStringLiteral("Variable \"Si (4 O)\" is tagged or holds labels.") + Br +
                      QStringLiteral("Replace its values with the computed results?"),
                  Button::Yes | Button::Cancel, Button::Cancel);
  const std::string typed = test::Grid(sheet);
  EXPECT_EQ(RunRecalcCommand(sheet, DefaultMapping(sheet), o, ResultStyle{}, nullptr, {}),
            CommandOutcome::Declined);
  EXPECT_EQ(test::Grid(sheet), typed);
  // Answered Yes, the label goes and the column is the run's own again.
  prompter.Expect(BoxKind::Confirmation,
                  QStringLiteral("Variable \"Si (4 O)\" is tagged or holds labels.") + Br +
                      QStringLiteral("Replace its values with the computed results?"),
                  Button::Yes | Button::Cancel, Button::Yes);
  ASSERT_EQ(RunRecalcCommand(sheet, DefaultMapping(sheet), o, ResultStyle{}, nullptr, {}),
            CommandOutcome::Done);
  EXPECT_EQ(test::Grid(sheet), first);
  EXPECT_TRUE(sheet.KnownNumbers(si));
  // Any other change forgets what the last run wrote, too.
  for (const auto& change : std::vector<std::function<void()>>{
           [&] { sheet.InsertColumns(1, 1); }, [&] { sheet.RemoveRows(1, 1); }, [&] { sheet.SetCell(1, 1, "1"); }}) {
    ASSERT_EQ(RunRecalcCommand(sheet, DefaultMapping(sheet), o, ResultStyle{}, nullptr, {}),
              CommandOutcome::Done);
    const int col = ColumnNamed(sheet, "Sum (4 O)");
    ASSERT_TRUE(sheet.KnownNumbers(col));
    change();
    EXPECT_FALSE(sheet.KnownNumbers(ColumnNamed(sheet, "Sum (4 O)")));
  }
}

// A large sheet is read, recalculated and written in parts on all cores:
// every case, at the seams between parts too, gets what it gets alone.
TEST(SheetRecalc, ALargeSheetInPartsGivesWhatEachCaseGivesAlone) {
  ScriptedPrompter prompter;
  Sheet sheet(prompter);
  const int cases = 25013;
  sheet.SetSize(5, cases + 1);
  for (const auto& [c, name] : {std::pair{1, "SiO2"}, {2, "FeO"}, {3, "MgO"}, {4, "Fe2O3"}})
    sheet.SetCell(c, 0, name);
  std::vector<std::vector<std::string>> rows;
  for (int r = 1; r <= cases; ++r) {
    std::vector<std::string> row = {std::to_string(39 + (r % 37) * 0.05), std::to_string(8 + (r % 11) * 0.7),
                                    std::to_string(44 + (r % 13) * 0.4), std::to_string((r % 7) * 0.03)};
    if (r % 1009 == 0) row[1] = "n.d.";
    if (r % 2003 == 0) row[2] = "x";
    if (r % 3001 == 0) row[0] = "-1";
    sheet.SetCell(0, r, "Y");
    for (int c = 0; c < 4; ++c) sheet.SetCell(c + 1, r, row[static_cast<std::size_t>(c)]);
    rows.push_back(row);
  }
  sheet.Blank = false;
  RecalcOptions o;
  o.Oxygens = 4;
  o.Cations = 3;
  o.Fe3ChargeBalance = true;
  o.MgNumber = true;
  RecalcRun run;
  ASSERT_EQ(RunRecalcCommand(sheet, DefaultMapping(sheet), o, ResultStyle{}, nullptr, {}, &run),
            CommandOutcome::Done);
  const int firstResult = 5;
  ASSERT_GT(sheet.ColCount(), firstResult);
  int skipped = 0, marks = 0;
  for (int r = 1; r <= cases; ++r) {
    Sheet one(prompter);
    Fill(one, {{"SiO2", "FeO", "MgO", "Fe2O3"}, rows[static_cast<std::size_t>(r - 1)]});
    RecalcRun alone;
    ASSERT_EQ(RunRecalcCommand(one, DefaultMapping(one), o, ResultStyle{}, nullptr, {}, &alone),
              CommandOutcome::Done);
    skipped += alone.Result.NotANumber + alone.Result.Negative + alone.Result.NoOxides;
    marks += alone.DetectionMarks;
    for (int c = firstResult; c < sheet.ColCount(); ++c)
      ASSERT_EQ(sheet.Cell(c, r), one.Cell(c, 1)) << "case " << r << ", " << sheet.Name(c);
  }
  EXPECT_EQ(run.Result.NotANumber + run.Result.Negative + run.Result.NoOxides, skipped);
  EXPECT_EQ(run.DetectionMarks, marks);
  EXPECT_GT(marks, 0);
  EXPECT_GT(run.Result.NotANumber, 0);
  EXPECT_GT(run.Result.Negative, 0);
}

TEST(ChemistryDialogs, ScriptedFormulaAndRecalculation) {
  ScriptedPrompter prompter;
  Sheet sheet(prompter);
  Fill(sheet, {{"Label#", "SiO2 (wt%)", "MgO", "FeO"}, {"a", "40.8", "49.4", "9.6"}, {"b", "55", "33", "7"}});
  LinesReport report;
  ChemistryCommands commands(sheet, report, nullptr);
  int shown = 0;
  prompter.PlayEveryDialog([&](QDialog& d) {
    ++shown;
    if (&d == &commands.FormulaDialog()) {
      TVN_Formula& f = commands.FormulaDialog();
      EXPECT_EQ(f.windowTitle(), QStringLiteral("New Variable From Formula"));
      f.SetName(QStringLiteral("Sum"));
      // The first try misspells a name; the dialog comes back for mending.
      if (shown == 1) {
        f.SetFormula(QStringLiteral("MgO + Feo"));
      } else {
        f.SetFormula(QString());
        f.InsertVariable(1);
        f.FEditFormula->insert(QStringLiteral(" + MgO"));
        f.SetDecimals(1);
      }
      return true;
    }
    TVN_Recalc& r = commands.RecalcDialog();
    EXPECT_EQ(r.MappingRows(), 4);  // SiO2, MgO, FeO and the new Sum
    EXPECT_EQ(r.RowComponent(0), ComponentIndex("SiO2"));
    EXPECT_EQ(r.RowComponent(3), -1);
    RecalcOptions o;
    o.Moles = true;
    r.SetOptions(o);
    r.SetRowComponent(2, -1);  // leave FeO out
    EXPECT_EQ(r.Options().Moles, true);
    EXPECT_EQ(r.Options().Oxygens, 0);
    return true;
  });
  prompter.Expect(BoxKind::Error, QStringLiteral("Unknown name in the formula: Feo."), Only(Button::Ok),
                  Button::Ok);
  prompter.Expect(BoxKind::Information, QStringLiteral("Formula computed for 2 cases."), Only(Button::Ok),
                  Button::Ok);
  commands.NewVariableFromFormula1Click();
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(Column(sheet, 5, 0, 2), "Sum|90.2|88.0");

  commands.Recalculate1Click();
  EXPECT_EQ(test::Row(sheet, 0, 6, sheet.ColCount() - 1), "SiO2 (mol)|MgO (mol)");
  EXPECT_NEAR(Read(sheet.Cell(7, 2)), 33 / 40.304, 1e-12);
  EXPECT_TRUE(report.shown);

  // Replace Values works on the one selected variable.
  sheet.ColumnsMode = true;
  sheet.Sel = Selection{3, 0, 3, 2};
  prompter.PlayEveryDialog({});
  prompter.AnswerDialog([&](QDialog& d) {
    EXPECT_EQ(&d, &commands.FormulaDialog());
    TVN_Formula& f = commands.FormulaDialog();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Replace Values From Formula"));
    EXPECT_FALSE(f.NewVariable());
    f.SetFormula(QStringLiteral("MgO / 2"));
    f.SetDecimals(-1);
    return true;
  });
  prompter.Expect(BoxKind::Information, QStringLiteral("Formula computed for 2 cases."), Only(Button::Ok),
                  Button::Ok);
  commands.ReplaceValuesFromFormula1Click();
  EXPECT_EQ(Column(sheet, 3, 0, 2), "MgO|24.7|16.5");
}

TEST(ChemistryCommandLine, ComputeAndRecalcWriteDataFiles) {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("cpx.vnp"));
  // A clinopyroxene of formula Si1.9 Al0.2 Fe0.2 (half of it Fe3+) Mg0.8
  // Ca0.8 Na0.1 on 6 oxygens, in grams per formula unit.
  const double g[] = {1.9 * 60.083, 0.1 * 101.9600768, 0.2 * 71.844,
                      0.8 * 40.304, 0.8 * 56.077,      0.05 * 61.97853856};
  double total = 0;
  for (double x : g) total += x;
  QByteArray text = "; test\n;;cpx\nLabel#\tSiO2\tAl2O3\tFeOt\tMgO\tCaO\tNa2O\ncpx";
  for (double x : g) text += "\t" + QByteArray::number(100 * x / total, 'g', 17);
  text += "\n";
  test::WriteFileOrFail(in, text);
  const QString out = dir.filePath(QStringLiteral("out.vnp"));

  test::BatchOutput r =
      test::RunBatch({QStringLiteral("recalc"), in, QStringLiteral("--oxygens"), QStringLiteral("6"),
                      QStringLiteral("--cations"), QStringLiteral("4"), QStringLiteral("--fe3"),
                      QStringLiteral("charge-balance"), QStringLiteral("--mg-number"), QStringLiteral("-o"),
                      out, QStringLiteral("--decimal-separator"), QStringLiteral(".")});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(
      r.OutLines().contains(QStringLiteral("Fe3+ clamped at 0 in 0 cases and at the total iron in 0 cases")));
  BatchSheet back(stderr, false);
  ASSERT_TRUE(back.Load(out));
  const auto value = [&back](const char* name) {
    return Read(back.sheet.Cell(ColumnNamed(back.sheet, name), 1));
  };
  EXPECT_NEAR(value("Si (6 O)"), 1.9, 1e-9);
  EXPECT_NEAR(value("Fe3+ (6 O)"), 0.1, 1e-9);
  EXPECT_NEAR(value("Fe2+ (6 O)"), 0.1, 1e-9);
  EXPECT_NEAR(value("Na (6 O)"), 0.1, 1e-9);
  EXPECT_NEAR(value("Sum (6 O)"), 4, 1e-9);
  EXPECT_NEAR(value("Fe3+/(Fe2+ + Fe3+)"), 0.5, 1e-9);
  EXPECT_NEAR(value("Mg#"), 100 * 0.8 / 0.9, 1e-7);

  r = test::RunBatch({QStringLiteral("compute"), out, QStringLiteral("--new"),
                      QStringLiteral("Alk=Na2O + [CaO]"), QStringLiteral("--new=Twice=Alk * 2"),
                      QStringLiteral("--decimals"), QStringLiteral("3"), QStringLiteral("-o"),
                      dir.filePath(QStringLiteral("out2.vnp")), QStringLiteral("--decimal-separator"),
                      QStringLiteral(".")});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(QStringLiteral("Formula computed for 1 case.")));
  BatchSheet two(stderr, false);
  ASSERT_TRUE(two.Load(dir.filePath(QStringLiteral("out2.vnp"))));
  const double alk = Read(two.sheet.Cell(ColumnNamed(two.sheet, "Na2O"), 1)) +
                     Read(two.sheet.Cell(ColumnNamed(two.sheet, "CaO"), 1));
  EXPECT_NEAR(Read(two.sheet.Cell(ColumnNamed(two.sheet, "Alk"), 1)), alk, 5e-4);
  EXPECT_NEAR(Read(two.sheet.Cell(ColumnNamed(two.sheet, "Twice"), 1)), 2 * alk, 2e-3);

  struct Usage {
    QStringList args;
    int status;
    const char* message;
  };
  const Usage usages[] = {
      {{QStringLiteral("recalc"), in, QStringLiteral("--oxygens"), QStringLiteral("6")},
       2,
       "recalc needs -o OUT"},
      {{QStringLiteral("recalc"), in, QStringLiteral("--oxygens"), QStringLiteral("x"), QStringLiteral("-o"),
        out},
       2,
       "--oxygens takes a whole number"},
      {{QStringLiteral("recalc"), in, QStringLiteral("--fe3"), QStringLiteral("charge-balance"),
        QStringLiteral("-o"), out},
       2,
       "--fe3 charge-balance needs --cations T"},
      {{QStringLiteral("recalc"), in, QStringLiteral("--map"), QStringLiteral("SiO2=Qz"),
        QStringLiteral("-o"), out},
       2,
       "--map: Qz is no oxide"},
      {{QStringLiteral("recalc"), in, QStringLiteral("-o"), out}, 1, "Nothing to compute"},
      {{QStringLiteral("compute"), in, QStringLiteral("-o"), out}, 2, "compute needs at least one --new"},
      {{QStringLiteral("recalc"), in, QStringLiteral("--oxygens"), QStringLiteral("6"), QStringLiteral("-o"),
        dir.filePath(QStringLiteral("out.ods"))},
       1,
       "the result is written as .vnp, .csv or .xlsx"},
      {{QStringLiteral("compute"), in, QStringLiteral("--new"), QStringLiteral("x=SiO2 +"),
        QStringLiteral("-o"), out},
       1,
       "Error in the formula at position"},
      {{QStringLiteral("compute"), in, QStringLiteral("--new"), QStringLiteral("MgO=1"), QStringLiteral("-o"),
        out},
       1,
       "Variable \"MgO\" already exists."},
  };
  // A table for other programs, chosen by the extension, holds the new column.
  const QString csv = dir.filePath(QStringLiteral("out.csv"));
  r = test::RunBatch({QStringLiteral("compute"), in, QStringLiteral("--new"), QStringLiteral("Sum=SiO2+MgO"),
                      QStringLiteral("-o"), csv});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  const QByteArray table = test::ReadFile(csv);
  EXPECT_TRUE(table.left(table.indexOf('\n')).contains("Sum")) << table.toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("out.csv.vnp"))));
  for (const Usage& u : usages) {
    r = test::RunBatch(u.args);
    EXPECT_EQ(r.status, u.status) << u.args.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(u.message))) << r.err.toStdString();
  }
}

}  // namespace
}  // namespace varnel

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <random>
#include <tuple>

#include "app/reporttarget.h"
#include "core/indexsort.h"
#include "tests/core/recording_sink.h"
#include "tests/graphs/plotsheet.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

using test::PlotSheet;
using Rows = std::vector<std::vector<std::string>>;

int Item(const PlotSheet& p, GraphSelector s) { return p.engine.SelectorItem(s); }

QStringList LogLines() {
  const QByteArray bytes = test::ReadFile(PlotSheet::LogPath());
  QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

TEST(ConnectTest, ListsTheColumnsAndNamesTheFileInTheCaption) {
  PlotSheet p;
  p.Fill({{"SiO2", "MgO", "Label#"}, {"1", "2", "a"}});
  p.sheet.SetCell(0, 1, "N");
  EXPECT_EQ(p.engine.Caption(), "VarnelGraphs [Disconnected]");
  p.engine.GetWSheetData(true);
  EXPECT_TRUE(p.sheet.Connected);
  EXPECT_EQ(p.engine.SelectorItems(), QStringList({"(None)", "SiO2", "MgO", "Label#"}));
  EXPECT_EQ(p.engine.Caption(), "VarnelGraphs [Connected to rocks.vnp]");
  EXPECT_EQ(p.sheet.Cell(0, 1), "Y");  // connecting with every case included
  EXPECT_EQ(p.sheet.IncludedCount(), 1);
  EXPECT_EQ(p.sheet.StatusTexts()[0], "0");  // two apexes: nothing plotted

  p.engine.DisconnectGraphs();
  EXPECT_FALSE(p.sheet.Connected);
  EXPECT_EQ(p.engine.SelectorItems(), QStringList({"(None)"}));
  for (GraphSelector s : AllGraphSelectors) EXPECT_EQ(Item(p, s), 0);
  EXPECT_EQ(p.engine.Caption(), "VarnelGraphs [Disconnected]");
  EXPECT_EQ(p.sheet.StatusTexts()[0], "Discon.");
}

TEST(AutoSelectTest, TwoThreeAndFiveUntaggedVariables) {
  const struct {
    const char* name;
    Rows rows;
    std::vector<int> apexes;  // the columns in A, B, C and D
    int kind;
  } cases[] = {
      {"two", {{"Label#", "SiO2", "MgO"}, {"x", "1", "2"}}, {2, 3, 0, 0}, 0},
      {"three", {{"SiO2", "X#", "MgO", "FeO"}, {"1", "9", "2", "3"}}, {1, 3, 4, 0}, 1},
      {"five", {{"a", "b", "c", "d", "e"}, {"1", "2", "3", "4", "5"}}, {1, 2, 3, 4}, 2},
  };
  for (const auto& c : cases) {
    PlotSheet p;
    p.Connect(c.rows);
    const std::vector<int> apexes{Item(p, GraphSelector::A), Item(p, GraphSelector::B),
                                  Item(p, GraphSelector::C), Item(p, GraphSelector::D)};
    EXPECT_EQ(apexes, c.apexes) << c.name;
    EXPECT_EQ(p.engine.PlotKind(), c.kind) << c.name;
  }

  // Off: nothing is chosen.
  PlotSheet off;
  off.Connect({{"a", "b", "c"}, {"1", "2", "3"}}, false);
  for (GraphSelector s : AllGraphSelectors) EXPECT_EQ(Item(off, s), 0);
  off.engine.SetAutoVarSelect(true);
  EXPECT_EQ(Item(off, GraphSelector::C), 3);
}

TEST(AutoSelectTest, SpecialNamesInAnyCaseAndTheLaterColumnWins) {
  PlotSheet p;
  p.Connect({{"SYMBOL#", "a", "color#", "Size#", "b", "LABEL#", "TieLin#", "c", "Symbol#"},
             {"1", "1", "1", "1", "1", "x", "1", "1", "2"}});
  EXPECT_EQ(Item(p, GraphSelector::SymbolShape), 9);
  EXPECT_EQ(Item(p, GraphSelector::SymbolColor), 3);
  EXPECT_EQ(Item(p, GraphSelector::SymbolSize), 4);
  EXPECT_EQ(Item(p, GraphSelector::Label), 6);
  EXPECT_EQ(Item(p, GraphSelector::TieLine), 7);
  EXPECT_TRUE(p.engine.TieVarSet());
  // The per-case values wait for "From variable"; a tie column works at once.
  EXPECT_EQ(p.engine.SymbolShape(1), 2);
  EXPECT_EQ(p.engine.TieSet(1), 1);
  p.engine.Settings.UseDefaultShape = false;
  EXPECT_EQ(p.engine.SymbolShape(1), 2);  // the later Symbol# column holds 2
  p.sheet.SetCell(9, 1, "7");
  p.engine.SpecialColumnChanged(GraphSelector::SymbolShape);
  EXPECT_EQ(p.engine.SymbolShape(1), 7);
}

TEST(SpecialColumnTest, ColourSizeAndTieRules) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "Color#", "Size#", "Tielin#", "Symbol#"},
             {"1", "1", "1", "-16.7", "1000", "99", "-31"},
             {"1", "1", "1", "15", "1000.5", "0", "x"},
             {"1", "1", "1", "abc", "-3", "1.5", "4294967311"},
             {"1", "1", "1", "2", "2.5", " -7 ", "14.9"}});
  GraphEngine& e = p.engine;
  e.Settings.UseDefaultColor = e.Settings.UseDefaultSize = e.Settings.UseDefaultShape = false;
  // Fill, size, tie set and shape of each case. Colour "abc" is no number
  // (the default colour), size 2.5 a tie that goes to even; tie set 99 is
  // past 0..98 (MaxTieSets is 99) and 1.5 no integer; shape -31 gives
  // |-31| mod 15, "x" the default, 2^32 + 15 its low 32 bits (15, so 0).
  using Got = std::tuple<QRgb, int, int, int>;
  const Got want[] = {{qRgb(255, 0, 0), 1000, -1, 1},
                      {qRgb(0, 0, 0), 30, 0, 2},
                      {e.Settings.SymbolColor, 3, -1, 0},
                      {qRgb(0, 0, 255), 2, 7, 14}};
  for (int k = 1; k <= 4; ++k)
    EXPECT_EQ(Got(e.SymbolFill(k), e.SymbolSize(k), e.TieSet(k), e.SymbolShape(k)), want[k - 1])
        << "case " << k;
  // MaxTieSets counts when the column is read.
  e.Settings.MaxTieSets = 100;
  e.SpecialColumnChanged(GraphSelector::TieLine);
  EXPECT_EQ(e.TieSet(1), 99);
  // Back to "(None)": the defaults again, and the switches back on default.
  e.SetSelectorItem(GraphSelector::SymbolColor, 0);
  e.SpecialColumnChanged(GraphSelector::SymbolColor);
  EXPECT_TRUE(e.Settings.UseDefaultColor);
  EXPECT_EQ(e.SymbolFill(1), e.Settings.FillColor);
}

TEST(RecomputeTest, PlotKindFollowsTheApexesThatHaveValues) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "d"}, {"1", "2", "3", "4"}}, false);
  GraphEngine& e = p.engine;
  const auto choose = [&](GraphSelector s, int col) {
    e.SetSelectorItem(s, col);
    e.ApexChanged(s);
  };
  choose(GraphSelector::A, 1);
  choose(GraphSelector::B, 2);
  choose(GraphSelector::D, 4);
  EXPECT_EQ(e.PlotKind(), 0);
  choose(GraphSelector::C, 3);
  EXPECT_EQ(e.PlotKind(), 2);
  choose(GraphSelector::D, 0);
  EXPECT_EQ(e.PlotKind(), 1);
  EXPECT_FALSE(e.HasApexValues(3));
}

TEST(RecomputeTest, RejectedCasesAreFlaggedAndLoggedOnlyForPlotsOfKindOneAndTwo) {
  PlotSheet p;
  p.engine.Settings.LogTransformWarnings = true;
  p.Connect({{"a", "b", "c"}, {"1", "1", "1"}, {"-1", "-1", "0"}, {"1", "-1", "0"}, {"1", "", "1"}});
  GraphEngine& e = p.engine;
  EXPECT_TRUE(e.Tri(1).Plotted);
  EXPECT_NEAR(static_cast<double>(e.Tri(1).X), 0.5, 1e-15);
  EXPECT_NEAR(static_cast<double>(e.Tri(1).Y), 0.2887, 5e-5);
  EXPECT_FALSE(e.Tri(2).Plotted);
  EXPECT_TRUE(e.Tri(2).Negative);
  EXPECT_NEAR(static_cast<double>(e.Tri(2).X), 0.75, 1e-15);
  EXPECT_NEAR(static_cast<double>(e.Tri(2).Y), 0.433, 5e-5);
  EXPECT_FALSE(e.Tri(3).Plotted);
  EXPECT_FALSE(e.Tri(3).Negative);
  EXPECT_TRUE(e.Tri(4).MissingB);
  EXPECT_FALSE(e.Tri(4).Plotted);
  const QStringList log = LogLines();
  ASSERT_EQ(log.size(), 5);
  EXPECT_TRUE(log[0].startsWith("Varnel warnings log file. Created on "));
  EXPECT_EQ(log[1], "Warnings are from: /data/rocks.vnp");
  EXPECT_EQ(log[2], "Case 2\t: Triangular Plot Negative Sum");
  EXPECT_EQ(log[3], "Case 3\t: Triangular Plot Zero Sum");
  EXPECT_EQ(log[4], "Case 4\t: Missing Plot Value(s) for Triangular Plot");
  EXPECT_EQ(p.sheet.StatusTexts()[0], "1");
  p.engine.Settings.PlotNegPoints = true;
  p.engine.RepaintGraph();
  EXPECT_EQ(p.sheet.StatusTexts()[0], "2");

  // A plot of kind 0 writes no log.
  QFile::remove(PlotSheet::LogPath());
  e.SetSelectorItem(GraphSelector::C, 0);
  e.ApexChanged(GraphSelector::C);
  EXPECT_EQ(e.PlotKind(), 0);
  EXPECT_FALSE(QFile::exists(PlotSheet::LogPath()));
  // Nor does a recompute with logging off.
  e.Settings.LogTransformWarnings = false;
  e.SetSelectorItem(GraphSelector::C, 3);
  e.ApexChanged(GraphSelector::C);
  EXPECT_FALSE(QFile::exists(PlotSheet::LogPath()));
}

TEST(RecomputeTest, TetrahedralLinesComeFirstThenTheTriangularOnes) {
  PlotSheet p;
  p.engine.Settings.LogTransformWarnings = true;
  p.Connect({{"a", "b", "c", "d"}, {"-1", "-1", "-1", "-1"}, {"1", "1", "1", "x"}, {"1", "-1", "0", "0"}});
  const QStringList log = LogLines();
  EXPECT_EQ(log.mid(2),
            QStringList({"Case 1\t: Tetrahedral Plot Negative Sum",
                         "Case 2\t: Missing Plot Value(s) for Tetrahedral Plot",
                         "Case 3\t: Tetrahedral Plot Zero Sum", "Case 1\t: Triangular Plot Negative Sum",
                         "Case 3\t: Triangular Plot Zero Sum"}));
  // A negative sum of -4 lands on the centroid.
  const Point3& c = p.engine.TetCoords(1);
  EXPECT_NEAR(static_cast<double>(c.X), 0, 1e-15);
  EXPECT_NEAR(static_cast<double>(c.Z), 0, 1e-15);
  EXPECT_TRUE(p.engine.Tet(1).Negative);
}

TEST(RecomputeTest, EveryCaseOfALargeSheetIsReadDrawnAndLogged) {
  PlotSheet p;
  Rows rows{{"a", "b", "c", "d", "Tielin#"}};
  for (int k = 1; k <= 10000; ++k)
    rows.push_back({"1", k == 4999 || k == 10000 ? "x" : "1", "1", std::to_string(k % 7), k > 9990 ? "5" : ""});
  p.engine.Settings.LogTransformWarnings = true;
  p.Connect(rows);
  EXPECT_EQ(p.engine.PlotCaseCount(), 10000);
  EXPECT_EQ(p.engine.PlotKind(), 2);
  const QStringList log = LogLines();
  EXPECT_EQ(log.size(), 2 + 4);
  EXPECT_EQ(log.back(), "Case 10000\t: Missing Plot Value(s) for Triangular Plot");
  EXPECT_EQ(p.engine.TriangularPointsDrawn(), 9998);
  EXPECT_EQ(p.engine.TetrahedralPointsDrawn(), 9998);
  EXPECT_EQ(p.sheet.StatusTexts()[0].toInt(), 9998);
  EXPECT_EQ(p.engine.TieSet(9995), 5);
  // Depth order runs over every case, from the far end to the near one.
  const std::vector<std::int32_t> order = p.engine.DepthOrder(0);
  ASSERT_EQ(order.size(), 10000u);
  std::vector<int> seen(10001, 0);
  for (std::int32_t k : order) ++seen[static_cast<std::size_t>(k)];
  EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), 1), 10000);
  for (std::size_t i = 1; i < order.size(); ++i) {
    const int a = order[i - 1], b = order[i];
    if (p.engine.Tet(a).Plotted && p.engine.Tet(b).Plotted) {
      ASSERT_LE(p.engine.ProjectCase(a, 0).Depth, p.engine.ProjectCase(b, 0).Depth);
    }
  }
  // Cases added while connected are plotted too.
  p.sheet.InsertRows(10001, 2);
  for (int r = 10001; r <= 10002; ++r) {
    p.sheet.SetCell(0, r, "Y");
    for (int c = 1; c <= 4; ++c) p.sheet.SetCell(c, r, "1");
  }
  p.engine.SetPlotCaseCount(p.sheet.CaseCount());
  p.sheet.RecountIncluded();
  p.sheet.RefreshGraphSelectors();
  EXPECT_EQ(p.engine.TriangularPointsDrawn(), 10000);
}

TEST(RecomputeTest, CoordinateScalingMultipliesBeforeTheSum) {
  PlotSheet p;
  p.Connect({{"a", "b", "c"}, {"2", "-1", "0"}, {"1", "1", "1"}});
  EXPECT_TRUE(p.engine.Tri(1).Plotted);
  p.engine.Settings.ScaleFactors = {1, 2, 1, 1};
  p.engine.Settings.ScalingOn = true;
  p.engine.Recompute();
  EXPECT_FALSE(p.engine.Tri(1).Plotted);  // 2 - 2 + 0: a zero sum
  EXPECT_EQ(p.engine.ApexLabel(1), "b(x2)");
  EXPECT_EQ(p.engine.ApexLabel(0), "a");
}

// Values that are finite one by one but whose scaled values, sum, quotient
// or perspective leave the extended range: such a case has no position and
// is never drawn, wherever the overflow happens.
TEST(RecomputeTest, ProjectionsThatLeaveTheExtendedRangeAreUndefinedAndLogged) {
  struct Case {
    const char* what;
    std::vector<std::string> values;  // a, b, c, d
    int factorB;                      // coordinate scaling of b (1: off)
    bool triangleUndefined, tetrahedronUndefined;
  };
  const Case cases[] = {
      {"a sum beyond the range", {"1.1e4932", "1.1e4932", "1.1e4932", "1.1e4932"}, 1, true, true},
      {"a quotient beyond the range", {"1e4000", "-1e4000", "1e-4000", "0"}, 1, true, true},
      {"a scaled value beyond the range", {"1", "1e4932", "1", "1"}, 2, true, true},
      // Finite in the tetrahedron's space; the perspective multiplies by
      // the eye's distance and overflows.
      {"a perspective beyond the range", {"9e4931", "-9e4931", "1", "0"}, 1, false, true},
      {"large but finite everywhere", {"1e4931", "1e4931", "1e4931", "1e4931"}, 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PlotSheet p;
    p.engine.Settings.LogTransformWarnings = true;
    p.Connect({{"a", "b", "c", "d"}, {"1", "1", "1", "1"}, c.values});
    p.engine.Settings.ScaleFactors = {1, c.factorB, 1, 1};
    p.engine.Settings.ScalingOn = c.factorB != 1;
    p.engine.Recompute();
    const GraphEngine& e = p.engine;
    ASSERT_EQ(e.PlotKind(), 2);
    EXPECT_EQ(e.Tri(2).Undefined, c.triangleUndefined);
    EXPECT_EQ(e.Tet(2).Undefined, c.tetrahedronUndefined);
    if (c.triangleUndefined) {
      EXPECT_FALSE(e.Tri(2).Plotted || e.Tri(2).Negative);
    }
    if (c.tetrahedronUndefined) {
      EXPECT_FALSE(e.Tet(2).Plotted || e.Tet(2).Negative);
    }
    if (!c.triangleUndefined) {
      EXPECT_TRUE(IsFinite(e.Tri(2).X) && IsFinite(e.Tri(2).Y));
    }
    EXPECT_EQ(e.UndefinedCases(PlotPage::Triangular), c.triangleUndefined ? 1 : 0);
    EXPECT_EQ(e.UndefinedCases(PlotPage::Tetrahedral), c.tetrahedronUndefined ? 1 : 0);
    EXPECT_EQ(e.UndefinedCases(PlotPage::Stereo), c.tetrahedronUndefined ? 1 : 0);
    // The centroid case is drawn on both pages, the other only where it is defined.
    EXPECT_EQ(e.TriangularPointsDrawn(), c.triangleUndefined ? 1 : 2);
    EXPECT_EQ(e.TetrahedralPointsDrawn(), c.tetrahedronUndefined ? 1 : 2);
    QStringList expected;
    if (c.tetrahedronUndefined) expected << QStringLiteral("Case 2\t: Tetrahedral Plot Undefined Value");
    if (c.triangleUndefined) expected << QStringLiteral("Case 2\t: Triangular Plot Undefined Value");
    EXPECT_EQ(LogLines().mid(2), expected);
  }
}

TEST(RecomputeTest, AnExcludedUndefinedCaseIsNotCounted) {
  PlotSheet p;
  p.Connect({{"a", "b", "c"}, {"1", "1", "1"}, {"1.1e4932", "1.1e4932", "1"}});
  EXPECT_EQ(p.engine.UndefinedCases(PlotPage::Triangular), 1);
  p.sheet.SetCell(0, 2, "N");
  p.sheet.RecountIncluded();
  EXPECT_EQ(p.engine.UndefinedCases(PlotPage::Triangular), 0);
}

// Labels, apex names and key entries are drawn from their first
// MaxDrawnText characters; the cell keeps its text.
TEST(DrawnTextTest, LongTextsAreCutWithAnEllipsisAndNeverInsideACharacter) {
  const QString ellipsis(QChar(0x2026));
  EXPECT_EQ(DrawnText(QStringLiteral("SiO2")), QStringLiteral("SiO2"));
  EXPECT_EQ(DrawnText(std::string_view("")), QString());
  const QString exact(MaxDrawnText, QLatin1Char('x'));
  EXPECT_EQ(DrawnText(exact), exact);
  const QString longer(MaxDrawnText + 1, QLatin1Char('x'));
  EXPECT_EQ(DrawnText(longer), QString(MaxDrawnText - 1, QLatin1Char('x')) + ellipsis);
  EXPECT_EQ(DrawnText(std::string(5000000, 'y')), QString(MaxDrawnText - 1, QLatin1Char('y')) + ellipsis);
  // A character outside the basic plane is two UTF-16 units: never halved.
  QString wide;
  while (wide.size() < 2 * MaxDrawnText) wide += QString::fromUcs4(U"\U0001D400");
  const QString cut = DrawnText(wide);
  EXPECT_LE(cut.size(), MaxDrawnText);
  EXPECT_TRUE(cut.endsWith(ellipsis));
  EXPECT_FALSE(cut.at(cut.size() - 2).isHighSurrogate());
  EXPECT_EQ(DrawnText(wide.toStdString()), cut);
  // Multi-byte UTF-8 cut at the byte limit still reads as whole characters.
  std::string greek;
  for (int k = 0; k < 3 * MaxDrawnText; ++k) greek += "\xCE\xB1";  // alpha
  EXPECT_EQ(DrawnText(greek), QString(MaxDrawnText - 1, QChar(0x03B1)) + ellipsis);
}

TEST(DrawnTextTest, ThePointLabelIsCutAndTheCellKeepsItsText) {
  PlotSheet p;
  const std::string label(3000000, 'L');
  p.Connect({{"a", "b", "c", "Label#"}, {"1", "1", "1", label}});
  p.engine.Settings.UseDefaultLabels = false;
  EXPECT_EQ(p.engine.LabelText(1).size(), MaxDrawnText);
  EXPECT_EQ(p.sheet.Cell(4, 1).size(), label.size());
}

TEST(SheetEditTest, EditsReReadTheColumnsAndTheSelectorsFollowTheColumns) {
  PlotSheet p;
  p.Connect({{"a", "b", "c"}, {"1", "1", "1"}});
  p.sheet.EditStartText = "1";
  p.sheet.CommitCellEdit(2, 1, "4");
  EXPECT_NEAR(static_cast<double>(p.engine.Tri(1).Y), 0.8660254 * 4 / 6, 1e-7);
  p.sheet.EditStartText = "4";
  p.sheet.CommitCellEdit(2, 1, "");
  EXPECT_FALSE(p.engine.Tri(1).Plotted);
  EXPECT_TRUE(p.engine.Tri(1).MissingB);

  p.engine.InsertSelectorItem(1, "New 1#");
  p.engine.SetSelectorItemText(3, "MgO");
  EXPECT_EQ(p.engine.SelectorItems(), QStringList({"(None)", "New 1#", "a", "MgO", "c"}));
  p.engine.RemoveSelectorItem(1);
  p.engine.AppendSelectorItem("Z#");
  EXPECT_EQ(p.engine.SelectorItems(), QStringList({"(None)", "a", "MgO", "c", "Z#"}));
}

TEST(DepthOrderTest, FarToNearWithTheDefaultViewAndTheRightViewKeepsTheLeftOrder) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "d"},
             {"1", "0", "0", "0"},
             {"0", "1", "0", "0"},
             {"0", "0", "1", "0"},
             {"0", "0", "0", "1"}});
  GraphEngine& e = p.engine;
  EXPECT_EQ(e.DepthOrder(0), std::vector<std::int32_t>({4, 1, 3, 2}));
  EXPECT_NEAR(static_cast<double>(e.ProjectCase(2, 0).PY), -0.6654, 5e-5);
  // Turned half round, B stays on top and the order of the others turns over.
  e.Settings.View.Alpha = 201 * DegreesToRadians;
  EXPECT_EQ(e.DepthOrder(0), std::vector<std::int32_t>({3, 1, 4, 2}));
}

TEST(DepthOrderTest, EqualDepthsComeOutInTheIndexSortsOrder) {
  // A dozen compositions over 3000 cases, some with negative sums and some
  // missing a value (depth 0, as the centroid has): nearly every depth is
  // shared, and the order of equal ones is the quicksort's own.
  PlotSheet p;
  Rows rows{{"a", "b", "c", "d"}};
  std::mt19937 gen(3);
  for (int k = 1; k <= 3000; ++k) {
    const int i = static_cast<int>(gen() % 12);
    if (i == 0)
      rows.push_back({"1", "1", "1", "1"});
    else if (i == 1)
      rows.push_back({"-3", "1", "-2", "-1"});
    else if (i == 2)
      rows.push_back({"1", "x", "1", "1"});
    else
      rows.push_back({std::to_string(i % 4 + 1), std::to_string(i % 3), std::to_string(i / 4), "2"});
  }
  p.Connect(rows);
  p.engine.Settings.PlotNegPoints = true;
  // The depths as the paint's sort keys them: 0 for cases not placed.
  const auto depths = [&] {
    std::vector<Real> d(3000, 0);
    for (int k = 1; k <= 3000; ++k)
      if (p.engine.Tet(k).Plotted || p.engine.Tet(k).Negative)
        d[static_cast<std::size_t>(k - 1)] = p.engine.ProjectCase(k, 0).Depth;
    return d;
  };
  std::vector<Real> d = depths();
  EXPECT_GT(std::count_if(d.begin(), d.end(), [](Real x) { return x < 0; }), 100);
  EXPECT_GT(std::count_if(d.begin(), d.end(), [](Real x) { return x > 0; }), 100);
  std::vector<std::int32_t> expected(3000);
  test::RecordingSink sink;
  IndexFVector(d, 3000, expected, false, sink);
  EXPECT_EQ(p.engine.DepthOrder(0), expected);
  p.engine.Settings.View.Theta = 30 * DegreesToRadians;
  d = depths();
  IndexFVector(d, 3000, expected, false, sink);
  EXPECT_EQ(p.engine.DepthOrder(0), expected);
}

TEST(DepthOrderTest, TheRadixSortAgreesWithTheQuicksortAndRefusesEqualKeys) {
  // Keys that differ in the high part only, in the low part only, in the
  // lowest two bytes only (past the 64 bits the radix sort looks at), and
  // at both ends of the range.
  std::mt19937_64 gen(17);
  DepthSortSpace space;  // kept from one sort to the next, as the paint keeps it
  for (const std::size_t n : {std::size_t{2}, std::size_t{7}, std::size_t{300}, std::size_t{20000}}) {
    SCOPED_TRACE(n);
    std::vector<DepthPixel> pixels(n);
    for (std::size_t i = 0; i < n; ++i) {
      DepthPixel& d = pixels[i];
      d.Case = static_cast<std::int32_t>(i + 1);
      d.X = static_cast<std::int32_t>(i * 3);
      d.KeyHigh = static_cast<std::uint16_t>(i % 3 == 0 ? 0x8000 + gen() % 4 : 0x3FFF + gen() % 2);
      d.KeyLow = i % 5 == 0 ? 0xFFFF'FFFF'FFFF'0000ull | i : gen();
    }
    pixels[n - 1].KeyHigh = 0xFFFF;
    pixels[n - 1].KeyLow = ~0ull;
    pixels[0].KeyHigh = 0;
    pixels[0].KeyLow = 0;
    std::vector<DepthPixel> quick = pixels, radix = pixels;
    SortByDepth(quick);
    ASSERT_TRUE(SortDistinctByDepth(radix, space));
    for (std::size_t i = 0; i < n; ++i) {
      ASSERT_EQ(radix[i].Case, quick[i].Case) << i;
      ASSERT_EQ(radix[i].X, quick[i].X) << i;
    }
    // Two equal keys: refused, nothing moved.
    std::vector<DepthPixel> tied = pixels;
    tied[n / 2].KeyHigh = tied[0].KeyHigh;
    tied[n / 2].KeyLow = tied[0].KeyLow;
    if (n / 2 == 0) tied[1] = tied[0];
    const std::vector<DepthPixel> before = tied;
    EXPECT_FALSE(SortDistinctByDepth(tied, space));
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(tied[i].Case, before[i].Case);
  }
}

TEST(ViewControlTest, KeysTurnOnlyTheTetrahedralPagesAndZoomHasAFloor) {
  PlotSheet p;
  GraphEngine& e = p.engine;
  e.Page = PlotPage::Triangular;
  const ViewAngles before = e.Settings.View;
  for (ViewKey k : {ViewKey::Left, ViewKey::Right, ViewKey::Up, ViewKey::Down})
    EXPECT_FALSE(e.ApplyViewKey(k));
  EXPECT_FALSE(e.DragBy(10, 10));
  EXPECT_EQ(e.Settings.View.Alpha, before.Alpha);
  EXPECT_EQ(e.Settings.View.Theta, before.Theta);
  EXPECT_FALSE(e.ApplyViewKey(ViewKey::IncreaseSeparation));
  for (int i = 0; i < 40; ++i) e.ApplyViewKey(ViewKey::Reduce);
  EXPECT_GT(e.Settings.Scale, 0.05L);
  EXPECT_NEAR(static_cast<double>(e.Settings.Scale), 0.1, 1e-9);

  e.Page = PlotPage::Tetrahedral;
  EXPECT_TRUE(e.ApplyViewKey(ViewKey::Right));
  EXPECT_NEAR(static_cast<double>(e.Settings.View.Alpha / DegreesToRadians), 23, 1e-12);
  EXPECT_TRUE(e.ApplyViewKey(ViewKey::Up));
  EXPECT_NEAR(static_cast<double>(e.Settings.View.Theta / DegreesToRadians), -56, 1e-12);
  // A drag to the right (stored - new < 0) turns Alpha up; one pixel is no step.
  e.DragBy(-3, 1);
  EXPECT_NEAR(static_cast<double>(e.Settings.View.Alpha / DegreesToRadians), 25, 1e-12);
  EXPECT_NEAR(static_cast<double>(e.Settings.View.Theta / DegreesToRadians), -56, 1e-12);
  EXPECT_FALSE(e.ApplyViewKey(ViewKey::DecreaseSeparation));
  e.Page = PlotPage::Stereo;
  for (int i = 0; i < 40; ++i) e.ApplyViewKey(ViewKey::DecreaseSeparation);
  EXPECT_NEAR(static_cast<double>(e.Settings.StereoSFactor), 0.1, 1e-9);

  // The eye distance and the stereo turn always take their value; they ask
  // for a repaint only on a page that shows them.
  struct Slider {
    PlotPage page;
    bool eyeRepaints, rotationRepaints;
  };
  const Slider sliders[] = {{PlotPage::Triangular, false, false},
                            {PlotPage::Tetrahedral, true, false},
                            {PlotPage::Stereo, true, true}};
  int eye = 2, degrees = 3;
  for (const Slider& c : sliders) {
    SCOPED_TRACE(static_cast<int>(c.page));
    e.Page = c.page;
    EXPECT_EQ(e.SetEyeDistance(++eye), c.eyeRepaints);
    EXPECT_EQ(e.Settings.View.EyeDistance, eye);
    EXPECT_EQ(e.SetStereoRotation(++degrees), c.rotationRepaints);
    EXPECT_NEAR(static_cast<double>(e.Settings.View.Gamma / DegreesToRadians), degrees, 1e-12);
  }
}

// The box that names the warnings file where it was looked for and the menu
// item that switches the log on.
void ExpectNoLogIn(PlotSheet& p, const QString& folder) {
  p.prompter.Expect(
      BoxKind::Information,
      QStringLiteral("The plot warnings log \"") + QDir::toNativeSeparators(folder) +
          QStringLiteral("varnel.log\" could not be found.\n\rPlease, ensure that \"Options > Log "
                         "Plot Warnings\" is checked whenever generating a log file is required."),
      Only(Button::Ok), Button::Ok);
}

TEST(LogFileTest, ViewingTheLogLoadsItIntoTheTextPadOrSaysWhereItWasLookedFor) {
  PlotSheet p;
  LinesReport pad;
  ExpectNoLogIn(p, ProgramDir());
  p.engine.ViewLogFile(pad);
  EXPECT_FALSE(pad.started);
  p.engine.Settings.LogTransformWarnings = true;
  p.Connect({{"a", "b", "c"}, {"0", "0", "0"}});
  p.engine.ViewLogFile(pad);
  EXPECT_TRUE(pad.shown);
  ASSERT_EQ(pad.lines.size(), 3);
  EXPECT_EQ(pad.lines[2], "Case 1\t: Triangular Plot Zero Sum");
}

TEST(LogFileTest, AnInstalledCopyKeepsTheLogInTheUsersStateFolder) {
  QTemporaryDir root;
  ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("usr/bin")));
  ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("usr/share/varnel")));
  const test::ProgramDirScope installed(root.filePath(QStringLiteral("usr/bin")));
  const QByteArray oldState = qgetenv("XDG_STATE_HOME");
  qputenv("XDG_STATE_HOME", QFile::encodeName(root.filePath(QStringLiteral("state"))));
  const QString folder = root.filePath(QStringLiteral("state/varnel/"));
  {
    PlotSheet p;
    LinesReport pad;
    ExpectNoLogIn(p, folder);
    p.engine.ViewLogFile(pad);
    // The state folder does not exist yet: the first log makes it.
    p.engine.Settings.LogTransformWarnings = true;
    p.Connect({{"a", "b", "c"}, {"0", "0", "0"}});
    EXPECT_TRUE(test::ReadFile(folder + QStringLiteral("varnel.log"))
                    .endsWith("Case 1\t: Triangular Plot Zero Sum\r\n"));
    EXPECT_FALSE(QFile::exists(root.filePath(QStringLiteral("usr/bin/varnel.log"))));
    p.engine.ViewLogFile(pad);
    ASSERT_EQ(pad.lines.size(), 3);
  }
  if (oldState.isNull())
    qunsetenv("XDG_STATE_HOME");
  else
    qputenv("XDG_STATE_HOME", oldState);
}

}  // namespace
}  // namespace varnel

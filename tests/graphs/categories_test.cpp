// Symbols and colours from columns of names, the choice of apex columns,
// and the colours of tie lines.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <set>

#include "tests/graphs/pixels.h"
#include "tests/graphs/plotsheet.h"

namespace varnel {
namespace {

using test::PlotSheet;
using Rows = std::vector<std::vector<std::string>>;

QImage PaintTriangle(GraphEngine& e) {
  QImage image(1000, 707, QImage::Format_RGB32);
  QPainter painter(&image);
  PaintOptions options;
  options.Page = PlotPage::Triangular;
  e.Paint(painter, SetupPageMetrics(TargetKind::Bitmap, 1000, 707, 96, PrinterPage()), options);
  return image;
}

// Spinels named by their enclosing phase, in a column of names.
Rows Spinels() {
  return {{"Enclosing Phase#", "Mineral#", "MgO", "FeO", "Al2O3", "Cr2O3"},
          {"olivine", "spinel", "20", "10", "50", "5"},
          {"opx", "spinel", "18", "12", "40", "15"},
          {" olivine ", "chromite", "12", "20", "20", "40"},
          {"cpx", "chromite", "14", "16", "25", "30"},
          {"", "spinel", "19", "11", "45", "10"},
          {"opx", "n.d.", "17", "12", "35", "20"}};
}

TEST(CategoryTest, EachDistinctNameGetsItsOwnShapeAndColourInSortedOrder) {
  PlotSheet p;
  p.Connect(Spinels());
  GraphEngine& e = p.engine;
  // The text columns hold no numbers: the apexes are the oxides.
  EXPECT_EQ(e.SelectorItem(GraphSelector::A), 3);
  EXPECT_EQ(e.SelectorItem(GraphSelector::B), 4);
  EXPECT_EQ(e.SelectorItem(GraphSelector::C), 5);
  EXPECT_EQ(e.SelectorItem(GraphSelector::D), 6);
  EXPECT_EQ(e.PlotKind(), 2);

  e.SetSelectorItem(GraphSelector::SymbolShape, 1);
  e.SpecialColumnChanged(GraphSelector::SymbolShape);
  e.SetSelectorItem(GraphSelector::SymbolColor, 2);
  e.SpecialColumnChanged(GraphSelector::SymbolColor);
  e.Settings.UseDefaultShape = false;
  e.Settings.UseDefaultColor = false;
  // Sorted distinct values, blanks around a name ignored, empty cells no category.
  EXPECT_EQ(e.ShapeCategories(), (std::vector<std::string>{"cpx", "olivine", "opx"}));
  EXPECT_EQ(e.ColourCategories(), (std::vector<std::string>{"chromite", "n.d.", "spinel"}));
  const int shapes[] = {0, CategoryShape(1), CategoryShape(2), CategoryShape(1), CategoryShape(0),
                        e.Settings.DefSymShape, CategoryShape(2)};
  const QRgb fills[] = {0, CategoryColour(2), CategoryColour(2), CategoryColour(0),
                        CategoryColour(0), CategoryColour(2), CategoryColour(1)};
  for (int k = 1; k <= 6; ++k) {
    EXPECT_EQ(e.SymbolShape(k), shapes[k]) << k;
    EXPECT_EQ(e.SymbolFill(k), fills[k]) << k;
  }
  // The legend names the colours' categories, one line per symbol drawn.
  const std::vector<LegendEntry> legend = e.LegendEntries(PlotPage::Triangular);
  std::set<QString> names;
  for (const LegendEntry& entry : legend) names.insert(entry.Name);
  // Colours and shapes from two columns of names: each line names both.
  EXPECT_EQ(names, (std::set<QString>{"spinel, olivine", "spinel, opx", "chromite, olivine", "chromite, cpx",
                                      "spinel", "n.d., opx"}));
  EXPECT_EQ(legend.size(), 6u) << "six different symbol and colour pairs";

  // The same set of values in another order of cases gives the same looks.
  Rows shuffled = Spinels();
  std::swap(shuffled[1], shuffled[4]);
  PlotSheet q;
  q.Connect(shuffled);
  q.engine.SetSelectorItem(GraphSelector::SymbolShape, 1);
  q.engine.SpecialColumnChanged(GraphSelector::SymbolShape);
  q.engine.Settings.UseDefaultShape = false;
  EXPECT_EQ(q.engine.SymbolShape(4), CategoryShape(1)) << "olivine is olivine wherever it stands";
}

TEST(CategoryTest, ANumericCodeColumnWithAFewNotesKeepsItsCodes) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "Color#", "Symbol#"},
             {"1", "1", "1", "1", "4"},
             {"1", "2", "1", "n.a.", "x"},
             {"2", "1", "1", "-16.7", "6"}});
  GraphEngine& e = p.engine;
  e.Settings.UseDefaultShape = false;
  e.Settings.UseDefaultColor = false;
  EXPECT_TRUE(e.ColourCategories().empty());
  EXPECT_EQ(e.SymbolFill(1), ColorOfCode(1));
  EXPECT_EQ(e.SymbolFill(2), e.Settings.SymbolColor);
  EXPECT_EQ(e.SymbolFill(3), ColorOfCode(1));
  EXPECT_EQ(e.SymbolShape(2), e.Settings.DefSymShape);
  EXPECT_EQ(e.SymbolShape(3), 6);
}

TEST(CategoryTest, ThePaletteIsDistinctAndShapesAreVisible) {
  std::set<QRgb> colours;
  for (int i = 0; i < CategoryColourCount; ++i) colours.insert(CategoryColour(i));
  EXPECT_EQ(colours.size(), static_cast<std::size_t>(CategoryColourCount));
  EXPECT_EQ(CategoryColour(CategoryColourCount), CategoryColour(0)) << "the list repeats";
  std::set<int> shapes;
  for (int i = 0; i < CategoryShapeCount; ++i) shapes.insert(CategoryShape(i));
  EXPECT_EQ(shapes.size(), static_cast<std::size_t>(CategoryShapeCount));
  EXPECT_EQ(shapes.count(0), 0u) << "no category is drawn without a symbol";
  EXPECT_EQ(shapes.count(1), 0u) << "nor as a dot";
}

TEST(AutoSelectTest, ColumnsWithoutNumbersAreSkipped) {
  PlotSheet p;
  // Untagged text columns (names, notes) come first; an empty column too.
  p.Connect({{"Sample", "Locality", "Blank", "MgO", "FeO", "SiO2"},
             {"S1", "Hawaii", "", "10", "12", "50"},
             {"S2", "Iceland", "", "8", "11", "49"}});
  EXPECT_EQ(p.engine.SelectorItem(GraphSelector::A), 4);
  EXPECT_EQ(p.engine.SelectorItem(GraphSelector::B), 5);
  EXPECT_EQ(p.engine.SelectorItem(GraphSelector::C), 6);
  EXPECT_EQ(p.engine.SelectorItem(GraphSelector::D), 0);
  EXPECT_EQ(p.engine.TriangularPointsDrawn(), 2);
}

TEST(ApexChoiceTest, AVariableStandsAtOneApexOnly) {
  PlotSheet p;
  p.Connect({{"SiO2", "MgO", "FeO", "CaO"}, {"1", "2", "3", "4"}});
  GraphEngine& e = p.engine;
  ASSERT_EQ(e.SelectorItem(GraphSelector::D), 4);
  // Plot In > A on CaO, as the DataSheet does it: D gives it up.
  p.sheet.Sel = Selection{4, 1, 4, 1};
  e.SetSelectorItem(GraphSelector::A, 4);
  e.ApexChanged(GraphSelector::A);
  EXPECT_EQ(e.SelectorItem(GraphSelector::A), 4);
  EXPECT_EQ(e.SelectorItem(GraphSelector::D), 0);
  EXPECT_FALSE(e.HasApexValues(3));
  EXPECT_EQ(e.PlotKind(), 1);
  EXPECT_EQ(e.ApexLabel(0), "CaO");
  // Bulk upkeep (columns moving) may pass through a shared column and is
  // left alone.
  e.SetUpdating(true);
  e.SetSelectorItem(GraphSelector::B, 4);
  e.ApexChanged(GraphSelector::B);
  e.SetUpdating(false);
  EXPECT_EQ(e.SelectorItem(GraphSelector::A), 4);
}

TEST(TieColourTest, TiesTakeTheColourTheFirstSymbolIsDrawnIn) {
  const Rows rows{{"a", "b", "c", "Color#", "Tielin#"}, {"1", "1", "4", "1", "0"}, {"4", "1", "1", "1", "0"}};
  for (const bool colourFromVariable : {false, true}) {
    PlotSheet p;
    p.Connect(rows);
    GraphEngine& e = p.engine;
    e.Settings.ViewTies = true;
    e.Settings.ViewPoints = false;
    e.Settings.ViewDiagram = false;
    e.Settings.UseDefaultTieColor = false;
    e.Settings.UseDefaultColor = !colourFromVariable;
    e.Settings.DefaultTiePenWidth = 10;
    const QImage image = PaintTriangle(e);
    // The middle of the tie line.
    const QRgb mid = image.pixel(500, 548 - static_cast<int>(450 * Sin60 / 6));
    const QRgb expected = colourFromVariable ? qRgb(255, 0, 0) : e.Settings.SymbolColor;
    EXPECT_TRUE(test::Near(mid, expected, 40)) << colourFromVariable << " " << std::hex << mid;
  }
}

}  // namespace
}  // namespace varnel

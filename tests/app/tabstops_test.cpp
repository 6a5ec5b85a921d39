#include "app/tabstops.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

using Bands = std::vector<std::vector<int>>;

TEST(ColumnBands, SplitColumnsAcrossPagesAndRepeatTheLabels) {
  const std::vector<qreal> widths = {50, 100, 100, 100, 300};
  // Labels + one column fit, a second does not (50 + 10 + 100 + 10 + 100 > 260).
  EXPECT_EQ(ColumnBands(widths, 260, 10, true), (Bands{{0, 1}, {0, 2}, {0, 3}, {0, 4}}))
      << "a column wider than the page still gets a band of its own";
  EXPECT_EQ(ColumnBands(widths, 1000, 10, true), (Bands{{0, 1, 2, 3, 4}}));
  // Report columns: stops already hold their gap, nothing repeats.
  EXPECT_EQ(ColumnBands(widths, 260, 0, false), (Bands{{0, 1, 2}, {3}, {4}}));
  EXPECT_EQ(ColumnBands({40}, 10, 5, true), (Bands{{0}}));
  EXPECT_TRUE(ColumnBands({}, 100, 5, true).empty());
}

TEST(TabStops, WidenOnlyWhereAFieldWouldReachTheNextStop) {
  EXPECT_DOUBLE_EQ(PointsToDevice(56, 72), 56);
  EXPECT_DOUBLE_EQ(PointsToDevice(56, 96), 56.0 * 96 / 72);
  EXPECT_DOUBLE_EQ(PointsToDevice(72, 1200), 1200);
  EXPECT_EQ(FitTabDistance(50, 30, 4), 50);
  EXPECT_EQ(FitTabDistance(50, 47, 4), 51) << "the gap stays before the next stop";
  EXPECT_EQ(FitTabDistance(50, 80.5, 4), 85);
  EXPECT_EQ(FitTabDistance(50, 0, 4), 50);

  const QFontMetricsF fm(QFont(QStringLiteral("DejaVu Sans"), 10));
  const TextWidths widths(fm);
  const qreal wide = fm.horizontalAdvance(QStringLiteral("12345.6789"));
  EXPECT_NEAR(widths.Of(u"12345.6789"), wide, 0.5) << "measured by characters";
  EXPECT_NEAR(widths.Of(u"Fe\u00b2\u207a and \u03b1-quartz"),
              fm.horizontalAdvance(QStringLiteral("Fe\u00b2\u207a and \u03b1-quartz")), 0.5);
  EXPECT_NEAR(WidestTabbedField(QStringLiteral("1\t12345.6789\t2"), widths), wide, 0.5);
  EXPECT_LT(WidestTabbedField(QStringLiteral("1\t2\t12345.6789"), widths), wide / 2)
      << "the last field runs into nothing";
  EXPECT_EQ(WidestTabbedField(QStringLiteral("no tab at all"), widths), 0);

  const auto placed = PlaceTabbedFields(QStringLiteral("a\t12345.6789\tb"), fm, 40);
  ASSERT_EQ(placed.size(), 3U);
  EXPECT_EQ(placed[1].first, 40);
  EXPECT_EQ(placed[2].first, std::ceil((40 + wide) / 40) * 40)
      << "a tab goes to the first stop past the text";

  const std::vector<qreal> columns = ColumnWidths({QStringLiteral("title without tabs that is long"),
                                                   QStringLiteral("a\tbbbb"), QStringLiteral("aaa\tb\tc")},
                                                  fm);
  ASSERT_EQ(columns.size(), 3U);
  EXPECT_NEAR(columns[0], fm.horizontalAdvance(QStringLiteral("aaa")), 0.5);
  EXPECT_NEAR(columns[1], fm.horizontalAdvance(QStringLiteral("bbbb")), 0.5);
}

}  // namespace
}  // namespace varnel

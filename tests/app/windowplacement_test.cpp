#include "app/windowplacement.h"

#include <gtest/gtest.h>

#include "app/inifile.h"

namespace varnel {
namespace {

// The first start on screens from a netbook to a second monitor beside the
// first (its area does not start at 0), each with the room a desktop's
// panels leave.
TEST(FirstStartTilesTest, TheWindowsShareTheAvailableScreenWithoutGapsOrOverlapWhereThereIsRoom) {
  const struct {
    QRect area;
    bool sideBySide;  // room for both upper windows at their least widths
    bool strip;       // room for the TextPad below them
  } screens[] = {
      {QRect(0, 0, 800, 600), false, false},    {QRect(0, 27, 1024, 741), false, true},
      {QRect(0, 30, 1280, 770), true, true},    {QRect(0, 0, 1920, 1048), true, true},
      {QRect(1920, 0, 2560, 1400), true, true}, {QRect(64, 0, 3776, 2160), true, true},
  };
  for (const auto& s : screens) {
    SCOPED_TRACE(s.area.width());
    const FirstStartTiles t = TileFirstStart(s.area);
    for (const QRect& r : {t.DataSheet, t.Graphs, t.TextPad}) EXPECT_TRUE(s.area.contains(r));
    // DataSheet in the top left corner, Graphs in the top right, TextPad along the bottom.
    EXPECT_EQ(t.DataSheet.topLeft(), s.area.topLeft());
    EXPECT_EQ(t.Graphs.topRight(), s.area.topRight());
    EXPECT_EQ(t.TextPad.bottomLeft(), s.area.bottomLeft());
    EXPECT_EQ(t.TextPad.width(), s.area.width());
    EXPECT_EQ(t.DataSheet.height(), t.Graphs.height());
    // Never smaller than the windows' own first sizes.
    EXPECT_GE(t.DataSheet.width(), 590);
    EXPECT_GE(t.DataSheet.height(), 370);
    EXPECT_GE(t.Graphs.width(), 540);
    EXPECT_GE(t.Graphs.height(), 460);
    EXPECT_GE(t.TextPad.height(), 200);
    if (s.sideBySide) {
      EXPECT_EQ(t.DataSheet.right() + 1, t.Graphs.left());  // edge to edge
      EXPECT_GT(t.DataSheet.width(), t.Graphs.width());
    }
    if (s.strip) {
      EXPECT_EQ(t.DataSheet.bottom() + 1, t.TextPad.top());
      EXPECT_EQ(t.TextPad.bottom(), s.area.bottom());
      EXPECT_GE(t.DataSheet.height(), s.area.height() / 2);
    }
  }
}

TEST(FirstStartTilesTest, AStoredPlaceWinsOverTheTileAndAPlaceOffTheScreenGoesBackToIt) {
  const QRect tile(0, 30, 704, 513);
  const QSize screen(1280, 800);
  // The first start: the tile whole.
  EXPECT_EQ(
      ReadWindowBounds(IniFile(QStringLiteral("/nowhere/VARNEL.INI")), QStringLiteral("DS"), tile, screen),
      (WindowBounds{30, 0, 704, 513}));
  // Later starts keep what the user left, also partly off the screen.
  const IniFile later(QStringLiteral("/nowhere/VARNEL.INI"),
                      "[WinPos]\r\nDSTop=-10\r\nDSLeft=300\r\nDSWidth=900\r\nDSHeight=650\r\n");
  EXPECT_TRUE(HasWindowBounds(later, QStringLiteral("DS")));
  EXPECT_FALSE(HasWindowBounds(later, QStringLiteral("G")));
  EXPECT_EQ(ReadWindowBounds(later, QStringLiteral("DS"), tile, screen), (WindowBounds{-10, 300, 900, 650}));
  // A place on a monitor that is gone comes back to the tile; its size stays.
  const IniFile gone(QStringLiteral("/nowhere/VARNEL.INI"),
                     "[WinPos]\r\nDSTop=900\r\nDSLeft=2000\r\nDSWidth=900\r\nDSHeight=650\r\n");
  EXPECT_EQ(ReadWindowBounds(gone, QStringLiteral("DS"), tile, screen), (WindowBounds{30, 0, 900, 650}));
}

}  // namespace
}  // namespace varnel

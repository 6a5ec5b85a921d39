// Window bounds kept in the "WinPos" section of the settings file.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace varnel {

class IniFile;

struct WindowBounds {
  int Top = 0, Left = 0, Width = 0, Height = 0;
  bool operator==(const WindowBounds&) const = default;
};

// Reads prefix + "Top", "Left", "Width", "Height". Missing values give a
// window of the default size centred on the screen; a stored top or left
// at or beyond the screen's height or width is centred instead (a former
// second monitor). Nothing else is corrected.
WindowBounds ReadWindowBounds(const IniFile& ini, const QString& prefix, int defaultWidth, int defaultHeight,
                              QSize screen);
// The same, with the window's tile as its place at the first start: missing
// values come from the tile, and a stored top or left at or beyond the
// screen's height or width goes back to the tile's.
WindowBounds ReadWindowBounds(const IniFile& ini, const QString& prefix, const QRect& firstStart,
                              QSize screen);

// True when the settings file holds the window's place (a later start).
bool HasWindowBounds(const IniFile& ini, const QString& prefix);

// The places of the main windows at the first start, as whole frames on
// the available part of the screen: the DataSheet on the left and the
// Graphs window on the right share the upper two thirds; the TextPad, which
// opens with the first report, takes the strip below them across the screen.
struct FirstStartTiles {
  QRect DataSheet, Graphs, TextPad;
};
FirstStartTiles TileFirstStart(const QRect& available);

void WriteWindowBounds(IniFile& ini, const QString& prefix, const WindowBounds& bounds, bool withSize = true);

// Where a tool window of the given size opens beside its owner (frame
// rectangles, on screen's available area): right of it, else left of it,
// else below or above it; where none fits, the side with the most room,
// kept on the screen, so that it hides as little of the owner as it can.
QPoint BesideWindow(const QRect& owner, QSize dialog, const QRect& screen);

}  // namespace varnel

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
void WriteWindowBounds(IniFile& ini, const QString& prefix, const WindowBounds& bounds, bool withSize = true);

// Where a tool window of the given size opens beside its owner (frame
// rectangles, on screen's available area): right of it, else left of it,
// else below or above it; where none fits, the side with the most room,
// kept on the screen, so that it hides as little of the owner as it can.
QPoint BesideWindow(const QRect& owner, QSize dialog, const QRect& screen);

}  // namespace varnel

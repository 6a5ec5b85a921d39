// The small pictures of the windows: header marks and tool bar buttons,
// drawn at start-up rather than shipped as files.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace varnel {

// The 11 header marks (16 x 14): apexes A-D (0-3), label (4), symbol shape
// (5), symbol size (6), symbol colour (7), tie line (8), included case (9),
// excluded case (10).
const QPixmap& HeaderImage(int index);

enum class ToolIcon {
  New,
  Open,
  Save,
  Print,
  Clear,
  Cut,
  Copy,
  Paste,
  Undo,
  TextPad,
  PlotIn,
  Maw,
  AddToMaw,
  Mapping,
  // The Graphs window's switches and tools.
  Diagram,
  Points,
  Labels,
  TieLines,
  Enlarge,
  Reduce,
  Settings
};
QIcon ToolBarIcon(ToolIcon which);

// The picture of the splash window and the About box.
QPixmap SplashPicture(const QString& version);

}  // namespace varnel

#include "app/windowplacement.h"

#include <algorithm>

#include "app/inifile.h"

namespace varnel {

WindowBounds ReadWindowBounds(const IniFile& ini, const QString& prefix, int defaultWidth, int defaultHeight,
                              QSize screen) {
  const QString section = QStringLiteral("WinPos");
  const int centredTop = screen.height() / 2 - defaultHeight / 2;
  const int centredLeft = screen.width() / 2 - defaultWidth / 2;
  WindowBounds b;
  b.Top = ini.ReadInteger(section, prefix + QStringLiteral("Top"), centredTop);
  b.Left = ini.ReadInteger(section, prefix + QStringLiteral("Left"), centredLeft);
  b.Width = ini.ReadInteger(section, prefix + QStringLiteral("Width"), defaultWidth);
  b.Height = ini.ReadInteger(section, prefix + QStringLiteral("Height"), defaultHeight);
  if (b.Top >= screen.height()) b.Top = centredTop;
  if (b.Left >= screen.width()) b.Left = centredLeft;
  return b;
}

WindowBounds ReadWindowBounds(const IniFile& ini, const QString& prefix, const QRect& firstStart,
                              QSize screen) {
  const QString section = QStringLiteral("WinPos");
  WindowBounds b;
  b.Top = ini.ReadInteger(section, prefix + QStringLiteral("Top"), firstStart.top());
  b.Left = ini.ReadInteger(section, prefix + QStringLiteral("Left"), firstStart.left());
  b.Width = ini.ReadInteger(section, prefix + QStringLiteral("Width"), firstStart.width());
  b.Height = ini.ReadInteger(section, prefix + QStringLiteral("Height"), firstStart.height());
  if (b.Top >= screen.height()) b.Top = firstStart.top();
  if (b.Left >= screen.width()) b.Left = firstStart.left();
  return b;
}

bool HasWindowBounds(const IniFile& ini, const QString& prefix) {
  return ini.HasKey(QStringLiteral("WinPos"), prefix + QStringLiteral("Top")) &&
         ini.HasKey(QStringLiteral("WinPos"), prefix + QStringLiteral("Left"));
}

FirstStartTiles TileFirstStart(const QRect& available) {
  // Each window gets at least the size it had before there were tiles (the
  // Graphs window needs that much for its four selectors); on a screen too
  // small for both side by side they overlap rather than shrink.
  const int w = available.width(), h = available.height();
  const int upper = std::min(h, std::max(h * 2 / 3, 460));
  const int sheetWidth = std::min(w, std::max(w * 11 / 20, 590));  // the table wants more room than the page
  const int graphsWidth = std::min(w, std::max(w - sheetWidth, 540));
  const int padHeight = std::min(h, std::max(h - upper, 200));
  FirstStartTiles t;
  t.DataSheet = QRect(available.left(), available.top(), sheetWidth, upper);
  t.Graphs = QRect(available.left() + w - graphsWidth, available.top(), graphsWidth, upper);
  t.TextPad = QRect(available.left(), available.top() + h - padHeight, w, padHeight);
  return t;
}

void WriteWindowBounds(IniFile& ini, const QString& prefix, const WindowBounds& b, bool withSize) {
  const QString section = QStringLiteral("WinPos");
  ini.WriteInteger(section, prefix + QStringLiteral("Top"), b.Top);
  ini.WriteInteger(section, prefix + QStringLiteral("Left"), b.Left);
  if (!withSize) return;
  ini.WriteInteger(section, prefix + QStringLiteral("Width"), b.Width);
  ini.WriteInteger(section, prefix + QStringLiteral("Height"), b.Height);
}

QPoint BesideWindow(const QRect& owner, QSize dialog, const QRect& screen) {
  const int gap = 8;
  const int w = dialog.width(), h = dialog.height();
  const auto keepOn = [&](int x, int y) {
    x = std::max(screen.left(), std::min(x, screen.right() + 1 - w));
    y = std::max(screen.top(), std::min(y, screen.bottom() + 1 - h));
    return QPoint(x, y);
  };
  const int right = screen.right() + 1 - (owner.right() + 1 + gap);
  const int left = owner.left() - gap - screen.left();
  const int below = screen.bottom() + 1 - (owner.bottom() + 1 + gap);
  const int above = owner.top() - gap - screen.top();
  if (right >= w) return keepOn(owner.right() + 1 + gap, owner.top());
  if (left >= w) return keepOn(owner.left() - gap - w, owner.top());
  if (below >= h) return keepOn(owner.left(), owner.bottom() + 1 + gap);
  if (above >= h) return keepOn(owner.left(), owner.top() - gap - h);
  // Nowhere whole: against the edge of the widest free side.
  if (std::max(right, left) >= std::max(below, above))
    return right >= left ? keepOn(screen.right() + 1 - w, owner.top()) : keepOn(screen.left(), owner.top());
  return below >= above ? keepOn(owner.left(), screen.bottom() + 1 - h) : keepOn(owner.left(), screen.top());
}

}  // namespace varnel

#include "app/windowplacement.h"

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

void WriteWindowBounds(IniFile& ini, const QString& prefix, const WindowBounds& b, bool withSize) {
  const QString section = QStringLiteral("WinPos");
  ini.WriteInteger(section, prefix + QStringLiteral("Top"), b.Top);
  ini.WriteInteger(section, prefix + QStringLiteral("Left"), b.Left);
  if (!withSize) return;
  ini.WriteInteger(section, prefix + QStringLiteral("Width"), b.Width);
  ini.WriteInteger(section, prefix + QStringLiteral("Height"), b.Height);
}

}  // namespace varnel

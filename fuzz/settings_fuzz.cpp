// Arbitrary bytes as the settings file: reading every key the program reads
// must not crash, an unchanged file must come back byte for byte, and a
// value written must read back, also after the file is read again.
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/inifile.h"
#include "app/windowplacement.h"
#include "graphs/graphsettingsfile.h"
#include "sheet/preferencesfile.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const QString path = QStringLiteral("/nonexistent/VARNEL.INI");
  varnel::IniFile ini(path, bytes);
  Check(ini.Bytes() == QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));

  varnel::Preferences prefs;
  varnel::LoadPreferences(ini, prefs);
  Check(prefs.DefaultColCount >= varnel::MinSheetSize && prefs.DefaultColCount <= varnel::MaxSheetSize);
  Check(prefs.DefaultRowCount >= varnel::MinSheetSize && prefs.DefaultRowCount <= varnel::MaxSheetSize);
  Check(prefs.ColorCells >= 0 && prefs.ColorCells <= 2);
  // The Graphs keys, and the same bytes as a plot settings file: every value
  // read lies in the range the settings dialog offers.
  varnel::GraphSettings graphs;
  varnel::ReadGraphsIniKeys(ini, graphs);
  Check(graphs.MaxTieSets >= 0 && graphs.MaxTieSets <= varnel::MaxTieSetsLimit);
  Check(graphs.DefaultClpBMPWidth >= varnel::MinBitmapWidth &&
        graphs.DefaultClpBMPWidth <= varnel::MaxBitmapWidth);
  Check(graphs.DefSymShape >= 0 && graphs.DefSymShape < varnel::SymbolShapeCount);
  Check(graphs.Scale > 0 && graphs.StereoSFactor > 0);
  varnel::PlotSettingsFromIni(ini, graphs);
  Check(graphs.View.EyeDistance >= 1 && graphs.View.EyeDistance <= 30);
  Check(graphs.DefaultSymbolSize >= 1 && graphs.DefaultSymbolSize <= varnel::MaxSymbolSize);
  varnel::ReadWindowBounds(ini, QStringLiteral("DS"), 590, 370, QSize(1280, 1024));

  const QString font = QStringLiteral("Fuzz \u00E9 \u03B1");
  ini.WriteString(QStringLiteral("Prefs"), QStringLiteral("SheetFontName"), font);
  ini.WriteInteger(QStringLiteral("WinPos"), QStringLiteral("DSTop"), -12);
  ini.WriteBool(QStringLiteral("RecentFiles"), QStringLiteral("File1"), true);
  Check(ini.ReadString(QStringLiteral("prefs"), QStringLiteral("sheetfontname"), QString()) == font);
  Check(ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("DSTop"), 0) == -12);
  const QByteArray written = ini.Bytes();
  const varnel::IniFile again(path,
                              std::string_view(written.constData(), static_cast<size_t>(written.size())));
  Check(again.ReadString(QStringLiteral("Prefs"), QStringLiteral("SheetFontName"), QString()) == font);
  Check(again.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("DSTop"), 0) == -12);
  Check(again.ReadBool(QStringLiteral("RecentFiles"), QStringLiteral("File1"), false));
  return 0;
}

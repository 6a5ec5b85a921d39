// A DataSheet with the graph engine connected to it, for the graph tests.
#pragma once

#include <QDir>
#include <string>
#include <vector>

#include "app/programfolder.h"
#include "graphs/graphengine.h"
#include "sheet/sheet.h"
#include "tests/support/scriptedprompter.h"

namespace varnel::test {

struct PlotSheet {
  ScriptedPrompter prompter;
  Sheet sheet{prompter};
  GraphEngine engine{sheet, prompter};

  PlotSheet() {
    sheet.SetGraphLink(&engine);
    engine.DecimalSep = '.';
    QFile::remove(LogPath());
  }
  ~PlotSheet() { sheet.Saved = true; }

  // rows[0] holds the names, every later row a case; every case included.
  void Fill(const std::vector<std::vector<std::string>>& rows) {
    const int cols = static_cast<int>(rows[0].size()) + 1;
    sheet.SetSize(cols, static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
      for (std::size_t c = 0; c < rows[r].size(); ++c)
        sheet.SetCell(static_cast<int>(c) + 1, static_cast<int>(r), rows[r][c]);
    for (int r = 1; r < sheet.RowCount(); ++r) sheet.SetCell(0, r, "Y");
    sheet.FirstNew = false;
    sheet.Blank = false;
    sheet.FileName = QStringLiteral("/data/rocks.vnp");
  }
  // Fills and connects; auto-selection on unless told otherwise.
  void Connect(const std::vector<std::vector<std::string>>& rows, bool autoSelect = true) {
    Fill(rows);
    engine.Settings.AutoVarSelect = autoSelect;
    engine.GetWSheetData(true);
  }
  // Three apexes named after oxides, case 1 at the centroid.
  void ConnectRocks() { Connect({{"SiO2", "MgO", "FeO"}, {"1", "1", "1"}, {"2", "1", "1"}}); }
  static QString LogPath() { return WarningsLogPath(); }
};

}  // namespace varnel::test

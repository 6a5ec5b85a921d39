// A shown DataSheet window of many cases of short numbers, for the
// benchmarks of the grid and the commands.
#pragma once

#include "bench/bench_gui_main.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/sheettable.h"
#include "tests/support/scriptedprompter.h"

namespace varnel::bench {

struct BigSheet {
  test::ScriptedPrompter prompter;
  Sheet windowSheet{prompter};
  TVN_Wsheet window{windowSheet, prompter};

  BigSheet(int cols, int rows) {
    Sheet& s = window.Data();
    s.Prefs.DefaultColCount = cols;
    s.Prefs.DefaultRowCount = rows;
    s.New1Click();
    FillShortNumbers(s, cols, rows);
    s.Blank = false;
    s.RecountIncluded();
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();
  }
  ~BigSheet() { window.Data().Saved = true; }
  Sheet& S() { return window.Data(); }
  // One full paint of the grid as it shows now.
  void Paint() { window.Grid()->viewport()->grab(); }
};

}  // namespace varnel::bench

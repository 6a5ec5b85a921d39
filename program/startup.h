// From launch to the event loop: the splash, the long-lived objects and the
// windows in their fixed order, the file named on the command line.
#pragma once

#include <memory>

#include "app/settingssection.h"

namespace varnel {

class ChemistryCommands;
class GraphEngine;
class MatrixCommands;
class QtPrompter;
class Sheet;
class TextPrinter;
class TVN_Graphs;
class TVN_Txt;
class TVN_Wsheet;
class TVN_MWiz;

// Everything start-up makes, one of each, alive until the DataSheet closes.
// The sheet comes first: every window and engine reads it.
struct Program {
  Program();
  ~Program();
  std::unique_ptr<QtPrompter> prompter;
  std::unique_ptr<Sheet> sheet;
  std::unique_ptr<TextPrinter> printing;
  std::unique_ptr<TVN_Wsheet> wsheet;
  // The graph engine reads the sheet; the DataSheet's graph link points at it.
  std::unique_ptr<GraphEngine> graphs;
  std::unique_ptr<TVN_Graphs> gwindow;
  std::unique_ptr<TVN_Txt> txt;
  std::unique_ptr<MatrixCommands> matrix;
  std::unique_ptr<ChemistryCommands> chemistry;
  std::unique_ptr<TVN_MWiz> wizard;
  // The owners of the settings file's keys.
  SettingsRegistry settings;
};

// Makes and wires everything; the windows are not shown yet.
void BuildProgram(Program& p);

// Writes every owner's keys of the settings file at exit; shows "Unable to
// write to " + the path when it cannot.
void SaveSettingsAtExit(const Program& p);

// Runs the start-up sequence and then the event loop; returns the exit code.
// Opens a file named on the command line (or by the desktop): a plot
// settings file (.vng) goes to the Graphs window, anything else is loaded as
// a data file. Names that are not files are left alone.
void OpenArgument(Program& p, const QString& path);

int Startup(int argc, char** argv);

}  // namespace varnel

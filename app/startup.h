// From launch to the event loop: the splash, the windows in their fixed
// order, the file named on the command line.
#pragma once

#include <memory>

class QSplashScreen;

namespace varnel {

class GraphLink;
class MatrixCommands;
class QtPrompter;
class TextPrinter;
class TVN_Txt;
class TVN_Wsheet;
class WizardLink;

// Every window of the program, one of each, created at start-up.
struct Windows {
  Windows();
  ~Windows();
  std::unique_ptr<QtPrompter> prompter;
  std::unique_ptr<GraphLink> graphs;
  std::unique_ptr<WizardLink> wizard;
  std::unique_ptr<TextPrinter> printing;
  std::unique_ptr<TVN_Wsheet> wsheet;
  std::unique_ptr<TVN_Txt> txt;
  std::unique_ptr<MatrixCommands> matrix;
  // Settings of windows still to come, kept as read so that exit writes them
  // back unchanged.
  std::unique_ptr<struct ExitSettings> kept;
};

// Writes the settings file at exit; shows "Unable to write to " + the path
// when it cannot.
void SaveSettingsAtExit(Windows& w);

// Runs the start-up sequence and then the event loop; returns the exit code.
int Startup(int argc, char** argv);

}  // namespace varnel

// The Graphs page on the printer (the printing support brings widgets, so
// this lives beside the window, not in the engine).
#pragma once

#include "graphs/graphengine.h"
#include "graphs/pagemetrics.h"

class QPrinter;

namespace varnel {

// The printer's page in device pixels and its resolution.
PrinterPage PageOfPrinter(const QPrinter& printer);

// With no printer installed the printer prints to a PDF file, so that the
// program always has a page to lay its graphs out on.
void UsePdfWhenNoPrinter(QPrinter& printer);

// Paints the page on the printer as one job; false when the printer fails.
bool PrintGraph(GraphEngine& engine, QPrinter& printer, PlotPage page);

}  // namespace varnel

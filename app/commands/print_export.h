#pragma once

#include <QByteArray>

#include "app/commands/export_commands.h"
#include "plot/print_plot.h"

class QWidget;
class TForm1;

// A figure for print: its style (the axis titles among it) and its physical size, font and
// resolution. The pen, markers and pixels follow from these.
struct PrintChoice {
  PrintStyle Style;
  double FontPoints = 9;
  int Dpi = 300;  // PNG pixels per inch; SVG and PDF are drawn at it too, as vectors
  double WidthMm = 160, HeightMm = 100;
};

// The save dialog's print filters, and whether a filter is one of them.
QString PrintPlotFilters();
bool IsPrintFilter(const QString& filter);

// The choice's titles start as the data's (a table's column names) or "x" and "y"; the dialog
// lets the user type them and pick the font size, resolution and size. False when cancelled.
bool AskPrintChoice(TForm1& form, PrintChoice& choice);

// The figure as PNG (with its resolution recorded), SVG or PDF, drawn by DrawPrintPlot.
QByteArray PrintPlotBytes(const TForm1& form, PlotFileFormat format, const PrintChoice& choice);

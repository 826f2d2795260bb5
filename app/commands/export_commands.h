#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "export/data_csv.h"

class QLocale;

class TForm1;

// Adds the commands that take results out of the window and data into it: "Копировать график",
// "Сохранить график…", "Сохранить данные и модель…", the "Копировать формулу" sub-menu and
// "Вставить данные", in that order.
void CreateExportCommands(TForm1& form);

// The save dialog's CSV filters: the locale's separator and decimal mark first, without and then
// with the fit's '#' lines; then the other form. Numbers always take the shortest digits that
// read back exactly.
QString CsvFilters(const QLocale& locale);
// The form a filter of CsvFilters names; the first for any other text.
CsvStyle CsvStyleFor(const QString& filter, const QLocale& locale);

enum class PlotFileFormat { Png, Svg, Pdf };

// The format of a plot file named `path`: its own extension (.png, .svg or .pdf, in any case)
// when it has one of them, otherwise that of the selected filter, whose extension is then
// appended to `path`.
PlotFileFormat ChoosePlotFormat(QString& path, const QString& selectedFilter);

// The plot as the window shows it: the plot area of the back buffer, at its device pixel ratio.
QImage PlotPixels(const TForm1& form);

// The plot file's bytes: the plot's own pixels as PNG, or the vector drawing as SVG or PDF.
// Raises the run-time fault a redraw of the data raises.
QByteArray PlotFileBytes(const TForm1& form, PlotFileFormat format);

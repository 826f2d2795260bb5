#pragma once

#include <QString>
#include <string_view>

#include "data/import_check.h"

class QLabel;
class TForm1;

// The import notice: when the bytes of a new data set show the signs of a misread, a panel over
// the top of the plot names the first one with its line and says how many more there are. It
// lies over the plot like the formula hint, leaves the picture under it as it is, never blocks,
// and closes with Esc, a click on it or the next file.

// The window has accepted a data set read from these bytes (a file, a drop, a paste): the
// report is kept for "Как прочитан файл…", and the notice shows when it holds a sign.
void ImportAccepted(TForm1& form, ImportReport report, const QString& sourceName);

// The same for bytes the window has in memory, such as pasted text: checks them first.
void DataBytesAccepted(TForm1& form, std::string_view bytes, const QString& sourceName);

// The data shown came from no file (a random sample after a rejected one): the kept report is
// dropped and the notice closed.
void ForgetImport(TForm1& form);

// Hides the notice; returns whether it was shown.
bool CloseImportNotice(TForm1& form);

// The notice's panel, or nullptr before the first notice.
QLabel* ImportNoticeOf(TForm1& form);

// The report of the data set shown and the name of its source; nullptr when it came from no
// file.
const ImportReport* ShownImport(TForm1& form, QString* sourceName = nullptr);

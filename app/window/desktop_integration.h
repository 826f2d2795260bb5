#pragma once

#include <QString>

class QApplication;
class TForm1;

// Where the open dialog first starts: the program's own folder when it is the user's (a build
// tree), the working directory when the program is installed in a system folder.
QString OpenDialogStart(const QString& programDir, const QString& workingDir);

// Loads Qt's own Russian texts (dialogs, the text boxes' menus) so they speak the panel's
// language. Returns false when the translations are not installed.
bool InstallRussianTranslations(QApplication& application);

// Russian accessible names and tooltips for every control and picture of the window.
void NameControls(TForm1& form);

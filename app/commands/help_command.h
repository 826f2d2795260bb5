#pragma once

#include <QString>

class TForm1;

// The user guide About.doc for a program in `programDir`: the copy beside the program (a build
// tree), else the installed one under ../share/doc/harmora; an empty text when neither exists.
QString UserGuidePath(const QString& programDir);

// "Справка" (F1): opens the user guide with the desktop's handler for its type.
void CreateHelpCommand(TForm1& form);

#pragma once

class QPlainTextEdit;
class TForm1;

// "Как прочитан файл…": a read-only window beside the main one with the first lines of the data
// file next to the numbers they gave, pair by pair, every sign of a misread marked, and the
// counts. It does not block; a second call brings the same window up to date and to the front.
void ShowImportView(TForm1& form);

// The text box of the view, or nullptr while it has never been opened.
QPlainTextEdit* ImportViewText(TForm1& form);

// Adds the view's command to the window's context menu (no shortcut).
void CreateImportCommands(TForm1& form);

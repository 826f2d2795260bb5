#pragma once

#include <QKeySequence>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class TForm1;

// The window's commands beyond the panel. Each is a QAction on the main window, so its shortcut
// works anywhere in the window, and all of them are listed, in the order added, in the one
// context menu of the bare plot and of the report box.

// Adds a command whose body runs inside the form's handler wrapper. A command that needs a fit
// is disabled until a fit has run to its end, and again from the next data set on.
QAction* AddWindowCommand(TForm1& form,
                          const QString& text,
                          const QKeySequence& shortcut,
                          bool needsFit,
                          std::function<void()> body);

// Adds a sub-menu to the context menu, disabled like a command when it needs a fit.
QMenu* AddWindowSubmenu(TForm1& form, const QString& text, bool needsFit);

// Adds "Исходный масштаб" (Ctrl+0), which undoes the Ctrl+wheel zoom (plot_zoom.cpp).
void CreateZoomCommands(TForm1& form);

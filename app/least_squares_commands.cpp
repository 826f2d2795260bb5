#include "app/least_squares_commands.h"

#include <QAction>

#include "app/context_menu.h"
#include "app/least_squares_window.h"
#include "app/tform1.h"

void CreateLeastSquaresCommands(TForm1& form) {
  auto* window = new LeastSquaresWindow(form, &RefineBothModels);
  QAction* refine = AddWindowCommand(form,
                                     QStringLiteral("Точная подгонка (МНК)"),
                                     QKeySequence(Qt::CTRL | Qt::Key_L),
                                     true,
                                     [window] {
                                       window->show();
                                       window->raise();
                                       window->activateWindow();
                                       window->StartRefinement();
                                     });
  // The command is disabled the moment its fit is gone (a new fit starts, a new data set comes):
  // whatever was refined from it must not reach the new one.
  QObject::connect(refine, &QAction::enabledChanged, window, [window](bool enabled) {
    if (!enabled) window->Supersede();
  });
}

#include "app/least_squares/least_squares_commands.h"

#include <QAction>
#include <QScreen>

#include "app/least_squares/least_squares_window.h"
#include "app/window/context_menu.h"
#include "app/window/tform1.h"

namespace {

// Opens the window to the right of the form where the screen has room, else to its left, else at
// the screen's left edge, over the plot rather than the panel.
void PlaceBeside(const TForm1& form, QWidget& window) {
  const QScreen* screen = form.screen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  // Never larger than the screen's free area (a scaled desktop has little room), leaving space
  // for the window manager's frame.
  constexpr int kFrameAllowance = 48;
  window.resize(
      window.size().boundedTo(QSize(room.width() - kFrameAllowance, room.height() - kFrameAllowance)
                                  .expandedTo({320, 240})));
  const QRect frame = form.frameGeometry();
  QPoint at(frame.right() + 1, frame.top());
  if (at.x() + window.width() > room.right() + 1) at.setX(frame.left() - window.width());
  if (at.x() < room.left()) at.setX(room.left());
  if (at.y() + window.height() > room.bottom()) at.setY(room.bottom() + 1 - window.height());
  if (at.y() < room.top()) at.setY(room.top());
  window.move(at);
}

}  // namespace

void CreateLeastSquaresCommands(TForm1& form) {
  auto* window = new LeastSquaresWindow(form, &RunRefinement);
  QAction* refine = AddWindowCommand(form,
                                     QStringLiteral("Точная подгонка (МНК)"),
                                     QKeySequence(Qt::CTRL | Qt::Key_L),
                                     true,
                                     [&form, window] {
                                       if (window->isHidden()) PlaceBeside(form, *window);
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

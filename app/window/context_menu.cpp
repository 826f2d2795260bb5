#include "app/window/context_menu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>

#include "app/window/import_notice.h"
#include "app/window/tform1.h"

QAction* AddWindowCommand(TForm1& form,
                          const QString& text,
                          const QKeySequence& shortcut,
                          bool needsFit,
                          std::function<void()> body) {
  auto* action = new QAction(text, &form);
  action->setShortcut(shortcut);
  action->setShortcutContext(Qt::WindowShortcut);
  QObject::connect(action, &QAction::triggered, &form, [&form, body = std::move(body)] {
    form.RunHandler(body);
  });
  form.addAction(action);
  form.ContextMenu->addAction(action);
  if (needsFit) form.FitCommands.push_back(action);
  form.UpdateCommandStates();
  return action;
}

QMenu* AddWindowSubmenu(TForm1& form, const QString& text, bool needsFit) {
  QMenu* menu = form.ContextMenu->addMenu(text);
  if (needsFit) form.FitCommands.push_back(menu->menuAction());
  form.UpdateCommandStates();
  return menu;
}

void TForm1::CreateContextMenu() {
  ContextMenu = new QMenu(this);
  // The report box keeps its own copy and select-all below ours.
  Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Memo1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    QMenu* menu = Memo1->createStandardContextMenu(pos);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* first = menu->actions().value(0);
    menu->insertActions(first, ContextMenu->actions());
    menu->insertSeparator(first);
    menu->popup(Memo1->viewport()->mapToGlobal(pos));
  });
  // Esc is no menu item: it closes whatever lies on top of the plot.
  auto* escape = new QAction(this);
  escape->setShortcut(QKeySequence(Qt::Key_Escape));
  escape->setShortcutContext(Qt::WindowShortcut);
  QObject::connect(
      escape, &QAction::triggered, this, [this] { RunHandler([this] { CloseTopOverlay(); }); });
  addAction(escape);
}

void TForm1::contextMenuEvent(QContextMenuEvent* e) {
  // Only the bare plot opens it: the panel and its controls keep to themselves.
  if (childAt(e->pos()) != nullptr) return;
  ContextMenu->popup(e->globalPos());
}

void TForm1::UpdateCommandStates() {
  for (QAction* action : FitCommands) action->setEnabled(HasFit);
}

void TForm1::CloseTopOverlay() {
  if (CloseImportNotice(*this)) return;  // the notice lies over everything else
  // The report hides the pictures, so at most one of these is up at a time.
  if (Memo1->isVisible()) {
    Memo1->hide();
  } else {
    Image5->hide();
    Image6->hide();
  }
}

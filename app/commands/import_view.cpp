#include "app/commands/import_view.h"

#include <QDialog>
#include <QFontDatabase>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/window/context_menu.h"
#include "app/window/import_notice.h"
#include "app/window/tform1.h"
#include "data/import_listing.h"

namespace {

const QString kViewName = QStringLiteral("ImportView");

QString ListingText(TForm1& form, QString& sourceName) {
  const ImportReport* report = ShownImport(form, &sourceName);
  if (report == nullptr) {
    return QStringLiteral("Данные — случайная выборка: файл не читался.");
  }
  QString text;
  for (const std::string& line : ImportListing(*report)) {
    text += QString::fromStdString(line);
    text += '\n';
  }
  return text;
}

}  // namespace

QPlainTextEdit* ImportViewText(TForm1& form) {
  auto* view = form.findChild<QDialog*>(kViewName, Qt::FindDirectChildrenOnly);
  return view == nullptr ? nullptr : view->findChild<QPlainTextEdit*>();
}

void ShowImportView(TForm1& form) {
  auto* view = form.findChild<QDialog*>(kViewName, Qt::FindDirectChildrenOnly);
  if (view == nullptr) {
    view = new QDialog(&form);
    view->setObjectName(kViewName);
    view->setModal(false);
    auto* box = new QPlainTextEdit(view);
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    view->resize(860, 520);
  }
  QString sourceName;
  const QString text = ListingText(form, sourceName);
  view->setWindowTitle(sourceName.isEmpty()
                           ? QStringLiteral("Как прочитан файл")
                           : QStringLiteral("Как прочитан файл — %1").arg(sourceName));
  view->findChild<QPlainTextEdit*>()->setPlainText(text);
  view->show();
  view->raise();
  view->activateWindow();
}

void CreateImportCommands(TForm1& form) {
  AddWindowCommand(form, QStringLiteral("Как прочитан файл…"), QKeySequence(), false, [&form] {
    ShowImportView(form);
  });
}

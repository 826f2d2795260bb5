#include "app/window/background_task.h"

#include <QProgressDialog>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kPollMilliseconds = 50;  // a progress bar that moves every twentieth of a second
constexpr int kShowAfterMilliseconds = 400;  // shorter work shows no dialog at all
constexpr int kProgressSteps = 1000;

}  // namespace

void WatchTask(QWidget* parent,
               const QString& label,
               std::shared_ptr<TaskControl> control,
               std::function<void()> finished,
               std::function<void()> cancelled) {
  auto* dialog = new QProgressDialog(label, QStringLiteral("Отменить"), 0, kProgressSteps, parent);
  dialog->setWindowTitle(QStringLiteral("Harmora"));
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->setMinimumDuration(kShowAfterMilliseconds);
  dialog->setAutoClose(false);
  dialog->setAutoReset(false);
  dialog->setValue(0);
  auto* timer = new QTimer(dialog);
  QObject::connect(dialog, &QProgressDialog::canceled, dialog, [dialog, control, cancelled] {
    control->Cancel.store(true);
    dialog->deleteLater();
    if (cancelled) cancelled();
  });
  QObject::connect(timer, &QTimer::timeout, dialog, [dialog, control, finished] {
    if (control->Cancel.load()) return;
    if (!control->Done.load()) {
      const double fraction = control->Fraction.load();
      // An unknown fraction shows as a busy bar.
      if (fraction < 0) {
        dialog->setMaximum(0);
      } else {
        dialog->setMaximum(kProgressSteps);
        dialog->setValue(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * kProgressSteps));
      }
      return;
    }
    control->Cancel.store(true);  // this task is over: no second delivery
    dialog->hide();
    dialog->deleteLater();
    finished();
  });
  timer->start(kPollMilliseconds);
}

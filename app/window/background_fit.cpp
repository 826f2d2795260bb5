// The find button's fit of a long table: the periodogram-led search runs on a copy of the engine
// on a thread of its own, behind a progress dialog that can cancel it, so the window keeps
// painting. The specified fit of up to a hundred observations runs on the window's thread.
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

#include "app/window/background_task.h"
#include "app/window/tform1.h"

bool TForm1::FitsInBackground() const {
  return State.Observations.LastIndex + 1 > kObservationCapacity;
}

void TForm1::FindHarmonicsInBackground(FitRequest request) {
  const bool hadFit = HasFit, formulasShown = BitBtn3->isVisible();
  HasFit = false;
  UpdateCommandStates();
  Memo1->hide();
  BitBtn3->show();
  request.Harmonics = State.Controls.UpDown1;
  request.Depth = State.Controls.ComboBox1;
  request.MinPeriod = 0;
  request.OnImprovement = {};  // the copy draws nothing; the result is drawn when it comes
  FormClick();                 // the panel hides, as for every fit
  // The copy is the engine as it would run the fit here; the window's own stays untouched until
  // the result is taken, so a cancel leaves everything as it was.
  auto worker = std::make_shared<Engine>(Core);
  const int count = State.Observations.LastIndex + 1;
  RunInBackground<FitResult>(
      this,
      QStringLiteral("Поиск гармоник по периодограмме: %1 наблюдений…").arg(count),
      // "Отменить" stops the search itself, so a cancelled long fit frees its core at once.
      [worker, request](TaskControl& control) {
        FitRequest asked = request;
        asked.Cancelled = [&control] { return control.Cancel.load(); };
        return worker->Fit(asked);
      },
      [this, worker](TaskOutcome<FitResult>& outcome) {
        RunHandler([&] {
          // A fault leaves what the fit reached, as the fit on the window's thread does.
          Core = std::move(*worker);
          outcome.Get();
          HasFit = true;
          UpdateCommandStates();
          FormClick();
        });
      },
      [this, hadFit, formulasShown] {
        RunHandler([&] {
          HasFit = hadFit;
          UpdateCommandStates();
          BitBtn3->setVisible(formulasShown);
          FormClick();
        });
      });
}

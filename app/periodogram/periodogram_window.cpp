#include "app/periodogram/periodogram_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "app/periodogram/periodogram_plot.h"
#include "app/window/background_task.h"
#include "app/window/context_menu.h"
#include "app/window/tform1.h"
#include "data/row_array.h"
#include "model/harmonic_model.h"

namespace {

QString Number(double v) { return QLocale().toString(v, 'g', 6); }

std::vector<double> Frequencies(const HarmonicModel& m) {
  return std::vector<double>(m.B, m.B + m.Count);
}

}  // namespace

PeriodogramWindow::PeriodogramWindow(TForm1& form) : QWidget(&form, Qt::Window), Form(form) {
  setWindowTitle(QStringLiteral("Периодограмма"));
  AxisBox = new QComboBox;
  AxisBox->addItems({QStringLiteral("по частоте"), QStringLiteral("по периоду")});
  WindowBox = new QCheckBox(QStringLiteral("Спектральное окно"));
  Plot = new PeriodogramPlot;
  Readout = new QLabel(QStringLiteral("Щелчок по пику покажет его период и мощность."));
  Readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Legend = new QLabel(
      QStringLiteral("<span style='color:#c81e1e'>━</span> частоты модели 1  "
                     "<span style='color:#1e3cdc'>━ ·</span> частоты модели 2  "
                     "<span style='color:#00823c'>╌</span> уровни ложной тревоги 1 % и %1 %  "
                     "<span style='color:#969696'>━</span> спектральное окно")
          .arg(QLocale().toString(0.1)));
  Legend->setWordWrap(true);
  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(QStringLiteral("Ось x:")));
  controls->addWidget(AxisBox);
  controls->addWidget(WindowBox);
  controls->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addWidget(Plot, 1);
  layout->addWidget(Legend);
  layout->addWidget(Readout);
  connect(AxisBox, &QComboBox::currentIndexChanged, this, [this](int index) {
    Plot->SetPeriodAxis(index == 1);
  });
  connect(WindowBox, &QCheckBox::toggled, Plot, &PeriodogramPlot::SetWindowShown);
  connect(Plot, &PeriodogramPlot::PeakPicked, this, &PeriodogramWindow::ShowPeak);
  connect(&form, &TForm1::PlotRedrawn, this, &PeriodogramWindow::Follow);
  resize(720, 460);
  Recompute();
}

void PeriodogramWindow::Follow() {
  ShowFitted();
  // The main window redraws inside paints and fits: the new periodogram waits for the loop.
  const bool same =
      ShownData == Form.DataSetNumber() && ShownMinPeriod == Form.State.Observations.MinPeriod;
  if (same || RecomputeQueued) return;
  RecomputeQueued = true;
  QTimer::singleShot(0, this, [this] {
    RecomputeQueued = false;
    Form.RunHandler([this] { Recompute(); });
  });
}

void PeriodogramWindow::Recompute() {
  ShownData = Form.DataSetNumber();
  ShownMinPeriod = Form.State.Observations.MinPeriod;
  const ObservationSet& obs = Form.State.Observations;
  if (obs.LastIndex + 1 <= kObservationCapacity) {
    ShowComputed(ComputePeriodogram(obs, Form.Core.DataSigma(), obs.MinPeriod));
    return;
  }
  // A long table's transform and levels take a while: off the window's thread, on copies.
  const unsigned dataSet = ShownData;
  RunInBackground<PeriodogramData>(
      this,
      QStringLiteral("Периодограмма: %1 наблюдений…").arg(obs.LastIndex + 1),
      [obs, sigma = Form.Core.DataSigma()](TaskControl&) {
        return ComputePeriodogram(obs, sigma, obs.MinPeriod);
      },
      [this, dataSet](TaskOutcome<PeriodogramData>& outcome) {
        Form.RunHandler([&] {
          PeriodogramData computed = outcome.Get();
          if (dataSet == ShownData) ShowComputed(std::move(computed));
        });
      });
}

void PeriodogramWindow::ShowComputed(PeriodogramData computed) {
  const bool thinned = computed.Thinned;
  Plot->SetData(std::move(computed));
  Readout->setText(thinned ? QStringLiteral("Сетка частот прорежена до %1 точек.")
                                 .arg(QLocale().toString(kMaxGridSize))
                           : QStringLiteral("Щелчок по пику покажет его период и мощность."));
  ShowFitted();
}

void PeriodogramWindow::ShowFitted() {
  if (!Form.HasFit) {
    Plot->SetFitted({}, {});
    return;
  }
  // An applied fit with terms has its models; every other fit the table's.
  const HarmonicModel* terms = Form.TermsModels();
  const HarmonicModel one = terms ? terms[0] : ModelOf(Form.State.Coefficients, ModelKind::Sum);
  const HarmonicModel two =
      terms ? terms[1] : ModelOf(Form.State.Coefficients, ModelKind::SquaredSum);
  Plot->SetFitted(Frequencies(one), Frequencies(two));
}

void PeriodogramWindow::ShowPeak(int index) {
  const PeriodogramData& shown = Plot->Data();
  const double omega = shown.Omega[index], power = shown.Power[index];
  const double alarm = PeakFalseAlarmOf(Form.State.Observations, power, shown.OmegaMax);
  Readout->setText(
      QStringLiteral("Пик: период %1, частота B = %2, мощность %3%4")
          .arg(Number(2 * std::numbers::pi / omega), Number(omega), Number(power))
          .arg(std::isnan(alarm)
                   ? QString()
                   : QStringLiteral(", вероятность ложной тревоги %1").arg(Number(alarm))));
}

void CreatePeriodogramCommand(TForm1& form) {
  AddWindowCommand(
      form, QStringLiteral("Периодограмма…"), QKeySequence(Qt::CTRL | Qt::Key_P), false, [&form] {
        auto* window = form.findChild<PeriodogramWindow*>();
        if (window == nullptr) window = new PeriodogramWindow(form);
        window->show();
        window->raise();
        window->activateWindow();
      });
}

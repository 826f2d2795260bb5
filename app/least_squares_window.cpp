#include "app/least_squares_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "app/residual_plot.h"
#include "app/tform1.h"
#include "fit/fit_harmonics.h"
#include "fit/fit_sines.h"
#include "model/model_values.h"
#include "report/harmonic_count_text.h"
#include "report/least_squares_text.h"
#include "report/report_text.h"

namespace {

constexpr int kProgressSteps = 1000;  // per mille: finer than any bar is wide
const QString kStale = QStringLiteral(
    "Данные или подгонка изменились: этот результат к ним не относится. Нажмите Ctrl+L, чтобы "
    "уточнить текущую подгонку.");
const QColor kModelColours[2] = {Qt::white, QColor(0, 0, 255)};  // the curves' own colours

QFont TextFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPixelSize(12);
  return font;
}

void CopyHarmonics(const HarmonicModel& from, int count, double* a, double* b, double* c) {
  for (int k = 0; k < count; ++k) {
    a[k] = from.A[k];
    b[k] = from.B[k];
    c[k] = from.C[k];
  }
}

// The fits with 1 .. N harmonics of the window's data, each searched with the shown fit's seeds
// and depth and refined with the refinement's options; the progress goes on from a fifth.
CountComparison CompareCounts(const ObservationSet& obs,
                              const CoefficientTable& table,
                              std::array<std::uint32_t, 2> seeds,
                              int depth,
                              RefineOptions options) {
  const int count = obs.LastIndex + 1;
  Engine engine;
  if (!engine
           .SetData(std::vector<double>(obs.PlotX.data(), obs.PlotX + count),
                    std::vector<double>(obs.OrigY.data(), obs.OrigY + count))
           .Accepted) {
    return {};
  }
  FitRequest request;
  request.Harmonics = table.HarmonicCount;
  request.Depth = depth > 0 ? depth : 10000;
  request.MinPeriod = obs.MinPeriod;
  request.FixedSeeds = true;
  request.Seeds[0] = seeds[0];
  request.Seeds[1] = seeds[1];
  if (options.Progress) {
    options.Progress = [progress = options.Progress](double fraction) {
      return progress(0.2 + 0.8 * fraction);
    };
  }
  return CompareHarmonicCounts(engine, request, options);
}

}  // namespace

LeastSquaresWindow::LeastSquaresWindow(TForm1& form, RefineFunction refine)
    : QWidget(&form, Qt::Window), Refine(std::move(refine)), Form(form) {
  setWindowTitle(QStringLiteral("Harmora - МНК"));
  resize(960, 720);

  Status = new QLabel(this);
  Progress = new QProgressBar(this);
  Progress->setRange(0, kProgressSteps);
  Progress->setTextVisible(false);
  Progress->hide();
  CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
  CancelButton->setEnabled(false);
  auto* top = new QHBoxLayout;
  top->addWidget(Status, 1);
  top->addWidget(Progress, 1);
  top->addWidget(CancelButton);

  ConstantBox = new QCheckBox(QStringLiteral("С постоянной составляющей"), this);
  CountBox = new QCheckBox(QStringLiteral("Сравнить с меньшим числом гармоник"), this);
  CountBox->setToolTip(QStringLiteral(
      "Повторить поиск и уточнение для N = 1, 2, … и показать, сколько гармоник значимы"));
  ModelBox = new QComboBox(this);
  ModelBox->addItems({QStringLiteral("Модель 1"), QStringLiteral("Модель 2")});
  auto* options = new QHBoxLayout;
  options->addWidget(ConstantBox);
  options->addWidget(CountBox);
  options->addStretch(1);
  options->addWidget(new QLabel(QStringLiteral("Остатки:"), this));
  options->addWidget(ModelBox);

  Text = new QPlainTextEdit(this);
  Text->setReadOnly(true);
  Text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Text->setLineWrapMode(QPlainTextEdit::NoWrap);
  Text->setFont(TextFont());
  Text->setAccessibleName(QStringLiteral("Результат уточнения"));
  Residuals = new ResidualPlot(this);
  Residuals->setAccessibleName(QStringLiteral("График остатков"));
  ModelBox->setAccessibleName(QStringLiteral("Остатки модели"));

  ApplyButton = new QPushButton(QStringLiteral("Применить"), this);
  RestoreButton = new QPushButton(QStringLiteral("Вернуть"), this);
  ApplyNote = new QLabel(this);
  ApplyNote->setWordWrap(true);
  ApplyNote->hide();
  // The buttons keep their own width; the room beside them is the note's, or empty.
  for (QPushButton* button : {ApplyButton, RestoreButton}) {
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  }
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(ApplyNote, 1);
  bottom->addStretch(1);
  bottom->addWidget(ApplyButton);
  bottom->addWidget(RestoreButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(options);
  layout->addWidget(Text, 3);
  layout->addWidget(Residuals, 1);
  layout->addLayout(bottom);

  // Select-all and copy reach the text from anywhere in the window; inside the text box its own
  // keys take them first.
  auto* selectAll = new QAction(this);
  selectAll->setShortcut(QKeySequence::SelectAll);
  connect(selectAll, &QAction::triggered, Text, &QPlainTextEdit::selectAll);
  auto* copy = new QAction(this);
  copy->setShortcut(QKeySequence::Copy);
  connect(copy, &QAction::triggered, Text, &QPlainTextEdit::copy);
  // Esc closes the window as it closes a dialog.
  auto* close = new QAction(this);
  close->setShortcut(QKeySequence(Qt::Key_Escape));
  connect(close, &QAction::triggered, this, &QWidget::close);
  addActions({selectAll, copy, close});

  connect(CancelButton, &QPushButton::clicked, this, [this] { Cancel(); });
  connect(ApplyButton, &QPushButton::clicked, this, [this] { Apply(); });
  connect(RestoreButton, &QPushButton::clicked, this, [this] { Restore(); });
  connect(ModelBox, &QComboBox::currentIndexChanged, this, [this] { ShowResiduals(); });
  // The constant-term fits and the comparison are computed only when asked for: the first tick
  // refines again.
  const auto optionToggled = [this] {
    const bool missing = (ConstantBox->isChecked() && !ResultHasConstant) ||
                         (CountBox->isChecked() && !ResultHasCounts) ||
                         (CountBox->isChecked() && ConstantBox->isChecked() != ResultHasConstant);
    if (missing && ResultUsable && FitIsCurrent()) {
      StartRefinement();
    } else if (ResultUsable) {
      ShowResult();
      UpdateButtons();
    }
  };
  connect(ConstantBox, &QCheckBox::toggled, this, optionToggled);
  connect(CountBox, &QCheckBox::toggled, this, optionToggled);
  UpdateButtons();
}

LeastSquaresWindow::~LeastSquaresWindow() { StopWorker(); }

bool LeastSquaresWindow::FitIsCurrent() const { return Form.HasFit && Form.State.FitStage == 2; }

void LeastSquaresWindow::StopWorker() {
  if (CancelFlag) CancelFlag->store(true);
  if (Worker.joinable()) Worker.join();
  IsRunning = false;
}

void LeastSquaresWindow::StartRefinement() {
  if (!FitIsCurrent()) {
    Status->setText(QStringLiteral("Нет подгонки для уточнения"));
    return;
  }
  StopWorker();  // a refinement still running is cancelled; its late result is dropped
  if (!(Snapshot.Taken && Snapshot.Generation == Generation)) {
    const AppState& s = Form.State;
    Snapshot = SearchSnapshot{true,
                              Generation,
                              s.Coefficients,
                              s.RelDeviation,
                              s.SavedDeviation,
                              {s.StageSeeds[0], s.StageSeeds[1]}};
    Applied = false;
  }
  ++RunNumber;
  RunGeneration = Generation;
  RunWithConstant = ConstantBox->isChecked();
  RunWithCounts = CountBox->isChecked();
  IsRunning = true;
  ResultUsable = false;
  CancelFlag = std::make_shared<std::atomic<bool>>(false);
  Text->clear();
  Residuals->Clear();
  Status->setText(QStringLiteral("Уточнение…"));
  Progress->setValue(0);
  Progress->show();
  UpdateButtons();

  // The thread works on copies only: the form may change its state meanwhile.
  RefineOptions options;
  options.WithConstant = RunWithConstant;
  const unsigned run = RunNumber;
  options.Progress = [this, run, cancel = CancelFlag, shown = -1](double fraction) mutable {
    const int step = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * kProgressSteps);
    if (step != shown) {
      shown = step;
      QMetaObject::invokeMethod(
          this,
          [this, run, step] {
            if (run == RunNumber && IsRunning) Progress->setValue(step);
          },
          Qt::QueuedConnection);
    }
    return !cancel->load();
  };
  Worker = std::thread([this,
                        run,
                        refine = Refine,
                        obs = Form.State.Observations,
                        table = Snapshot.Table,
                        seeds = std::array<std::uint32_t, 2>{Snapshot.StageSeeds[0],
                                                             Snapshot.StageSeeds[1]},
                        depth = Form.State.LastFit.Depth,
                        counts = RunWithCounts,
                        options = std::move(options)] {
    RefinementResult result;
    CountComparison compared;
    QString fault;
    try {
      // With the comparison the refinement is the first fifth of the work.
      RefineOptions first = options;
      if (counts && options.Progress) {
        first.Progress = [&options](double fraction) { return options.Progress(0.2 * fraction); };
      }
      result = refine(obs, table, obs.MinPeriod, first);
      if (counts && !result.Cancelled) compared = CompareCounts(obs, table, seeds, depth, options);
    } catch (const std::exception& e) {
      fault = QString::fromUtf8(e.what());
    } catch (...) {
      fault = QStringLiteral("unknown fault");
    }
    // Delivered on the window's thread; dropped by Qt if the window is gone by then.
    QMetaObject::invokeMethod(
        this,
        [this, run, result, compared, fault] {
          if (!fault.isEmpty()) {
            RefinementResult failed;
            failed.Cancelled = true;
            Finish(run, failed, {});
            Status->setText(QStringLiteral("Ошибка уточнения: ") + fault);
          } else {
            Finish(run, result, compared);
          }
        },
        Qt::QueuedConnection);
  });
}

void LeastSquaresWindow::Finish(unsigned run,
                                const RefinementResult& result,
                                const CountComparison& counts) {
  if (run != RunNumber) return;  // a run replaced by a newer one
  const bool cancelled = result.Cancelled || counts.Cancelled || (CancelFlag && CancelFlag->load());
  if (Worker.joinable()) Worker.join();  // it has nothing left to do but return
  IsRunning = false;
  Progress->hide();
  if (RunGeneration != Generation) {
    Status->setText(kStale);
  } else if (cancelled) {
    Status->setText(QStringLiteral("Уточнение отменено"));
  } else {
    Current = result;
    for (int m = 0; m < 2; ++m) {
      PairWithSearch(Current.Search[m].Coefficients, Current.Refined[m]);
      PairWithSearch(Current.Search[m].Coefficients, Current.WithConstant[m]);
    }
    ResultUsable = true;
    ResultHasConstant = RunWithConstant;
    CurrentCounts = counts;
    ResultHasCounts = RunWithCounts;
    const int dof = Current.Refined[0].Statistics.DegreesOfFreedom;
    Status->setText(dof > 0 ? QStringLiteral("Готово")
                            : QStringLiteral("Готово, но параметров модели (%1) не меньше, чем "
                                             "наблюдений (%2): кривая проходит через точки, и "
                                             "погрешности, R², AIC и BIC не определены. "
                                             "Уменьшите число гармоник.")
                                  .arg(Current.Refined[0].Statistics.Parameters)
                                  .arg(Current.Refined[0].Statistics.Parameters + dof));
    ShowResult();
  }
  UpdateButtons();
}

void LeastSquaresWindow::Supersede() {
  ++Generation;
  if (IsRunning) {
    CancelFlag->store(true);
    Progress->hide();
  }
  if (IsRunning || ResultUsable || Snapshot.Taken) {
    Status->setText(kStale);
  }
  ResultUsable = false;
  Applied = false;
  Snapshot.Taken = false;
  Text->clear();
  Residuals->Clear();
  UpdateButtons();
}

void LeastSquaresWindow::Cancel() {
  if (!IsRunning) return;
  CancelFlag->store(true);
  Status->setText(QStringLiteral("Отмена…"));
  CancelButton->setEnabled(false);
}

void LeastSquaresWindow::closeEvent(QCloseEvent* e) {
  Cancel();  // nobody is left to see the result
  QWidget::closeEvent(e);
}

bool LeastSquaresWindow::ShowsConstantColumn() const {
  return ConstantBox->isChecked() && ResultHasConstant;
}

// Empty when the refined result can be applied; otherwise the sentence that says why not.
QString LeastSquaresWindow::ApplyRefusal() const {
  if (!ResultUsable) return {};
  for (const ModelFit& fit : Current.Refined) {
    if (fit.Statistics.DegreesOfFreedom <= 0) {
      return QStringLiteral(
          "«Применить» недоступно: параметров не меньше, чем наблюдений, и уточнённая модель "
          "ничего не говорит о данных.");
    }
  }
  if (ShowsConstantColumn()) {
    return QStringLiteral(
        "«Применить» переносит на график и в отчёт модели без постоянной составляющей: снимите "
        "флажок «С постоянной составляющей», чтобы применить уточнённые коэффициенты.");
  }
  return {};
}

void LeastSquaresWindow::ShowResult() {
  const std::vector<std::string> lines =
      LeastSquaresLines(Current, Snapshot.StageSeeds, ShowsConstantColumn());
  QString text;
  for (const std::string& line : lines) text += QString::fromStdString(line) + '\n';
  if (CountBox->isChecked() && ResultHasCounts && ResultHasConstant == ConstantBox->isChecked()) {
    for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
      text += '\n';
      for (const std::string& line :
           HarmonicCountLines(CurrentCounts.Models[static_cast<int>(kind)], kind)) {
        text += QString::fromStdString(line) + '\n';
      }
    }
  }
  Text->setPlainText(text);
  ShowResiduals();
}

void LeastSquaresWindow::ShowResiduals() {
  if (!ResultUsable) {
    Residuals->Clear();
    return;
  }
  const int m = std::clamp(ModelBox->currentIndex(), 0, 1);
  const ObservationSet& obs = Form.State.Observations;
  // The residuals of the column shown last: the constant-term fit when it is shown.
  const ModelFit& shown = ShowsConstantColumn() ? Current.WithConstant[m] : Current.Refined[m];
  const std::vector<double> r = ModelResiduals(obs, shown, static_cast<ModelKind>(m));
  Residuals->SetResiduals(
      std::vector<double>(obs.PlotX.data(), obs.PlotX + obs.LastIndex + 1), r, kModelColours[m]);
}

void LeastSquaresWindow::UpdateButtons() {
  const bool current = FitIsCurrent();
  CancelButton->setEnabled(IsRunning && !CancelFlag->load());
  const QString refusal = ApplyRefusal();
  ApplyButton->setEnabled(ResultUsable && !IsRunning && current && refusal.isEmpty());
  ApplyNote->setText(refusal);
  ApplyNote->setVisible(!refusal.isEmpty());
  RestoreButton->setEnabled(Applied && Snapshot.Taken && Snapshot.Generation == Generation &&
                            current);
}

void LeastSquaresWindow::WriteDeviations() {
  AppState& s = Form.State;
  const CoefficientTable& t = s.Coefficients;
  s.RelDeviation = ModelDeviation(ModelOf(t, ModelKind::Sum), s.Observations, FitSines);
  s.SavedDeviation = ModelDeviation(ModelOf(t, ModelKind::SquaredSum), s.Observations, FitSines);
}

void LeastSquaresWindow::RefreshForm() {
  Form.FormResize();
  // The report is written when it is opened; an open one is brought up to date here.
  if (Form.Memo1->isVisible()) {
    Form.Memo1->clear();
    WriteReport(Form.State, [this](const std::string& line) {
      Form.Memo1->appendPlainText(QString::fromStdString(line));
    });
  }
}

void LeastSquaresWindow::Apply() {
  Form.RunHandler([this] {
    if (!ResultUsable || !FitIsCurrent() || !ApplyRefusal().isEmpty()) return;
    CoefficientTable& t = Form.State.Coefficients;
    const int count = std::min<int>(t.HarmonicCount, kMaxHarmonics);
    if (Current.Refined[0].Coefficients.Count != count ||
        Current.Refined[1].Coefficients.Count != count) {
      return;
    }
    CopyHarmonics(Current.Refined[0].Coefficients, count, t.A, t.B, t.C);
    CopyHarmonics(Current.Refined[1].Coefficients, count, t.A2, t.B2, t.C2);
    Applied = true;
    UpdateButtons();
    Status->setText(QStringLiteral("Уточнённые коэффициенты применены"));
    WriteDeviations();
    RefreshForm();
  });
}

void LeastSquaresWindow::Restore() {
  Form.RunHandler([this] {
    if (!(Applied && Snapshot.Taken && Snapshot.Generation == Generation && FitIsCurrent())) {
      return;
    }
    Form.State.Coefficients = Snapshot.Table;
    Form.State.RelDeviation = Snapshot.RelDeviation;
    Form.State.SavedDeviation = Snapshot.SavedDeviation;
    Applied = false;
    UpdateButtons();
    Status->setText(QStringLiteral("Результат поиска восстановлен"));
    RefreshForm();
  });
}

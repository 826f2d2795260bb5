#include "app/least_squares/least_squares_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "app/least_squares/apply_refusal.h"
#include "app/least_squares/known_periods_dialog.h"
#include "app/least_squares/residual_plot.h"
#include "app/window/tform1.h"
#include "report/harmonic_count_text.h"
#include "report/least_squares_text.h"
#include "report/report_text.h"

namespace {

constexpr int kProgressSteps = 1000;  // per mille: finer than any bar is wide
// The refinement's start budgets the window offers, as RefineOptions::StartBudget.
constexpr double kBudgets[] = {1, 10, 100};
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

// The options with their progress mapped onto [from, to] of the whole run.
RefineOptions Part(const RefineOptions& options, double from, double to) {
  RefineOptions part = options;
  if (options.Progress) {
    part.Progress = [progress = options.Progress, from, to](double fraction) {
      return progress(from + (to - from) * fraction);
    };
  }
  return part;
}

// The window's data (with their sigma, if any) in an engine of their own, or false if it does
// not take them.
bool LoadEngine(Engine& engine, const ObservationSet& obs, const std::vector<double>& sigma) {
  const int count = obs.LastIndex + 1;
  return engine
      .SetData(std::vector<double>(obs.PlotX.data(), obs.PlotX + count),
               std::vector<double>(obs.OrigY.data(), obs.OrigY + count),
               sigma)
      .Accepted;
}

// The shown fit's request (its N, seeds, depth and minimum period) with the chosen terms.
FitRequest ShownFitRequest(const ObservationSet& obs,
                           int harmonics,
                           std::array<std::uint32_t, 2> seeds,
                           int depth,
                           bool constant,
                           bool trend,
                           const std::vector<double>& periods) {
  FitRequest request;
  request.Harmonics = harmonics;
  request.Depth = depth > 0 ? depth : 10000;
  request.MinPeriod = obs.MinPeriod;
  request.FixedSeeds = true;
  request.Seeds[0] = seeds[0];
  request.Seeds[1] = seeds[1];
  request.Constant = constant;
  request.Trend = trend;
  request.Periods = periods;
  return request;
}

// The shown fit repeated with the terms: searched on the data less the terms' estimate, then
// refined with them jointly.
RefinementResult FitWithTerms(const ObservationSet& obs,
                              const FitRequest& request,
                              const RefineOptions& options) {
  Engine engine;
  if (!LoadEngine(engine, obs, options.Weights.Sigma)) return {};
  engine.Fit(request);
  return engine.Refine(options);
}

// The fits with 1 .. N harmonics of the window's data, each searched with the shown fit's seeds
// and depth and refined with the refinement's options. Known periods are left out: the counts
// compared are those of the searched harmonics.
CountComparison CompareCounts(const ObservationSet& obs,
                              FitRequest request,
                              const RefineOptions& options) {
  Engine engine;
  if (!LoadEngine(engine, obs, options.Weights.Sigma)) return {};
  request.Periods.clear();
  return CompareHarmonicCounts(engine, request, options);
}

}  // namespace

LeastSquaresWindow::LeastSquaresWindow(TForm1& form, RefineFunction refine)
    : QWidget(&form, Qt::Window), Refine(std::move(refine)), Form(form) {
  setWindowTitle(QStringLiteral("Harmora - МНК"));
  resize(960, 720);

  Status = new QLabel(this);
  Status->setWordWrap(true);  // a long warning takes more lines, never more width
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
  TrendBox = new QCheckBox(QStringLiteral("С линейным трендом"), this);
  PeriodsButton = new QPushButton(QStringLiteral("Известные периоды…"), this);
  PeriodsLabel = new QLabel(QStringLiteral("нет"), this);
  const QString termsTip = QStringLiteral(
      "Поиск повторяется с теми же зёрнами на данных за вычетом этих членов, затем все "
      "коэффициенты уточняются вместе; результат — столбец «With terms»");
  for (QWidget* widget : {static_cast<QWidget*>(ConstantBox),
                          static_cast<QWidget*>(TrendBox),
                          static_cast<QWidget*>(PeriodsButton)}) {
    widget->setToolTip(termsTip);
  }
  PeriodsLabel->setAccessibleName(QStringLiteral("Выбранные известные периоды"));
  CountBox = new QCheckBox(QStringLiteral("Сравнить с меньшим числом гармоник"), this);
  CountBox->setToolTip(QStringLiteral(
      "Повторить поиск и уточнение для N = 1, 2, … и показать, сколько гармоник значимы"));
  BudgetBox = new QComboBox(this);
  for (const double budget : kBudgets) {
    BudgetBox->addItem(budget == 1 ? QStringLiteral("обычный")
                                   : QStringLiteral("в %1 раз дольше").arg(budget));
  }
  BudgetBox->setAccessibleName(QStringLiteral("Длительность поиска"));
  BudgetBox->setToolTip(QStringLiteral(
      "Больше стартов уточнения: там, где примечание говорит, что лучшее может быть не "
      "оптимумом («Not certain to be the least-squares optimum»)"));
  ModelBox = new QComboBox(this);
  ModelBox->addItems({QStringLiteral("Модель 1"), QStringLiteral("Модель 2")});
  auto* terms = new QHBoxLayout;
  terms->addWidget(ConstantBox);
  terms->addWidget(TrendBox);
  terms->addWidget(PeriodsButton);
  terms->addWidget(PeriodsLabel, 1);
  auto* options = new QHBoxLayout;
  options->addWidget(CountBox);
  options->addSpacing(16);
  options->addWidget(new QLabel(QStringLiteral("Поиск:"), this));
  options->addWidget(BudgetBox);
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
  layout->addLayout(terms);
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
  addActions({selectAll, copy});

  connect(CancelButton, &QPushButton::clicked, this, [this] { Cancel(); });
  connect(ApplyButton, &QPushButton::clicked, this, [this] { Apply(); });
  connect(RestoreButton, &QPushButton::clicked, this, [this] { Restore(); });
  connect(ModelBox, &QComboBox::currentIndexChanged, this, [this] { ShowResiduals(); });
  connect(BudgetBox, &QComboBox::currentIndexChanged, this, [this] { OptionChanged(); });
  connect(PeriodsButton, &QPushButton::clicked, this, [this] { ChoosePeriods(); });
  for (QCheckBox* box : {ConstantBox, TrendBox, CountBox}) {
    connect(box, &QCheckBox::toggled, this, [this] { OptionChanged(); });
  }
  UpdateButtons();
}

LeastSquaresWindow::TermsChoice LeastSquaresWindow::ChosenTerms() const {
  return {ConstantBox->isChecked(), TrendBox->isChecked(), Chosen.Periods};
}

double LeastSquaresWindow::ChosenBudget() const {
  return kBudgets[std::clamp<int>(BudgetBox->currentIndex(), 0, int(std::size(kBudgets)) - 1)];
}

// The fit with terms and the comparison are computed only when asked for: a choice the shown
// result lacks refines again; one it has is only shown. Another budget refines again.
void LeastSquaresWindow::OptionChanged() {
  const TermsChoice terms = ChosenTerms();
  const bool missing = ChosenBudget() != ResultBudget || (terms.Any() && terms != ResultTerms) ||
                       (CountBox->isChecked() && (!ResultHasCounts || terms != ResultTerms));
  if (missing && ResultUsable && FitIsCurrent()) {
    StartRefinement();
  } else if (ResultUsable) {
    ShowResult();
    UpdateButtons();
  }
}

void LeastSquaresWindow::SetKnownPeriods(const std::vector<double>& periods) {
  Chosen.Periods = periods;
  PeriodsLabel->setText(periods.empty() ? QStringLiteral("нет") : PeriodsText(periods));
  OptionChanged();
}

void LeastSquaresWindow::ChoosePeriods() {
  const int harmonics = Form.State.Coefficients.HarmonicCount;
  KnownPeriodsDialog dialog(Chosen.Periods, harmonics > 0 ? harmonics : kMaxHarmonics, this);
  if (dialog.exec() == QDialog::Accepted) SetKnownPeriods(dialog.Periods());
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
  RunTerms = ChosenTerms();
  RunWithCounts = CountBox->isChecked();
  RunBudget = ChosenBudget();
  IsRunning = true;
  ResultUsable = false;
  CancelFlag = std::make_shared<std::atomic<bool>>(false);
  Text->clear();
  Residuals->Clear();
  Status->setText(QStringLiteral("Уточнение…"));
  Progress->setValue(0);
  Progress->show();
  UpdateButtons();

  // The thread works on copies only: the form may change its state meanwhile. The engine's job
  // carries the fit's weights (a table's sigma), which weigh every fit here; the search itself
  // is never weighted. It refines the search's result, also after the refined one was applied.
  RefineOptions asked;
  asked.StartBudget = RunBudget;
  RefineJob job = Form.Core.RefinementJob(asked);
  job.Table = Snapshot.Table;
  RefineOptions& options = job.Options;
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
                        job = std::move(job),
                        seeds = std::array<std::uint32_t, 2>{Snapshot.StageSeeds[0],
                                                             Snapshot.StageSeeds[1]},
                        depth = Form.State.LastFit.Depth,
                        counts = RunWithCounts,
                        terms = RunTerms] {
    const ObservationSet& obs = job.Observations;
    const RefineOptions& jobOptions = job.Options;
    RefinementResult result, termed;
    CountComparison compared;
    QString fault, termsFault;
    try {
      // The progress bar's shares: the refinement one, the fit with terms one, the comparison
      // (up to five fits) three.
      const double shares = 1 + (terms.Any() ? 1 : 0) + (counts ? 3 : 0);
      const double refined = 1 / shares, termsDone = (terms.Any() ? 2 : 1) / shares;
      RefineJob plain = job;
      plain.Options = Part(jobOptions, 0, refined);
      result = refine(plain);
      const FitRequest request = ShownFitRequest(
          obs, job.Table.HarmonicCount, seeds, depth, terms.Constant, terms.Trend, terms.Periods);
      // Data the terms leave nothing of (a constant y less its level) fail only this column.
      if (terms.Any() && !result.Cancelled) {
        try {
          termed = FitWithTerms(obs, request, Part(jobOptions, refined, termsDone));
        } catch (const std::exception& e) {
          termsFault = QString::fromUtf8(e.what());
        }
      }
      if (counts && !result.Cancelled && !termed.Cancelled) {
        compared = CompareCounts(obs, request, Part(jobOptions, termsDone, 1));
      }
    } catch (const std::exception& e) {
      fault = QString::fromUtf8(e.what());
    } catch (...) {
      fault = QStringLiteral("unknown fault");
    }
    // Delivered on the window's thread; dropped by Qt if the window is gone by then.
    QMetaObject::invokeMethod(
        this,
        [this, run, result, termed, compared, fault, termsFault] {
          if (!fault.isEmpty()) {
            RefinementResult failed;
            failed.Cancelled = true;
            Finish(run, failed, {}, {});
            Status->setText(QStringLiteral("Ошибка уточнения: ") + fault);
          } else {
            Finish(run, result, termed, compared);
            if (!termsFault.isEmpty() && run == RunNumber && ResultUsable) {
              ResultTerms = {};  // nothing to show beside the refinement
              ShowResult();
              UpdateButtons();
              Status->setText(Status->text() +
                              QStringLiteral(". Подгонка с членами модели не удалась: ") +
                              termsFault);
            }
          }
        },
        Qt::QueuedConnection);
  });
}

void LeastSquaresWindow::Finish(unsigned run,
                                const RefinementResult& result,
                                const RefinementResult& termed,
                                const CountComparison& counts) {
  if (run != RunNumber) return;  // a run replaced by a newer one
  const bool cancelled = result.Cancelled || termed.Cancelled || counts.Cancelled ||
                         (CancelFlag && CancelFlag->load());
  if (Worker.joinable()) Worker.join();  // it has nothing left to do but return
  IsRunning = false;
  Progress->hide();
  if (RunGeneration != Generation) {
    Status->setText(kStale);
  } else if (cancelled) {
    Status->setText(QStringLiteral("Уточнение отменено"));
  } else {
    Current = result;
    CurrentTerms = termed;
    for (int m = 0; m < 2; ++m) {
      PairWithSearch(Current.Search[m].Coefficients, Current.Refined[m]);
      // Known periods stay the first harmonics, as their rows say.
      if (RunTerms.Periods.empty()) {
        PairWithSearch(Current.Search[m].Coefficients, CurrentTerms.Refined[m]);
      }
    }
    ResultUsable = true;
    ResultTerms = RunTerms;
    CurrentCounts = counts;
    ResultHasCounts = RunWithCounts;
    ResultBudget = RunBudget;
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

// Esc closes the window as it closes a dialog. A key event, not a shortcut: a shortcut would
// also fire while a list of the window is open, and close the window instead of the list.
void LeastSquaresWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(e);
}

void LeastSquaresWindow::closeEvent(QCloseEvent* e) {
  Cancel();  // nobody is left to see the result
  QWidget::closeEvent(e);
}

bool LeastSquaresWindow::ShowsTermsColumn() const {
  const TermsChoice terms = ChosenTerms();
  return terms.Any() && terms == ResultTerms;
}

QString LeastSquaresWindow::ApplyRefusal() const {
  if (!ResultUsable) return {};
  return ::ApplyRefusal(Current, ShowsTermsColumn() ? CurrentTerms : Current);
}

void LeastSquaresWindow::ShowResult() {
  const std::vector<std::string> lines =
      ShowsTermsColumn() ? LeastSquaresLines(Current, Snapshot.StageSeeds, CurrentTerms)
                         : LeastSquaresLines(Current, Snapshot.StageSeeds, false);
  QString text;
  for (const std::string& line : lines) text += QString::fromStdString(line) + '\n';
  if (CountBox->isChecked() && ResultHasCounts && ResultTerms == ChosenTerms()) {
    if (!ResultTerms.Periods.empty()) {
      text += QStringLiteral("\nThe harmonic counts are compared without the known periods.\n");
    }
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
  // The residuals of the column shown last: the fit with terms when it is shown.
  const ModelFit& shown = ShowsTermsColumn() ? CurrentTerms.Refined[m] : Current.Refined[m];
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

void LeastSquaresWindow::RefreshForm() {
  Form.FormResize();
  // The report is written when it is opened; an open one is brought up to date here.
  if (Form.Memo1->isVisible()) {
    Form.Memo1->clear();
    Form.WriteFormulas([this](const std::string& line) {
      Form.Memo1->appendPlainText(QString::fromStdString(line));
    });
  }
}

void LeastSquaresWindow::Apply() {
  Form.RunHandler([this] {
    if (!ResultUsable || !FitIsCurrent() || !ApplyRefusal().isEmpty()) return;
    const int count = Form.State.Coefficients.HarmonicCount;
    // The column shown last is the one applied: the fit with terms when it is shown.
    const bool withTerms = ShowsTermsColumn();
    const RefinementResult& shown = withTerms ? CurrentTerms : Current;
    HarmonicModel models[2];
    for (int m = 0; m < 2; ++m) {
      const ModelFit& fit = shown.Refined[m];
      if (fit.Coefficients.Count != count) return;
      models[m] = fit.Coefficients;
      models[m].Constant = fit.HasConstant ? fit.Constant.Value : 0.0;
      models[m].Trend = fit.HasTrend ? fit.Trend.Value : 0.0;
    }
    if (withTerms) {
      FitRequest terms;
      terms.Constant = ResultTerms.Constant;
      terms.Trend = ResultTerms.Trend;
      terms.Periods = ResultTerms.Periods;
      Form.Core.AdoptModels(models, terms);
    } else {
      CoefficientTable t = Form.State.Coefficients;
      CopyHarmonics(models[0], count, t.A, t.B, t.C);
      CopyHarmonics(models[1], count, t.A2, t.B2, t.C2);
      Form.Core.ReplaceCoefficients(t);
    }
    Applied = true;
    UpdateButtons();
    Status->setText(withTerms ? QStringLiteral("Уточнённые коэффициенты с членами модели применены")
                              : QStringLiteral("Уточнённые коэффициенты применены"));
    RefreshForm();
  });
}

void LeastSquaresWindow::Restore() {
  Form.RunHandler([this] {
    if (!(Applied && Snapshot.Taken && Snapshot.Generation == Generation && FitIsCurrent())) {
      return;
    }
    // Terms applied go first: the search's own table has none.
    const HarmonicModel plain[2] = {ModelOf(Snapshot.Table, ModelKind::Sum),
                                    ModelOf(Snapshot.Table, ModelKind::SquaredSum)};
    Form.Core.AdoptModels(plain, FitRequest{});
    Form.Core.ReplaceCoefficients(Snapshot.Table, Snapshot.RelDeviation, Snapshot.SavedDeviation);
    Applied = false;
    UpdateButtons();
    Status->setText(QStringLiteral("Результат поиска восстановлен"));
    RefreshForm();
  });
}

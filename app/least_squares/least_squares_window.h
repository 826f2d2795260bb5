#pragma once

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "analysis/least_squares.h"
#include "engine/count_comparison.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class ResidualPlot;
class TForm1;

// The non-modal window "Harmora - МНК": refines both models of the form's last fit on a thread
// of its own, shows the search's and the refined result side by side with their uncertainties and
// statistics, and adopts or restores the refined coefficients on request. A result is applied
// only to the data and fit it was computed from: a new fit or data set cancels a running
// refinement and makes its result unusable.
class LeastSquaresWindow : public QWidget {
  Q_OBJECT

 public:
  using RefineFunction = std::function<RefinementResult(const RefineJob&)>;

  // A hidden window over `form`, refining with `refine`.
  LeastSquaresWindow(TForm1& form, RefineFunction refine);
  // Cancels a running refinement and waits for its thread.
  ~LeastSquaresWindow() override;

  // Starts refining the form's current fit (cancelling a refinement still running) and shows
  // the progress. The search's result is taken when it is first refined, so a second run after
  // "Применить" still starts from, and restores, the search's own coefficients.
  void StartRefinement();
  // The form's data or fit has changed: cancels a running refinement; nothing computed so far
  // can be applied any more.
  void Supersede();
  // Asks a running refinement to stop; its result is then dropped.
  void Cancel();
  // Adopts the refined coefficients of both models into the form's coefficient table.
  void Apply();
  // Restores the search's coefficients and deviations exactly as the fit left them.
  void Restore();

  bool Running() const { return IsRunning; }
  bool HasResult() const { return ResultUsable; }
  const RefinementResult& Result() const { return Current; }
  const CountComparison& Counts() const { return CurrentCounts; }
  // The fit with the chosen terms, searched and refined by the engine, when computed.
  const RefinementResult& TermsResult() const { return CurrentTerms; }
  // The known periods chosen, in x units.
  const std::vector<double>& KnownPeriods() const { return Chosen.Periods; }
  // Chooses known periods as the dialog does, and refines again if a result is shown.
  void SetKnownPeriods(const std::vector<double>& periods);

  QLabel* Status = nullptr;
  QProgressBar* Progress = nullptr;
  QPushButton* CancelButton = nullptr;
  QCheckBox* ConstantBox = nullptr;
  QCheckBox* TrendBox = nullptr;
  QPushButton* PeriodsButton = nullptr;  // "Известные периоды…"
  QLabel* PeriodsLabel = nullptr;        // the periods chosen
  QCheckBox* CountBox = nullptr;         // also compare the fits with fewer harmonics
  QComboBox* BudgetBox = nullptr;        // the refinement's starts: usual, 10 or 100 times
  QComboBox* ModelBox = nullptr;
  QPlainTextEdit* Text = nullptr;
  ResidualPlot* Residuals = nullptr;
  QPushButton* ApplyButton = nullptr;
  QLabel* ApplyNote = nullptr;  // why "Применить" is refused, when it is
  QPushButton* RestoreButton = nullptr;
  RefineFunction Refine;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // The terms a fit with terms is asked for with.
  struct TermsChoice {
    bool Constant = false;
    bool Trend = false;
    std::vector<double> Periods;
    bool Any() const { return Constant || Trend || !Periods.empty(); }
    bool operator==(const TermsChoice&) const = default;
  };

  // The search's result of the current fit, kept to restore it.
  struct SearchSnapshot {
    bool Taken = false;
    unsigned Generation = 0;
    CoefficientTable Table;
    double RelDeviation = 0, SavedDeviation = 0;
    std::uint32_t StageSeeds[2] = {0, 0};
  };

  void Finish(unsigned run,
              const RefinementResult& result,
              const RefinementResult& termed,
              const CountComparison& counts);
  void OptionChanged();
  void ChoosePeriods();
  TermsChoice ChosenTerms() const;
  double ChosenBudget() const;
  void StopWorker();
  void ShowResult();
  void ShowResiduals();
  void UpdateButtons();
  bool FitIsCurrent() const;
  bool ShowsTermsColumn() const;
  QString ApplyRefusal() const;
  void RefreshForm();

  TForm1& Form;
  std::thread Worker;
  std::shared_ptr<std::atomic<bool>> CancelFlag;
  bool IsRunning = false;
  unsigned Generation = 0;     // bumped on every change of the form's data or fit
  unsigned RunNumber = 0;      // the refinement whose result is awaited
  unsigned RunGeneration = 0;  // the generation the awaited refinement started from
  TermsChoice Chosen;          // the known periods chosen; the boxes hold the rest
  TermsChoice RunTerms;
  SearchSnapshot Snapshot;
  RefinementResult Current;
  RefinementResult CurrentTerms;
  CountComparison CurrentCounts;
  bool RunWithCounts = false;
  bool ResultHasCounts = false;
  double RunBudget = 1, ResultBudget = 1;  // RefineOptions::StartBudget of the run, of the result
  bool ResultUsable = false;
  TermsChoice ResultTerms;  // the terms CurrentTerms (and the comparison) were computed with
  bool Applied = false;
};

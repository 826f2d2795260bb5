#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <exception>
#include <functional>
#include <vector>

#include "data/import_check.h"
#include "engine/engine.h"
#include "plot/redraw_plot.h"
#include "state/app_state.h"

class QComboBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QAction;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QUrl;
class QWheelEvent;
struct PrintChoice;

// The caption of a window that shows a random sample.
QString RandomSampleCaption();

// The main window: owns the application state for the run, shows the plot in its client area
// and carries the control panel at its right edge. Every handler runs inside RunHandler, so a
// run-time fault ends the handler with the default error box and the program goes on.
//
// The class is defined across app/: the declarations below are grouped by the file that
// defines them.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // --- tform1.cpp: construction, the fault policy, the data set shown, the plot's picture ---

  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Message boxes and the open dialog go through these, so tests can answer them.
  enum class MessageKind { Error, Plain };
  std::function<void(MessageKind kind, const QString& caption, const QString& text)> ShowMessage;
  std::function<QString()> RunOpenDialog;
  std::function<bool(const QUrl& url)> OpenUrl;  // the desktop's handler for a document

  // The data, the fit and the view settings, for the run. Data come in and fits run only
  // through the engine's calls; the window draws from its state and keeps its view settings
  // there.
  Engine Core;
  AppState& State = Core.State();

  // Where a fault was caught, which decides whether and when its box is shown.
  enum class FaultSource {
    Handler,  // a handler the user started: at once; the fault of data that cannot be
              // plotted only once per data set
    Resize,   // a resize: a scale fault once per data set, any other at once
    Paint,    // a paint: once per data set, after the paint has returned
  };

  // Runs a handler's body; a fault ends it and is shown by ShowFault's rules for `source`.
  void RunHandler(const std::function<void()>& body, FaultSource source = FaultSource::Handler);

  // The one place that decides whether a caught fault is shown, and when: see FaultSource.
  // A shown fault marks the data set as reported.
  void ShowFault(const std::exception& fault, FaultSource source);

  // The first activation: the first random sample and the first layout.
  void FormActivate();
  // Lays out the panel, the report and the plot for the window's size, then redraws. Raises
  // the scale fault of a degenerate set after showing the cleared field.
  void FormResize();

  // The picture the plot shows now (the back buffer), for tests and screenshots.
  const QImage& PlotImage() const { return BackBuffer; }
  // The models of an applied fit with a constant, a trend or known periods, which the plot and
  // its files draw instead of the table's; null for every other fit.
  const HarmonicModel* TermsModels() const;
  // The formulas box's lines: the report's, and an applied fit's terms after them.
  void WriteFormulas(const std::function<void(const std::string&)>& appendLine) const;
  bool Activated() const { return IsActivated; }
  // Counts the data sets shown: another number, other data.
  unsigned DataSetNumber() const { return DataGeneration; }

 signals:
  // After every redraw of the plot's picture: new data, a fit's progress, a new view.
  void PlotRedrawn();

 public:
  // --- panel_layout.cpp builds these; each keeps its component name, which names its handlers ---

  QFrame* Panel1 = nullptr;         // the control panel at the right edge
  QPushButton* BitBtn1 = nullptr;   // open a data file
  QPushButton* BitBtn2 = nullptr;   // find the harmonics (the fit)
  QPushButton* BitBtn3 = nullptr;   // show or hide the formulas report; shown after a fit
  QPushButton* BitBtn4 = nullptr;   // the x scale: all of the plot or its middle half
  QPushButton* BitBtn5 = nullptr;   // halve the minimum period
  QPushButton* BitBtn6 = nullptr;   // the about picture
  QPushButton* BitBtn7 = nullptr;   // double the minimum period
  QPushButton* BitBtn8 = nullptr;   // reset the minimum period to twice the spacing
  QLineEdit* Edit1 = nullptr;       // UpDown1's box
  QLineEdit* Edit2 = nullptr;       // UpDown2's box
  QLineEdit* Edit3 = nullptr;       // UpDown3's box
  QLineEdit* Edit4 = nullptr;       // UpDown4's box
  QLineEdit* Edit5 = nullptr;       // UpDown5's box
  QLineEdit* Edit6 = nullptr;       // the minimum period, read-only
  QSpinBox* UpDown1 = nullptr;      // the harmonic count, 1..5
  QSpinBox* UpDown2 = nullptr;      // the number of vertical grid lines
  QSpinBox* UpDown3 = nullptr;      // the decimals of the x labels
  QSpinBox* UpDown4 = nullptr;      // the number of horizontal grid lines, kept odd
  QSpinBox* UpDown5 = nullptr;      // the decimals of the y labels
  QComboBox* ComboBox1 = nullptr;   // the search depth
  QLabel* Image1 = nullptr;         // the harmonic count's label; points at the formulas
  QLabel* Image2 = nullptr;         // the minimum period's label
  QLabel* Image3 = nullptr;         // the x marks' label
  QLabel* Image4 = nullptr;         // the y marks' label
  QLabel* Image5 = nullptr;         // the formulas hint, floating over the plot
  QLabel* Image6 = nullptr;         // the about picture, floating over the plot
  QLabel* Image7 = nullptr;         // the search depth's label
  QPlainTextEdit* Memo1 = nullptr;  // the formulas report over the plot
  QString OpenDialogDirectory;      // where OpenDialog1 starts

  // --- panel_handlers.cpp: the panel's controls and the pointer over the pictures ---

  void FormClick();  // a click on the bare plot: hides the report, or toggles the panel
  void FormMouseMove();
  void Panel1MouseMove();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void BitBtn5Click();
  void BitBtn6Click();
  void BitBtn7Click();
  void BitBtn8Click();
  void BitBtn3MouseMove();
  void BitBtn4MouseMove();
  void Image1MouseMove();
  void Image2MouseMove();
  void UpDown2MouseUp();
  void UpDown3MouseUp();
  void UpDown4MouseUp();
  void UpDown5MouseUp();

  // The find button's fit with `request`'s seeds, if it has any: the harmonic count and the
  // search depth come from the panel, the minimum period is the one held, and every improvement
  // redraws the plot through State.Hooks.Redraw.
  void FindHarmonics(FitRequest request);

  // --- plot_zoom.cpp: Ctrl+wheel zoom about the pointer, Ctrl+0 back, the pointer's x and y ---

  // The zoom as a map of the data's plot pixels: p' = Scale p + Shift, on both axes.
  struct PlotZoom {
    double Scale = 1, ShiftX = 0, ShiftY = 0;
  };
  PlotZoom Zoom;
  void ZoomAbout(QPointF pixel, double factor);  // the point at pixel stays put
  void ResetZoom();                              // the scales the data give
  // "x = …\ny = …" of the plot point at pos, in the locale's numbers.
  QString PointerReadout(QPointF pos) const;

  // --- background_fit.cpp: the find button's fit of a long table ---

  // Whether the data are longer than the window's reader takes (a table's), which the find
  // button fits off the window's thread with the periodogram-led search, with a progress dialog
  // that can cancel it; the result is shown when it comes.
  bool FitsInBackground() const;
  void FindHarmonicsInBackground(FitRequest request);

  // Puts a fit's settings back on the panel: the harmonic count, the search depth and the
  // minimum period.
  void ShowFitSettings(const FitSettings& fit);

  // --- open_workflow.cpp: the open button, a dropped file, pasted text ---

  void BitBtn1Click();

  // Opens `path` through the open workflow from its second step on (the dialog's answer).
  void OpenDataFile(const QString& path);

  // Reads `text` by the data file's rules; an accepted text is shown through the same workflow
  // with the caption "Harmora - буфер обмена (n)". A text without at least 4 pairs changes
  // nothing and says so.
  void PasteData(const QByteArray& text);

  // The save dialog (caption, filters; the filter shown first in, the one selected out) and the
  // question before a file is replaced go through these, so tests can answer them. Empty: the
  // desktop's own dialogs.
  std::function<QString(const QString& caption, const QString& filters, QString& filter)>
      RunSaveDialog;
  std::function<bool(const QString& path)> ConfirmOverwrite;
  // The print figure's options dialog (export_commands.cpp); false: cancelled. Empty: the
  // window's own dialog.
  std::function<bool(PrintChoice& choice)> RunPrintDialog;
  // A table's column names for x and y, which a figure's axes are titled with; empty for data
  // from anywhere else.
  QString AxisTitles[2];

  // --- table_command.cpp: "Открыть таблицу…" ---

  // Shows the pairs (x[i], y[i]) of a table's chosen columns, read from path, as the new data
  // set through the open workflow's last steps. At most kMaxWindowTablePairs pairs are taken;
  // the table dialog accepts no more, nor fewer than 4.
  // sigma: empty, or each y's standard deviation, which weighs the least-squares refinement.
  void TakeTablePairs(const std::vector<double>& x,
                      const std::vector<double>& y,
                      const std::vector<double>& sigma,
                      const QString& path);

  // --- context_menu.cpp: the context menu of the bare plot and the report box ---

  QMenu* ContextMenu = nullptr;
  QList<QAction*> FitCommands;  // enabled only while HasFit
  bool HasFit = false;          // a fit has run to its end on the data shown
  // Enables the fit's commands while HasFit.
  void UpdateCommandStates();
  void CloseTopOverlay();  // Esc: the report, or the about picture and the formula hint

 protected:
  // tform1.cpp
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  // plot_zoom.cpp
  void wheelEvent(QWheelEvent* e) override;
  // event_routing.cpp
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // context_menu.cpp
  void contextMenuEvent(QContextMenuEvent* e) override;
  // open_workflow.cpp
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  // tform1.cpp
  void ReportFault(const QString& text);  // the error box, now; marks the data set reported
  // The steps every new data set takes, whatever brought it: the fit and its commands are
  // forgotten, the minimum period shown, the caption set, the plot laid out and redrawn.
  void ShowNewDataSet(const QString& caption);
  void ShowMinPeriod();
  void FitBackBuffer();           // sizes the back buffer to the window
  void DrawPlot();                // RedrawPlot into the back buffer
  void ShowClearedField();        // the black field and its frame alone, for a failed redraw
  void PresentPlot();             // shows the back buffer on screen now
  void PresentIfPending();        // shows a redraw the frame limit held back
  void RefreshWithoutGeometry();  // the refresh a paint runs: no widget is moved

  // panel_layout.cpp
  void CreatePanel();
  void CreatePictures();

  // event_routing.cpp
  void ConnectHandlers();
  void RunSpinnerMouseUp(QSpinBox* spinner);             // the spinner's handler, if it has one
  void WheelSpinner(QSpinBox* spinner, QWheelEvent* e);  // notches as clicks on the arrows

  // context_menu.cpp
  void CreateContextMenu();

  // open_workflow.cpp
  // The open workflow from the engine's answer on: its fault raised, or the two messages and a
  // random sample, or the data accepted shown under `name`.
  // Returns whether the data were taken (false: refused, and the random sample shown).
  bool TakeReadData(DataOutcome outcome, const QString& name);

  // plot_zoom.cpp
  void ApplyZoom();  // after the scales are computed
  bool OnBarePlot(QPointF pos) const;
  void ShowPointerReadout(QPointF pos);

  // tform1.cpp
  QImage BackBuffer;
  CurveBuffers CurveWork;  // kept from redraw to redraw: a fit redraws hundreds of times
  bool IsActivated = false;
  bool ActivationQueued = false;
  bool Presenting = false;
  bool PresentPending = false;
  QElapsedTimer SincePresent;
  unsigned DataGeneration = 0;        // counts the data sets shown
  unsigned ReportedGeneration = ~0u;  // the data set whose repeated fault was shown

  // event_routing.cpp
  bool PressedOnPlot = false;  // a left press on the bare plot awaits its release
};

// The panel's handlers: find, the formulas report, the panel and x-scale toggles, the
// spinners, the minimum-period buttons and the pictures that follow the pointer.
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <exception>

#include "app/window/terms_report.h"
#include "app/window/tform1.h"
#include "base/run_time_fault.h"
#include "plot/redraw_plot.h"
#include "report/report_text.h"

namespace {

// Swallows the user's input while it is installed.
class InputDropper : public QObject {
 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
        return true;
      default:
        return false;
    }
  }
};

// The fit holds the event loop; input the user gave meanwhile is dropped, not replayed after
// it, where it would act on a window the user no longer saw.
void DropQueuedInput() {
  InputDropper dropper;
  QCoreApplication::instance()->installEventFilter(&dropper);
  QCoreApplication::processEvents();
  QCoreApplication::instance()->removeEventFilter(&dropper);
}

}  // namespace

void TForm1::BitBtn2Click() { FindHarmonics(FitRequest{}); }

void TForm1::FindHarmonics(FitRequest request) {
  if (FitsInBackground()) {
    FindHarmonicsInBackground(std::move(request));
    return;
  }
  HasFit = false;
  UpdateCommandStates();
  Memo1->hide();
  BitBtn3->show();
  request.Harmonics = State.Controls.UpDown1;
  request.Depth = State.Controls.ComboBox1;
  request.MinPeriod = 0;  // the one held, which the panel shows
  request.OnImprovement = State.Hooks.Redraw;
  // The picture drawn as the panel hides already counts the harmonics about to be fitted.
  State.Coefficients.HarmonicCount = static_cast<std::uint8_t>(request.Harmonics);
  FormClick();
  std::exception_ptr fault;
  try {
    Core.Fit(request);
  } catch (...) {
    fault = std::current_exception();
  }
  PresentIfPending();  // the picture the fit reached, where it ended or failed
  DropQueuedInput();
  if (fault) std::rethrow_exception(fault);  // RunHandler shows it
  HasFit = true;
  UpdateCommandStates();
  FormClick();
}

void TForm1::BitBtn3Click() {
  Image5->hide();
  Image6->hide();
  Memo1->setVisible(!Memo1->isVisible());
  Memo1->clear();
  WriteFormulas(
      [this](const std::string& line) { Memo1->appendPlainText(QString::fromStdString(line)); });
}

// An applied fit with terms keeps the report's own lines, its terms' lines after them.
void TForm1::WriteFormulas(const std::function<void(const std::string&)>& appendLine) const {
  if (const HarmonicModel* models = TermsModels()) {
    WriteReport(State, appendLine);
    AppendTermsLines(Core.Terms(), models, appendLine);
  } else {
    Core.WriteReportLines(appendLine);
  }
}

void TForm1::FormClick() {
  if (Memo1->isVisible()) {
    Memo1->hide();
    return;
  }
  State.Geometry.PanelMode = static_cast<std::uint8_t>(3 - State.Geometry.PanelMode);
  FormResize();
}

void TForm1::BitBtn4Click() {
  State.Geometry.XScaleMode = static_cast<std::uint8_t>(3 - State.Geometry.XScaleMode);
  FormResize();
}

void TForm1::UpDown2MouseUp() { FormResize(); }
void TForm1::UpDown3MouseUp() { FormResize(); }
void TForm1::UpDown5MouseUp() { FormResize(); }

void TForm1::UpDown4MouseUp() {
  // One click moves the count by 2, so it stays odd: an even position steps on the same way.
  std::uint8_t p = static_cast<std::uint8_t>(UpDown4->value());
  if (p % 2 == 0) {
    if (State.HorzLines < p) p = p + 1;
    if (p < State.HorzLines) p = p - 1;
  }
  State.HorzLines = p;
  UpDown4->setValue(p);
  DrawPlot();
  update();
}

void TForm1::BitBtn5Click() {
  State.Observations.MinPeriod = State.Observations.MinPeriod / 2;
  ShowMinPeriod();
}

void TForm1::BitBtn7Click() {
  ObservationSet& obs = State.Observations;
  // Near the largest doubles the doubled value overflows: a fault, with the value unchanged.
  obs.MinPeriod = CheckedValue(obs.MinPeriod * 2);
  if ((obs.XMax - obs.XMin) / 2 < obs.MinPeriod) obs.MinPeriod = obs.MinPeriod / 2;
  ShowMinPeriod();
}

void TForm1::BitBtn8Click() {
  State.Observations.MinPeriod = 2 * State.Observations.Spacing;
  ShowMinPeriod();
}

void TForm1::ShowFitSettings(const FitSettings& fit) {
  UpDown1->setValue(fit.HarmonicCount);
  const int depth = ComboBox1->findText(QString::number(fit.Depth));
  if (depth >= 0) ComboBox1->setCurrentIndex(depth);
  State.Observations.MinPeriod = fit.MinPeriod;
  ShowMinPeriod();
}

void TForm1::BitBtn6Click() {
  if (Memo1->isHidden()) {
    Image5->hide();
    Image6->show();
  }
}

void TForm1::FormMouseMove() {
  Image5->hide();
  Image6->hide();
}

void TForm1::Panel1MouseMove() {
  Image5->hide();
  Image6->hide();
}

void TForm1::Image1MouseMove() {
  if (Memo1->isHidden()) {
    Image6->hide();
    Image5->show();
  }
}

void TForm1::Image2MouseMove() { Image5->hide(); }
void TForm1::BitBtn3MouseMove() { Image5->hide(); }
void TForm1::BitBtn4MouseMove() { Image6->hide(); }

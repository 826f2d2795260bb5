#include "app/window/tform1.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include "app/window/desktop_integration.h"
#include "app/window/qt_surface.h"
#include "base/run_time_fault.h"
#include "plot/float_text.h"
#include "plot/plot_geometry.h"
#include "plot/redraw_plot.h"

namespace {

constexpr int kClientWidth = 600;  // the first and the smallest client area
constexpr int kClientHeight = 560;
constexpr int kFrameMilliseconds = 16;  // one frame of a 60 Hz display

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  // The pictures live in a static library, whose resources must be registered by hand.
  Q_INIT_RESOURCE(resources);
  setWindowTitle(RandomSampleCaption());
  setWindowIcon(QIcon(QStringLiteral(":/harmora.svg")));
  setMinimumSize(kClientWidth, kClientHeight);
  resize(kClientWidth, kClientHeight);
  setMouseTracking(true);
  setAcceptDrops(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  setAutoFillBackground(false);

  ShowMessage = [this](MessageKind kind, const QString& caption, const QString& text) {
    QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    caption,
                    text,
                    QMessageBox::Ok,
                    this);
    box.exec();
  };
  OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  CreatePictures();
  CreatePanel();
  ConnectHandlers();
  CreateContextMenu();
  NameControls(*this);
  // A fit redraws after every improvement: the picture is always brought up to date, and shown
  // on screen at most once a display frame (the last one is shown when the fit ends).
  State.Hooks.Redraw = [this] {
    DrawPlot();
    PresentPending = true;
    if (!SincePresent.isValid() || SincePresent.elapsed() >= kFrameMilliseconds) PresentPlot();
  };
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TForm1::~TForm1() = default;

void TForm1::RunHandler(const std::function<void()>& body, FaultSource source) {
  try {
    body();
  } catch (const std::exception& fault) {
    ShowFault(fault, source);
  }
}

void TForm1::ShowFault(const std::exception& fault, FaultSource source) {
  const QString text = QString::fromUtf8(fault.what());
  const bool shownForThisSet = ReportedGeneration == DataGeneration;
  switch (source) {
    case FaultSource::Handler:
      // Data that cannot be plotted fail every redraw, and nearly every control redraws: the
      // user has been told once what to do, and the cleared field stays until new data come.
      if (shownForThisSet && dynamic_cast<const UnplottableDataFault*>(&fault) != nullptr) return;
      break;
    case FaultSource::Resize:
      // A degenerate set fails its scales at every resize; its box is shown once.
      if (shownForThisSet && dynamic_cast<const RunTimeFault*>(&fault) != nullptr) return;
      break;
    case FaultSource::Paint:
      // It fails at every paint too; a box opened inside the paint would paint the window
      // again under it, so the box waits for the event loop.
      if (shownForThisSet) return;
      ReportedGeneration = DataGeneration;
      QTimer::singleShot(0, this, [this, text] { ReportFault(text); });
      return;
  }
  ReportFault(text);
}

void TForm1::ReportFault(const QString& text) {
  ReportedGeneration = DataGeneration;
  ShowMessage(MessageKind::Error, QApplication::applicationDisplayName(), text);
}

void TForm1::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // The first activation builds the first sample. Some window systems never activate a window
  // shown without a window manager, so the first show queues it as well; it runs only once.
  if (!ActivationQueued) {
    ActivationQueued = true;
    QTimer::singleShot(0, this, [this] { FormActivate(); });
  }
}

bool TForm1::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && !IsActivated) FormActivate();
  return QWidget::event(e);
}

void TForm1::FormActivate() {
  if (IsActivated) return;
  IsActivated = true;
  RunHandler([this] {
    OpenDialogDirectory = OpenDialogStart(QApplication::applicationDirPath(), QDir::currentPath());
    State.Geometry.PanelMode = 1;
    State.Geometry.XScaleMode = 1;
    State.FitStage = 0;
    State.HorzLines = static_cast<std::uint8_t>(State.Controls.UpDown4);
    Core.UseRandomSample();
    ShowNewDataSet(RandomSampleCaption());
  });
}

QString RandomSampleCaption() { return QStringLiteral("Harmora - random (10)"); }

void TForm1::ShowNewDataSet(const QString& caption) {
  ++DataGeneration;  // a fault of the new set is shown again, once
  Zoom = {};
  AxisTitles[0].clear();
  AxisTitles[1].clear();
  HasFit = false;
  UpdateCommandStates();
  ShowMinPeriod();
  setWindowTitle(caption);
  FormResize();
}

void TForm1::ShowMinPeriod() {
  Edit6->setText(QString::fromStdString(FloatText(9, State.Observations.MinPeriod)));
  Edit6->setCursorPosition(0);
}

void TForm1::FormResize() {
  // The window keeps its client area at 600 x 560 or more through its minimum size.
  Panel1->setGeometry(width() - kPanelWidth, 0, kPanelWidth, height());
  Image5->move(Panel1->x() - 280, 64);
  UpdateLayout(State.Geometry, width(), height());
  Panel1->setVisible(State.Geometry.PanelMode == 1);
  Memo1->resize(Memo1->width(), State.Geometry.PlotHeight - 20);
  try {
    UpdateScales(State.Geometry, State.Observations);
    ApplyZoom();
  } catch (...) {
    ShowClearedField();  // the scales of the data before would draw a picture of neither
    throw;
  }
  DrawPlot();
  update();
}

void TForm1::ShowClearedField() {
  FitBackBuffer();
  QPainter painter(&BackBuffer);
  QtSurface surface(painter, PlotFont());
  ClearPlot(State, surface);
  painter.end();
  update();
}

void TForm1::RefreshWithoutGeometry() {
  UpdateLayout(State.Geometry, width(), height());
  try {
    UpdateScales(State.Geometry, State.Observations);
    ApplyZoom();
  } catch (...) {
    ShowClearedField();  // as in FormResize: no picture of scales that failed
    throw;
  }
  DrawPlot();
}

void TForm1::FitBackBuffer() {
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = size() * ratio;
  if (BackBuffer.size() != pixels || BackBuffer.devicePixelRatioF() != ratio) {
    BackBuffer = QImage(pixels, QImage::Format_RGB32);
    BackBuffer.setDevicePixelRatio(ratio);
    BackBuffer.fill(palette().color(QPalette::Window));
  }
}

const HarmonicModel* TForm1::TermsModels() const {
  return Core.HasFit() && Core.Terms().Any() ? Core.Models() : nullptr;
}

void TForm1::DrawPlot() {
  FitBackBuffer();
  QPainter painter(&BackBuffer);
  QtSurface surface(painter, PlotFont());
  try {
    // An applied fit with terms draws its models; every other fit the table's.
    if (const HarmonicModel* models = TermsModels()) {
      RedrawPlot(State, surface, CurveWork, models);
    } else {
      RedrawPlot(State, surface, CurveWork);
    }
  } catch (...) {
    // A redraw that fails part-way would leave a picture mixed of two states.
    painter.end();
    ShowClearedField();
    throw;
  }
  painter.end();
  emit PlotRedrawn();
}

void TForm1::PresentPlot() {
  Presenting = true;
  repaint(0, 0, State.Geometry.PlotWidth, State.Geometry.PlotHeight);
  Presenting = false;
  PresentPending = false;
  SincePresent.start();
}

void TForm1::PresentIfPending() {
  if (PresentPending) PresentPlot();
}

void TForm1::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (!IsActivated) return;
  RunHandler([this] { FormResize(); }, FaultSource::Resize);
}

void TForm1::paintEvent(QPaintEvent* e) {
  if (IsActivated && !Presenting) {
    // Every paint redraws the whole plot from the state; where only part of it is exposed and
    // the picture has changed since it was shown, the rest must follow, or two pictures meet.
    const bool partial =
        !e->rect().contains(QRect(0, 0, State.Geometry.PlotWidth, State.Geometry.PlotHeight));
    const QImage shown = partial ? BackBuffer.copy() : QImage();
    RunHandler(
        [&] {
          RefreshWithoutGeometry();
          if (partial && BackBuffer != shown) update();
        },
        FaultSource::Paint);
  }
  QPainter painter(this);
  if (BackBuffer.isNull()) {
    painter.fillRect(rect(), palette().color(QPalette::Window));
  } else {
    painter.drawImage(0, 0, BackBuffer);
  }
}

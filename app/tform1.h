#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <functional>

#include "data/import_check.h"
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

// The main window: owns the application state for the run, shows the plot in its client area
// and carries the control panel at its right edge. Every handler runs inside RunHandler, so a
// run-time fault ends the handler with the default error box and the program goes on.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Message boxes and the open dialog go through these, so tests can answer them.
  enum class MessageKind { Error, Plain };
  std::function<void(MessageKind kind, const QString& caption, const QString& text)> ShowMessage;
  std::function<QString()> RunOpenDialog;
  std::function<bool(const QUrl& url)> OpenUrl;  // the desktop's handler for a document

  AppState State;

  // Components, named as the design names them.
  QFrame* Panel1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QPushButton* BitBtn3 = nullptr;
  QPushButton* BitBtn4 = nullptr;
  QPushButton* BitBtn5 = nullptr;
  QPushButton* BitBtn6 = nullptr;
  QPushButton* BitBtn7 = nullptr;
  QPushButton* BitBtn8 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QSpinBox* UpDown1 = nullptr;
  QSpinBox* UpDown2 = nullptr;
  QSpinBox* UpDown3 = nullptr;
  QSpinBox* UpDown4 = nullptr;
  QSpinBox* UpDown5 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Image3 = nullptr;
  QLabel* Image4 = nullptr;
  QLabel* Image5 = nullptr;
  QLabel* Image6 = nullptr;
  QLabel* Image7 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QString OpenDialogDirectory;  // where OpenDialog1 starts

  // Handlers.
  void FormActivate();
  void FormResize();
  void FormClick();
  void FormMouseMove();
  void Panel1MouseMove();
  void BitBtn1Click();
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

  // Opens `path` through the open workflow from its second step on (the dialog's answer).
  void OpenDataFile(const QString& path);

  // Reads `text` by the data file's rules through the same workflow; an accepted text is shown
  // with the caption "Harmora - clipboard (n)".
  void PasteData(const QByteArray& text);

  // The save dialog (caption, filters; the filter shown first in, the one selected out) and the
  // question before a file is replaced go through these, so tests can answer them. Empty: the
  // desktop's own dialogs.
  std::function<QString(const QString& caption, const QString& filters, QString& filter)>
      RunSaveDialog;
  std::function<bool(const QString& path)> ConfirmOverwrite;

  // Runs a handler's body: a run-time fault ends it with the default error box.
  void RunHandler(const std::function<void()>& body);

  // The context menu of the bare plot and the report box (app/context_menu.cpp).
  QMenu* ContextMenu = nullptr;
  QList<QAction*> FitCommands;  // enabled only while HasFit
  bool HasFit = false;          // a fit has run to its end on the data shown
  void UpdateCommandStates();
  void CloseTopOverlay();  // Esc: the report, or the about picture and the formula hint

  // The picture the plot shows now (the back buffer), for tests and screenshots.
  const QImage& PlotImage() const { return BackBuffer; }
  bool Activated() const { return IsActivated; }

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreatePanel();
  void CreatePictures();
  void ConnectHandlers();
  void RunSpinnerMouseUp(QSpinBox* spinner);             // the spinner's handler, if it has one
  void WheelSpinner(QSpinBox* spinner, QWheelEvent* e);  // notches as clicks on the arrows
  void CreateContextMenu();
  void ReportFault(const QString& text);
  void ShowMinPeriod();
  void FitBackBuffer();           // sizes the back buffer to the window
  void DrawPlot();                // RedrawPlot into the back buffer
  void ShowClearedField();        // the black field and its frame alone, for a failed redraw
  void PresentPlot();             // shows the back buffer on screen now
  void PresentIfPending();        // shows a redraw the frame limit held back
  void RefreshWithoutGeometry();  // the refresh a paint runs: no widget is moved
  void NewDataSet();
  void SetCaption();
  // The open workflow from the read on: the two messages and a random sample, or the data
  // accepted and shown under `name`.
  void TakeReadData(ObservationSet& scratch,
                    bool readFailed,
                    const QString& name,
                    ImportReport report);

  QImage BackBuffer;
  bool IsActivated = false;
  bool ActivationQueued = false;
  bool Presenting = false;
  bool PresentPending = false;
  bool PressedOnPlot = false;  // a left press on the bare plot awaits its release
  QElapsedTimer SincePresent;
  bool InHandler = false;
  unsigned DataGeneration = 0;
  unsigned ReportedGeneration = ~0u;  // the data set whose repeated scale fault was shown
};

// Routing of the window system's events to the handlers, with the mouse rules the program
// relies on: a mouse event reaches only the control under the pointer, never the panel or the
// window beneath it, and a spinner reports the mouse-up that ends a press on its arrows.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QWheelEvent>

#include "app/window/tform1.h"

namespace {

// Whether a press at `pos` lies on the spinner's arrows rather than its box.
bool OnArrows(QSpinBox* spinner, QPoint pos) {
  QStyleOptionSpinBox option;
  option.initFrom(spinner);
  option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame |
                       QStyle::SC_SpinBoxEditField;
  const QStyle::SubControl hit =
      spinner->style()->hitTestComplexControl(QStyle::CC_SpinBox, &option, pos, spinner);
  return hit == QStyle::SC_SpinBoxUp || hit == QStyle::SC_SpinBoxDown;
}

}  // namespace

void TForm1::ConnectHandlers() {
  connect(BitBtn1, &QPushButton::clicked, this, [this] { RunHandler([this] { BitBtn1Click(); }); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { RunHandler([this] { BitBtn2Click(); }); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { RunHandler([this] { BitBtn3Click(); }); });
  connect(BitBtn4, &QPushButton::clicked, this, [this] { RunHandler([this] { BitBtn4Click(); }); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] { RunHandler([this] { BitBtn5Click(); }); });
  connect(BitBtn6, &QPushButton::clicked, this, [this] { RunHandler([this] { BitBtn6Click(); }); });
  connect(BitBtn7, &QPushButton::clicked, this, [this] { RunHandler([this] { BitBtn7Click(); }); });
  connect(BitBtn8, &QPushButton::clicked, this, [this] { RunHandler([this] { BitBtn8Click(); }); });

  // The core reads the controls' positions from the state; keep them current.
  connect(UpDown1, &QSpinBox::valueChanged, this, [this](int v) { State.Controls.UpDown1 = v; });
  connect(UpDown2, &QSpinBox::valueChanged, this, [this](int v) { State.Controls.UpDown2 = v; });
  connect(UpDown3, &QSpinBox::valueChanged, this, [this](int v) { State.Controls.UpDown3 = v; });
  connect(UpDown4, &QSpinBox::valueChanged, this, [this](int v) { State.Controls.UpDown4 = v; });
  connect(UpDown5, &QSpinBox::valueChanged, this, [this](int v) { State.Controls.UpDown5 = v; });
  connect(ComboBox1, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    State.Controls.ComboBox1 = text.toInt();
  });

  for (QObject* o : {static_cast<QObject*>(Panel1),
                     static_cast<QObject*>(Image1),
                     static_cast<QObject*>(Image2),
                     static_cast<QObject*>(BitBtn3),
                     static_cast<QObject*>(BitBtn4),
                     static_cast<QObject*>(UpDown1),
                     static_cast<QObject*>(UpDown2),
                     static_cast<QObject*>(UpDown3),
                     static_cast<QObject*>(UpDown4),
                     static_cast<QObject*>(UpDown5)}) {
    o->installEventFilter(this);
  }
  for (QLabel* picture : {Image1, Image2, Image3, Image4, Image5, Image6, Image7}) {
    picture->setAttribute(Qt::WA_NoMousePropagation);
  }
  Memo1->setAttribute(Qt::WA_NoMousePropagation);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
  const bool isMove = e->type() == QEvent::MouseMove;
  if (watched == Panel1 && isMove) {
    const auto* move = static_cast<QMouseEvent*>(e);
    if (Panel1->childAt(move->position().toPoint()) == nullptr) {
      RunHandler([this] { Panel1MouseMove(); });
    }
    return false;
  }
  if (isMove) {
    if (watched == Image1) RunHandler([this] { Image1MouseMove(); });
    if (watched == Image2) RunHandler([this] { Image2MouseMove(); });
    if (watched == BitBtn3) RunHandler([this] { BitBtn3MouseMove(); });
    if (watched == BitBtn4) RunHandler([this] { BitBtn4MouseMove(); });
    return false;
  }
  // The second press of a quick pair arrives as a double click, and steps the spinner too.
  if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
    auto* spinner = qobject_cast<QSpinBox*>(watched);
    if (spinner != nullptr) {
      spinner->setProperty("pressOnArrows",
                           OnArrows(spinner, static_cast<QMouseEvent*>(e)->position().toPoint()));
    }
    return false;
  }
  if (e->type() == QEvent::MouseButtonRelease) {
    auto* spinner = qobject_cast<QSpinBox*>(watched);
    if (spinner == nullptr || !spinner->property("pressOnArrows").toBool()) return false;
    spinner->setProperty("pressOnArrows", false);
    // The spinner stepped on the press (and while held); its position is final here.
    RunSpinnerMouseUp(spinner);
    return false;
  }
  if (e->type() == QEvent::Wheel) {
    auto* spinner = qobject_cast<QSpinBox*>(watched);
    if (spinner == nullptr) return false;
    WheelSpinner(spinner, static_cast<QWheelEvent*>(e));
    return true;
  }
  return false;
}

void TForm1::RunSpinnerMouseUp(QSpinBox* spinner) {
  if (spinner == UpDown2) RunHandler([this] { UpDown2MouseUp(); });
  if (spinner == UpDown3) RunHandler([this] { UpDown3MouseUp(); });
  if (spinner == UpDown4) RunHandler([this] { UpDown4MouseUp(); });
  if (spinner == UpDown5) RunHandler([this] { UpDown5MouseUp(); });
}

void TForm1::WheelSpinner(QSpinBox* spinner, QWheelEvent* e) {
  // Each notch is a click on the arrow in its direction: one step, then the mouse-up. A
  // smooth wheel's fractions of a notch add up until they make one.
  constexpr int kNotch = 120;  // eighths of a degree
  int pending = spinner->property("wheelRemainder").toInt() + e->angleDelta().y();
  for (; pending >= kNotch; pending -= kNotch) {
    spinner->stepBy(1);
    RunSpinnerMouseUp(spinner);
  }
  for (; pending <= -kNotch; pending += kNotch) {
    spinner->stepBy(-1);
    RunSpinnerMouseUp(spinner);
  }
  spinner->setProperty("wheelRemainder", pending);
  e->accept();
}

void TForm1::mouseMoveEvent(QMouseEvent* e) {
  if (childAt(e->position().toPoint()) == nullptr) RunHandler([this] { FormMouseMove(); });
  if (e->modifiers() & Qt::ControlModifier) ShowPointerReadout(e->position());
}

void TForm1::mousePressEvent(QMouseEvent* e) {
  PressedOnPlot = e->button() == Qt::LeftButton && childAt(e->position().toPoint()) == nullptr;
}

// The second press of a double click is no new click: the plot toggles once.
void TForm1::mouseDoubleClickEvent(QMouseEvent*) { PressedOnPlot = false; }

void TForm1::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !PressedOnPlot) return;
  PressedOnPlot = false;
  const QPoint pos = e->position().toPoint();
  if (rect().contains(pos) && childAt(pos) == nullptr) RunHandler([this] { FormClick(); });
}

// Input a new user gives the panel in the first minutes: quick double clicks on the spinners'
// arrows, the wheel, the spin boxes' own menus, the depth list, and clicks made during a fit.

#include <QAbstractItemView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWheelEvent>

#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

constexpr int kWheelNotch = 120;  // one step of a mouse wheel, in eighths of a degree

// A quick pair of clicks: the second press arrives as a double click.
void DoubleClickAt(TForm1& f, QPoint pos) {
  QTest::mouseDClick(f.windowHandle(), Qt::LeftButton, {}, pos);
}

// Wheel notches over a spinner's box (negative: towards the user).
void WheelAt(TForm1& f, QSpinBox* spinner, int notches) {
  const QPointF pos(12, 10);
  QWheelEvent e(pos,
                spinner->mapToGlobal(pos),
                QPoint(),
                QPoint(0, notches * kWheelNotch),
                Qt::NoButton,
                Qt::NoModifier,
                Qt::NoScrollPhase,
                false);
  QApplication::sendEvent(spinner, &e);
}

// Queues input on the window, as the window system does while the event loop is held.
void QueueClickAndKey(TForm1& f, QPoint pos) {
  QWindow* window = f.windowHandle();
  const QPointF global = f.mapToGlobal(QPointF(pos));
  QCoreApplication::postEvent(window,
                              new QMouseEvent(QEvent::MouseButtonPress,
                                              QPointF(pos),
                                              global,
                                              Qt::LeftButton,
                                              Qt::LeftButton,
                                              Qt::NoModifier));
  QCoreApplication::postEvent(window,
                              new QMouseEvent(QEvent::MouseButtonRelease,
                                              QPointF(pos),
                                              global,
                                              Qt::LeftButton,
                                              Qt::NoButton,
                                              Qt::NoModifier));
  QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
}

QPoint BoxCentre(TForm1& f, QSpinBox* s) { return s->mapTo(&f, QPoint(12, 10)); }

}  // namespace

class PanelInputTest : public QObject {
  Q_OBJECT

 private slots:
  void QuickClicksOnAnArrowEachEndInTheMouseUpHandler() {
    WindowFixture w;
    TForm1& f = w.Form;
    DoubleClickAt(f, ArrowOf(f, f.UpDown4, QStyle::SC_SpinBoxUp));
    QCOMPARE(f.Edit4->text(), QStringLiteral("9"));
    QCOMPARE(int{f.State.HorzLines}, 9);
    QCOMPARE(CountHorizontalLines(f.PlotImage(), f.State.Geometry), 9);

    DoubleClickAt(f, ArrowOf(f, f.UpDown4, QStyle::SC_SpinBoxDown));
    DoubleClickAt(f, ArrowOf(f, f.UpDown4, QStyle::SC_SpinBoxDown));
    QCOMPARE(f.Edit4->text(), QStringLiteral("3"));
    QCOMPARE(CountHorizontalLines(f.PlotImage(), f.State.Geometry), 3);

    DoubleClickAt(f, ArrowOf(f, f.UpDown2, QStyle::SC_SpinBoxUp));
    QCOMPARE(f.Edit2->text(), QStringLiteral("11"));
    QCOMPARE(CountVerticalLines(f.PlotImage(), f.State.Geometry), 11);
  }

  void AWheelNotchActsAsAClickOnTheArrowInItsDirection() {
    WindowFixture w;
    TForm1& f = w.Form;
    WheelAt(f, f.UpDown4, 1);
    QCOMPARE(f.Edit4->text(), QStringLiteral("7"));
    QCOMPARE(CountHorizontalLines(f.PlotImage(), f.State.Geometry), 7);
    WheelAt(f, f.UpDown4, -2);
    QCOMPARE(f.Edit4->text(), QStringLiteral("3"));
    QCOMPARE(CountHorizontalLines(f.PlotImage(), f.State.Geometry), 3);
    WheelAt(f, f.UpDown4, -1);  // at the limit nothing moves
    QCOMPARE(f.Edit4->text(), QStringLiteral("3"));

    WheelAt(f, f.UpDown2, 2);
    QCOMPARE(f.Edit2->text(), QStringLiteral("11"));
    QCOMPARE(CountVerticalLines(f.PlotImage(), f.State.Geometry), 11);
    WheelAt(f, f.UpDown3, -1);
    QCOMPARE(f.Edit3->text(), QStringLiteral("2"));
  }

  void SpinBoxesOfferNoStepItemsOfTheirOwn() {
    WindowFixture w;
    TForm1& f = w.Form;
    for (QSpinBox* s : {f.UpDown1, f.UpDown2, f.UpDown3, f.UpDown4, f.UpDown5}) {
      const QPoint pos = BoxCentre(f, s);
      QWidget* target = f.childAt(pos);
      QContextMenuEvent e(QContextMenuEvent::Mouse, target->mapFrom(&f, pos), f.mapToGlobal(pos));
      // A menu of the box's own would block in exec(): read it and close it from a timer.
      QStringList items;
      QTimer::singleShot(50, [&items] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
          for (QAction* a : menu->actions()) items << a->text();
          menu->close();
        }
      });
      QApplication::sendEvent(target, &e);
      QTest::qWait(80);
      for (const QString& item : items)
        QVERIFY2(!item.contains(QStringLiteral("Step")), qPrintable(item));
    }
    QCOMPARE(f.Edit4->text(), QStringLiteral("5"));
  }

  void KeyboardChangesStillWaitForTheNextRefresh() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.UpDown4->setFocus();
    QTest::keyClick(f.UpDown4, Qt::Key_Up);
    QCOMPARE(f.Edit4->text(), QStringLiteral("6"));
    QCOMPARE(int{f.State.HorzLines}, 5);
  }

  void TheDepthListShowsEveryItemInFull() {
    WindowFixture w;
    TForm1& f = w.Form;
    QCOMPARE(f.ComboBox1->width(), 60);
    f.ComboBox1->showPopup();
    // An item is elided where the list is narrower than the delegate asks for it.
    QAbstractItemView* list = f.ComboBox1->view();
    QVERIFY(list->isVisible());
    QVERIFY(list->viewport()->width() >= list->sizeHintForColumn(0));
    const QFontMetrics metrics(list->font());
    QVERIFY(list->viewport()->width() > metrics.horizontalAdvance(QStringLiteral("998888")));
    f.ComboBox1->hidePopup();
    QCOMPARE(f.ComboBox1->width(), 60);
  }

  void ClicksMadeDuringAFitAreDroppedNotReplayed() {
    WindowFixture w;
    TForm1& f = w.Form;
    const auto redraw = f.State.Hooks.Redraw;
    bool posted = false;
    f.State.Hooks.Redraw = [&] {
      redraw();
      if (posted) return;
      posted = true;
      QueueClickAndKey(f, kBarePlot);
    };
    ClickOn(f, f.BitBtn2);
    QVERIFY(posted);
    QTest::qWait(20);
    QVERIFY(f.Panel1->isVisible());
    QCOMPARE(f.State.Geometry.PanelMode, std::uint8_t{1});

    // Input after the fit is handled as ever.
    ClickAt(f, kBarePlot);
    QVERIFY(!f.Panel1->isVisible());
  }
};

QTEST_MAIN(PanelInputTest)
#include "panel_input_test.moc"

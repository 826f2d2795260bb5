// The window's commands: the context menu, the shortcuts, Esc and the user guide.
#include "app/window/context_menu.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "app/commands/help_command.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

// The items of the menu that has popped up, which is then closed; empty when none is up.
QStringList ItemsOfOpenMenu() {
  QStringList texts;
  if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
    for (QAction* a : menu->actions()) {
      if (!a->isSeparator()) texts << a->text();
    }
    menu->close();
  }
  return texts;
}

}  // namespace

class ContextMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void CommandsNeedingAFitWaitForOneAndForgetItWithNewData() {
    WindowFixture w;
    TForm1& f = w.Form;
    int runs = 0;
    QAction* action = AddWindowCommand(
        f, QStringLiteral("test"), QKeySequence(Qt::CTRL | Qt::Key_J), true, [&] { ++runs; });
    QVERIFY(!action->isEnabled());
    QTest::keyClick(&f, Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(runs, 0);

    f.BitBtn2Click();
    QVERIFY(action->isEnabled());
    QTest::keyClick(&f, Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(runs, 1);

    QTemporaryDir dir;
    f.OpenDataFile(WriteDataFile(dir, QStringLiteral("d.txt"), "1 2 3 4 5 6 7 8"));
    QVERIFY(!action->isEnabled());
  }

  void EscClosesTheReportThenThePictures() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.BitBtn2Click();
    f.BitBtn3Click();
    QVERIFY(f.Memo1->isVisible());
    QTest::keyClick(&f, Qt::Key_Escape);
    QVERIFY(!f.Memo1->isVisible());

    f.BitBtn6Click();
    QVERIFY(f.Image6->isVisible());
    QTest::keyClick(&f, Qt::Key_Escape);
    QVERIFY(!f.Image6->isVisible());
    f.Image1MouseMove();
    QVERIFY(f.Image5->isVisible());
    QTest::keyClick(&f, Qt::Key_Escape);
    QVERIFY(!f.Image5->isVisible());
  }

  void RightClickOnTheBarePlotOrTheReportOpensTheMenu() {
    WindowFixture w;
    TForm1& f = w.Form;
    QContextMenuEvent onPlot(QContextMenuEvent::Mouse, kBarePlot, f.mapToGlobal(kBarePlot));
    QApplication::sendEvent(&f, &onPlot);
    QStringList texts = ItemsOfOpenMenu();
    QVERIFY(texts.contains(QStringLiteral("Справка")));

    f.BitBtn2Click();
    f.BitBtn3Click();
    emit f.Memo1->customContextMenuRequested(QPoint(20, 20));
    texts = ItemsOfOpenMenu();
    QVERIFY(texts.contains(QStringLiteral("Справка")));
    QVERIFY(texts.size() > 1);  // the box's own copy and select-all follow
  }

  void RightClickOnThePanelOpensNoMenu() {
    WindowFixture w;
    TForm1& f = w.Form;
    const QPoint onPanel = f.Panel1->mapTo(&f, QPoint(35, 2));
    QContextMenuEvent e(QContextMenuEvent::Mouse, onPanel, f.mapToGlobal(onPanel));
    QApplication::sendEvent(&f, &e);
    QVERIFY(ItemsOfOpenMenu().isEmpty());
  }

  void F1OpensTheGuideBesideTheProgramOrSaysItIsMissing() {
    QTemporaryDir dir;
    QCOMPARE(UserGuidePath(dir.path()), QString());
    QDir(dir.path()).mkpath(QStringLiteral("share/doc/harmora"));
    QDir(dir.path()).mkpath(QStringLiteral("bin"));
    WriteDataFile(dir, QStringLiteral("share/doc/harmora/About.doc"), "{\\rtf1}");
    QCOMPARE(UserGuidePath(dir.filePath(QStringLiteral("bin"))),
             dir.filePath(QStringLiteral("share/doc/harmora/About.doc")));
    WriteDataFile(dir, QStringLiteral("bin/About.doc"), "{\\rtf1}");
    QCOMPARE(UserGuidePath(dir.filePath(QStringLiteral("bin"))),
             dir.filePath(QStringLiteral("bin/About.doc")));

    WindowFixture w;
    TForm1& f = w.Form;
    QList<QUrl> opened;
    f.OpenUrl = [&opened](const QUrl& url) {
      opened << url;
      return true;
    };
    QTest::keyClick(&f, Qt::Key_F1);
    const QString guide = UserGuidePath(QApplication::applicationDirPath());
    if (guide.isEmpty()) {
      QCOMPARE(w.Messages.size(), std::size_t{1});
      QVERIFY(w.Messages[0].Text.contains(QStringLiteral("About.doc")));
    } else {
      QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(guide)});
    }
  }
};

QTEST_MAIN(ContextMenuTest)
#include "context_menu_test.moc"

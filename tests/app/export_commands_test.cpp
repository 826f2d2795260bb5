// Results out of the window and data into it: the plot, the data with the model, the formulas,
// and pasted data, as a user reaches them through the commands.
#include "app/commands/export_commands.h"

#include <unistd.h>

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <cstddef>
#include <cstring>

#include "export/data_csv.h"
#include "export/formula_text.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

QAction* Command(TForm1& f, const QString& text) {
  for (QAction* a : f.ContextMenu->actions()) {
    if (a->text() == text) return a;
  }
  return nullptr;
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers the save dialogs with `path` and `filter` and records what they asked.
struct SaveAnswers {
  QString Path;
  QString Filter = QStringLiteral("PNG (*.png)");
  QStringList Asked;      // the captions of the save dialogs shown
  QStringList Overwrite;  // the files the user was asked to replace
  bool Replace = true;

  void InstallOn(TForm1& f) {
    f.RunSaveDialog = [this](const QString& caption, const QString&, QString& filter) {
      Asked << caption;
      filter = Filter;
      return Path;
    };
    f.ConfirmOverwrite = [this](const QString& path) {
      Overwrite << path;
      return Replace;
    };
  }
};

// Both models of a fixed fit, as a fit leaves them.
void SetFit(TForm1& f) {
  CoefficientTable& t = f.State.Coefficients;
  t.HarmonicCount = 2;
  t.A[0] = 1.2, t.B[0] = 0.9, t.C[0] = 0.4, t.A[1] = 0.3, t.B[1] = 2.5, t.C[1] = 1;
  t.A2[0] = 1.1, t.B2[0] = 0.45, t.C2[0] = 0.2, t.A2[1] = 0.2, t.B2[1] = 1.3, t.C2[1] = 2;
  f.State.FitStage = 2;
  f.FormResize();
}

QStringList FilesIn(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

class ExportCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void CommandsStandInTheMenuWithTheirShortcutsAndWaitForAFitWhereTheyNeedOne() {
    WindowFixture w;
    TForm1& f = w.Form;
    const struct {
      const char* Text;
      QKeySequence Shortcut;
    } commands[] = {
        {"Копировать график", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
        {"Сохранить график…", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"Сохранить данные и модель…", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"Копировать формулу", QKeySequence()},
        {"Вставить данные", QKeySequence(Qt::CTRL | Qt::Key_V)},
    };
    int previous = -1;
    for (const auto& c : commands) {
      QAction* a = Command(f, QString::fromUtf8(c.Text));
      QVERIFY2(a != nullptr, c.Text);
      QCOMPARE(a->shortcut(), c.Shortcut);
      const int index = static_cast<int>(f.ContextMenu->actions().indexOf(a));
      QVERIFY(index > previous);
      previous = index;
      const bool needsFit = a->menu() != nullptr;
      QCOMPARE(a->isEnabled(), !needsFit);
    }
    QAction* formulas = Command(f, QStringLiteral("Копировать формулу"));
    QCOMPARE(formulas->menu()->actions().size(), 11);  // five languages a model and a separator
    f.BitBtn2Click();
    QVERIFY(formulas->isEnabled());
    f.PasteData("1 2 3 4 5 6 7 8");
    QVERIFY(!formulas->isEnabled());
  }

  void CopyPlotPutsThePlotsOwnPixelsOnTheClipboard() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    const QImage copied = QGuiApplication::clipboard()->image();
    const QImage& buffer = f.PlotImage();
    const qreal ratio = buffer.devicePixelRatio();
    QCOMPARE(copied.size(),
             QSize(static_cast<int>(f.State.Geometry.PlotWidth * ratio),
                   static_cast<int>(f.State.Geometry.PlotHeight * ratio)));
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32),
             buffer.copy(QRect(QPoint(0, 0), copied.size())));
    QVERIFY(CountColour(copied, copied.rect(), kBlue) > 0);
  }

  void SavedPngIsTheBackBufferAndTheNameDecidesTheFormat() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f);
    QTemporaryDir dir;
    SaveAnswers answers;
    answers.InstallOn(f);
    const QImage expected = PlotPixels(f);

    answers.Path = dir.filePath("plot");  // no extension: the selected filter's
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(answers.Asked, QStringList{QStringLiteral("Сохранить график")});
    const QImage saved(dir.filePath("plot.png"));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             expected.convertToFormat(QImage::Format_RGB32));

    answers.Path = dir.filePath("plot.svg");  // typed: an SVG whatever the filter
    Command(f, QStringLiteral("Сохранить график…"))->trigger();
    QCOMPARE(ReadFile(dir.filePath("plot.svg")), PlotFileBytes(f, PlotFileFormat::Svg));

    answers.Path = dir.filePath("Figure");
    answers.Filter = QStringLiteral("PDF (*.pdf)");
    Command(f, QStringLiteral("Сохранить график…"))->trigger();
    QVERIFY(ReadFile(dir.filePath("Figure.pdf")).startsWith("%PDF-"));

    QCOMPARE(FilesIn(dir), (QStringList{"Figure.pdf", "plot.png", "plot.svg"}));
    QVERIFY(answers.Overwrite.isEmpty());
    QVERIFY(w.Messages.empty());
  }

  void TheFormatFollowsTheTypedExtensionThenTheFilter() {
    const struct {
      const char* Name;
      const char* Filter;
      const char* Final;
      PlotFileFormat Format;
    } cases[] = {
        {"/d/plot.svg", "PNG (*.png)", "/d/plot.svg", PlotFileFormat::Svg},
        {"/d/plot.PDF", "SVG (*.svg)", "/d/plot.PDF", PlotFileFormat::Pdf},
        {"/d/plot.png", "PDF (*.pdf)", "/d/plot.png", PlotFileFormat::Png},
        {"/d/plot", "SVG (*.svg)", "/d/plot.svg", PlotFileFormat::Svg},
        {"/d/plot", "PDF (*.pdf)", "/d/plot.pdf", PlotFileFormat::Pdf},
        {"/d/plot.v2", "PNG (*.png)", "/d/plot.v2.png", PlotFileFormat::Png},
        {"/d.svg/plot", "PDF (*.pdf)", "/d.svg/plot.pdf", PlotFileFormat::Pdf},
        {"/d/plot", "", "/d/plot.png", PlotFileFormat::Png},
    };
    for (const auto& c : cases) {
      QString path = QString::fromUtf8(c.Name);
      const PlotFileFormat format = ChoosePlotFormat(path, QString::fromUtf8(c.Filter));
      QCOMPARE(path, QString::fromUtf8(c.Final));
      QVERIFY2(format == c.Format, c.Name);
    }
  }

  void SavedCsvHoldsTheDataBeforeAFitAndTheModelsAfterOne() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    SaveAnswers answers;
    answers.InstallOn(f);
    answers.Path = dir.filePath("data");
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
    const QByteArray before = ReadFile(dir.filePath("data.csv"));
    QVERIFY(before.startsWith("x,y\n") || before.startsWith("x;y\n"));
    QCOMPARE(before.count('\n'), 1 + f.State.Observations.LastIndex + 1);

    f.BitBtn2Click();
    answers.Path = dir.filePath("after.csv");
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
    const QByteArray after = ReadFile(dir.filePath("after.csv"));
    QVERIFY(after.contains("model1") && !after.contains('#'));  // comments only if asked
  }

  // Every form the dialog offers: its separator and decimal mark, the '#' lines only where
  // asked, the locale's own form first, and the shortest digits that read back exactly.
  void CsvFormsReadBackExactlyWithTheirSeparatorAndDecimalMark() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.PasteData("0.1 1.5\n0.2 -2.25\n0.3 3\n0.7 0.1\n1.1 2");
    f.BitBtn2Click();
    QTemporaryDir dir;
    SaveAnswers answers;
    answers.InstallOn(f);
    const QStringList filters = CsvFilters(QLocale()).split(QStringLiteral(";;"));
    QCOMPARE(filters.size(), 4);
    const bool localeComma = QLocale().decimalPoint() == QStringLiteral(",");
    QCOMPARE(localeComma, qEnvironmentVariableIsSet("HARMORA_EXPECT_DECIMAL_COMMA"));
    for (int i = 0; i < filters.size(); ++i) {
      answers.Filter = filters[i];
      answers.Path = dir.filePath(QStringLiteral("f%1.csv").arg(i));
      QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
      const QString text = QString::fromUtf8(ReadFile(answers.Path));
      const bool comma = filters[i].contains(QStringLiteral("запятая"));
      QCOMPARE(comma == localeComma, i < 2);
      QCOMPARE(text.startsWith('#'), i % 2 == 1);
      const QChar separator = comma ? ';' : ',';
      QStringList rows = text.split('\n', Qt::SkipEmptyParts).filter(QRegularExpression("^[^#]"));
      QCOMPARE(
          rows.takeFirst(),
          QStringList({"x", "y", "model1", "model2", "residual1", "residual2"}).join(separator));
      QCOMPARE(rows.size(), f.State.Observations.LastIndex + 1);
      const char* xs[] = {"0.1", "0.2", "0.3", "0.7", "1.1"};
      for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows[r].split(separator);
        QCOMPARE(cells.size(), 6);
        QCOMPARE(cells[0], QString::fromLatin1(xs[r]).replace('.', comma ? ',' : '.'));
        for (const QString& cell : cells) {
          QVERIFY2(!cell.contains(comma ? '.' : ','), qPrintable(rows[r]));
        }
        QCOMPARE(QLocale::c().toDouble(QString(cells[1]).replace(',', '.')),
                 f.State.Observations.OrigY[r]);
      }
    }
  }

  void SavingOverAFileAsksFirst() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    const QString path = WriteDataFile(dir, "data.csv", "old");
    SaveAnswers answers;
    answers.InstallOn(f);
    answers.Path = path;
    answers.Replace = false;
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(answers.Overwrite, QStringList{path});
    QCOMPARE(ReadFile(path), QByteArray("old"));

    answers.Replace = true;
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(answers.Overwrite.size(), 2);
    QVERIFY(ReadFile(path).startsWith("x"));
    QCOMPARE(FilesIn(dir), QStringList{"data.csv"});
    QVERIFY(w.Messages.empty());
  }

  void ACancelledDialogSavesNothing() {
    WindowFixture w;
    TForm1& f = w.Form;
    SaveAnswers answers;
    answers.InstallOn(f);
    answers.Path = QString();
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(answers.Asked.size(), 2);
    QVERIFY(answers.Overwrite.isEmpty());
    QVERIFY(w.Messages.empty());
  }

  void AnUnwritableTargetLeavesNoFileAndSaysWhy() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder.csv"));
    const QString plain = WriteDataFile(dir, "plain.txt", "x");
    SaveAnswers answers;
    answers.InstallOn(f);
    const QString targets[] = {
        dir.filePath("folder.csv"),          // a folder chosen as the name
        dir.filePath("missing/data.csv"),    // a folder that is not there
        dir.filePath("plain.txt/data.csv"),  // a file where the folder should be
    };
    for (const QString& target : targets) {
      w.Messages.clear();
      answers.Path = target;
      QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
      QCOMPARE(w.Messages.size(), size_t(1));
      QCOMPARE(w.Messages[0].Caption, QStringLiteral("Ошибка"));
      QVERIFY2(w.Messages[0].Text.startsWith(QStringLiteral("Не удалось сохранить файл ") +
                                             QDir::toNativeSeparators(target)),
               qPrintable(w.Messages[0].Text));
    }
    QCOMPARE(FilesIn(dir), (QStringList{"folder.csv", "plain.txt"}));
    QVERIFY(QDir(dir.filePath("folder.csv")).isEmpty());
    QCOMPARE(ReadFile(plain), QByteArray("x"));
    QVERIFY(answers.Overwrite.isEmpty());
  }

  void AReadOnlyFolderLeavesNoFileAndSaysWhy() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    if (access(dir.path().toLocal8Bit().constData(), W_OK) == 0) {
      QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      QSKIP("this user may write into read-only folders");
    }
    SaveAnswers answers;
    answers.InstallOn(f);
    answers.Path = dir.filePath("plot.svg");
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(w.Messages.size(), size_t(1));
    QVERIFY(w.Messages[0].Text.startsWith(QStringLiteral("Не удалось сохранить файл")));
    QVERIFY(FilesIn(dir).isEmpty());
  }

  void EachFormulaCommandCopiesItsModelInItsLanguage() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.BitBtn2Click();
    const QList<QAction*> items =
        Command(f, QStringLiteral("Копировать формулу"))->menu()->actions();
    const FormulaFormat formats[] = {FormulaFormat::Plain,
                                     FormulaFormat::Python,
                                     FormulaFormat::Spreadsheet,
                                     FormulaFormat::SpreadsheetComma,
                                     FormulaFormat::Latex};
    int item = 0;
    for (FormulaModel model : {FormulaModel::One, FormulaModel::Two}) {
      for (FormulaFormat format : formats) {
        while (items[item]->isSeparator()) ++item;
        QGuiApplication::clipboard()->clear();
        items[item++]->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text().toStdString(),
                 FormulaText(f.State.Coefficients, model, format));
      }
    }
    QVERIFY(items[0]->text().startsWith(QStringLiteral("Модель 1")));
    QVERIFY(items[10]->text().startsWith(QStringLiteral("Модель 2")));
  }

  // Text with at least 4 pairs replaces the data; any other text leaves the data, the fit, the
  // caption and the plot exactly as they were and says that it held no pairs.
  void PastedTextIsReadByTheDataFilesRules() {
    WindowFixture w;
    TForm1& f = w.Form;
    const QString accepted = QStringLiteral("Harmora - буфер обмена (%1)");
    const QString refused =
        QStringLiteral("В буфере обмена нет пар чисел для вставки: данные и график не изменились.");
    const struct {
      const char* Text;
      int Count;              // observations when accepted, 0 when refused
      double FirstX, FirstY;  // the first observation after sorting, when accepted
      const char* Detail;     // the message's second line, when refused
    } cases[] = {
        {"1 2 3 4 5 6 7 8", 4, 1, 2, nullptr},
        {"x\ty\r\n5\t1\r\n3\t2\r\n1\t3\r\n2\t4\r\n", 4, 1, 3, nullptr},
        {"1,5 2,5 3 4 5 6 7 8", 4, 1.5, 2.5, nullptr},
        {"1e3 2 3 4 5 6 7", 4, 1, 3, nullptr},
        {"+5 .5 -.5 5. 7 8 9 10", 4, -0.5, 5, nullptr},
        {"T1 1 2 3 4 5 6 7 8", 4, 1, 1, nullptr},
        {"Привет, мир", 0, 0, 0, "Прочитано 1 число (0 пар), а нужно не менее 4 пар (8 чисел)."},
        {"no numbers here", 0, 0, 0, "В тексте нет ни одного числа."},
        {"1 2 3 4 5 6 7", 0, 0, 0, "Прочитано 7 чисел (3 пары), а нужно не менее 4 пар (8 чисел)."},
        {"", 0, 0, 0, "В тексте нет ни одного числа."},
        {"x-y 1 2 3 4 5 6 7 8", 0, 0, 0, "Строка 1: «-» — не число."},
        {"1 2 3 4 5 6 7 8\n1.2.3", 0, 0, 0, "Строка 2: «1.2.3» — не число."},
    };
    for (const auto& c : cases) {
      const QString label = QString::fromUtf8(c.Text);
      w.Messages.clear();
      f.BitBtn2Click();  // a fit shown before the paste
      const QString caption = f.windowTitle();
      const ObservationSet before = f.State.Observations;
      const CoefficientTable fit = f.State.Coefficients;
      const QImage picture = PlotPixels(f);
      QGuiApplication::clipboard()->setText(label);
      QTest::keyClick(&f, Qt::Key_V, Qt::ControlModifier);
      if (c.Detail == nullptr) {
        QVERIFY2(w.Messages.empty(), qPrintable(label));
        QCOMPARE(f.State.FitStage, 0);
        QVERIFY(!f.BitBtn3->isVisible());
        QCOMPARE(f.windowTitle(), accepted.arg(c.Count));
        QCOMPARE(f.State.Observations.LastIndex, c.Count - 1);
        QCOMPARE(f.State.Observations.PlotX[0], c.FirstX);
        QCOMPARE(f.State.Observations.OrigY[0], c.FirstY);
        QVERIFY(MarkerAt(PlotPixels(f), f.State.Geometry, c.FirstX, c.FirstY));
      } else {
        QCOMPARE(w.Messages.size(), size_t(1));
        QCOMPARE(w.Messages[0].Caption, QStringLiteral("Ошибка"));
        QCOMPARE(DesignedPart(w.Messages[0].Text), refused);
        QCOMPARE(DetailPart(w.Messages[0].Text), QString::fromUtf8(c.Detail));
        QCOMPARE(f.windowTitle(), caption);
        QCOMPARE(f.State.FitStage, 2);
        QVERIFY(f.BitBtn3->isVisible());
        QCOMPARE(f.State.Observations.LastIndex, before.LastIndex);
        QVERIFY(std::memcmp(f.State.Observations.OrigY,
                            before.OrigY,
                            sizeof(double) * kObservationCapacity) == 0);
        QVERIFY(std::memcmp(f.State.Coefficients.A, fit.A, offsetof(CoefficientTable, A2)) == 0);
        QTest::qWait(1);
        QCOMPARE(PlotPixels(f), picture);
      }
    }
  }

  void APastedHundredAndFiftyPairsKeepTheFirstHundred() {
    WindowFixture w;
    TForm1& f = w.Form;
    QByteArray text;
    for (int i = 0; i < 150; ++i)
      text += QByteArray::number(i) + " " + QByteArray::number(i % 7) + "\n";
    QGuiApplication::clipboard()->setText(QString::fromLatin1(text));
    QTest::keyClick(&f, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - буфер обмена (100)"));
    QCOMPARE(f.State.Observations.PlotX[99], 99.0);
  }
};

QTEST_MAIN(ExportCommandsTest)
#include "export_commands_test.moc"

#include "app/window/desktop_integration.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTranslator>

#include "app/window/tform1.h"

QString OpenDialogStart(const QString& programDir, const QString& workingDir) {
  const QString dir = QDir::cleanPath(programDir);
  for (const char* system : {"/usr", "/opt", "/bin", "/sbin", "/snap", "/app", "/nix"}) {
    const QString prefix = QString::fromLatin1(system);
    if (dir == prefix || dir.startsWith(prefix + QLatin1Char('/'))) return workingDir;
  }
  return programDir;
}

namespace {

// Qt's own texts, with the file dialog's type names ("Folder", "File", "Drive") looked up also
// where older catalogues keep them: Qt 6 moved them to a context the Russian catalogue lacks.
class QtTextTranslator : public QTranslator {
 public:
  using QTranslator::QTranslator;

  QString translate(const char* context,
                    const char* source,
                    const char* disambiguation,
                    int n) const override {
    QString text = QTranslator::translate(context, source, disambiguation, n);
    if (!text.isEmpty() || qstrcmp(context, "QAbstractFileIconProvider") != 0) return text;
    for (const char* older : {"QFileSystemModel", "QFileDialog", "QFileIconProvider"}) {
      for (const char* note : {disambiguation, static_cast<const char*>(nullptr)}) {
        text = QTranslator::translate(older, source, note, n);
        if (!text.isEmpty()) return text;
      }
    }
    return text;
  }
};

}  // namespace

bool InstallRussianTranslations(QApplication& application) {
  auto* translator = new QtTextTranslator(&application);
  if (!translator->load(QStringLiteral("qtbase_ru"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QApplication::installTranslator(translator);
}

namespace {

void Name(QWidget* w, const QString& text) {
  w->setAccessibleName(text);
  w->setToolTip(text);
}

}  // namespace

void NameControls(TForm1& f) {
  Name(f.BitBtn1, QStringLiteral("Открыть файл данных"));
  Name(f.BitBtn2, QStringLiteral("Найти гармоники"));
  Name(f.BitBtn3, QStringLiteral("Показать формулы"));
  Name(f.BitBtn4, QStringLiteral("Масштаб по оси X"));
  Name(f.BitBtn5, QStringLiteral("Уменьшить минимальный период вдвое"));
  Name(f.BitBtn6, QStringLiteral("О программе"));
  Name(f.BitBtn7, QStringLiteral("Увеличить минимальный период вдвое"));
  Name(f.BitBtn8, QStringLiteral("Вернуть минимальный период"));
  Name(f.UpDown1, QStringLiteral("Количество гармоник"));
  Name(f.UpDown2, QStringLiteral("Количество меток по X"));
  Name(f.UpDown3, QStringLiteral("Точность меток по X"));
  Name(f.UpDown4, QStringLiteral("Количество меток по Y"));
  Name(f.UpDown5, QStringLiteral("Точность меток по Y"));
  Name(f.Edit6, QStringLiteral("Минимальный период"));
  Name(f.ComboBox1, QStringLiteral("Глубина поиска"));
  Name(f.Image1, QStringLiteral("Количество гармоник"));
  Name(f.Image2, QStringLiteral("Минимальный период"));
  Name(f.Image3, QStringLiteral("Метки по X"));
  Name(f.Image4, QStringLiteral("Метки по Y"));
  Name(f.Image7, QStringLiteral("Глубина поиска"));
  // The floating pictures and the report get names only: a tooltip there would cover the plot.
  f.Image5->setAccessibleName(QStringLiteral("Формулы моделей"));
  f.Image6->setAccessibleName(QStringLiteral("О программе"));
  f.Memo1->setAccessibleName(QStringLiteral("Отчёт"));
  for (QSpinBox* s : {f.UpDown1, f.UpDown2, f.UpDown3, f.UpDown4, f.UpDown5}) {
    s->findChild<QLineEdit*>()->setAccessibleName(s->accessibleName());
  }
}

#pragma once

#include <QApplication>
#include <QTest>

#include "app/window/tform1.h"
#include "app/window_commands.h"
#include "data/random_generator.h"
#include "tests/environment_locale.h"

// The two messages of the open workflow, as the user reads them.
inline const QString kUnreadable = QStringLiteral(
    "Не удалось прочитать числовые данные из файла. Инструкция по созданию файла данных "
    "находится в документе About.doc.");
inline const QString kTooShort = QStringLiteral(
    "Файл данных должен содержать не менее 4 наблюдений (не менее 8 чисел). Подробности можно "
    "найти в документе About.doc.");

// A rejection message is the fixed text, exactly, then a line of detail (the file's name,
// and where the read went wrong). These split it.
inline QString DesignedPart(const QString& message) {
  return message.section(QLatin1Char('\n'), 0, 0);
}
inline QString DetailPart(const QString& message) { return message.section(QLatin1Char('\n'), 1); }

inline std::uint32_t FixedTestClock() { return 20261207u; }

// A shown, activated main window with a fixed random seed; messages are recorded, not shown.
struct WindowFixture {
  struct Message {
    TForm1::MessageKind Kind;
    QString Caption, Text;
  };

  WindowFixture() {
    std::string why;
    if (!EnterEnvironmentLocale(why)) qFatal("%s", why.c_str());
    CreateWindowCommands(Form);
    Form.State.Random.Clock = FixedTestClock;
    Form.ShowMessage = [this](
                           TForm1::MessageKind kind, const QString& caption, const QString& text) {
      Messages.push_back({kind, caption, text});
    };
    Form.show();
    QTest::qWait(0);
    QCoreApplication::processEvents();
  }

  TForm1 Form;
  std::vector<Message> Messages;
};

#include "app/commands/export_commands.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "app/commands/print_export.h"
#include "app/commands/save_file.h"
#include "app/commands/vector_surface.h"
#include "app/window/context_menu.h"
#include "app/window/qt_surface.h"
#include "app/window/tform1.h"
#include "export/formula_text.h"

namespace {

const QString kErrorCaption = QStringLiteral("Ошибка");
// The window's picture first, as before; then the same files for print.
const QString kPlotFilters =
    QStringLiteral("PNG (*.png);;SVG (*.svg);;PDF (*.pdf);;") + PrintPlotFilters();

struct FormatName {
  PlotFileFormat Format;
  const char* Suffix;
};
constexpr FormatName kPlotFormats[] = {
    {PlotFileFormat::Png, "png"}, {PlotFileFormat::Svg, "svg"}, {PlotFileFormat::Pdf, "pdf"}};

// Where the save dialogs start: the folder of the last save in this run, else that of the data
// file, else the home folder. Kept for the run only, like every other setting.
QString& LastSaveFolder() {
  static QString folder;
  return folder;
}

QString StartFolder(const TForm1& form) {
  if (!LastSaveFolder().isEmpty()) return LastSaveFolder();
  if (!form.State.DataPath.empty()) {
    return QFileInfo(QString::fromStdString(form.State.DataPath)).absolutePath();
  }
  return QDir::homePath();
}

bool AskOverwrite(TForm1& form, const QString& path) {
  if (form.ConfirmOverwrite) return form.ConfirmOverwrite(path);
  return QMessageBox::question(&form,
                               QStringLiteral("Сохранение"),
                               QStringLiteral("Файл %1 уже существует. Заменить его?")
                                   .arg(QDir::toNativeSeparators(path)),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

// Runs the save dialog; `finish` turns the chosen name and filter into the final name (it may
// append an extension) and the bytes to write, or nothing when the user cancels a question it
// asked. Asks before replacing a file and shows a message
// when the file cannot be written. Nothing is written when the user cancels.
template <typename Finish>
void SaveThroughDialog(TForm1& form,
                       const QString& caption,
                       const QString& filters,
                       const QString& defaultName,
                       Finish finish) {
  QString filter = filters.section(QStringLiteral(";;"), 0, 0);
  const QString start = QDir(StartFolder(form)).filePath(defaultName);
  QString path =
      form.RunSaveDialog
          ? form.RunSaveDialog(caption, filters, filter)
          : QFileDialog::getSaveFileName(
                &form, caption, start, filters, &filter, QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return;
  QString failure;
  if (QFileInfo(path).isDir()) {
    failure = SaveFileWhole(path, {});  // a folder keeps its name, so the message names it
  } else {
    const std::optional<QByteArray> bytes = finish(path, filter);
    if (!bytes) return;
    if (QFileInfo(path).isFile() && !AskOverwrite(form, path)) return;
    failure = SaveFileWhole(path, *bytes);
  }
  if (!failure.isEmpty()) {
    form.ShowMessage(TForm1::MessageKind::Plain, kErrorCaption, failure);
    return;
  }
  LastSaveFolder() = QFileInfo(path).absolutePath();
}

// The window's picture, or for a print filter the figure the print dialog asks for.
std::optional<QByteArray> PlotFileFor(TForm1& form, QString& path, const QString& filter) {
  const PlotFileFormat format = ChoosePlotFormat(path, filter);
  if (!IsPrintFilter(filter)) return PlotFileBytes(form, format);
  PrintChoice choice;
  if (!AskPrintChoice(form, choice)) return std::nullopt;
  return PrintPlotBytes(form, format, choice);
}

void CopyFormulaCommands(TForm1& form) {
  QMenu* menu = AddWindowSubmenu(form, QStringLiteral("Копировать формулу"), true);
  const struct {
    FormulaFormat Format;
    QString Name;
  } formats[] = {
      {FormulaFormat::Plain, QStringLiteral("текст")},
      {FormulaFormat::Python, QStringLiteral("Python (NumPy)")},
      {FormulaFormat::Spreadsheet, QStringLiteral("электронная таблица с точкой (1.5)")},
      {FormulaFormat::SpreadsheetComma, QStringLiteral("электронная таблица с запятой (1,5)")},
      {FormulaFormat::Latex, QStringLiteral("LaTeX")},
  };
  for (FormulaModel model : {FormulaModel::One, FormulaModel::Two}) {
    if (model == FormulaModel::Two) menu->addSeparator();
    const QString modelName =
        model == FormulaModel::One ? QStringLiteral("Модель 1") : QStringLiteral("Модель 2");
    for (const auto& f : formats) {
      QAction* action = menu->addAction(modelName + QStringLiteral(": ") + f.Name);
      const FormulaFormat format = f.Format;
      QObject::connect(action, &QAction::triggered, &form, [&form, model, format] {
        form.RunHandler([&form, model, format] {
          const std::string text = form.Core.Formula(
              model == FormulaModel::One ? ModelKind::Sum : ModelKind::SquaredSum, format);
          QGuiApplication::clipboard()->setText(QString::fromStdString(text));
        });
      });
    }
  }
}

}  // namespace

namespace {

// The CSV forms the save dialog offers, the locale's own first: a spreadsheet set to a decimal
// comma splits a row only at ';' and reads "1.5" as text.
std::vector<std::pair<QString, CsvStyle>> CsvChoices(const QLocale& locale) {
  const CsvStyle comma{';', ',', true, false}, stop{',', '.', true, false};
  const bool decimalComma = locale.decimalPoint() == QStringLiteral(",");
  std::vector<std::pair<QString, CsvStyle>> choices;
  for (CsvStyle style : decimalComma ? std::array{comma, stop} : std::array{stop, comma}) {
    const QString form = style.Decimal == ','
                             ? QStringLiteral("CSV: разделитель «;», десятичная запятая")
                             : QStringLiteral("CSV: разделитель «,», десятичная точка");
    choices.emplace_back(form + QStringLiteral(" (*.csv)"), style);
    style.Comments = true;
    choices.emplace_back(form + QStringLiteral(", строки # с параметрами подгонки (*.csv)"), style);
  }
  return choices;
}

}  // namespace

QString CsvFilters(const QLocale& locale) {
  QStringList filters;
  for (const auto& choice : CsvChoices(locale)) filters << choice.first;
  return filters.join(QStringLiteral(";;"));
}

CsvStyle CsvStyleFor(const QString& filter, const QLocale& locale) {
  const auto choices = CsvChoices(locale);
  for (const auto& choice : choices) {
    if (choice.first == filter) return choice.second;
  }
  return choices.front().second;
}

PlotFileFormat ChoosePlotFormat(QString& path, const QString& selectedFilter) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  for (const FormatName& f : kPlotFormats) {
    if (suffix == QLatin1String(f.Suffix)) return f.Format;
  }
  for (const FormatName& f : kPlotFormats) {
    if (selectedFilter.contains(QStringLiteral("*.") + QLatin1String(f.Suffix))) {
      path += QStringLiteral(".") + QLatin1String(f.Suffix);
      return f.Format;
    }
  }
  path += QStringLiteral(".png");
  return PlotFileFormat::Png;
}

QImage PlotPixels(const TForm1& form) {
  const QImage& buffer = form.PlotImage();
  const qreal ratio = buffer.devicePixelRatio();
  const QRect plot(0,
                   0,
                   qRound(form.State.Geometry.PlotWidth * ratio),
                   qRound(form.State.Geometry.PlotHeight * ratio));
  QImage image = buffer.copy(plot);
  image.setDevicePixelRatio(ratio);
  return image;
}

QByteArray PlotFileBytes(const TForm1& form, PlotFileFormat format) {
  switch (format) {
    case PlotFileFormat::Svg:
      return PlotSvg(form.State, PlotFont(), form.TermsModels());
    case PlotFileFormat::Pdf:
      return PlotPdf(form.State, PlotFont(), form.TermsModels());
    case PlotFileFormat::Png:
      break;
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  PlotPixels(form).save(&buffer, "PNG");
  return bytes;
}

void CreateExportCommands(TForm1& form) {
  AddWindowCommand(form,
                   QStringLiteral("Копировать график"),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                   false,
                   [&form] { QGuiApplication::clipboard()->setImage(PlotPixels(form)); });
  AddWindowCommand(form,
                   QStringLiteral("Сохранить график…"),
                   QKeySequence(Qt::CTRL | Qt::Key_S),
                   false,
                   [&form] {
                     SaveThroughDialog(form,
                                       QStringLiteral("Сохранить график"),
                                       kPlotFilters,
                                       QStringLiteral("plot.png"),
                                       [&form](QString& path, const QString& filter) {
                                         return PlotFileFor(form, path, filter);
                                       });
                   });
  AddWindowCommand(
      form,
      QStringLiteral("Сохранить данные и модель…"),
      QKeySequence(Qt::CTRL | Qt::Key_E),
      false,
      [&form] {
        SaveThroughDialog(
            form,
            QStringLiteral("Сохранить данные и модель"),
            CsvFilters(QLocale()),
            QStringLiteral("data.csv"),
            [&form](QString& path, const QString& filter) -> std::optional<QByteArray> {
              if (QFileInfo(path).suffix().isEmpty()) path += ".csv";
              return QByteArray::fromStdString(form.Core.CsvText(CsvStyleFor(filter, QLocale())));
            });
      });
  CopyFormulaCommands(form);
  AddWindowCommand(
      form, QStringLiteral("Вставить данные"), QKeySequence(Qt::CTRL | Qt::Key_V), false, [&form] {
        form.PasteData(QGuiApplication::clipboard()->text().toUtf8());
      });
}

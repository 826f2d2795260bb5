#include "app/commands/table_messages.h"

#include <QDate>

namespace {

QString Quoted(const std::string& text) {
  return QStringLiteral("«%1»").arg(QString::fromStdString(text));
}

QString SeparatorName(char separator) {
  switch (separator) {
    case ',':
      return QStringLiteral("запятая");
    case ';':
      return QStringLiteral("точка с запятой");
    case '\t':
      return QStringLiteral("табуляция");
    case '|':
      return QStringLiteral("вертикальная черта");
    case ' ':
      return QStringLiteral("пробелы");
    default:
      return Quoted(std::string(1, separator));
  }
}

QString EncodingName(TableEncoding encoding) {
  switch (encoding) {
    case TableEncoding::Utf8Bom:
      return QStringLiteral("UTF-8 с BOM");
    case TableEncoding::Utf16LE:
      return QStringLiteral("UTF-16 LE");
    case TableEncoding::Utf16BE:
      return QStringLiteral("UTF-16 BE");
    case TableEncoding::Windows1251:
      return QStringLiteral("Windows-1251");
    default:
      return QStringLiteral("UTF-8");
  }
}

QString TableRefusal(TableFault fault) {
  switch (fault) {
    case TableFault::CannotOpen:
      return QStringLiteral("Файл не удалось прочитать.");
    case TableFault::NulBytes:
      return QStringLiteral(
          "В файле есть нулевые байты: это не текст или текст UTF-16 без метки порядка байтов. "
          "Сохраните таблицу как «CSV UTF-8».");
    case TableFault::BadUtf16:
      return QStringLiteral("Файл начинается с метки UTF-16, но дальше в нём не текст UTF-16.");
    case TableFault::OutOfMemory:
      return QStringLiteral("Для чтения таблицы не хватило памяти.");
    case TableFault::NoColumns:
      return QStringLiteral(
          "Ни табуляция, ни точка с запятой, ни запятая, ни черта, ни пробел не делят строки "
          "файла на столбцы.");
    default:
      return QStringLiteral("В таблице нет строк с данными.");
  }
}

QString NoticeReason(TableNoticeKind kind) {
  switch (kind) {
    case TableNoticeKind::NotADate:
      return QStringLiteral("не дата ГГГГ-ММ-ДД");
    case TableNoticeKind::SigmaNotPositive:
      return QStringLiteral("σ должна быть больше нуля");
    default:
      return QStringLiteral("не число");
  }
}

// Notices listed in the dialog; the count says how many more there are.
constexpr int kListedNotices = 5;

}  // namespace

QString ColumnLabel(const Table& table, int column) {
  const std::string& name = table.Columns[column].Name;
  const QString number = QString::number(column + 1);
  return name.empty() ? number : number + ' ' + Quoted(name);
}

QString DetectedText(const Table& table) {
  if (table.Separator == 0)
    return QStringLiteral("Кодировка: %1.").arg(EncodingName(table.Encoding));
  return QStringLiteral(
             "Разделитель: %1; десятичный знак: %2; строка заголовка: %3; кодировка: %4.")
      .arg(SeparatorName(table.Separator),
           table.DecimalMark == ',' ? QStringLiteral("запятая") : QStringLiteral("точка"),
           table.HasHeader ? QStringLiteral("есть") : QStringLiteral("нет"),
           EncodingName(table.Encoding));
}

QString RefusalText(const Table& table, const TableSeries& series) {
  if (table.Fault != TableFault::None) return TableRefusal(table.Fault);
  const int column = series.FaultColumn;
  switch (series.Fault) {
    case TableFault::None:
      return {};
    case TableFault::TextColumn:
      return QStringLiteral("В столбце %1 не числа, а текст.").arg(ColumnLabel(table, column));
    case TableFault::LocalDate:
      return QStringLiteral(
                 "В столбце %1 даты записаны не в виде ГГГГ-ММ-ДД, и их можно прочитать "
                 "по-разному. Запишите даты как 2024-03-01 или 2024-03-01 12:00.")
          .arg(ColumnLabel(table, column));
    case TableFault::DateColumn:
      return QStringLiteral("В столбце %1 даты: даты можно взять только как x.")
          .arg(ColumnLabel(table, column));
    default:
      return QStringLiteral("Выберите столбцы x и y.");
  }
}

QString SeriesText(const Table& table, const TableSeries& series) {
  QString text = QStringLiteral("Строк данных: %1; взято пар: %2; отброшено строк: %3")
                     .arg(table.DataRows())
                     .arg(series.X.size())
                     .arg(series.DroppedRows());
  if (series.DroppedRows() > 0) {
    text += QStringLiteral(" (пустые, NA или NaN: %1; не прочитаны: %2")
                .arg(series.MissingRows)
                .arg(series.UnreadableRows);
    if (series.CodedRows > 0) text += QStringLiteral("; коды пропуска: %1").arg(series.CodedRows);
    text += ')';
  }
  text += '.';
  for (const TableCode& code : series.Codes) {
    text += QStringLiteral(
                "\nСтрока %1 и ещё таких строк: %2 — %3 в y: код пропуска далеко за "
                "пределами остальных значений, строки пропущены.")
                .arg(code.FirstLine)
                .arg(code.Rows - 1)
                .arg(Quoted(code.Token));
  }
  const int listed = std::min(kListedNotices, static_cast<int>(series.Notices.size()));
  for (int i = 0; i < listed; ++i) {
    const TableNotice& notice = series.Notices[i];
    text +=
        QStringLiteral("\nСтрока %1, столбец %2: %3 — %4.")
            .arg(notice.Line)
            .arg(
                ColumnLabel(table, notice.Column), Quoted(notice.Token), NoticeReason(notice.Kind));
  }
  if (series.UnreadableRows > listed) {
    text +=
        QStringLiteral("\n…и ещё не прочитанных строк: %1.").arg(series.UnreadableRows - listed);
  }
  if (series.XTimesOfDay) {
    text += QStringLiteral("\nx — доли суток от 00:00 (время суток без даты).");
  } else if (series.XIsDate) {
    const QDate origin = QDate(1970, 1, 1).addDays(static_cast<qint64>(series.XOrigin));
    text += QStringLiteral("\nx — дни от 00:00 %1, первой даты столбца.")
                .arg(origin.toString(Qt::ISODate));
  }
  return text;
}

#include "app/commands/table_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "app/commands/table_file_read.h"
#include "app/commands/table_messages.h"
#include "data/row_array.h"
#include "data/table_guess.h"

namespace {

constexpr int kPreviewRows = 20;
constexpr int kFewestPairs = 4;        // as the data file asks
constexpr int kMonthsSideBySide = -2;  // the y item of twelve columns of months

QString KindName(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::Numeric:
      return QStringLiteral("числа");
    case ColumnKind::Date:
      return QStringLiteral("даты");
    case ColumnKind::LocalDate:
      return QStringLiteral("даты не ISO");
    case ColumnKind::Empty:
      return QStringLiteral("пусто");
    default:
      return QStringLiteral("текст");
  }
}

QComboBox* ChoiceBox(std::initializer_list<QString> items) {
  auto* box = new QComboBox;
  for (const QString& item : items) box->addItem(item);
  return box;
}

TableChoice ChoiceOf(const QComboBox* box) {
  static constexpr TableChoice kChoices[] = {
      TableChoice::Detect, TableChoice::No, TableChoice::Yes};
  return kChoices[box->currentIndex()];
}

// Whether a column's name says it holds the errors of y: a word of it is or holds "sigma" or
// "σ", begins or ends with "err" (err, yerr, temp_error), or begins with "погрешн".
bool NamesErrors(const std::string& name) {
  QStringList words{QString()};
  for (const QChar ch : QString::fromStdString(name).toLower()) {
    if (ch.isLetterOrNumber()) {
      words.back() += ch;
    } else if (!words.back().isEmpty()) {
      words << QString();
    }
  }
  return std::any_of(words.begin(), words.end(), [](const QString& w) {
    return w.contains(QStringLiteral("sigma")) || w.contains(QChar(0x03C3)) ||
           w.startsWith(QStringLiteral("err")) || w.endsWith(QStringLiteral("err")) ||
           w.endsWith(QStringLiteral("error")) || w.startsWith(QStringLiteral("погрешн"));
  });
}

// The first column of numbers other than x and y whose name says it holds errors; -1 if none.
int LikelySigmaColumn(const Table& table, int x, int y) {
  for (int c = 0; c < static_cast<int>(table.Columns.size()); ++c) {
    const TableColumn& column = table.Columns[c];
    if (c != x && c != y && column.Kind == ColumnKind::Numeric && NamesErrors(column.Name)) {
      return c;
    }
  }
  return -1;
}

}  // namespace

TableDialog::TableDialog(std::string bytes, const QString& fileName, QWidget* parent)
    : TableDialog(bytes, ReadTable(bytes), fileName, parent) {}

TableDialog::TableDialog(std::string bytes, Table read, const QString& fileName, QWidget* parent)
    : QDialog(parent), Bytes(std::move(bytes)), Read(std::move(read)) {
  setWindowTitle(QStringLiteral("Открыть таблицу — %1").arg(fileName));
  CreateWidgets();
  Show();
}

void TableDialog::CreateWidgets() {
  SeparatorBox = ChoiceBox({QStringLiteral("определить"),
                            QStringLiteral("запятая"),
                            QStringLiteral("точка с запятой"),
                            QStringLiteral("табуляция"),
                            QStringLiteral("пробелы")});
  DecimalBox =
      ChoiceBox({QStringLiteral("определить"), QStringLiteral("точка"), QStringLiteral("запятая")});
  HeaderBox =
      ChoiceBox({QStringLiteral("определить"), QStringLiteral("нет"), QStringLiteral("есть")});
  auto* readRow = new QHBoxLayout;
  readRow->addWidget(new QLabel(QStringLiteral("Разделитель:")));
  readRow->addWidget(SeparatorBox);
  readRow->addWidget(new QLabel(QStringLiteral("Десятичный знак:")));
  readRow->addWidget(DecimalBox);
  readRow->addWidget(new QLabel(QStringLiteral("Строка заголовка:")));
  readRow->addWidget(HeaderBox);
  readRow->addStretch();

  Detected = new QLabel;
  Preview = new QTableWidget;
  Preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Preview->setMinimumSize(560, 220);
  Preview->verticalHeader()->setDefaultSectionSize(Preview->fontMetrics().height() + 6);

  XBox = new QComboBox;
  YBox = new QComboBox;
  SigmaBox = new QComboBox;
  auto* columns = new QFormLayout;
  columns->addRow(QStringLiteral("x:"), XBox);
  columns->addRow(QStringLiteral("y:"), YBox);
  columns->addRow(QStringLiteral("σ (необязательно):"), SigmaBox);

  Summary = new QLabel;
  Summary->setWordWrap(true);
  Summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Problem = new QLabel;
  Problem->setWordWrap(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  OpenButton = buttons->addButton(QStringLiteral("Открыть"), QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(readRow);
  layout->addWidget(Detected);
  layout->addWidget(Preview, 1);
  layout->addLayout(columns);
  layout->addWidget(Summary);
  layout->addWidget(Problem);
  layout->addWidget(buttons);

  for (QComboBox* box : {SeparatorBox, DecimalBox, HeaderBox}) {
    connect(box, &QComboBox::currentIndexChanged, this, [this] { Reread(); });
  }
  for (QComboBox* box : {XBox, YBox, SigmaBox}) {
    connect(box, &QComboBox::activated, this, [this] { Reselect(); });
  }
}

TableOptions TableDialog::Options() const {
  static constexpr char kSeparators[] = {0, ',', ';', '\t', ' '};
  return {kSeparators[SeparatorBox->currentIndex()], ChoiceOf(DecimalBox), ChoiceOf(HeaderBox)};
}

void TableDialog::Reread() {
  Read = ReadTable(Bytes, Options());
  Show();
}

void TableDialog::Show() {
  Detected->setText(DetectedText(Read));
  FillPreview();
  FillColumnBoxes();
  Reselect();
}

void TableDialog::FillPreview() {
  const int columnCount = static_cast<int>(Read.Columns.size());
  const int rows = static_cast<int>(
      std::min<std::size_t>(Read.Cells.Rows() - Read.FirstDataRow(), kPreviewRows));
  Preview->clear();
  Preview->setColumnCount(columnCount);
  Preview->setRowCount(Read.Fault == TableFault::None ? rows : 0);
  QStringList headers;
  for (int c = 0; c < columnCount; ++c) {
    headers << QStringLiteral("%1\n(%2)")
                   .arg(QString::fromStdString(Read.Columns[c].Name),
                        KindName(Read.Columns[c].Kind));
  }
  Preview->setHorizontalHeaderLabels(headers);
  QStringList lines;
  for (int r = 0; r < Preview->rowCount(); ++r) {
    const std::size_t row = Read.FirstDataRow() + r;
    lines << QString::number(Read.Cells.RowLine[row]);
    for (int c = 0; c < columnCount; ++c) {
      const std::string_view cell = Read.Cells.Cell(row, c);
      Preview->setItem(r, c, new QTableWidgetItem(QString::fromUtf8(cell.data(), cell.size())));
    }
  }
  Preview->setVerticalHeaderLabels(lines);  // the file's line numbers, as the notices name them
  Preview->resizeColumnsToContents();
}

void TableDialog::FillColumnBoxes() {
  for (QComboBox* box : {XBox, YBox, SigmaBox}) box->clear();
  SigmaBox->addItem(QStringLiteral("нет"), -1);
  for (int c = 0; c < static_cast<int>(Read.Columns.size()); ++c) {
    const QString label =
        QStringLiteral("%1 (%2)").arg(ColumnLabel(Read, c), KindName(Read.Columns[c].Kind));
    for (QComboBox* box : {XBox, YBox, SigmaBox}) box->addItem(label, c);
  }
  const auto [x, y] = LikelyColumns(Read);
  // Twelve columns of months after the years: one series, offered first and chosen.
  const int months = LikelyMonthColumns(Read, x);
  if (months >= 0) {
    YBox->addItem(QStringLiteral("%1 … %2 (месяцы по строкам)")
                      .arg(ColumnLabel(Read, months), ColumnLabel(Read, months + 11)),
                  kMonthsSideBySide);
  }
  if (x >= 0 && y >= 0) {
    XBox->setCurrentIndex(x);
    YBox->setCurrentIndex(months >= 0 ? YBox->count() - 1 : y);
    const int sigma = LikelySigmaColumn(Read, x, y);
    if (sigma >= 0 && months < 0) SigmaBox->setCurrentIndex(sigma + 1);  // after "нет"
  } else {
    YBox->setCurrentIndex(std::min(1, YBox->count() - 1));
  }
}

void TableDialog::Reselect() {
  TableSelection selection;
  selection.X = XBox->currentData().isValid() ? XBox->currentData().toInt() : -1;
  selection.Y = YBox->currentData().isValid() ? YBox->currentData().toInt() : -1;
  selection.Sigma = SigmaBox->currentData().toInt();
  // A column of years beside their months means the months' dates.
  selection.XParts = LikelyDateParts(Read, selection.X);
  selection.XTime = LikelyTimeColumn(Read, selection.X);
  if (selection.Y == kMonthsSideBySide) {
    selection.WideMonths = LikelyMonthColumns(Read, selection.X);
    selection.Y = selection.WideMonths;  // -1 (refused) where x is not their years
  }
  Chosen = SelectColumns(Read, selection);
  const QString verdict = Verdict();
  const bool fine = Read.Fault == TableFault::None && Chosen.Fault == TableFault::None;
  QString summary = fine ? SeriesText(Read, Chosen) : QString();
  if (fine && selection.XParts.Month >= 0) {
    const QString year = ColumnLabel(Read, selection.X),
                  month = ColumnLabel(Read, selection.XParts.Month);
    summary += selection.XParts.Day >= 0
                   ? QStringLiteral(
                         "\nДата строки: год из столбца %1, месяц из столбца %2, день "
                         "из столбца %3.")
                         .arg(year, month, ColumnLabel(Read, selection.XParts.Day))
                   : QStringLiteral(
                         "\nДата строки — первое число месяца: год из столбца %1, "
                         "месяц из столбца %2.")
                         .arg(year, month);
    if (selection.XParts.Hour >= 0) {
      summary +=
          QStringLiteral(" Час — из столбца %1.").arg(ColumnLabel(Read, selection.XParts.Hour));
    }
  }
  if (fine && selection.XTime >= 0) {
    summary +=
        QStringLiteral("\nВремя суток — из столбца %1.").arg(ColumnLabel(Read, selection.XTime));
  }
  if (fine && selection.WideMonths >= 0) {
    summary += QStringLiteral(
        "\nКаждая ячейка месяцев — пара: x — первое число месяца её строки; "
        "отброшенные считаются по ячейкам.");
  }
  Summary->setText(summary);
  Summary->setVisible(fine);
  // A refusal stands out; the note on σ is only a note.
  Problem->setStyleSheet(verdict.isEmpty() ? QString()
                                           : QStringLiteral("QLabel { color: #b00000; }"));
  // Above a hundred pairs the search follows the periodogram, which weighs the rows too.
  const QString sigmaNote =
      Chosen.X.size() > static_cast<std::size_t>(kObservationCapacity)
          ? QStringLiteral(
                "Столбец σ задаёт веса поиска по периодограмме и точной подгонки "
                "(Ctrl+L): взвешенный метод наименьших квадратов.")
          : QStringLiteral(
                "Столбец σ задаёт веса точной подгонки (Ctrl+L): взвешенный метод "
                "наименьших квадратов. Поиск веса не использует.");
  Problem->setText(verdict.isEmpty() && selection.Sigma >= 0 ? sigmaNote : verdict);
  Problem->setVisible(!Problem->text().isEmpty());
  OpenButton->setEnabled(verdict.isEmpty());
}

QString TableDialog::Verdict() const {
  const QString refusal = RefusalText(Read, Chosen);
  if (!refusal.isEmpty()) return refusal;
  const auto pairs = static_cast<std::int64_t>(Chosen.X.size());
  if (pairs > kMaxWindowTablePairs) {
    return QStringLiteral(
               "Пар в таблице: %1, а окно берёт не больше %2. Таблица не открыта: первые "
               "строки охватили бы лишь часть диапазона x. Сократите таблицу или подберите её "
               "всю в командной строке: harmora-fit --table.")
        .arg(pairs)
        .arg(kMaxWindowTablePairs);
  }
  if (pairs < kFewestPairs) {
    return QStringLiteral("Пар в таблице: %1, а нужно не менее %2.").arg(pairs).arg(kFewestPairs);
  }
  return {};
}

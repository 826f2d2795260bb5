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
#include <tuple>

#include "app/commands/table_messages.h"
#include "data/observation_set.h"
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

}  // namespace

TableDialog::TableDialog(std::string bytes, const QString& fileName, QWidget* parent)
    : QDialog(parent), Bytes(std::move(bytes)) {
  setWindowTitle(QStringLiteral("Открыть таблицу — %1").arg(fileName));
  CreateWidgets();
  Reread();
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
  Problem->setText(verdict.isEmpty() && selection.Sigma >= 0
                       ? QStringLiteral("Столбец σ задаёт веса точной подгонки (Ctrl+L): "
                                        "взвешенный метод наименьших квадратов. Поиск веса не "
                                        "использует.")
                       : verdict);
  Problem->setVisible(!Problem->text().isEmpty());
  OpenButton->setEnabled(verdict.isEmpty());
}

QString TableDialog::Verdict() const {
  const QString refusal = RefusalText(Read, Chosen);
  if (!refusal.isEmpty()) return refusal;
  const auto pairs = static_cast<std::int64_t>(Chosen.X.size());
  if (pairs > kObservationCapacity) {
    return QStringLiteral(
               "Пар в таблице: %1, а поиск гармоник в окне работает не более чем со %2 "
               "наблюдениями. Таблица не открыта: первые %2 строк охватили бы лишь часть "
               "диапазона x. Сократите таблицу до %2 строк или подберите её всю в командной "
               "строке: harmora-fit --table.")
        .arg(pairs)
        .arg(kObservationCapacity);
  }
  if (pairs < kFewestPairs) {
    return QStringLiteral("Пар в таблице: %1, а нужно не менее %2.").arg(pairs).arg(kFewestPairs);
  }
  return {};
}

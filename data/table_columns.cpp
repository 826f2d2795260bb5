#include "data/table_columns.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "data/table_values.h"

namespace {

// Rows looked at to detect the decimal mark and the header: enough to see the pattern.
constexpr std::size_t kSampleRows = 200;
// The fewest integers in order that make a column of dates written YYYYMM or YYYYMMDD.
constexpr std::size_t kLeastDateCodes = 3;

bool Has(std::string_view cell, char c) { return cell.find(c) != std::string_view::npos; }

void Count(TableColumn& column, CellKind kind) {
  switch (kind) {
    case CellKind::Missing:
      ++column.Missing;
      break;
    case CellKind::Number:
      ++column.Numbers;
      break;
    case CellKind::Date:
      ++column.Dates;
      break;
    default:
      ++column.Others;
      break;
  }
}

// The kind most filled cells share; numbers and ISO dates need a majority of them.
ColumnKind KindOf(const TableColumn& column, std::int64_t localDates) {
  const std::int64_t filled = column.Numbers + column.Dates + column.Others;
  if (filled == 0) return ColumnKind::Empty;
  if (2 * column.Numbers > filled) return ColumnKind::Numeric;
  if (2 * column.Dates > filled) return ColumnKind::Date;
  if (2 * localDates > filled) return ColumnKind::LocalDate;
  return ColumnKind::Text;
}

std::size_t WidestRow(const TableCells& cells) {
  std::size_t widest = 0;
  for (std::size_t r = 0; r < cells.Rows(); ++r) widest = std::max(widest, cells.CellCount(r));
  return widest;
}

// Whether every number of column c is a date written as one integer of the same width, in
// order (see DescribeColumns).
bool HoldsDateCodes(const TableCells& cells, std::size_t firstRow, std::size_t c) {
  std::size_t width = 0, count = 0;
  double last = -std::numeric_limits<double>::infinity(), days = 0;
  for (std::size_t r = firstRow; r < cells.Rows(); ++r) {
    const std::string_view cell = cells.Cell(r, c);
    if (IsMissingCell(cell)) continue;
    if (!ReadDateCode(cell, days) || (width && cell.size() != width) || days < last) return false;
    width = cell.size();
    last = days;
    ++count;
  }
  return count >= kLeastDateCodes;
}

// Whether every number of column c is a month written with a dot (3.2024, 2024.03: numbers to a
// table whose decimal mark is a dot), at least three of them in calendar order over more than one
// year. As numbers, January 2025 (1.2025) would come before December 2024 (12.2024), or 0.89
// after it (2025.01); within one year the numbers keep their order and stay numbers.
bool HoldsDottedMonths(const TableCells& cells, std::size_t firstRow, std::size_t c) {
  const auto yearOf = [](double days) {
    const std::chrono::sys_days day{std::chrono::days(static_cast<int>(days))};
    return static_cast<int>(std::chrono::year_month_day(day).year());
  };
  std::size_t count = 0;
  bool newYear = false;
  double last = 0, days = 0;
  for (std::size_t r = firstRow; r < cells.Rows(); ++r) {
    const std::string_view cell = cells.Cell(r, c);
    if (IsMissingCell(cell)) continue;
    if (!ReadNumericMonth(cell, days) || (count > 0 && !(days > last))) return false;
    newYear = newYear || (count > 0 && yearOf(days) != yearOf(last));
    last = days;
    ++count;
  }
  return count >= kLeastDateCodes && newYear;
}

// Whether every filled cell of column c is a time of day, at least three of them, never going
// back: the readings of one day (a clock that passes midnight goes back, and so does not pass).
bool HoldsTimesOfDay(const TableCells& cells, std::size_t firstRow, std::size_t c) {
  std::size_t count = 0;
  double last = -1, fraction = 0;
  for (std::size_t r = firstRow; r < cells.Rows(); ++r) {
    const std::string_view cell = cells.Cell(r, c);
    if (IsMissingCell(cell)) continue;
    if (!ReadTimeOfDay(cell, fraction) || fraction < last) return false;
    last = fraction;
    ++count;
  }
  return count >= kLeastDateCodes;
}

// Settles the order of a LocalDate column's dates where its cells tell it (see TableColumn).
void SettleDateOrder(const TableCells& cells,
                     std::size_t firstRow,
                     std::size_t c,
                     TableColumn& column) {
  bool dayFirst = false, monthFirst = false, yearFirst = true;
  for (std::size_t r = firstRow; r < cells.Rows(); ++r) {
    switch (OrderShown(cells.Cell(r, c))) {
      case DateOrder::DayFirst:
        dayFirst = true, yearFirst = false;
        break;
      case DateOrder::MonthFirst:
        monthFirst = true, yearFirst = false;
        break;
      case DateOrder::Either:
        yearFirst = false;
        break;
      case DateOrder::YearFirst:
        break;
      case DateOrder::None:
        if (ClassifyCell(cells.Cell(r, c), '.') == CellKind::LocalDate) return;  // 3/1/24
        break;
    }
  }
  if (dayFirst == monthFirst && !yearFirst) return;
  column.Kind = ColumnKind::Date;
  column.OrderedDates = true;
  column.DayFirst = dayFirst;
}

}  // namespace

char DetectDecimalMark(const TableCells& cells, char separator) {
  // A comma in a cell of a table split by commas was quoted: a decimal mark where it cannot
  // group thousands ("11,44", as pandas writes with decimal=','), and either where it can
  // ("5,026", as US spreadsheets quote it), which then does not count.
  const bool quoted = separator == ',';
  std::int64_t commas = 0, points = 0;
  double value = 0;
  for (std::size_t r = 0; r < std::min(cells.Rows(), kSampleRows); ++r) {
    for (std::size_t c = 0; c < cells.CellCount(r); ++c) {
      const std::string_view cell = cells.Cell(r, c);
      if (Has(cell, ',') && ReadCellNumber(cell, ',', value) &&
          !(quoted && ReadCellNumber(cell, '.', value))) {
        ++commas;
      }
      // A point between digits: not the abbreviation of a year (1990 г.), nor a month with a
      // dot (03.2024), which is no number where the decimal mark is a comma.
      const std::size_t point = cell.find('.');
      const bool betweenDigits = point != std::string_view::npos && point + 1 < cell.size() &&
                                 cell[point + 1] >= '0' && cell[point + 1] <= '9';
      if (betweenDigits && ReadCellNumber(cell, '.', value) && !ReadNumericMonth(cell, value)) {
        ++points;
      }
    }
  }
  return commas > points ? ',' : '.';
}

bool DetectHeader(const TableCells& cells, char decimalMark) {
  if (cells.Rows() == 0) return false;
  if (cells.Rows() == 1) {  // names alone, or one row of data
    for (std::size_t c = 0; c < cells.CellCount(0); ++c) {
      if (ClassifyCell(cells.Cell(0, c), decimalMark) == CellKind::Text) return true;
    }
    return false;
  }
  const std::size_t sampleEnd = std::min(cells.Rows(), kSampleRows + 1);
  for (std::size_t c = 0; c < cells.CellCount(0); ++c) {
    const CellKind first = ClassifyCell(cells.Cell(0, c), decimalMark);
    if (first != CellKind::Text && first != CellKind::LocalDate) continue;
    TableColumn below;
    std::int64_t localDates = 0;
    for (std::size_t r = 1; r < sampleEnd; ++r) {
      const CellKind kind = ClassifyCell(cells.Cell(r, c), decimalMark);
      Count(below, kind);
      localDates += kind == CellKind::LocalDate;
    }
    const ColumnKind kind = KindOf(below, localDates);
    if (kind == ColumnKind::Numeric || kind == ColumnKind::Date) return true;
  }
  return false;
}

namespace {

// Column c's kind from its counts, then the forms its counts do not show: times of day among
// its text, date codes and dotted months among its numbers.
void SettleKind(const TableCells& cells,
                std::size_t firstRow,
                std::size_t c,
                std::int64_t localDates,
                TableColumn& column) {
  column.Kind = KindOf(column, localDates);
  if (column.Kind == ColumnKind::LocalDate) SettleDateOrder(cells, firstRow, c, column);
  if (column.Kind == ColumnKind::Text && column.Numbers == 0 && column.Dates == 0 &&
      HoldsTimesOfDay(cells, firstRow, c)) {
    column.Kind = ColumnKind::Date;
    column.TimesOfDay = true;
    column.Dates = column.Others;
    column.Others = 0;
  }
  if (column.Kind == ColumnKind::Numeric && column.Others == 0) {
    column.DateCodes = HoldsDateCodes(cells, firstRow, c);
    if (column.DateCodes || HoldsDottedMonths(cells, firstRow, c)) {
      column.Kind = ColumnKind::Date;
      column.Dates += column.Numbers;
      column.Numbers = 0;
    }
  }
}

// The columns' names from the header, where there is one. R's write.table leaves the row
// names' column out of the header: a header one cell short of rows whose last column holds
// values names the columns after the first. (A last column left empty is only a separator at
// the ends of the lines.)
void NameColumns(const TableCells& cells, std::size_t firstRow, std::vector<TableColumn>& columns) {
  const std::size_t shift = firstRow > 0 && cells.CellCount(0) + 1 == columns.size() &&
                                    columns.back().Kind != ColumnKind::Empty
                                ? 1
                                : 0;
  for (std::size_t c = shift; c < columns.size() && firstRow > 0; ++c) {
    columns[c].Name = std::string(cells.Cell(0, c - shift));
  }
}

}  // namespace

std::vector<TableColumn> DescribeColumns(const TableCells& cells,
                                         std::size_t firstRow,
                                         char decimalMark) {
  std::vector<TableColumn> columns(WidestRow(cells));
  std::vector<std::int64_t> localDates(columns.size());
  for (std::size_t r = firstRow; r < cells.Rows(); ++r) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const CellKind kind = ClassifyCell(cells.Cell(r, c), decimalMark);
      Count(columns[c], kind);
      localDates[c] += kind == CellKind::LocalDate;
    }
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    SettleKind(cells, firstRow, c, localDates[c], columns[c]);
  }
  NameColumns(cells, firstRow, columns);
  return columns;
}

bool ReadColumnDate(const TableColumn& column, std::string_view cell, double& days) {
  if (column.TimesOfDay) return ReadTimeOfDay(cell, days);
  if (column.OrderedDates && ReadOrderedDate(cell, column.DayFirst, days)) return true;
  return column.DateCodes ? ReadDateCode(cell, days) : ReadTableDate(cell, days);
}

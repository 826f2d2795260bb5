#include "data/table_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

#include "data/table_values.h"

namespace {

TableFault FaultOf(TableTextFault fault) {
  return fault == TableTextFault::NulBytes ? TableFault::NulBytes : TableFault::BadUtf16;
}

bool ChosenOrDetected(TableChoice choice, bool detected) {
  return choice == TableChoice::Detect ? detected : choice == TableChoice::Yes;
}

}  // namespace

Table ReadTable(std::string_view bytes, const TableOptions& options) {
  Table table;
  const TableText text = DecodeTableText(bytes);
  table.Encoding = text.Encoding;
  if (text.Fault != TableTextFault::None) {
    table.Fault = FaultOf(text.Fault);
    return table;
  }
  table.Separator = options.Separator != 0 ? options.Separator : DetectSeparator(text.Utf8);
  if (table.Separator == 0) {
    table.Fault = TableFault::NoColumns;
    return table;
  }
  return ReadTableCells(std::move(table), SplitTable(text.Utf8, table.Separator), options);
}

Table ReadTableCells(Table table, TableCells cells, const TableOptions& options) {
  table.Cells = std::move(cells);
  if (table.Cells.OutOfMemory) {
    table.Fault = TableFault::OutOfMemory;
    return table;
  }
  const bool comma = ChosenOrDetected(options.DecimalComma,
                                      DetectDecimalMark(table.Cells, table.Separator) == ',');
  table.DecimalMark = comma ? ',' : '.';
  table.HasHeader = ChosenOrDetected(options.Header, DetectHeader(table.Cells, table.DecimalMark));
  if (table.Cells.Rows() <= table.FirstDataRow()) {
    table.Fault = TableFault::NoRows;
    return table;
  }
  table.Columns = DescribeColumns(table.Cells, table.FirstDataRow(), table.DecimalMark);
  return table;
}

int FindTableColumn(const Table& table, std::string_view name) {
  const int count = static_cast<int>(table.Columns.size());
  for (int c = 0; c < count; ++c) {
    if (!name.empty() && table.Columns[c].Name == name) return c;
  }
  int number = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
  if (error != std::errc() || end != name.data() + name.size()) return -1;
  return number >= 1 && number <= count ? number - 1 : -1;
}

namespace {

// Refuses a chosen column that holds no numbers: text, foreign dates, or dates where they are
// not wanted.
TableFault Refusal(const TableColumn& column, bool datesAllowed) {
  switch (column.Kind) {
    case ColumnKind::Numeric:
      return TableFault::None;
    case ColumnKind::Date:
      return datesAllowed ? TableFault::None : TableFault::DateColumn;
    case ColumnKind::LocalDate:
      return TableFault::LocalDate;
    default:
      return TableFault::TextColumn;
  }
}

bool Refuse(const Table& table, int column, bool datesAllowed, TableSeries& series) {
  if (column < 0 || column >= static_cast<int>(table.Columns.size())) {
    series.Fault = TableFault::NoSuchColumn;
  } else {
    series.Fault = Refusal(table.Columns[column], datesAllowed);
  }
  if (series.Fault != TableFault::None) series.FaultColumn = column;
  return series.Fault != TableFault::None;
}

// The first date of the column, at 00:00 of its day.
double DateOrigin(const Table& table, int column) {
  double days = 0;
  for (std::size_t r = table.FirstDataRow(); r < table.Cells.Rows(); ++r) {
    if (ReadColumnDate(table.Columns[column], table.Cells.Cell(r, column), days)) {
      return std::floor(days);
    }
  }
  return 0;
}

enum class CellRead { Value, Missing, Unreadable };

// The fewest other values of y that make a code stand out from them.
constexpr std::size_t kLeastOthers = 3;

// Reads one chosen cell as its column's kind wants it.
CellRead ReadChosen(
    const Table& table, std::size_t row, int column, TableNoticeKind& why, double& value) {
  const std::string_view cell = table.Cells.Cell(row, column);
  if (IsMissingCell(cell)) return CellRead::Missing;
  if (table.Columns[column].Kind == ColumnKind::Date) {
    why = TableNoticeKind::NotADate;
    return ReadColumnDate(table.Columns[column], cell, value) ? CellRead::Value
                                                              : CellRead::Unreadable;
  }
  why = TableNoticeKind::NotANumber;
  return ReadCellNumber(cell, table.DecimalMark, value) ? CellRead::Value : CellRead::Unreadable;
}

// Counts a row left out for an unreadable cell and keeps its notice; false, for TakeRow.
bool Note(
    const Table& table, std::size_t row, int column, TableNoticeKind kind, TableSeries& series) {
  ++series.UnreadableRows;
  if (series.Notices.size() < kMaxTableNotices) {
    series.Notices.push_back(
        {kind, table.Cells.RowLine[row], column, std::string(table.Cells.Cell(row, column))});
  }
  return false;
}

// Reads the row's chosen cells (x, y, sigma, x's month, day and hour) into values, noting
// whether one is missing; false when one is unreadable (its notice kept).
bool ReadRowCells(const Table& table,
                  std::size_t row,
                  const TableSelection& selection,
                  double* values,
                  bool& missing,
                  TableSeries& series) {
  const DateParts& parts = selection.XParts;
  const int chosen[6] = {
      selection.X, selection.Y, selection.Sigma, parts.Month, parts.Day, parts.Hour};
  for (int i = 0; i < 6; ++i) {
    if (chosen[i] < 0) continue;
    TableNoticeKind why = TableNoticeKind::NotANumber;
    const CellRead read = ReadChosen(table, row, chosen[i], why, values[i]);
    if (read == CellRead::Unreadable) return Note(table, row, chosen[i], why, series);
    if (read == CellRead::Value && i == 2 && !(values[i] > 0)) {
      return Note(table, row, chosen[i], TableNoticeKind::SigmaNotPositive, series);
    }
    missing = missing || read == CellRead::Missing;
  }
  return true;
}

// The row's time of day from the time column, where there is one; false when it is no time
// (its notice kept).
bool ReadRowTime(const Table& table,
                 std::size_t row,
                 const TableSelection& selection,
                 double& time,
                 bool& missing,
                 TableSeries& series) {
  if (selection.XTime < 0) return true;
  const std::string_view cell = table.Cells.Cell(row, selection.XTime);
  if (!IsMissingCell(cell) && !ReadTimeOfDay(cell, time)) {
    return Note(table, row, selection.XTime, TableNoticeKind::NotADate, series);
  }
  missing = missing || IsMissingCell(cell);
  return true;
}

// The year in values[0] joined with the month and day into a day number there; false when
// they make no date or the hour in values[5] is no whole hour of a day.
bool JoinDateParts(double* values) {
  return DateOfParts(values[0], values[3], values[4], values[0]) &&
         (values[5] >= 0 && values[5] <= 23 && values[5] == std::floor(values[5]));
}

// Takes one row into series, or counts why it is left out; true when taken. A month from 1 to
// 12 (a table of months side by side) joins the year in X as XMonth's cell would.
bool TakeRow(const Table& table,
             std::size_t row,
             const TableSelection& selection,
             TableSeries& series,
             int month = 0) {
  double values[6] = {0, 0, 1, static_cast<double>(month), 1, 0};
  bool missing = false;
  if (!ReadRowCells(table, row, selection, values, missing, series)) return false;
  double time = 0;
  if (!ReadRowTime(table, row, selection, time, missing, series)) return false;
  if (missing) {
    ++series.MissingRows;
    return false;
  }
  const bool joined = selection.XParts.Month >= 0 || month > 0;
  if (joined && !JoinDateParts(values)) {
    return Note(table, row, selection.X, TableNoticeKind::NotADate, series);
  }
  values[0] += time + values[5] / 24;
  if (joined && series.X.empty()) series.XOrigin = std::floor(values[0]);
  series.X.push_back(series.XIsDate ? values[0] - series.XOrigin : values[0]);
  series.Y.push_back(values[1]);
  if (selection.Sigma >= 0) series.Sigma.push_back(values[2]);
  return true;
}

// The codes archives write for a missing value.
constexpr double kMissingCodes[] = {-9,      -9.9,   -9.99,  -99,        -99.9,
                                    -99.99,  -999,   -999.9, -999.99,    -9999,
                                    -9999.9, -99999, 999,    999.9,      9999,
                                    99999,   -32767, -32768, 32767,      1e20,
                                    -1e20,   1e30,   -1e30,  9.96921e36, 9.969209968386869e36};

bool IsMissingCode(double v) {
  return std::find(std::begin(kMissingCodes), std::end(kMissingCodes), v) !=
         std::end(kMissingCodes);
}

// Leaves out the rows whose y is a missing-value code far outside the other values (see
// SelectColumns); rows[i] is the table row of pair i.
void LeaveOutCodes(const Table& table,
                   const std::vector<std::pair<std::size_t, int>>& cells,
                   TableSeries& series) {
  double low = std::numeric_limits<double>::infinity(), high = -low;
  std::size_t others = 0;
  for (const double y : series.Y) {
    if (IsMissingCode(y)) continue;
    low = std::min(low, y), high = std::max(high, y);
    ++others;
  }
  const double reach = high - low;
  const auto coded = [&](double y) {
    return others >= kLeastOthers && IsMissingCode(y) && (y < low - reach || y > high + reach);
  };
  std::size_t kept = 0;
  for (std::size_t i = 0; i < series.Y.size(); ++i) {
    if (!coded(series.Y[i])) {
      series.X[kept] = series.X[i], series.Y[kept] = series.Y[i];
      if (!series.Sigma.empty()) series.Sigma[kept] = series.Sigma[i];
      ++kept;
      continue;
    }
    ++series.CodedRows;
    const auto [row, column] = cells[i];
    const std::string token(table.Cells.Cell(row, column));
    auto code = std::find_if(series.Codes.begin(), series.Codes.end(), [&](const TableCode& c) {
      return c.Token == token;
    });
    if (code == series.Codes.end()) {
      code = series.Codes.insert(series.Codes.end(), {token, 0, table.Cells.RowLine[row], column});
    }
    ++code->Rows;
  }
  series.X.resize(kept), series.Y.resize(kept);
  if (!series.Sigma.empty()) series.Sigma.resize(kept);
}

}  // namespace

namespace {

// Whether any chosen column cannot be read as a series (the fault set in series), checked in
// the order the notices name them: the months, x, y, sigma, then x's parts.
bool RefusesAnyColumn(const Table& table,
                      const TableSelection& selection,
                      int months,
                      TableSeries& series) {
  for (int m = 0; m < months; ++m) {
    if (Refuse(table, selection.WideMonths + m, false, series)) return true;
  }
  const auto refuse = [&](int column) {
    return column >= 0 && Refuse(table, column, false, series);
  };
  return Refuse(table, selection.X, selection.DatesAsDays, series) ||
         (months == 0 && Refuse(table, selection.Y, false, series)) || refuse(selection.Sigma) ||
         refuse(selection.XParts.Month) || refuse(selection.XParts.Day) ||
         refuse(selection.XParts.Hour);
}

// What x is: a date (its origin), times of day.
void DescribeX(const Table& table,
               const TableSelection& selection,
               int months,
               TableSeries& series) {
  series.XIsDate = table.Columns[selection.X].Kind == ColumnKind::Date;
  if (series.XIsDate) series.XOrigin = DateOrigin(table, selection.X);
  series.XTimesOfDay = table.Columns[selection.X].TimesOfDay;
  if (selection.XParts.Month >= 0 || months > 0) series.XIsDate = true;
}

// Every data row's pairs (one per month of a wide table) into series, with the row and y
// column of each in cells.
void TakeRows(const Table& table,
              const TableSelection& selection,
              int months,
              TableSeries& series,
              std::vector<std::pair<std::size_t, int>>& cells) {
  for (std::size_t r = table.FirstDataRow(); r < table.Cells.Rows(); ++r) {
    if (months == 0 && TakeRow(table, r, selection, series)) cells.emplace_back(r, selection.Y);
    for (int m = 0; m < months; ++m) {
      TableSelection one = selection;
      one.Y = selection.WideMonths + m;
      one.Sigma = -1;
      if (TakeRow(table, r, one, series, m + 1)) cells.emplace_back(r, one.Y);
    }
  }
}

}  // namespace

TableSeries SelectColumns(const Table& table, const TableSelection& selection) {
  TableSeries series;
  if (table.Fault != TableFault::None) {
    series.Fault = table.Fault;
    return series;
  }
  const int months = selection.WideMonths >= 0 ? 12 : 0;
  if (RefusesAnyColumn(table, selection, months, series)) return series;
  DescribeX(table, selection, months, series);
  std::vector<std::pair<std::size_t, int>> cells;  // the row and y column of each pair
  // Room for every row at once: grown by doubling, each vector would hold twice its size while
  // it is copied (10^7 rows: 160 MB of x and y).
  const std::size_t pairs = table.DataRows() * (months > 0 ? months : 1);
  series.X.reserve(pairs), series.Y.reserve(pairs), cells.reserve(pairs);
  if (selection.Sigma >= 0) series.Sigma.reserve(pairs);
  TakeRows(table, selection, months, series, cells);
  LeaveOutCodes(table, cells, series);
  return series;
}

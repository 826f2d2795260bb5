#include "data/table_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
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
  table.Cells = SplitTable(text.Utf8, table.Separator);
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

Table ReadTableFile(const std::string& path, const TableOptions& options) {
  std::error_code error;
  std::string bytes;
  if (std::filesystem::is_regular_file(path, error)) {
    std::ifstream file(path, std::ios::binary);
    bytes.resize(std::filesystem::file_size(path, error));
    if (!error && file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
      return ReadTable(bytes, options);
    }
  }
  Table table;
  table.Fault = TableFault::CannotOpen;
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

// The numbers of column c in row order, cells of no number left out (as their rows are); false
// where the column holds none.
bool ColumnNumbers(const Table& table, int c, std::vector<double>& values) {
  values.clear();
  if (table.Columns[c].Kind != ColumnKind::Numeric) return false;
  double value = 0;
  for (std::size_t r = table.FirstDataRow(); r < table.Cells.Rows(); ++r) {
    if (ReadCellNumber(table.Cells.Cell(r, c), table.DecimalMark, value)) values.push_back(value);
  }
  return !values.empty();
}

bool ReadColumnDate(const TableColumn& column, std::string_view cell, double& days) {
  if (column.OrderedDates && ReadOrderedDate(cell, column.DayFirst, days)) return true;
  return column.DateCodes ? ReadDateCode(cell, days) : ReadTableDate(cell, days);
}

bool IsWhole(double v) { return v == std::floor(v); }

// Whether columns year and month hold a calendar month split in two, as NOAA's, SILSO's and
// Berkeley Earth's monthly tables write it: whole years in order, each on several rows, and
// months 1 to 12.
bool YearAndMonth(const Table& table, int year, int month) {
  std::vector<double> years, months;
  if (!ColumnNumbers(table, year, years) || !ColumnNumbers(table, month, months) ||
      years.size() != months.size() || years.size() < 3) {
    return false;
  }
  bool repeated = false;
  for (std::size_t i = 0; i < years.size(); ++i) {
    if (!IsWhole(years[i]) || !IsWhole(months[i]) || months[i] < 1 || months[i] > 12) return false;
    if (i > 0 && years[i] < years[i - 1]) return false;
    repeated = repeated || (i > 0 && years[i] == years[i - 1]);
  }
  return repeated;
}

// Whether column c holds each row's year with its fraction (1958.2027 beside 1958), increasing:
// the decimal year NOAA and SILSO write after the year and the month.
bool DecimalYears(const Table& table, int year, int c) {
  std::vector<double> years, values;
  if (!ColumnNumbers(table, year, years) || !ColumnNumbers(table, c, values) ||
      values.size() != years.size()) {
    return false;
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!(values[i] >= years[i] && values[i] < years[i] + 1)) return false;
    if (i > 0 && !(values[i] > values[i - 1])) return false;
  }
  return true;
}

// Whether column c numbers rows: whole numbers in increasing order (0, 1, 2, ... as pandas'
// default index, with gaps where rows were filtered out; 1, 2, 3, ... as R's row names).
bool RowNumbers(const Table& table, int c) {
  std::vector<double> values;
  if (!ColumnNumbers(table, c, values)) return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!IsWhole(values[i]) || (i > 0 && !(values[i] > values[i - 1]))) return false;
  }
  return true;
}

// Whether column c holds one number in every row (three or more): a station's index, a
// constant flag. It can be neither x nor y: weather archives put the station's index first
// (Index;Year;Month;Day;...), and x was taken from it.
bool OneValue(const Table& table, int c) {
  std::vector<double> values;
  return ColumnNumbers(table, c, values) && values.size() >= 3 &&
         std::all_of(values.begin(), values.end(), [&](double v) { return v == values[0]; });
}

// The columns of numbers or dates (readable or not) but those of one value, after a nameless
// first column of row numbers, the index pandas and R write. A nameless first column of dates or
// times is pandas' DatetimeIndex or a time index: x.
std::vector<int> UsableColumns(const Table& table) {
  std::vector<int> usable;
  for (int c = 0; c < static_cast<int>(table.Columns.size()); ++c) {
    const ColumnKind kind = table.Columns[c].Kind;
    // A column of dates that cannot be read is still a likely x: refused with its reason
    // rather than passed over for the next columns, which would fit the wrong ones in silence.
    if (kind == ColumnKind::Numeric || kind == ColumnKind::Date || kind == ColumnKind::LocalDate) {
      usable.push_back(c);
    }
  }
  if (usable.size() > 2 && usable[0] == 0 && table.HasHeader && table.Columns[0].Name.empty() &&
      RowNumbers(table, 0)) {
    usable.erase(usable.begin());
  }
  // Columns of one value are passed over, but the parts of a date over columns (a year and month
  // of a month's rows), which the leading ones stop at.
  while (usable.size() > 2 && OneValue(table, usable[0]) &&
         !YearAndMonth(table, usable[0], usable[1])) {
    usable.erase(usable.begin());
  }
  const auto parts = static_cast<std::ptrdiff_t>(std::min<std::size_t>(
      usable.size() > 1 && YearAndMonth(table, usable[0], usable[1]) ? 3 : 1, usable.size()));
  usable.erase(std::remove_if(
                   usable.begin() + parts, usable.end(), [&](int c) { return OneValue(table, c); }),
               usable.end());
  return usable;
}

// Whether column c holds days of the month beside a year and month (rows of them): whole, 1 to
// 31, some past 12 (else it may be a flag or a count).
bool DaysOfMonth(const Table& table, int c, std::size_t rows) {
  std::vector<double> days;
  if (!ColumnNumbers(table, c, days) || days.size() != rows) return false;
  bool past12 = false;
  for (const double d : days) {
    if (!IsWhole(d) || d < 1 || d > 31) return false;
    past12 = past12 || d > 12;
  }
  return past12;
}

// Whether column c holds hours beside a day (rows of them): whole, 0 to 23, not all 0.
bool Hours(const Table& table, int c, std::size_t rows) {
  std::vector<double> hours;
  if (!ColumnNumbers(table, c, hours) || hours.size() != rows) return false;
  const auto hour = [](double h) { return IsWhole(h) && h >= 0 && h <= 23; };
  return std::all_of(hours.begin(), hours.end(), hour) &&
         std::any_of(hours.begin(), hours.end(), [](double h) { return h > 0; });
}

// How the first usable columns split a date: a year and a month, then maybe a day. With a
// decimal year right after them, that one is x and the parts are passed over (the count
// returned); without, x is the year and parts says how many columns the date takes (2 to 4,
// with a day and an hour). 0
// and 0 where the first columns are no such split.
std::size_t CalendarParts(const Table& table, const std::vector<int>& usable, std::size_t& parts) {
  parts = 0;
  if (usable.size() < 3 || !YearAndMonth(table, usable[0], usable[1])) return 0;
  for (std::size_t k = 2; k < std::min<std::size_t>(usable.size() - 1, 4); ++k) {
    if (DecimalYears(table, usable[0], usable[k])) return k;
  }
  std::vector<double> years;
  ColumnNumbers(table, usable[0], years);
  parts = usable.size() > 3 && DaysOfMonth(table, usable[2], years.size()) ? 3 : 2;
  if (parts == 3 && usable.size() > 4 && Hours(table, usable[3], years.size())) parts = 4;
  return 0;
}

}  // namespace

std::pair<int, int> LikelyColumns(const Table& table, int x, int y) {
  std::vector<int> usable = UsableColumns(table);
  std::size_t parts = 0;
  if (x < 0) {
    const std::size_t passed = CalendarParts(table, usable, parts);
    usable.erase(usable.begin(), usable.begin() + static_cast<std::ptrdiff_t>(passed));
    if (parts > 0) {
      x = usable[0];
      usable.erase(usable.begin(), usable.begin() + static_cast<std::ptrdiff_t>(parts));
    }
  }
  for (const int c : usable) {
    if (x < 0 && c != y) {
      x = c;
    } else if (y < 0 && c != x) {
      y = c;
    }
  }
  return {x, y};
}

namespace {

// The month (1 to 12) a column's name stands for: English or Russian, short or whole, in the
// cases headers write them; 0 for none.
int MonthOfName(std::string_view name) {
  static constexpr std::string_view kNames[][6] = {
      {"jan", "january", "янв", "январь", "Янв", "Январь"},
      {"feb", "february", "фев", "февраль", "Фев", "Февраль"},
      {"mar", "march", "мар", "март", "Мар", "Март"},
      {"apr", "april", "апр", "апрель", "Апр", "Апрель"},
      {"may", "may", "май", "май", "Май", "Май"},
      {"jun", "june", "июн", "июнь", "Июн", "Июнь"},
      {"jul", "july", "июл", "июль", "Июл", "Июль"},
      {"aug", "august", "авг", "август", "Авг", "Август"},
      {"sep", "september", "сен", "сентябрь", "Сен", "Сентябрь"},
      {"oct", "october", "окт", "октябрь", "Окт", "Октябрь"},
      {"nov", "november", "ноя", "ноябрь", "Ноя", "Ноябрь"},
      {"dec", "december", "дек", "декабрь", "Дек", "Декабрь"},
  };
  std::string lower(name);
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  for (int m = 0; m < 12; ++m) {
    for (const std::string_view known : kNames[m]) {
      if (lower == known || name == known) return m + 1;
    }
  }
  return 0;
}

}  // namespace

int LikelyMonthColumns(const Table& table, int x) {
  const int first = x + 1;
  if (!table.HasHeader || x < 0 || first + 12 > static_cast<int>(table.Columns.size())) return -1;
  for (int m = 0; m < 12; ++m) {
    const TableColumn& column = table.Columns[first + m];
    if (MonthOfName(column.Name) != m + 1 || column.Kind != ColumnKind::Numeric) return -1;
  }
  std::vector<double> years;
  if (!ColumnNumbers(table, x, years)) return -1;
  for (std::size_t i = 0; i < years.size(); ++i) {
    if (!IsWhole(years[i]) || (i > 0 && !(years[i] > years[i - 1]))) return -1;
  }
  return first;
}

int LikelyTimeColumn(const Table& table, int x) {
  const int next = x + 1;
  if (x < 0 || next >= static_cast<int>(table.Columns.size()) ||
      table.Columns[x].Kind != ColumnKind::Date || table.Columns[x].DateCodes) {
    return -1;
  }
  std::size_t times = 0, filled = 0;
  double value = 0;
  for (std::size_t r = table.FirstDataRow(); r < table.Cells.Rows(); ++r) {
    // A date with a time of its own already says when.
    if (ReadColumnDate(table.Columns[x], table.Cells.Cell(r, x), value) &&
        value != std::floor(value)) {
      return -1;
    }
    const std::string_view cell = table.Cells.Cell(r, next);
    if (IsMissingCell(cell)) continue;
    ++filled;
    times += ReadTimeOfDay(cell, value) ? 1 : 0;
  }
  return filled > 0 && 2 * times > filled ? next : -1;
}

DateParts LikelyDateParts(const Table& table, int x) {
  const std::vector<int> usable = UsableColumns(table);
  std::size_t parts = 0;
  CalendarParts(table, usable, parts);
  if (parts == 0 || usable[0] != x) return {};
  return {usable[1], parts >= 3 ? usable[2] : -1, parts >= 4 ? usable[3] : -1};
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

// Takes one row into series, or counts why it is left out; true when taken. A month from 1 to
// 12 (a table of months side by side) joins the year in X as XMonth's cell would.
bool TakeRow(const Table& table,
             std::size_t row,
             const TableSelection& selection,
             TableSeries& series,
             int month = 0) {
  const DateParts& parts = selection.XParts;
  const int chosen[6] = {
      selection.X, selection.Y, selection.Sigma, parts.Month, parts.Day, parts.Hour};
  double values[6] = {0, 0, 1, static_cast<double>(month), 1, 0};
  bool missing = false;
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
  double time = 0;
  if (selection.XTime >= 0) {
    const std::string_view cell = table.Cells.Cell(row, selection.XTime);
    if (!IsMissingCell(cell) && !ReadTimeOfDay(cell, time)) {
      return Note(table, row, selection.XTime, TableNoticeKind::NotADate, series);
    }
    missing = missing || IsMissingCell(cell);
  }
  if (missing) {
    ++series.MissingRows;
    return false;
  }
  const bool joined = parts.Month >= 0 || month > 0;
  if (joined && (!DateOfParts(values[0], values[3], values[4], values[0]) ||
                 !(values[5] >= 0 && values[5] <= 23 && values[5] == std::floor(values[5])))) {
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

TableSeries SelectColumns(const Table& table, const TableSelection& selection) {
  TableSeries series;
  if (table.Fault != TableFault::None) {
    series.Fault = table.Fault;
    return series;
  }
  const int months = selection.WideMonths >= 0 ? 12 : 0;
  for (int m = 0; m < months; ++m) {
    if (Refuse(table, selection.WideMonths + m, false, series)) return series;
  }
  if (Refuse(table, selection.X, selection.DatesAsDays, series) ||
      (months == 0 && Refuse(table, selection.Y, false, series)) ||
      (selection.Sigma >= 0 && Refuse(table, selection.Sigma, false, series)) ||
      (selection.XParts.Month >= 0 && Refuse(table, selection.XParts.Month, false, series)) ||
      (selection.XParts.Day >= 0 && Refuse(table, selection.XParts.Day, false, series)) ||
      (selection.XParts.Hour >= 0 && Refuse(table, selection.XParts.Hour, false, series))) {
    return series;
  }
  series.XIsDate = table.Columns[selection.X].Kind == ColumnKind::Date;
  if (series.XIsDate) series.XOrigin = DateOrigin(table, selection.X);
  if (selection.XParts.Month >= 0 || months > 0) series.XIsDate = true;
  std::vector<std::pair<std::size_t, int>> cells;  // the row and y column of each pair
  for (std::size_t r = table.FirstDataRow(); r < table.Cells.Rows(); ++r) {
    if (months == 0 && TakeRow(table, r, selection, series)) cells.emplace_back(r, selection.Y);
    for (int m = 0; m < months; ++m) {
      TableSelection one = selection;
      one.Y = selection.WideMonths + m;
      one.Sigma = -1;
      if (TakeRow(table, r, one, series, m + 1)) cells.emplace_back(r, one.Y);
    }
  }
  LeaveOutCodes(table, cells, series);
  return series;
}

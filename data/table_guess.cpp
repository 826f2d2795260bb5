#include "data/table_guess.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "data/table_values.h"

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
  // Columns of one value are passed over while two others are left, but the parts of a date over
  // columns (a year and month of a month's rows), which the leading ones stop at. (A table of x
  // and a constant y keeps both: its fit says what is wrong, "no two columns" would not.)
  while (usable.size() > 2 && OneValue(table, usable[0]) &&
         !YearAndMonth(table, usable[0], usable[1])) {
    usable.erase(usable.begin());
  }
  const auto parts = static_cast<std::ptrdiff_t>(std::min<std::size_t>(
      usable.size() > 1 && YearAndMonth(table, usable[0], usable[1]) ? 3 : 1, usable.size()));
  std::vector<int> varied(usable.begin(), usable.begin() + parts);
  std::copy_if(usable.begin() + parts, usable.end(), std::back_inserter(varied), [&](int c) {
    return !OneValue(table, c);
  });
  return varied.size() >= 2 ? varied : usable;
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

// Whether column c holds the hours of the days in column day (rows of them): whole, 0 to 23,
// and a day on several rows at different hours; a daily table's whole numbers (a count, rain in
// millimetres) have one row a day.
bool Hours(const Table& table, int day, int c, std::size_t rows) {
  std::vector<double> days, hours;
  if (!ColumnNumbers(table, day, days) || !ColumnNumbers(table, c, hours) || hours.size() != rows ||
      days.size() != rows) {
    return false;
  }
  bool sameDay = false;
  for (std::size_t i = 0; i < rows; ++i) {
    if (!IsWhole(hours[i]) || hours[i] < 0 || hours[i] > 23) return false;
    sameDay = sameDay || (i > 0 && days[i] == days[i - 1] && hours[i] != hours[i - 1]);
  }
  return sameDay;
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
  if (parts == 3 && usable.size() > 4 && Hours(table, usable[2], usable[3], years.size())) {
    parts = 4;
  }
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

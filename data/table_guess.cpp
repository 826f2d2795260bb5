#include "data/table_guess.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "data/table_values.h"

namespace {

// Each column's numbers in row order, cells of no number left out (as their rows are), read once
// for all the questions asked of the table: the guesses ask about the same columns many times.
class ColumnNumbers {
 public:
  explicit ColumnNumbers(const Table& table)
      : table_(table), read_(table.Columns.size(), false), values_(table.Columns.size()) {}

  const Table& Source() const { return table_; }

  // Column c's numbers; empty where it holds none.
  const std::vector<double>& Of(int c) {
    const auto k = static_cast<std::size_t>(c);
    if (read_[k]) return values_[k];
    read_[k] = true;
    if (table_.Columns[k].Kind != ColumnKind::Numeric) return values_[k];
    double value = 0;
    for (std::size_t r = table_.FirstDataRow(); r < table_.Cells.Rows(); ++r) {
      if (ReadCellNumber(table_.Cells.Cell(r, c), table_.DecimalMark, value)) {
        values_[k].push_back(value);
      }
    }
    return values_[k];
  }

 private:
  const Table& table_;
  std::vector<bool> read_;
  std::vector<std::vector<double>> values_;
};

bool IsWhole(double v) { return v == std::floor(v); }

// Whether columns year and month hold a calendar month split in two, as NOAA's, SILSO's and
// Berkeley Earth's monthly tables write it: whole years in order, each on several rows, and
// months 1 to 12.
bool YearAndMonth(ColumnNumbers& numbers, int year, int month) {
  const std::vector<double>& years = numbers.Of(year);
  const std::vector<double>& months = numbers.Of(month);
  if (years.size() != months.size() || years.size() < 3) return false;
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
bool DecimalYears(ColumnNumbers& numbers, int year, int c) {
  const std::vector<double>& years = numbers.Of(year);
  const std::vector<double>& values = numbers.Of(c);
  if (values.empty() || values.size() != years.size()) return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!(values[i] >= years[i] && values[i] < years[i] + 1)) return false;
    if (i > 0 && !(values[i] > values[i - 1])) return false;
  }
  return true;
}

// Whether column c numbers rows: whole numbers in increasing order (0, 1, 2, ... as pandas'
// default index, with gaps where rows were filtered out; 1, 2, 3, ... as R's row names).
bool RowNumbers(ColumnNumbers& numbers, int c) {
  const std::vector<double>& values = numbers.Of(c);
  if (values.empty()) return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!IsWhole(values[i]) || (i > 0 && !(values[i] > values[i - 1]))) return false;
  }
  return true;
}

// Whether column c holds one number in every row (three or more): a station's index, a
// constant flag. It can be neither x nor y: weather archives put the station's index first
// (Index;Year;Month;Day;...), and x was taken from it.
bool OneValue(ColumnNumbers& numbers, int c) {
  const std::vector<double>& values = numbers.Of(c);
  return values.size() >= 3 &&
         std::all_of(values.begin(), values.end(), [&](double v) { return v == values[0]; });
}

// The columns of numbers or dates. A column of dates that cannot be read is still a likely x:
// refused with its reason rather than passed over for the next columns, which would fit the
// wrong ones in silence.
std::vector<int> NumberOrDateColumns(const Table& table) {
  std::vector<int> usable;
  for (int c = 0; c < static_cast<int>(table.Columns.size()); ++c) {
    const ColumnKind kind = table.Columns[c].Kind;
    if (kind == ColumnKind::Numeric || kind == ColumnKind::Date || kind == ColumnKind::LocalDate) {
      usable.push_back(c);
    }
  }
  return usable;
}

// The columns of numbers or dates (readable or not) but those of one value, after a nameless
// first column of row numbers, the index pandas and R write. A nameless first column of dates or
// times is pandas' DatetimeIndex or a time index: x.
std::vector<int> UsableColumns(ColumnNumbers& numbers) {
  const Table& table = numbers.Source();
  std::vector<int> usable = NumberOrDateColumns(table);
  if (usable.size() > 2 && usable[0] == 0 && table.HasHeader && table.Columns[0].Name.empty() &&
      RowNumbers(numbers, 0)) {
    usable.erase(usable.begin());
  }
  // Columns of one value are passed over while two others are left, but the parts of a date over
  // columns (a year and month of a month's rows), which the leading ones stop at. (A table of x
  // and a constant y keeps both: its fit says what is wrong, "no two columns" would not.)
  while (usable.size() > 2 && OneValue(numbers, usable[0]) &&
         !YearAndMonth(numbers, usable[0], usable[1])) {
    usable.erase(usable.begin());
  }
  const auto parts = static_cast<std::ptrdiff_t>(std::min<std::size_t>(
      usable.size() > 1 && YearAndMonth(numbers, usable[0], usable[1]) ? 3 : 1, usable.size()));
  std::vector<int> varied(usable.begin(), usable.begin() + parts);
  std::copy_if(usable.begin() + parts, usable.end(), std::back_inserter(varied), [&](int c) {
    return !OneValue(numbers, c);
  });
  return varied.size() >= 2 ? varied : usable;
}

// Whether column c holds days of the month beside a year and month (rows of them): whole, 1 to
// 31, some past 12 (else it may be a flag or a count).
bool DaysOfMonth(ColumnNumbers& numbers, int c, std::size_t rows) {
  const std::vector<double>& days = numbers.Of(c);
  if (days.size() != rows) return false;
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
bool Hours(ColumnNumbers& numbers, int day, int c, std::size_t rows) {
  const std::vector<double>& days = numbers.Of(day);
  const std::vector<double>& hours = numbers.Of(c);
  if (hours.size() != rows || days.size() != rows) return false;
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
std::size_t CalendarParts(ColumnNumbers& numbers,
                          const std::vector<int>& usable,
                          std::size_t& parts) {
  parts = 0;
  if (usable.size() < 3 || !YearAndMonth(numbers, usable[0], usable[1])) return 0;
  for (std::size_t k = 2; k < std::min<std::size_t>(usable.size() - 1, 4); ++k) {
    if (DecimalYears(numbers, usable[0], usable[k])) return k;
  }
  const std::size_t rows = numbers.Of(usable[0]).size();
  parts = usable.size() > 3 && DaysOfMonth(numbers, usable[2], rows) ? 3 : 2;
  if (parts == 3 && usable.size() > 4 && Hours(numbers, usable[2], usable[3], rows)) {
    parts = 4;
  }
  return 0;
}

}  // namespace

std::pair<int, int> LikelyColumns(const Table& table, int x, int y) {
  ColumnNumbers numbers(table);
  std::vector<int> usable = UsableColumns(numbers);
  std::size_t parts = 0;
  if (x < 0) {
    const std::size_t passed = CalendarParts(numbers, usable, parts);
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
  ColumnNumbers numbers(table);
  const std::vector<double>& years = numbers.Of(x);
  if (years.empty()) return -1;
  for (std::size_t i = 0; i < years.size(); ++i) {
    if (!IsWhole(years[i]) || (i > 0 && !(years[i] > years[i - 1]))) return -1;
  }
  return first;
}

int LikelyTimeColumn(const Table& table, int x) {
  const int next = x + 1;
  if (x < 0 || next >= static_cast<int>(table.Columns.size()) ||
      table.Columns[x].Kind != ColumnKind::Date || table.Columns[x].DateCodes ||
      table.Columns[x].TimesOfDay) {
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
  ColumnNumbers numbers(table);
  const std::vector<int> usable = UsableColumns(numbers);
  std::size_t parts = 0;
  CalendarParts(numbers, usable, parts);
  if (parts == 0 || usable[0] != x) return {};
  return {usable[1], parts >= 3 ? usable[2] : -1, parts >= 4 ? usable[3] : -1};
}

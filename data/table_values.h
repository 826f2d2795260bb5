#pragma once

#include <string_view>

// What one table cell holds, read on its own.
enum class CellKind {
  Missing,    // empty, NA, N/A, #N/A, NaN, NULL, *** (GISTEMP): no value, the row is left out
  Number,     // a finite decimal number, the whole cell
  Date,       // an ISO 8601 date or date-time, or a day-first date with dots (01.03.2024)
  LocalDate,  // a date written another way (3/1/2024, 01.03.24): never taken for a number
  Text,
};

// Whether the cell stands for a missing value as R, pandas, Excel and databases write it.
bool IsMissingCell(std::string_view cell);

// Reads the whole cell as a finite number: an optional sign ('+', '-' or the minus sign U+2212),
// digits with at most one decimal mark (decimalMark, '.' or ','), thousands grouped as spreadsheets
// write them (Ungrouped in the source), an optional exponent (1e-3, 2,5E+04, Fortran's 1.5D+03),
// and a percent sign as a cell formatted as a percentage shows it (12.5% is 12.5). False for
// anything else: a grouping that is not regular, a second mark, a date, inf, or a value beyond the
// doubles.
bool ReadCellNumber(std::string_view cell, char decimalMark, double& value);

// Reads the whole cell as an ISO 8601 date (2024-03-01), month (2024-03, its first day, as
// pandas reads it; monthly series are written so) or date-time (2024-03-01T12:00,
// 2024-03-01 12:00:30.5, with an optional Z, +03:00, +0300 or " UTC") into days since
// 1970-01-01 00:00. A time
// with a zone is converted to UTC; one without is taken as written. False for anything else,
// including an impossible day such as 2023-02-29.
bool ReadIsoDate(std::string_view cell, double& days);

// Reads the whole cell as a day-first date with dots and a four-digit year, as spreadsheets in
// Russia and most of Europe write it (01.03.2024, 1.3.2024, 01.03.2024 8:15, 01.03.2024
// 08:15:30) into days since 1970-01-01 00:00, the time taken as written. Dots put the day first
// wherever they join a date after it, and the year first where it leads (2024.03.01); slashes do
// not say which comes first, and are left to LooksLikeLocalDate's refusal.
bool ReadDottedDate(std::string_view cell, double& days);

// Reads the whole cell as a date written as an integer, YYYYMM (its first day) or YYYYMMDD, as
// NOAA's tables and many databases write it, into days since 1970-01-01. Only a column decides
// that its numbers are such dates (DescribeColumns): alone, 202403 is a number.
bool ReadDateCode(std::string_view cell, double& days);

// A date given as whole numbers (a year from 1000 to 9999, a month, a day) in days since
// 1970-01-01; false for anything else, such as 2023-02-29.
bool DateOfParts(double year, double month, double day, double& days);

// Reads the whole cell as a time of day, h:mm, hh:mm:ss or hh:mm:ss.fff, as loggers write it in
// a column of its own beside the date, into a fraction of a day.
bool ReadTimeOfDay(std::string_view cell, double& dayFraction);

// The order a date with slashes or dashes and a four-digit year shows (3/1/2024, 01-03-2024,
// 2024/03/01, each maybe with a time, 8:15, 8:15:30 or 8:15 PM): DayFirst where its first number
// passes 12, MonthFirst where its second does, YearFirst where the year leads, Either where
// nothing tells; None where it is no such date. A column decides (DescribeColumns).
enum class DateOrder { None, Either, DayFirst, MonthFirst, YearFirst };
DateOrder OrderShown(std::string_view cell);

// Reads such a date, day first or month first (a year first is always year, month, day), into
// days since 1970-01-01, its time taken as written.
bool ReadOrderedDate(std::string_view cell, bool dayFirst, double& days);

// The month (1 to 12) a word names: English or Russian, short or whole (Russian also in the
// genitive, as dates write it), maybe with a dot; 0 for none.
int MonthOfName(std::string_view name);

// Reads the whole cell as a month named by a word with a four-digit year ("1949 Jan", as R's
// tsibble writes months, "Jan-1949", "январь 2020": its first day), or such a date with a day
// ("15 января 2020", "Jan 15, 2020"), into days since 1970-01-01.
bool ReadNamedMonthDate(std::string_view cell, double& days);

// Reads the whole cell as a month written as numbers with a four-digit year, month first
// (03/2024, 3.2024, 03-2024, as spreadsheets format a month) or year first with a two-digit month
// (2024/03, 2024.03), into days since 1970-01-01 of its first day.
bool ReadNumericMonth(std::string_view cell, double& days);

// Reads the whole cell as a quarter with a four-digit year ("2024Q1" as pandas writes a quarterly
// period, "2024 Q1", "Q1-2024", "1 кв. 2024", "I квартал 2024") into days since 1970-01-01 of its
// first day.
bool ReadQuarter(std::string_view cell, double& days);

// ReadIsoDate, else ReadDottedDate, ReadNamedMonthDate, ReadNumericMonth or ReadQuarter: a date
// column's cells.
bool ReadTableDate(std::string_view cell, double& days);

// The kind of a cell, with decimalMark for its numbers.
CellKind ClassifyCell(std::string_view cell, char decimalMark);

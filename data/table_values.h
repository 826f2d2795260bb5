#pragma once

#include <string_view>

// What one table cell holds, read on its own.
enum class CellKind {
  Missing,    // empty, NA, N/A, #N/A, NaN, NULL: no value, the row is left out
  Number,     // a finite decimal number, the whole cell
  Date,       // an ISO 8601 date or date-time
  LocalDate,  // a date written another way (01.03.2024, 3/1/2024): never taken for a number
  Text,
};

// Whether the cell stands for a missing value as R, pandas, Excel and databases write it.
bool IsMissingCell(std::string_view cell);

// Reads the whole cell as a finite number: an optional sign, digits with at most one decimal
// mark (decimalMark, '.' or ','), an optional exponent (1e-3, 2,5E+04). False for anything else:
// a thousands separator, a second mark, a date, inf, or a value beyond the doubles.
bool ReadCellNumber(std::string_view cell, char decimalMark, double& value);

// Reads the whole cell as an ISO 8601 date (2024-03-01) or date-time (2024-03-01T12:00,
// 2024-03-01 12:00:30.5, with an optional Z or +03:00) into days since 1970-01-01 00:00. A time
// with a zone is converted to UTC; one without is taken as written. False for anything else,
// including an impossible day such as 2023-02-29.
bool ReadIsoDate(std::string_view cell, double& days);

// The kind of a cell, with decimalMark for its numbers.
CellKind ClassifyCell(std::string_view cell, char decimalMark);

#pragma once

#include <utility>

#include "data/table_reader.h"

// Which columns of a table a user most likely means when none are named: x and y, and the
// columns beside x that hold the rest of its date. The table dialog proposes them and
// harmora-fit --table takes them.

// The x and y columns a table most likely means: the first two columns of numbers or dates
// (readable or not: unreadable ones are then refused, not passed over), after a nameless first
// column of numbers, which is the row index pandas and R write. A
// column given (x or y >= 0) is kept and the other is the first such column besides it. -1
// where there is none.
// A monthly table whose first columns split the date (year, month, ...) gives x from them: a
// column of increasing numbers right after them (a decimal year, as NOAA and SILSO write it),
// else the year with its month, day and hour (LikelyDateParts), and y from the next column.
std::pair<int, int> LikelyColumns(const Table& table, int x = -1, int y = -1);

// The columns of months, days and hours beside x where LikelyColumns takes x as a year with
// them; all -1 else.
DateParts LikelyDateParts(const Table& table, int x);

// The column after x where x holds dates alone and it their times of day (2024-03-01 beside
// 12:30, as data loggers write them); else -1. Fitted without it, every reading of a day would
// share one x.
int LikelyTimeColumn(const Table& table, int x);

// The first of twelve columns named for the months in order (Jan ... Dec, янв ... дек, whole or
// short) right after x, a column of whole years in order, as GISTEMP and HadCET write a monthly
// series a year to a row; -1 where there are none.
int LikelyMonthColumns(const Table& table, int x);

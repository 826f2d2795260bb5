#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/table_cells.h"

// What a table's columns hold, decided from all their data cells: a column is numeric when most
// of its filled cells are numbers, and the others are then reported where they are read.
enum class ColumnKind { Numeric, Date, LocalDate, Text, Empty };

struct TableColumn {
  std::string Name;  // the header row's cell; empty without a header row
  ColumnKind Kind = ColumnKind::Empty;
  std::int64_t Numbers = 0, Dates = 0, Missing = 0, Others = 0;  // its data cells by kind
  // A Date column of integers written YYYYMM or YYYYMMDD (ReadDateCode), in order: its numbers
  // are counted as dates.
  bool DateCodes = false;
  // A Date column of dates with slashes or dashes whose order its cells tell (OrderShown): a day
  // past 12 somewhere in one place and never in the other. Where nothing tells, the column stays
  // LocalDate and is refused.
  bool OrderedDates = false, DayFirst = false;
  // A Date column of times of day alone (10:15, 10:15:30), in order within one day, as a
  // logger or a stopwatch writes them for a day's run: read as fractions of the day.
  bool TimesOfDay = false;
};

enum class TableChoice { Detect, Yes, No };

// Reads '.' as the decimal mark, or ',' where the cells show it: the mark most numbers use wins,
// and in a table split by commas only quoted numbers that cannot be read with thousands grouped
// by commas count for it.
char DetectDecimalMark(const TableCells& cells, char separator);

// Whether the first row names the columns: some cell of it is text over a column of numbers or
// dates.
bool DetectHeader(const TableCells& cells, char decimalMark);

// Reads a cell of a Date column as the column writes its dates (ISO, dotted, YYYYMM codes, or
// slashes in the column's order) into days since 1970-01-01.
bool ReadColumnDate(const TableColumn& column, std::string_view cell, double& days);

// The columns of the rows from firstRow on (names from row 0 when firstRow is 1, shifted one
// right where that row is one cell short, as R's write.table writes it), as many as the longest
// row has cells. A column of numbers that are all dates written YYYYMM or YYYYMMDD, at least
// three of them and never decreasing, is a column of dates: as x, 185001, 185002, ..., 185101
// would put December 89 units from January.
std::vector<TableColumn> DescribeColumns(const TableCells& cells,
                                         std::size_t firstRow,
                                         char decimalMark);

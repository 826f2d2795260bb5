#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/table_cells.h"
#include "data/table_columns.h"
#include "data/table_limits.h"
#include "data/table_text.h"

// The table reader: CSV, TSV or semicolon-separated text with or without a header row, for data
// sets larger and richer than the plain data file (any number of rows, named columns, missing
// values, dates). Every cell is read whole; a cell that is not what its column holds is reported
// with its line, never read as something else.

// How to read a table; each choice left at Detect is taken from the text.
struct TableOptions {
  char Separator = 0;  // 0: detect among tab, ';', ',', '|' and blanks (' ')
  TableChoice DecimalComma = TableChoice::Detect;
  TableChoice Header = TableChoice::Detect;
};

enum class TableFault {
  None,
  CannotOpen,    // the file cannot be opened or read
  NotAFile,      // the path names a directory, a pipe, a device or a socket (File.Kind)
  TooLarge,      // the file is larger than the limit (File.Bytes, File.Limit)
  NoMemory,      // the read is estimated to take more memory than is free (File.Estimate)
  NulBytes,      // NUL bytes and no UTF-16 byte order mark
  BadUtf16,      // a UTF-16 byte order mark, then no valid UTF-16
  OutOfMemory,   // the parser ran out of memory
  NoColumns,     // no separator splits the lines into two or more columns
  NoRows,        // no data row
  NoSuchColumn,  // a column asked for that the table has not
  TextColumn,    // a chosen column holds text (or nothing)
  LocalDate,     // a chosen column holds dates not written as ISO 8601
  DateColumn,    // a date column chosen for y or σ, or for x with dates refused
};

struct Table {
  TableFault Fault = TableFault::None;
  TableEncoding Encoding = TableEncoding::Utf8;
  char Separator = 0;
  char DecimalMark = '.';
  bool HasHeader = false;
  TableCells Cells;
  std::vector<TableColumn> Columns;
  TableFileFacts File;  // why a file was refused for what it is or its size

  std::size_t FirstDataRow() const { return HasHeader ? 1 : 0; }
  std::size_t DataRows() const { return Cells.Rows() - FirstDataRow(); }
};

// Reads a table held in memory.
Table ReadTable(std::string_view bytes, const TableOptions& options = {});

// Reads the table in the file at path in one pass, a piece at a time, never holding its text
// beside its cells (text that is no UTF-8, or UTF-16, is read whole and converted, as ReadTable
// does). Refuses at once a path that is no regular file (NotAFile), a file over limits.MaxBytes
// (TooLarge), one whose read is estimated from its first lines to take more memory than is free
// (NoMemory), and one it cannot read (CannotOpen); OutOfMemory when memory still runs out.
Table ReadTableFile(const std::string& path,
                    const TableOptions& options = {},
                    const TableFileLimits& limits = {});

// The rest of ReadTable once the table's Encoding and Separator are set and its text is split.
Table ReadTableCells(Table table, TableCells cells, const TableOptions& options);

// Reads a stream's bytes, already read, as ReadTable does under the same limits: TooLarge over
// limits.MaxBytes, NoMemory when its cells would not fit in the free memory.
Table ReadTableBytes(std::string_view bytes,
                     const TableOptions& options,
                     const TableFileLimits& limits);

// The column named name, or else numbered name (from 1); -1 when there is none.
int FindTableColumn(const Table& table, std::string_view name);

// The columns the x, y and σ values come from (indices from 0; Sigma -1 for none).
// The columns beside a column of years that hold the rest of each row's date; -1: none.
struct DateParts {
  int Month = -1, Day = -1, Hour = -1;
};

struct TableSelection {
  int X = -1, Y = -1, Sigma = -1;
  bool DatesAsDays = true;  // an x column of dates reads as days; false refuses it
  // With X a column of years, the columns of their months, days and hours (LikelyDateParts): x
  // is then each row's date and hour (without days, the month's first day), read as dates are.
  DateParts XParts = {};
  // With X a column of years, the first of twelve columns of months side by side
  // (LikelyMonthColumns): each of their cells is a pair, x its month's first day; Y and Sigma
  // are not read, and the counts of rows left out count such pairs.
  int WideMonths = -1;
  // With X a column of dates without times, the column of their times of day
  // (LikelyTimeColumn), added to them.
  int XTime = -1;
};

enum class TableNoticeKind { NotANumber, NotADate, SigmaNotPositive };

// A cell that left its row out.
struct TableNotice {
  TableNoticeKind Kind = TableNoticeKind::NotANumber;
  std::int64_t Line = 0;
  int Column = 0;
  std::string Token;
};

// Notices kept; the counts go on beyond them.
inline constexpr std::size_t kMaxTableNotices = 100;

// A value of y that stands for a missing one, as archives write them (-99.99, -999, 9999, 1e20):
// one of the usual codes, far outside the other values.
struct TableCode {
  std::string Token;           // the cell as written
  std::int64_t Rows = 0;       // rows left out for it
  std::int64_t FirstLine = 0;  // the line of the first
  int Column = 0;              // and its column
};

struct TableSeries {
  TableFault Fault = TableFault::None;
  int FaultColumn = -1;              // the column refused
  std::vector<double> X, Y, Sigma;   // the rows kept, in the table's order
  std::int64_t MissingRows = 0;      // left out for an empty, NA or NaN cell
  std::int64_t UnreadableRows = 0;   // left out for a cell its column cannot read
  std::int64_t CodedRows = 0;        // left out for a missing-value code in y
  std::vector<TableCode> Codes;      // those codes, in the order first met
  std::vector<TableNotice> Notices;  // the first kMaxTableNotices unreadable cells
  // An x column of dates reads as days since 00:00 of the date in its first data row; this is
  // that origin in days since 1970-01-01.
  bool XIsDate = false;
  double XOrigin = 0;
  // x was times of day without a date: days since 00:00 of that unnamed day (XOrigin 0).
  bool XTimesOfDay = false;

  std::int64_t DroppedRows() const { return MissingRows + UnreadableRows + CodedRows; }
};

// The chosen columns' values, row by row, leaving out every row where one of them is missing or
// unreadable, or where y holds a missing-value code: one of the codes archives write (-9.99,
// -99.99, -999, 9999, -32768, 1e20, ...) lying farther outside the range of the other values of y
// than that range is wide. Fitted, one -99.99 among CO2 values of 310 to 420 bends every
// harmonic.
TableSeries SelectColumns(const Table& table, const TableSelection& selection);

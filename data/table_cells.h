#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The cells of a delimited text table (RFC 4180: quoted fields may hold the separator, quotes
// doubled, line ends), split by libcsv. Blank lines and lines of empty cells are left out; every
// row keeps the line it starts on.
struct TableCells {
  std::string Bytes;                  // every cell's text back to back, quotes removed
  std::vector<std::size_t> CellEnd;   // where each cell ends in Bytes
  std::vector<std::size_t> RowEnd;    // where each row ends in CellEnd
  std::vector<std::int64_t> RowLine;  // the 1-based line each row starts on
  bool OutOfMemory = false;           // the parser could not grow its buffer

  std::size_t Rows() const { return RowEnd.size(); }
  std::size_t CellCount(std::size_t row) const;
  // The cell's text with surrounding blanks trimmed; empty past the end of a short row.
  std::string_view Cell(std::size_t row, std::size_t column) const;
};

// Splits utf8 at separator into rows of cells; ' ' splits at runs of blanks outside quotes.
// Lines starting with '#' or '%' are comments and left out too, and so are lines of one cell
// above the first row of more (a title, units).
TableCells SplitTable(std::string_view utf8, char separator);

// Splits a table's text handed over piece by piece as SplitTable splits it whole, so that a file
// read a piece at a time is never held as text beside its cells. bytes, rows and cells, when
// known, reserve the cells' room at once (a vector grown by doubling holds twice its size while
// it is copied); cells 0: one for every 8 bytes.
class TableSplitter {
 public:
  explicit TableSplitter(char separator,
                         std::size_t bytes = 0,
                         std::size_t rows = 0,
                         std::size_t cells = 0);
  ~TableSplitter();
  TableSplitter(const TableSplitter&) = delete;
  TableSplitter& operator=(const TableSplitter&) = delete;

  // The next piece of the text; a piece may end anywhere, even inside a quoted cell.
  void Add(std::string_view utf8);
  // The cells of all the pieces; call once, after the last piece.
  TableCells Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The separators tried, in the order that wins a tie: a tab or a semicolon first, since a file
// split by either may hold decimal commas that would also split it evenly.
inline constexpr char kTableSeparators[] = {'\t', ';', ',', '|'};

// The separator that splits the first lines of utf8 into the same number (two or more) of cells
// on nearly every line: one of kTableSeparators, else ' ' (runs of blanks) where they agree,
// else the one of kTableSeparators that comes nearest, or 0 when none splits any line. Blanks
// win over commas that are decimal marks in cells split by blanks (1 10,5).
char DetectSeparator(std::string_view utf8);

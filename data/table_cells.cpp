#include "data/table_cells.h"

#include <csv.h>

#include <algorithm>
#include <map>
#include <memory>

#include "data/table_values.h"

namespace {

// What the parser's callbacks build: the cells, and the line count, which libcsv does not keep.
struct SplitState {
  TableCells* Cells = nullptr;
  std::size_t RowStart = 0;  // cells in CellEnd before the current row
  std::int64_t Line = 1;
  bool AfterCarriageReturn = false;  // the last line end was a CR, so an LF next ends no line
};

// Counts the line ends inside a quoted cell: LF, CRLF and a lone CR each end one line.
std::int64_t LineEndsIn(const char* text, std::size_t size) {
  std::int64_t count = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == size || text[i + 1] != '\n'))) ++count;
  }
  return count;
}

void TakeCell(void* field, std::size_t size, void* data) {
  auto& state = *static_cast<SplitState*>(data);
  TableCells& cells = *state.Cells;
  if (cells.CellEnd.size() == state.RowStart) cells.RowLine.push_back(state.Line);
  cells.Bytes.append(static_cast<const char*>(field), size);
  cells.CellEnd.push_back(cells.Bytes.size());
  state.Line += LineEndsIn(static_cast<const char*>(field), size);
  state.AfterCarriageReturn = false;
}

// A row of blanks; a comment: a line that starts with '#', as numpy, pandas and R write notes
// above their data, or '%', as MATLAB and Berkeley Earth do; a title: a line of one cell
// before any row of more, as NOAA's tables carry their title, units and missing-value code
// above the header; or Excel's first line "sep=;". A table has two columns or more, so no data row
// is lost.
bool RowIsLeftOut(const TableCells& cells, std::size_t rowStart) {
  const std::size_t from = rowStart == 0 ? 0 : cells.CellEnd[rowStart - 1];
  const std::size_t first = cells.Bytes.find_first_not_of(" \t", from);
  const bool title = cells.RowEnd.empty() && cells.CellEnd.size() - rowStart == 1;
  // Excel's "sep=;" line, which names the separator for Excel alone.
  const bool separatorHint = cells.RowEnd.empty() && cells.CellEnd.size() - rowStart <= 2 &&
                             cells.Bytes.compare(from, 4, "sep=") == 0;
  return first == std::string::npos || cells.Bytes[first] == '#' || cells.Bytes[first] == '%' ||
         title || separatorHint;
}

// The parser calls this at every line end (all of them, so lines can be counted) and at the end.
void EndRow(int terminator, void* data) {
  auto& state = *static_cast<SplitState*>(data);
  TableCells& cells = *state.Cells;
  if (cells.CellEnd.size() > state.RowStart) {
    if (RowIsLeftOut(cells, state.RowStart)) {
      cells.Bytes.resize(state.RowStart == 0 ? 0 : cells.CellEnd[state.RowStart - 1]);
      cells.CellEnd.resize(state.RowStart);
      cells.RowLine.pop_back();
    } else {
      cells.RowEnd.push_back(cells.CellEnd.size());
      state.RowStart = cells.CellEnd.size();
    }
  }
  if (terminator == '\r' || (terminator == '\n' && !state.AfterCarriageReturn)) ++state.Line;
  state.AfterCarriageReturn = terminator == '\r';
}

int IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }
int IsSpace(unsigned char c) { return c == ' '; }
int IsNothing(unsigned char) { return 0; }

// The text with every run of blanks outside quotes made one space and the blanks at the ends of
// lines cut: a table aligned with spaces, as numpy's savetxt, R's write.table and Fortran write
// them, then splits at single spaces. Line ends stay, so rows keep their line numbers. The state
// goes on from one piece of the text to the next.
struct BlankRuns {
  bool Quoted = false, Pending = false, LineStart = true;

  void Collapse(std::string_view utf8, std::string& out) {
    for (const char c : utf8) {
      if (c == '"') Quoted = !Quoted;
      if (!Quoted && (c == ' ' || c == '\t')) {
        Pending = !LineStart;
        continue;
      }
      const bool lineEnd = !Quoted && (c == '\n' || c == '\r');
      if (Pending && !lineEnd) out += ' ';
      Pending = false;
      LineStart = lineEnd;
      out += c;
    }
  }
};

}  // namespace

std::size_t TableCells::CellCount(std::size_t row) const {
  return RowEnd[row] - (row == 0 ? 0 : RowEnd[row - 1]);
}

std::string_view TableCells::Cell(std::size_t row, std::size_t column) const {
  if (column >= CellCount(row)) return {};
  const std::size_t index = (row == 0 ? 0 : RowEnd[row - 1]) + column;
  const std::size_t from = index == 0 ? 0 : CellEnd[index - 1];
  std::string_view cell(Bytes.data() + from, CellEnd[index] - from);
  // A quoted cell keeps its blanks in libcsv; a number or a name never needs them.
  while (!cell.empty() && IsBlank(static_cast<unsigned char>(cell.front()))) cell.remove_prefix(1);
  while (!cell.empty() && IsBlank(static_cast<unsigned char>(cell.back()))) cell.remove_suffix(1);
  return cell;
}

struct TableSplitter::State {
  csv_parser Parser{};
  bool Started = false;
  char Separator = 0;
  BlankRuns Blanks;
  std::string Collapsed;  // a piece with its runs of blanks made one, for ' '
  SplitState Split;
  TableCells Cells;
};

TableSplitter::TableSplitter(char separator, std::size_t bytes, std::size_t rows, std::size_t cells)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.Separator = separator;
  s.Split.Cells = &s.Cells;
  if (csv_init(&s.Parser, CSV_REPALL_NL) != 0) {
    s.Cells.OutOfMemory = true;
    return;
  }
  s.Started = true;
  csv_set_delim(&s.Parser, static_cast<unsigned char>(separator));
  // libcsv trims tabs too by default, which would swallow a tab separator's empty cells.
  csv_set_space_func(&s.Parser,
                     separator == ' '    ? IsNothing
                     : separator == '\t' ? IsSpace
                                         : IsBlank);
  // The cells' text is at most the input; a cell takes at least one separator or line end.
  s.Cells.Bytes.reserve(bytes);
  s.Cells.CellEnd.reserve(cells != 0 ? cells : bytes / 8);
  s.Cells.RowEnd.reserve(rows);
  s.Cells.RowLine.reserve(rows);
}

TableSplitter::~TableSplitter() {
  if (state_->Started) csv_free(&state_->Parser);
}

void TableSplitter::Add(std::string_view utf8) {
  State& s = *state_;
  if (s.Cells.OutOfMemory) return;
  if (s.Separator == ' ') {
    s.Collapsed.clear();
    s.Blanks.Collapse(utf8, s.Collapsed);
    utf8 = s.Collapsed;
  }
  if (csv_parse(&s.Parser, utf8.data(), utf8.size(), TakeCell, EndRow, &s.Split) != utf8.size()) {
    s.Cells.OutOfMemory = true;
  }
}

TableCells TableSplitter::Finish() {
  State& s = *state_;
  if (s.Started) csv_fini(&s.Parser, TakeCell, EndRow, &s.Split);
  return std::move(s.Cells);
}

TableCells SplitTable(std::string_view utf8, char separator) {
  TableSplitter splitter(separator, utf8.size());
  splitter.Add(utf8);
  return splitter.Finish();
}

namespace {

// Enough lines to see the pattern; a header, a units line or a comment is outvoted.
constexpr std::size_t kSampleLines = 200;
constexpr double kAgreement = 0.9;  // the share of lines with the usual cell count

std::string_view FirstLines(std::string_view utf8, std::size_t lines) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < lines; ++i) {
    end = utf8.find('\n', end);
    if (end == std::string_view::npos) return utf8;
    ++end;
  }
  return utf8.substr(0, end);
}

// The share of rows from `first` on holding the most common cell count, when that count is two
// or more.
double EvenSplit(const TableCells& cells, std::size_t first = 0) {
  std::map<std::size_t, std::size_t> counts;
  for (std::size_t r = first; r < cells.Rows(); ++r) ++counts[cells.CellCount(r)];
  const auto usual = std::max_element(
      counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; });
  if (usual == counts.end() || usual->first < 2) return 0;
  return static_cast<double>(usual->second) / static_cast<double>(cells.Rows() - first);
}

// Whether blanks split the sample's rows evenly and every cell of theirs with a comma is a
// number with a decimal comma (1 10,5 as typed by hand): such a file splits as evenly at its
// commas, into cells nobody means ("1 10" and "5").
bool BlanksWithDecimalCommas(std::string_view sample) {
  const TableCells blanks = SplitTable(sample, ' ');
  const std::size_t first = blanks.Rows() > 2 ? 1 : 0;
  if (EvenSplit(blanks, first) < kAgreement) return false;
  bool commas = false;
  double value = 0;
  for (std::size_t r = first; r < blanks.Rows(); ++r) {
    for (std::size_t c = 0; c < blanks.CellCount(r); ++c) {
      const std::string_view cell = blanks.Cell(r, c);
      if (cell.find(',') == std::string_view::npos) continue;
      if (!ReadCellNumber(cell, ',', value)) return false;
      commas = true;
    }
  }
  return commas;
}

}  // namespace

char DetectSeparator(std::string_view utf8) {
  const std::string_view sample = FirstLines(utf8, kSampleLines);
  char best = 0;
  double bestShare = 0;
  for (const char separator : kTableSeparators) {
    const double share = EvenSplit(SplitTable(sample, separator));
    if (share >= kAgreement) {
      return separator == ',' && BlanksWithDecimalCommas(sample) ? ' ' : separator;
    }
    if (share > bestShare) {
      best = separator;
      bestShare = share;
    }
  }
  // Blanks split nearly anything with a blank in it, so they come last and must agree, below
  // the first line: R's write.table leaves the row names out of its header.
  const TableCells blanks = SplitTable(sample, ' ');
  return EvenSplit(blanks, blanks.Rows() > 2 ? 1 : 0) >= kAgreement ? ' ' : best;
}

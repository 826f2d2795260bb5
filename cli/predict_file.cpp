#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "base/run_time_fault.h"
#include "cli/predict_points.h"
#include "cli/stream_input.h"
#include "data/table_reader.h"
#include "data/table_values.h"

namespace {

std::string FileBytes(const std::string& path, bool& read) {
  read = false;
  if (IsStreamInput(path)) {
    try {
      std::string bytes = ReadStreamInput(path);
      read = true;
      return bytes;
    } catch (const RunTimeFault&) {
      return {};
    }
  }
  std::ifstream file(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  read = file.is_open() && !file.bad();
  return bytes;
}

// A file of one x a line as a table of one column: the table reader splits two or more, and
// its columns' rules then decide the dates, the decimal mark and the header as for any column.
Table OneColumn(const std::string& bytes, bool decimalComma) {
  Table table;
  const TableText text = DecodeTableText(bytes);
  TableCells& cells = table.Cells;
  std::size_t at = 0;
  for (std::int64_t line = 1; at < text.Utf8.size(); ++line) {
    const std::size_t end = std::min(text.Utf8.find('\n', at), text.Utf8.size());
    std::string_view cell = std::string_view(text.Utf8).substr(at, end - at);
    at = end + 1;
    while (!cell.empty() && std::isspace(static_cast<unsigned char>(cell.back()))) {
      cell.remove_suffix(1);
    }
    while (!cell.empty() && std::isspace(static_cast<unsigned char>(cell.front()))) {
      cell.remove_prefix(1);
    }
    if (cell.empty() || cell[0] == '#' || cell[0] == '%') continue;  // as the reader's comments
    cells.Bytes += cell;
    cells.CellEnd.push_back(cells.Bytes.size());
    cells.RowEnd.push_back(cells.CellEnd.size());
    cells.RowLine.push_back(line);
  }
  table.DecimalMark = decimalComma || DetectDecimalMark(cells, '\t') == ',' ? ',' : '.';
  table.HasHeader = DetectHeader(cells, table.DecimalMark);
  if (cells.Rows() <= table.FirstDataRow()) {
    table.Fault = TableFault::NoRows;
    return table;
  }
  table.Columns = DescribeColumns(cells, table.FirstDataRow(), table.DecimalMark);
  return table;
}

// The table of the file's x: its first column, or its one.
Table XTable(const std::string& bytes, bool decimalComma) {
  TableOptions read;
  if (decimalComma) read.DecimalComma = TableChoice::Yes;
  Table table = ReadTable(bytes, read);
  const bool split = table.Fault == TableFault::None && !(decimalComma && table.Separator == ',');
  return split || table.Fault == TableFault::NulBytes || table.Fault == TableFault::BadUtf16
             ? table
             : OneColumn(bytes, decimalComma);
}

std::string CellError(const std::string& path,
                      std::int64_t line,
                      std::string_view cell,
                      Language l) {
  std::string text = path + ':' + std::to_string(line) + ": ";
  text += Say(l, "not an x: '", "не x: «");
  text += cell;
  return text + Say(l, "'", "»");
}

}  // namespace

bool ReadRangeDate(std::string_view text, double& days) { return ReadIsoDate(text, days); }

PredictFile ReadPredictFile(const std::string& path, bool decimalComma, Language l) {
  PredictFile out;
  bool read = false;
  const std::string bytes = FileBytes(path, read);
  const Table table = read ? XTable(bytes, decimalComma) : Table{};
  if (!read || table.Fault != TableFault::None || table.Columns.empty()) {
    out.Error = path + ": " +
                (!read ? Say(l, "cannot be read", "не удаётся прочитать")
                       : Say(l,
                             "holds no x values (one a line, or a table's first column)",
                             "не содержит значений x (по одному в строке или в первом столбце "
                             "таблицы)"));
    return out;
  }
  const TableColumn& column = table.Columns[0];
  const bool dates = column.Kind == ColumnKind::Date;
  out.Points.Dates = dates;
  out.Points.TimesOfDay = column.TimesOfDay;
  for (std::size_t r = table.FirstDataRow(); r < table.Cells.Rows(); ++r) {
    const std::string_view cell = table.Cells.Cell(r, 0);
    double x = 0;
    if (dates ? !ReadColumnDate(column, cell, x) : !ReadCellNumber(cell, table.DecimalMark, x)) {
      out.Error = CellError(path, table.Cells.RowLine[r], cell, l);
      return out;
    }
    out.Points.X.push_back(x);
  }
  return out;
}

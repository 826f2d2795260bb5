#include "cli/table_fit.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <random>
#include <tuple>

#include "base/run_time_fault.h"
#include "cli/in_input_order.h"
#include "cli/stream_input.h"
#include "data/import_check.h"
#include "data/table_guess.h"
#include "data/table_reader.h"

namespace {

constexpr std::size_t kMinRows = 4;  // as the engine takes no fewer observations

// The fit's memory for each row of a series, counted before a table is read: 1.31 GB peak for
// 10^6 rows of x,y fitted with -n 1 and with -n 5 (the periodogram-led search's frequency grid,
// about five frequencies a resolution up to the shortest period the spacing allows, and the
// solves' designs grow with the rows), with a margin.
constexpr std::uint64_t kFitBytesPerRow = 1400;

std::string Quoted(Language l, const std::string& text) {
  std::string quoted = Say(l, "'", "«");  // appended: GCC 12 warns wrongly on the sum
  quoted += text;
  quoted += Say(l, "'", "»");
  return quoted;
}

// "2 'temp'", or "2" for a column without a name (column from 0).
std::string ColumnLabel(const Table& table, int column, Language l) {
  const std::string number = std::to_string(column + 1);
  const std::string& name = table.Columns[column].Name;
  return name.empty() ? number : number + " " + Quoted(l, name);
}

// "3.2 GB", "740 MB": sizes as a refusal states them.
std::string Size(std::uint64_t bytes, Language l) {
  char text[32];
  const double mb = static_cast<double>(bytes) / 1e6;
  if (mb >= 1000) {
    std::snprintf(text, sizeof text, "%.1f %s", mb / 1000, Say(l, "GB", "ГБ"));
  } else {
    std::snprintf(text, sizeof text, "%.0f %s", std::max(mb, 1.0), Say(l, "MB", "МБ"));
  }
  std::string size = text;
  if (l == Language::Russian) std::replace(size.begin(), size.end(), '.', ',');
  return size;
}

const char* PathKindText(PathKind kind, Language l) {
  switch (kind) {
    case PathKind::Directory:
      return Say(l, "a directory", "папка");
    case PathKind::Fifo:
      return Say(l, "a named pipe (FIFO)", "именованный канал (FIFO)");
    case PathKind::CharDevice:
      return Say(l, "a character device", "символьное устройство");
    case PathKind::BlockDevice:
      return Say(l, "a block device", "блочное устройство");
    case PathKind::Socket:
      return Say(l, "a socket", "сокет");
    default:
      return Say(l, "a special file", "особый файл");
  }
}

// A file refused before it is read: what it is, its size against the limit, or the memory its
// read and fit would take against the memory free.
std::string FileRefusal(TableFault fault, const TableFileFacts& file, Language l) {
  if (fault == TableFault::NotAFile) {
    return Say(l, "not a regular file but ", "это не обычный файл, а ") +
           std::string(PathKindText(file.Kind, l)) +
           Say(l,
               "; only regular files and - (standard input) are read as tables",
               "; таблицы читаются только из обычных файлов и из - (стандартного ввода)");
  }
  if (fault == TableFault::TooLarge) {
    const bool stream = file.Kind != PathKind::Regular;
    return (stream ? Say(l, "the stream holds more than ", "в потоке больше ")
                   : Say(l, "the file holds ", "в файле ") + Size(file.Bytes, l) +
                         Say(l, ", more than ", ", больше ")) +
           Size(file.Limit, l) + " (" + std::to_string(file.Limit) +
           Say(l, " bytes), the most a table may hold", " байт) — предела для таблицы");
  }
  std::string source = file.Free.Source;
  if (!source.empty()) source = " (" + source + ")";
  return Say(l,
             "reading and fitting the table would take about ",
             "чтение и подбор таблицы заняли бы около ") +
         Size(file.Estimate, l) + Say(l, " of memory, and ", " памяти, а свободно ") +
         Size(file.Free.Bytes, l) + source + Say(l, " is free", "");
}

std::string TableRefusal(TableFault fault, const TableFileFacts& file, Language l) {
  switch (fault) {
    case TableFault::CannotOpen:
      return Say(l, "the table cannot be read", "файл не удалось прочитать");
    case TableFault::NotAFile:
    case TableFault::TooLarge:
    case TableFault::NoMemory:
      return FileRefusal(fault, file, l);
    case TableFault::NulBytes:
      return Say(l,
                 "NUL bytes: no text, or UTF-16 without a byte order mark; save the table as "
                 "CSV UTF-8",
                 "в файле есть нулевые байты: это не текст или текст UTF-16 без метки порядка "
                 "байтов; сохраните таблицу как «CSV UTF-8»");
    case TableFault::BadUtf16:
      return Say(l,
                 "a UTF-16 byte order mark, then no UTF-16 text",
                 "файл начинается с метки UTF-16, но дальше в нём не текст UTF-16");
    case TableFault::OutOfMemory:
      return Say(l,
                 "not enough memory to read the table (std::bad_alloc)",
                 "для чтения таблицы не хватило памяти (std::bad_alloc)");
    case TableFault::NoColumns:
      return Say(l,
                 "no tab, semicolon, comma, bar or blank splits the lines into columns",
                 "ни табуляция, ни точка с запятой, ни запятая, ни черта, ни пробел не делят "
                 "строки на столбцы");
    default:
      return Say(l, "the table has no data rows", "в таблице нет строк с данными");
  }
}

std::string ColumnRefusal(const Table& table, TableFault fault, int column, Language l) {
  const std::string label = ColumnLabel(table, column, l);
  switch (fault) {
    case TableFault::TextColumn:
      return Say(l, "column ", "в столбце ") + label +
             Say(l, " holds text, not numbers", " не числа, а текст");
    case TableFault::LocalDate:
      return Say(l, "column ", "в столбце ") + label +
             Say(l,
                 " holds dates not written as YYYY-MM-DD, which read more than one way",
                 " даты записаны не в виде ГГГГ-ММ-ДД, и их можно прочитать по-разному");
    case TableFault::DateColumn:
      return Say(l, "column ", "в столбце ") + label +
             Say(l, " holds dates: dates can only be x", " даты: даты можно взять только как x");
    default:
      return TableRefusal(fault, {}, l);
  }
}

std::string NoticeText(const Table& table, const TableNotice& notice, Language l) {
  const char* reason = notice.Kind == TableNoticeKind::NotADate ? Say(l, "not a date", "не дата")
                       : notice.Kind == TableNoticeKind::SigmaNotPositive
                           ? Say(l, "σ not above zero", "σ не больше нуля")
                           : Say(l, "not a number", "не число");
  return Quoted(l, notice.Token) + Say(l, " in column ", " в столбце ") +
         ColumnLabel(table, notice.Column, l) + ": " + reason +
         Say(l, ", the row is left out", ", строка пропущена");
}

const char* NoticeKind(TableNoticeKind kind) {
  return kind == TableNoticeKind::NotADate           ? "not_a_date"
         : kind == TableNoticeKind::SigmaNotPositive ? "sigma_not_positive"
                                                     : "not_a_number";
}

std::string CodeText(const Table& table, int column, const TableCode& code, Language l) {
  const std::string rows = std::to_string(code.Rows);
  return Quoted(l, code.Token) + Say(l, " in column ", " в столбце ") +
         ColumnLabel(table, column, l) +
         Say(l,
             ": a missing-value code far outside the other values, left out (rows: ",
             ": код пропуска далеко за пределами остальных значений, пропущен (строк: ") +
         rows + ")";
}

// The columns x is read from: "3 'decimal date'", or "1 'Year', 2 'Month'" for a date over columns.
std::string XColumnsLabel(const Table& table, const TableSelection& chosen, Language l) {
  std::string label = ColumnLabel(table, chosen.X, l);
  for (const int c : {chosen.XParts.Month, chosen.XParts.Day, chosen.XParts.Hour, chosen.XTime}) {
    if (c >= 0) label += ", " + ColumnLabel(table, c, l);
  }
  return label;
}

// One series: its rows, the fit, and what was left out. release, when given, is the table
// itself, emptied once its rows are taken (the table's only series: its cells are not held
// beside the fit, 530 MB at 10^7 rows of x,y).
void FitSeries(const Table& table,
               const TableSelection& selection,
               const FitRequest& request,
               const FitOptions& options,
               FileFit& fit,
               Table* release) {
  const Language l = options.Messages;
  TableSeries series = SelectColumns(table, selection);
  for (const TableNotice& notice : series.Notices) {
    fit.Notices.push_back(
        {notice.Line, NoticeKind(notice.Kind), notice.Token, NoticeText(table, notice, l)});
  }
  for (const TableCode& code : series.Codes) {
    fit.Notices.push_back(
        {code.FirstLine, "missing_code", code.Token, CodeText(table, code.Column, code, l)});
  }
  fit.RowsLeftOut = series.DroppedRows();
  fit.LeftOutCells = selection.WideMonths >= 0;  // months side by side: a pair per cell
  fit.XIsDate = series.XIsDate;
  fit.XOrigin = series.XOrigin;
  fit.XTimesOfDay = series.XTimesOfDay;
  if (series.Fault != TableFault::None) {
    fit.Error = ColumnRefusal(table, series.Fault, series.FaultColumn, l);
    return;
  }
  if (options.Strict && !fit.Notices.empty()) {
    fit.Error = Say(l,
                    "refused by --strict: cells that are not read, as said above",
                    "отклонён по --strict: непрочитанные ячейки, см. выше");
    return;
  }
  if (release) *release = Table();
  const auto rows = static_cast<std::int64_t>(series.X.size());
  const DataOutcome data = fit.Core.SetData(series.X, series.Y, series.Sigma);
  series = TableSeries();  // the engine holds its own copy
  if (!data.Accepted) {
    fit.Error =
        rows < 4
            ? (l == Language::Russian
                   ? "нужно не меньше 4 строк с числами, а их " +
                         RussianCount(rows, "строка", "строки", "строк")
                   : "at least 4 rows of numbers are needed, and it has " + std::to_string(rows))
            : data.Error;
    return;
  }
  FitHeldData(fit, request, options);
}

// The columns of numbers other than x's, y's and σ's. Where x was guessed, the columns before it
// are an index or the parts of a date it was taken over.
std::vector<int> OtherNumberColumns(const Table& table,
                                    const TableSelection& chosen,
                                    bool xGuessed) {
  std::vector<int> other;
  const bool index = table.HasHeader && table.Columns[0].Name.empty();
  for (int c = xGuessed ? chosen.X + 1
               : index  ? 1
                        : 0;
       c < static_cast<int>(table.Columns.size());
       ++c) {
    const bool month =
        chosen.WideMonths >= 0 && c >= chosen.WideMonths && c < chosen.WideMonths + 12;
    if (!month && c != chosen.X && c != chosen.Y && c != chosen.Sigma && c != chosen.XParts.Month &&
        c != chosen.XParts.Day && c != chosen.XParts.Hour && c != chosen.XTime &&
        table.Columns[c].Kind == ColumnKind::Numeric) {
      other.push_back(c);
    }
  }
  return other;
}

// Said when y was guessed and other columns of numbers are left, so that a table of many
// series, or one with the errors of y, is not fitted in part without a word.
std::string UnusedColumnsNote(const Table& table,
                              const TableSelection& chosen,
                              bool xGuessed,
                              Language l) {
  const std::vector<int> unused = OtherNumberColumns(table, chosen, xGuessed);
  if (unused.empty()) return {};
  std::string note = Say(l, "columns of numbers not fitted: ", "не взяты столбцы чисел: ");
  const std::size_t shown = std::min<std::size_t>(unused.size(), 5);
  for (std::size_t i = 0; i < shown; ++i) {
    note += (i > 0 ? ", " : "") + ColumnLabel(table, unused[i], l);
  }
  if (unused.size() > shown) {
    note +=
        Say(l, " and ", " и ещё ") + std::to_string(unused.size() - shown) + Say(l, " more", "");
  }
  return note + Say(l,
                    " (--all-columns fits each as a series, --y-column the ones named, "
                    "--sigma-column takes the errors of y)",
                    " (--all-columns — каждый как ряд, --y-column — названные, "
                    "--sigma-column — погрешности y)");
}

// A file the table reader finds no table of columns in (numbers on one line, pairs across lines)
// is read as the window reads it, with a note; one neither reads is refused naming both readings.
// With table options asked for, only the table's reason.
void FitAsPairs(const std::string& path,
                const FitOptions& options,
                const std::string* bytes,
                const std::string& why,
                const FileFitSink& each) {
  const Language l = options.Messages;
  auto fit = std::make_unique<FileFit>();  // an engine is large: on the heap
  if (TableAsked(options)) {
    fit->Path = path;
    fit->Error = why;
    return each(std::move(fit));
  }
  fit = std::make_unique<FileFit>(FitDataFile(path, options, {}, bytes));
  if (fit->Fitted) {
    fit->Note = Say(l,
                    "read as pairs x y x y ..., as the window reads, not as a table: ",
                    "прочитан парами x y x y ..., как в окне, а не как таблица: ") +
                why;
  } else {
    fit->Error = Say(l, "read as a table: ", "как таблица: ") + why +
                 Say(l, "; read as pairs: ", "; парами: ") + fit->Error;
    fit->ErrorNamesFile = false;
  }
  each(std::move(fit));
}

// The series of a table to fit: x (with its parts), σ, and the y columns; or why none can be,
// and whether the file is then better read as pairs.
struct ChosenColumns {
  TableSelection Selection;
  std::vector<int> Y;
  std::string Note;   // said before the first series
  std::string Error;  // none can be fitted
  bool AsPairs = false;
};

// The columns the options name, into chosen; false, with chosen's Error, for one not there.
bool NamedColumns(const Table& table, const FitOptions& options, ChosenColumns& chosen) {
  const auto column = [&](const std::string& name, int& index) {
    index = FindTableColumn(table, name);
    if (index < 0) {
      const Language l = options.Messages;
      chosen.Error = Say(l, "no column ", "нет столбца ") + Quoted(l, name);
    }
    return index >= 0;
  };
  TableSelection& selection = chosen.Selection;
  if (!options.XColumn.empty() && !column(options.XColumn, selection.X)) return false;
  if (!options.SigmaColumn.empty() && !column(options.SigmaColumn, selection.Sigma)) return false;
  chosen.Y.resize(options.YColumns.size());
  for (std::size_t i = 0; i < options.YColumns.size(); ++i) {
    if (!column(options.YColumns[i], chosen.Y[i])) return false;
  }
  return true;
}

ChosenColumns ChooseColumns(const Table& table, const FitOptions& options) {
  const Language l = options.Messages;
  ChosenColumns chosen;
  TableSelection& selection = chosen.Selection;
  if (!NamedColumns(table, options, chosen)) return chosen;
  // Columns not named are the likely ones: the first columns of numbers, after an index.
  const auto [x, y] = LikelyColumns(table, selection.X, chosen.Y.empty() ? -1 : chosen.Y[0]);
  chosen.AsPairs = x < 0 || y < 0 || (table.DataRows() < kMinRows && options.YColumns.empty());
  if (x < 0 || y < 0) {
    chosen.Error = Say(l,
                       "no two columns of numbers to take x and y from: name them with "
                       "--x-column and --y-column",
                       "нет двух столбцов чисел для x и y: укажите их в --x-column и "
                       "--y-column");
    return chosen;
  }
  if (chosen.AsPairs) {
    chosen.Error = Say(l, "fewer than 4 rows", "меньше 4 строк");
    return chosen;
  }
  const bool xGuessed = selection.X < 0;
  selection.X = x;
  if (xGuessed) selection.XParts = LikelyDateParts(table, x);
  selection.XTime = LikelyTimeColumn(table, x);
  if (options.AllColumns) {
    chosen.Y = OtherNumberColumns(table, selection, xGuessed);
    if (chosen.Y.empty()) chosen.Y.push_back(y);
  } else if (chosen.Y.empty()) {
    // A year to a row with its months side by side is one monthly series.
    selection.WideMonths = LikelyMonthColumns(table, x);
    selection.Y = selection.WideMonths >= 0 ? selection.WideMonths : y;
    chosen.Y.push_back(selection.Y);
    chosen.Note = UnusedColumnsNote(table, selection, xGuessed, l);
  }
  return chosen;
}

// Each chosen series fitted, side by side, one per CPU the process may use, each fit on one
// thread; each handed on in column order, the same as one after another.
void FitChosenSeries(const std::string& path,
                     Table& table,
                     const ChosenColumns& chosen,
                     const FitOptions& options,
                     const FileFitSink& each) {
  ManyRequest many = ManyRequestOf(options);
  if (!options.FixedSeeds) {
    many.Seeds[0] = std::random_device{}();
    many.Seeds[1] = many.Seeds[0] + 1u;
  }
  const SideBySide run = SideBySideFits(chosen.Y.size());
  InInputOrder(
      chosen.Y.size(),
      run.Threads,
      [&](std::size_t i) {
        TableSelection own = chosen.Selection;
        own.Y = chosen.Y[i];
        auto fit = std::make_unique<FileFit>();  // an engine is large: on the heap
        fit->Path = path;
        fit->Reader = "table";
        fit->XName = table.Columns[own.X].Name;
        fit->XColumns = XColumnsLabel(table, own, Language::English);  // one JSON in every locale
        fit->YName = table.Columns[own.Y].Name;
        if (own.WideMonths >= 0) fit->YName += "-" + table.Columns[own.WideMonths + 11].Name;
        fit->Series = fit->YName.empty() ? std::to_string(own.Y + 1) : fit->YName;
        if (i == 0) fit->Note = chosen.Note;
        FitRequest request = SeriesRequest(many, i);
        request.Engine = run.Engine;
        try {
          FitSeries(table, own, request, options, *fit, chosen.Y.size() == 1 ? &table : nullptr);
        } catch (const std::bad_alloc&) {  // a worker thread must not throw
          fit->Fitted = false;
          fit->Error = Say(options.Messages,
                           "not enough memory to fit the series (std::bad_alloc)",
                           "для подбора ряда не хватило памяти (std::bad_alloc)");
        } catch (const std::exception& fault) {
          fit->Fitted = false;
          fit->Error = fault.what();
        }
        return fit;
      },
      [&](std::unique_ptr<FileFit> fit) { each(std::move(fit)); });
}

}  // namespace

bool TableReaderBuilt() { return true; }

void FitTableFile(const std::string& path, const FitOptions& options, const FileFitSink& each) {
  const Language l = options.Messages;
  TableOptions read;
  if (options.DecimalComma) read.DecimalComma = TableChoice::Yes;
  TableFileLimits limits;
  limits.BytesPerRowAfter = kFitBytesPerRow;
  const auto refuse = [&](const std::string& error, bool namesFile) {
    auto fit = std::make_unique<FileFit>();
    fit->Path = path;
    fit->Error = error;
    fit->ErrorNamesFile = namesFile;
    each(std::move(fit));
  };
  Table table;
  std::string bytes;  // a stream's, kept for the pairs reader
  const bool stream = IsOwnStream(path);
  try {
    if (stream) {
      // One byte over the limit tells the stream is too long; a NUL byte, that it is no text.
      bytes = ReadStreamInput(path, limits.MaxBytes + 1, true);
      table = ReadTableBytes(bytes, read, limits);
    } else {
      table = ReadTableFile(path, read, limits);
    }
  } catch (const RunTimeFault& fault) {
    return refuse(FaultText(fault, l), true);
  } catch (const std::bad_alloc&) {
    return refuse(TableRefusal(TableFault::OutOfMemory, table.File, l), false);
  }
  const auto asPairs = [&](const std::string& why) {
    FitAsPairs(path, options, stream ? &bytes : nullptr, why, each);
  };
  if (table.Fault == TableFault::NoColumns || table.Fault == TableFault::NoRows) {
    return asPairs(TableRefusal(table.Fault, table.File, l));
  }
  if (table.Fault != TableFault::None) {
    return refuse(TableRefusal(table.Fault, table.File, l), false);
  }
  ChosenColumns chosen;
  try {
    chosen = ChooseColumns(table, options);
  } catch (const std::bad_alloc&) {
    return refuse(TableRefusal(TableFault::OutOfMemory, table.File, l), false);
  }
  if (chosen.AsPairs) return asPairs(chosen.Error);
  if (!chosen.Error.empty()) return refuse(chosen.Error, false);
  FitChosenSeries(path, table, chosen, options, each);
}

// Fuzz target for the table reader. The first input byte chooses the read options (separator,
// decimal mark, header row) and whether an x column of dates is allowed; the remaining bytes are
// the file. Whatever the bytes, the reader must not crash, and the columns it takes must account
// for every data row: kept, missing or unreadable, with finite values, positive σ and at most
// kMaxTableNotices notices, each on a line of the file.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <tuple>

#include "data/table_guess.h"
#include "data/table_reader.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "table invariant broken: %s\n", what);
  std::abort();
}

void Check(bool holds, const char* what) {
  if (!holds) Fail(what);
}

TableOptions OptionsOf(std::uint8_t choice) {
  static constexpr char kSeparators[] = {0, ',', ';', '\t'};
  static constexpr TableChoice kChoices[] = {
      TableChoice::Detect, TableChoice::Yes, TableChoice::No, TableChoice::Detect};
  return {kSeparators[choice & 3], kChoices[(choice >> 2) & 3], kChoices[(choice >> 4) & 3]};
}

// perRow: the pairs a row gives (12 for months side by side).
void CheckSeries(const Table& table,
                 const TableSeries& series,
                 std::int64_t lines,
                 std::int64_t perRow = 1) {
  if (series.Fault != TableFault::None) {
    Check(series.X.empty(), "a refused choice kept values");
    return;
  }
  Check(series.X.size() == series.Y.size(), "x and y differ in length");
  Check(series.Sigma.empty() || series.Sigma.size() == series.X.size(), "σ differs in length");
  Check(static_cast<std::int64_t>(series.X.size()) + series.DroppedRows() ==
            perRow * static_cast<std::int64_t>(table.DataRows()),
        "rows unaccounted for");
  Check(series.Notices.size() <= kMaxTableNotices, "too many notices");
  Check(static_cast<std::int64_t>(series.Notices.size()) <= series.UnreadableRows,
        "more notices than unreadable rows");
  for (std::size_t i = 0; i < series.X.size(); ++i) {
    Check(std::isfinite(series.X[i]) && std::isfinite(series.Y[i]), "a value is not finite");
  }
  for (const double sigma : series.Sigma) Check(sigma > 0 && std::isfinite(sigma), "bad σ");
  std::int64_t coded = 0;
  for (const TableCode& code : series.Codes) coded += code.Rows;
  Check(coded == series.CodedRows, "missing-value codes miscounted");
  for (const TableNotice& notice : series.Notices) {
    Check(notice.Line >= 1 && notice.Line <= lines, "a notice's line is outside the file");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const Table table = ReadTable(bytes, OptionsOf(data[0]));
  if (table.Fault != TableFault::None) return 0;
  Check(table.Columns.size() >= 1 || table.DataRows() == 0, "rows without columns");
  // Lines as UTF-16 text may count them in any case: bound by the bytes.
  const auto lines = static_cast<std::int64_t>(bytes.size()) + 1;
  const int columns = static_cast<int>(table.Columns.size());
  const TableSelection selection{0, columns > 1 ? 1 : 0, columns > 2 ? 2 : -1, (data[0] & 64) != 0};
  CheckSeries(table, SelectColumns(table, selection), lines);
  // The columns guessed, with a date split over columns where they hold one.
  TableSelection guessed;
  std::tie(guessed.X, guessed.Y) = LikelyColumns(table);
  if (guessed.X >= 0 && guessed.Y >= 0) {
    guessed.XParts = LikelyDateParts(table, guessed.X);
    guessed.WideMonths = LikelyMonthColumns(table, guessed.X);
    guessed.XTime = LikelyTimeColumn(table, guessed.X);
    CheckSeries(table, SelectColumns(table, guessed), lines, guessed.WideMonths >= 0 ? 12 : 1);
  }
  return 0;
}

#include "data/import_listing.h"

#include <charconv>
#include <cmath>
#include <memory>

#include "base/run_time_fault.h"
#include "data/data_file_reader.h"

namespace {

constexpr std::int64_t kReaderNumbers = 200;  // the reader's limit: 100 pairs
constexpr int kTextColumns = 36;              // code points of a line's text in the listing
constexpr int kLineColumns = 6;               // the line number, right-aligned

bool IsNumberByte(char b) { return (b >= '0' && b <= '9') || b == '.' || b == '-' || b == ','; }

std::size_t CodePoints(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char b : text) count += (b & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

// The line's text for a column: tabs and other control bytes as blanks, at most kTextColumns
// code points, then padded with blanks.
std::string Column(const std::string& line) {
  std::string out;
  std::size_t points = 0;
  bool cut = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(line[i]);
    const bool starts = (b & 0xC0) != 0x80;
    if (starts && points == kTextColumns - 1 && CodePoints(line.substr(i)) > 1) {
      cut = true;
      break;
    }
    if (starts) ++points;
    out += b < 0x20 || b == 0x7F ? ' ' : static_cast<char>(b);
  }
  if (cut) {
    out += "…";
    ++points;
  }
  out.append(kTextColumns - std::min<std::size_t>(points, kTextColumns), ' ');
  return out;
}

std::string RightAligned(std::int64_t n, int width) {
  std::string text = std::to_string(n);
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// The value the reader stores for a token, or why it stores none.
std::string TokenValue(const std::string& token) {
  const auto number = std::make_unique<NumberToken>();
  for (char ch : token) AppendTokenByte(*number, ch == ',' ? '.' : ch);
  double value = 0;
  try {
    if (!ConvertToken(*number, value)) return "не число";
  } catch (const RunTimeFault&) {
    return "переполнение";
  }
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, std::fabs(value));
  std::string text = std::signbit(value) ? "−" : "";
  text.append(digits, result.ptr);
  return text;
}

// Short names of the signs, for the marks beside the lines.
const char* SignName(ImportSignKind kind) {
  switch (kind) {
    case ImportSignKind::HeaderWithDigits:
      return "заголовок с цифрами";
    case ImportSignKind::ExponentSplit:
      return "e между цифрами";
    case ImportSignKind::UnicodeMinus:
      return "минус U+2212";
    case ImportSignKind::OtherDash:
      return "тире перед цифрами";
    case ImportSignKind::TimeColon:
      return "двоеточие между цифрами";
    case ImportSignKind::ThousandsSeparator:
      return "разделитель разрядов";
    case ImportSignKind::RaggedRow:
      return "другое количество чисел";
    case ImportSignKind::CommaSeparator:
      return "запятые вместо разделителя";
    case ImportSignKind::NumbersLeftOut:
      return "дальше не прочитано";
  }
  return "";
}

// One line of the stream with the numbers that start on it.
struct Row {
  std::int64_t Line = 0;
  std::string Text;
  std::string Numbers;
};

std::string NumberLabel(std::int64_t k) {
  std::string label(1, k % 2 == 1 ? 'x' : 'y');
  label += std::to_string((k + 1) / 2);
  return label;
}

}  // namespace

std::string ImportCounts(const ImportReport& report) {
  std::string text = "Прочитано чисел: " + std::to_string(report.NumbersRead) +
                     ", пар: " + std::to_string(report.Pairs);
  if (report.NumbersRead % 2 == 1) text += " (последнее число без пары отброшено)";
  const char* more = report.LeftOutAtLeast ? "не менее " : report.LeftOutEstimated ? "около " : "";
  text += ", не прочитано чисел: " + std::string(more) + std::to_string(report.NumbersLeftOut);
  if (report.NumbersLeftOut > 1) {
    text += " (" + RussianCount(report.NumbersLeftOut / 2, "пара", "пары", "пар") + ")";
  }
  return text;
}

namespace {

// The counts, the signs of a wrong reading and the rows' heading.
void ListingHead(const ImportReport& report, std::vector<std::string>& out) {
  out.push_back(ImportCounts(report));
  if (report.Signs.empty()) {
    out.push_back("Признаков неверного чтения нет.");
  } else {
    out.push_back("Признаки неверного чтения:");
    for (const ImportSign& sign : report.Signs) out.push_back("  ► " + ImportSignText(sign));
  }
  out.push_back("");
  out.push_back(std::string(kLineColumns - 6, ' ') + "Строка  " + Column("Текст") + "  Числа");
}

// The names of the signs found on the line, after a marker; empty when there are none.
std::string SignMarks(const ImportReport& report, std::int64_t line) {
  std::string marks;
  for (const ImportSign& sign : report.Signs) {
    if (sign.Line == line)
      marks += std::string(marks.empty() ? "  ◄ " : ", ") + SignName(sign.Kind);
  }
  return marks;
}

// The prefix's rows one byte at a time, each with the numbers the reader takes from it.
class RowLister {
 public:
  RowLister(const ImportReport& report, std::vector<std::string>& out)
      : report_(report), out_(out) {
    row_.Line = 1;
  }

  // Takes the next byte; false when the listing ends after it.
  bool Feed(char b, int maxLines) {
    if (IsNumberByte(b)) {
      if (!stopped_) token_ += b;
      row_.Text += b;
      afterCarriageReturn_ = false;
      return true;
    }
    if (!token_.empty()) StoreToken();
    if (b == '\n' && afterCarriageReturn_) {
      afterCarriageReturn_ = false;
      return true;
    }
    afterCarriageReturn_ = b == '\r';
    if (b == '\n' || b == '\r') return EndLine(maxLines);
    row_.Text += b;
    return true;
  }

  // Lists what the prefix's last line holds.
  void Finish() {
    if (!token_.empty()) StoreToken();
    if (!row_.Text.empty() || !row_.Numbers.empty()) EndRow();
  }

  // Whether the reader has taken its last number.
  bool Stopped() const { return stopped_; }

 private:
  void StoreToken() {
    k_ += 1;
    if (!row_.Numbers.empty()) row_.Numbers += "  ";
    if (k_ > kReaderNumbers || (report_.ReadFailed && k_ > report_.NumbersRead)) {
      if (!stopped_) row_.Numbers += "(дальше не прочитано)";
      stopped_ = true;
    } else {
      const std::string value = TokenValue(token_);
      row_.Numbers += NumberLabel(k_) + " = " + value;
      if (k_ == report_.NumbersRead && k_ % 2 == 1) row_.Numbers += " (без пары)";
    }
    token_.clear();
  }

  void EndRow() {
    const std::string marks = SignMarks(report_, row_.Line);
    const bool marked = !marks.empty();
    out_.push_back((marked ? "►" : " ") + RightAligned(row_.Line, kLineColumns - 1) + "  " +
                   Column(row_.Text) + "  " + (row_.Numbers.empty() ? "—" : row_.Numbers) + marks);
    ++listed_;
    row_.Line += 1;
    row_.Text.clear();
    row_.Numbers.clear();
  }

  // Lists the row a line break ends; false when the listing ends with it.
  bool EndLine(int maxLines) {
    EndRow();
    if (stopped_ || listed_ >= maxLines) return false;
    return !(report_.ReadFailed && k_ >= report_.NumbersRead);
  }

  const ImportReport& report_;
  std::vector<std::string>& out_;
  std::int64_t k_ = 0;
  Row row_;
  std::string token_;
  bool stopped_ = false;
  bool afterCarriageReturn_ = false;
  int listed_ = 0;
};

}  // namespace

std::vector<std::string> ImportListing(const ImportReport& report, int maxLines) {
  std::vector<std::string> out;
  ListingHead(report, out);
  const std::string& bytes = report.Prefix;
  RowLister rows(report, out);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (!rows.Feed(bytes[i], maxLines)) return out;
  }
  rows.Finish();
  if (bytes.size() >= kImportPrefixBytes && !rows.Stopped()) out.push_back("…");
  return out;
}

std::string UnreadableDetail(const std::string& fileName, const ImportReport& report) {
  return "Файл «" + fileName + "», строка " + std::to_string(report.FailedLine) + ": «" +
         report.FailedToken + "» — не число.";
}

std::string TooShortDetail(const std::string& fileName, const ImportReport& report) {
  return "Файл «" + fileName + "»: прочитано " +
         RussianCount(report.NumbersRead, "число", "числа", "чисел") + " (" +
         RussianCount(report.Pairs, "пара", "пары", "пар") + ").";
}

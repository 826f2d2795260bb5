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

std::vector<std::string> ImportListing(const ImportReport& report, int maxLines) {
  std::vector<std::string> out;
  out.push_back(ImportCounts(report));
  if (report.Signs.empty()) {
    out.push_back("Признаков неверного чтения нет.");
  } else {
    out.push_back("Признаки неверного чтения:");
    for (const ImportSign& sign : report.Signs) out.push_back("  ► " + ImportSignText(sign));
  }
  out.push_back("");
  out.push_back(std::string(kLineColumns - 6, ' ') + "Строка  " + Column("Текст") + "  Числа");

  const std::string& bytes = report.Prefix;
  std::int64_t k = 0;
  Row row;
  row.Line = 1;
  std::string token;
  bool stopped = false;  // the reader has taken its last number
  bool afterCarriageReturn = false;
  int listed = 0;

  const auto storeToken = [&] {
    k += 1;
    if (!row.Numbers.empty()) row.Numbers += "  ";
    if (k > kReaderNumbers || (report.ReadFailed && k > report.NumbersRead)) {
      if (!stopped) row.Numbers += "(дальше не прочитано)";
      stopped = true;
    } else {
      const std::string value = TokenValue(token);
      row.Numbers += NumberLabel(k) + " = " + value;
      if (k == report.NumbersRead && k % 2 == 1) row.Numbers += " (без пары)";
    }
    token.clear();
  };
  const auto endRow = [&] {
    std::string marks;
    for (const ImportSign& sign : report.Signs) {
      if (sign.Line == row.Line)
        marks += std::string(marks.empty() ? "  ◄ " : ", ") + SignName(sign.Kind);
    }
    const bool marked = !marks.empty();
    out.push_back((marked ? "►" : " ") + RightAligned(row.Line, kLineColumns - 1) + "  " +
                  Column(row.Text) + "  " + (row.Numbers.empty() ? "—" : row.Numbers) + marks);
    ++listed;
    row.Line += 1;
    row.Text.clear();
    row.Numbers.clear();
  };

  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char b = bytes[i];
    if (IsNumberByte(b)) {
      if (!stopped) token += b;
      row.Text += b;
      afterCarriageReturn = false;
      continue;
    }
    if (!token.empty()) storeToken();
    if (b == '\n' && afterCarriageReturn) {
      afterCarriageReturn = false;
      continue;
    }
    afterCarriageReturn = b == '\r';
    if (b == '\n' || b == '\r') {
      endRow();
      if (stopped || listed >= maxLines) return out;
      if (report.ReadFailed && k >= report.NumbersRead) return out;
      continue;
    }
    row.Text += b;
  }
  if (!token.empty()) storeToken();
  if (!row.Text.empty() || !row.Numbers.empty()) endRow();
  if (bytes.size() >= kImportPrefixBytes && !stopped) out.push_back("…");
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

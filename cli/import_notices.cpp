#include "cli/import_notices.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "cli/json_text.h"

namespace {

// Stable names of the import check's signs, in the order of ImportSignKind.
constexpr const char* kSignNames[kImportSignKinds] = {"header_with_digits",
                                                      "exponent_split",
                                                      "unicode_minus",
                                                      "other_dash",
                                                      "time_colon",
                                                      "thousands_separator",
                                                      "ragged_row",
                                                      "comma_separator",
                                                      "numbers_left_out"};

std::string Quoted(const std::string& token) { return "'" + token + "'"; }

// English for a sign; the Russian is the window's own explanation.
std::string EnglishText(const ImportSign& sign, bool estimated) {
  const std::string t = Quoted(sign.Token);
  const std::string count = std::to_string(sign.Count);
  switch (sign.Kind) {
    case ImportSignKind::HeaderWithDigits:
      return t + " looks like a header, and its digits are read as numbers";
    case ImportSignKind::ExponentSplit:
      return t +
             " is read as two numbers: the reader knows no exponent (read without --pairs, as a "
             "table, they are)";
    case ImportSignKind::UnicodeMinus:
      return t + ": the Unicode minus sign is not read, so the value turns positive";
    case ImportSignKind::OtherDash:
      return t + ": a dash other than '-' is not read as a minus";
    case ImportSignKind::TimeColon:
      return t + " is read as two numbers: the colon of a time splits it";
    case ImportSignKind::ThousandsSeparator:
      return t + " is read as two numbers: the separator of the thousands splits it";
    case ImportSignKind::RaggedRow:
      return t + " holds another count of numbers than most lines: an empty cell, NA or an " +
             "extra number shifts every later pair (lines like it: " + count + ")";
    case ImportSignKind::CommaSeparator:
      return t + ": commas separate the columns, but the reader takes a comma for a decimal point";
    case ImportSignKind::NumbersLeftOut:
      return t + " and what follows is not read: only the first 200 numbers (100 pairs) are " +
             "taken; " +
             (sign.AtLeast ? "at least "
              : estimated  ? "about "
                           : "") +
             count + " more numbers are left out";
  }
  return t;
}

bool HasSign(const ImportReport& report, ImportSignKind kind) {
  return std::any_of(report.Signs.begin(), report.Signs.end(), [kind](const ImportSign& sign) {
    return sign.Kind == kind;
  });
}

// NUL bytes: UTF-16 text (or no text at all), whose numbers the reader takes apart; the
// import check's signs then only describe the pieces, so this notice replaces them.
void AddNulNotice(const ImportReport& report, Language language, std::vector<FileNotice>& out) {
  const std::string_view bytes = report.Prefix;
  const std::size_t nul = bytes.find('\0');
  if (nul == std::string_view::npos) return;
  out.clear();
  const bool utf16 = bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF";
  FileNotice notice;
  notice.Line = 1 + std::count(bytes.begin(), bytes.begin() + nul, '\n');
  notice.Kind = utf16 ? "utf16" : "nul_bytes";
  notice.Token = utf16 ? "UTF-16" : "NUL";
  notice.Text = utf16 ? Say(language,
                            "the file is UTF-16 text, which the reader takes byte by byte: its "
                            "numbers are not the file's (save it as UTF-8, or read it without "
                            "--pairs, as a table)",
                            "файл в кодировке UTF-16, а читается побайтно: числа не те, что в "
                            "файле (сохраните его в UTF-8 или читайте без --pairs, как таблицу)")
                      : Say(language,
                            "the file holds NUL bytes: it is not plain text",
                            "в файле есть байты NUL: это не простой текст");
  out.push_back(notice);
}

// More than two numbers on most of three or more lines: the pairs are taken across the columns. Not
// said where a sign that splits numbers in two already explains the count.
void AddColumnsNotice(const ImportReport& report, Language language, std::vector<FileNotice>& out) {
  const std::string_view bytes = report.Prefix;
  if (bytes.find('\0') != std::string_view::npos) return;
  for (const ImportSignKind split : {ImportSignKind::ExponentSplit,
                                     ImportSignKind::TimeColon,
                                     ImportSignKind::ThousandsSeparator}) {
    if (HasSign(report, split)) return;
  }
  std::map<int, std::int64_t> lines;      // count of numbers -> lines holding it
  std::map<int, std::int64_t> firstLine;  // and the first of them
  std::map<int, std::string_view> firstText;
  std::int64_t line = 1;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view text = bytes.substr(start, end - start);
    int numbers = 0;
    bool inNumber = false;
    for (const char ch : text) {
      const bool numberByte = (ch >= '0' && ch <= '9') || ch == '.' || ch == ',' || ch == '-';
      if (numberByte && !inNumber) ++numbers;
      inNumber = numberByte;
    }
    if (numbers > 0 && lines[numbers]++ == 0) {
      firstLine[numbers] = line;
      firstText[numbers] = text;
    }
    ++line;
    start = end + 1;
  }
  const auto most = std::max_element(
      lines.begin(), lines.end(), [](auto a, auto b) { return a.second < b.second; });
  // A line or two of many numbers is a layout of its own, not a table.
  constexpr std::int64_t kTableLines = 3;
  if (most == lines.end() || most->first <= 2 || most->second < kTableLines) return;
  std::string_view text = firstText[most->first];
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  FileNotice notice;
  notice.Line = firstLine[most->first];
  notice.Kind = "columns";
  notice.Token = std::string(text.substr(0, kImportShownBytes));
  const int n = most->first;
  notice.Text = language == Language::Russian
                    ? "«" + notice.Token + "» — в большинстве строк " +
                          RussianCount(n, "число", "числа", "чисел") +
                          ", а пары x, y берутся подряд через столбцы (третий столбец, "
                          "например σ?); без --pairs файл читается как таблица"
                    : Quoted(notice.Token) + ": most lines hold " + std::to_string(n) +
                          " numbers, and the x, y pairs are taken in turn across the columns "
                          "(a third column such as σ?); read without --pairs, as a table, it keeps "
                          "the columns";
  out.push_back(notice);
}

}  // namespace

std::vector<FileNotice> ImportNotices(const ImportReport& report, Language language) {
  std::vector<FileNotice> out;
  for (const ImportSign& sign : report.Signs) {
    FileNotice notice;
    notice.Line = sign.Line;
    notice.Kind = kSignNames[static_cast<int>(sign.Kind)];
    notice.Token = sign.Token;
    notice.Text = language == Language::Russian ? sign.Explanation
                                                : EnglishText(sign, report.LeftOutEstimated);
    out.push_back(std::move(notice));
  }
  AddNulNotice(report, language, out);
  AddColumnsNotice(report, language, out);
  std::stable_sort(out.begin(), out.end(), [](const FileNotice& a, const FileNotice& b) {
    return a.Line < b.Line;
  });
  return out;
}

std::string UnreadableCause(const ImportReport& report, Language language) {
  if (report.FailedLine == 0) return {};
  const std::string line = std::to_string(report.FailedLine);
  // A comma between two numbers: most likely a CSV file, which --table reads.
  const bool commas = report.FailedToken.find(',') != std::string::npos;
  return language == Language::Russian
             ? "строка " + line + ": «" + report.FailedToken + "» — не число" +
                   (commas ? "; запятые разделяют столбцы? без --pairs файл читается как таблица"
                           : "")
             : "line " + line + ": " + Quoted(report.FailedToken) + " is not a number" +
                   (commas ? "; do commas separate the columns? read without --pairs, as a table"
                           : "");
}

std::string NoticesJson(const std::vector<FileNotice>& notices) {
  std::string list = "[";
  for (const FileNotice& notice : notices) {
    if (list.size() > 1) list += ',';
    JsonObject object;
    Add(object, "line", std::to_string(notice.Line));
    Add(object, "kind", JsonString(notice.Kind));
    Add(object, "token", JsonString(notice.Token));
    Add(object, "text", JsonString(notice.Text));
    list += Close(object);
  }
  return list + "]";
}

#include "data/table_values.h"

#include <fast_float/fast_float.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <span>
#include <string>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly `count` digits at text[at] into value and moves at past them.
bool ReadDigits(std::string_view text, std::size_t& at, int count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (int i = 0; i < count; ++i) {
    if (!IsDigit(text[at])) return false;
    value = value * 10 + (text[at++] - '0');
  }
  return true;
}

// Reads one or two digits at text[at], as spreadsheets write days, months and hours.
bool ReadShortNumber(std::string_view text, std::size_t& at, int& value) {
  if (at >= text.size() || !IsDigit(text[at])) return false;
  value = text[at++] - '0';
  if (at < text.size() && IsDigit(text[at])) value = value * 10 + (text[at++] - '0');
  return true;
}

bool Skip(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

// :ss[.fff] at text[at], when there: the whole seconds and with their fraction.
bool ReadSeconds(std::string_view text, std::size_t& at, int& second, double& seconds) {
  if (!Skip(text, at, ':')) return true;
  if (!ReadDigits(text, at, 2, second)) return false;
  seconds = second;
  if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
    const std::size_t from = ++at;
    double scale = 0.1;
    for (; at < text.size() && IsDigit(text[at]); ++at, scale /= 10) {
      seconds += (text[at] - '0') * scale;
    }
    if (at == from) return false;
  }
  return true;
}

// h:mm or hh:mm[:ss[.fff]] at text[at], as a fraction of a day.
bool ReadTime(std::string_view text, std::size_t& at, double& dayFraction) {
  int hour = 0, minute = 0, second = 0;
  if (!ReadShortNumber(text, at, hour) || !Skip(text, at, ':') ||
      !ReadDigits(text, at, 2, minute)) {
    return false;
  }
  double seconds = 0;
  if (!ReadSeconds(text, at, second, seconds)) return false;
  // 24:00 is the end of the day; a leap second 60 is let through as ISO 8601 allows it.
  if (hour > 24 || minute > 59 || second > 60 || (hour == 24 && (minute != 0 || seconds != 0))) {
    return false;
  }
  dayFraction = ((hour * 60 + minute) * 60 + seconds) / 86400.0;
  return true;
}

// Z, +hh:mm, +hhmm or +hh at text[at], as the days to subtract for UTC.
bool ReadZone(std::string_view text, std::size_t& at, double& offsetDays) {
  offsetDays = 0;
  if (Skip(text, at, 'Z')) return true;
  // The zone's name, as R's format(usetz = TRUE), databases and logs write it.
  for (const std::string_view utc : {" UTC", " GMT", "UTC"}) {
    if (text.substr(at) == utc) {
      at = text.size();
      return true;
    }
  }
  const char sign = text[at];
  if (sign != '+' && sign != '-') return false;
  ++at;
  int hours = 0, minutes = 0;
  if (!ReadDigits(text, at, 2, hours)) return false;
  if (at < text.size()) {
    Skip(text, at, ':');
    if (!ReadDigits(text, at, 2, minutes)) return false;
  }
  if (hours > 23 || minutes > 59) return false;
  offsetDays = (sign == '-' ? -1 : 1) * (hours * 60 + minutes) / 1440.0;
  return true;
}

// The widths of up to three groups of digits before the first blank, joined by one kind of
// '.', '/' or '-'; false for any other byte there.
bool DigitGroups(std::string_view cell,
                 std::array<int, 3>& widths,
                 char& joiner,
                 std::size_t& group) {
  const std::size_t end = std::min(cell.find(' '), cell.size());
  for (std::size_t i = 0; i < end; ++i) {
    const char c = cell[i];
    if (IsDigit(c)) {
      ++widths[group];
    } else if ((c == '.' || c == '/' || c == '-') && (joiner == 0 || c == joiner) && group < 2) {
      joiner = c;
      ++group;
    } else {
      return false;
    }
  }
  return true;
}

// d.m.y, m/d/y, y/m/d and the like: three groups of digits joined by one '.', '/' or '-',
// optionally followed by a blank and a time.
bool LooksLikeLocalDate(std::string_view cell) {
  std::array<int, 3> widths{};
  char joiner = 0;
  std::size_t group = 0;
  if (!DigitGroups(cell, widths, joiner, group)) return false;
  // A day or month of one or two digits in the middle, a year of two or four at one end:
  // 1.250.000 is a number with thousands points, not a date.
  const auto dayOrMonth = [](int width) { return width == 1 || width == 2; };
  const auto year = [](int width) { return width == 2 || width == 4; };
  // 2023-02-30 has the ISO form: an impossible date, not a local one.
  if (joiner == '-' && widths[0] == 4) return false;
  return group == 2 && dayOrMonth(widths[1]) &&
         ((dayOrMonth(widths[0]) && year(widths[2])) || (widths[0] == 4 && dayOrMonth(widths[2])));
}

}  // namespace

bool IsMissingCell(std::string_view cell) {
  static constexpr std::string_view kMissing[] = {
      "", "NA", "N/A", "#N/A", "NaN", "nan", "NAN", "NULL", "null", "-nan", "None", "***", "****"};
  for (const std::string_view missing : kMissing) {
    if (cell == missing) return true;
  }
  return false;
}

namespace {

bool ReadPlainNumber(std::string_view cell, char decimalMark, double& value) {
  if (cell.empty()) return false;
  const fast_float::parse_options options(fast_float::chars_format::general, decimalMark);
  const auto result =
      fast_float::from_chars_advanced(cell.data(), cell.data() + cell.size(), value, options);
  return result.ec == std::errc() && result.ptr == cell.data() + cell.size() &&
         std::isfinite(value);
}

// The groups of three digits after each mark from `at` on appended to plain; false where a
// group is not three digits or is followed by anything but the mark.
bool AppendGroups(std::string_view whole,
                  std::string_view mark,
                  std::size_t at,
                  std::string& plain) {
  while (at != std::string_view::npos && at < whole.size()) {
    const std::string_view group = whole.substr(at + mark.size(), 3);
    at += mark.size() + 3;
    if (group.size() != 3 || !std::all_of(group.begin(), group.end(), IsDigit)) return false;
    if (at < whole.size() && whole.substr(at, mark.size()) != mark) return false;
    plain += group;
  }
  return true;
}

// The cell without the marks between its thousands ("1 149,00" as a spreadsheet shows it, and
// writes it into a CSV when the cell is formatted so): a blank, a no-break or narrow no-break
// space, a thin space or an apostrophe, between groups of exactly three digits before the
// decimal mark. Empty when the cell has no such regular grouping, so "1 25" stays no number.
// Beside a decimal point a comma groups too ("5,026.37", as US spreadsheets write a formatted
// cell), but only before a fraction or twice: "1,234" may be a decimal comma, "0,125" is one.
std::string Ungrouped(std::string_view cell, char decimalMark) {
  const std::string_view marks[] = {" ", "\xC2\xA0", "\xE2\x80\xAF", "\xE2\x80\x89", "'", ","};
  const std::size_t markCount = decimalMark == '.' ? std::size(marks) : std::size(marks) - 1;
  const char ends[] = {decimalMark, 'e', 'E', '\0'};
  const std::size_t end = std::min(cell.find_first_of(ends), cell.size());
  const std::string_view whole = cell.substr(0, end);
  for (const std::string_view mark : std::span(marks, markCount)) {
    std::size_t at = whole.find(mark);
    if (at == std::string_view::npos) continue;
    const std::size_t lead = whole[0] == '-' ? 1 : 0;
    if (at <= lead || at - lead > 3) return {};
    const bool twice = whole.find(mark, at + 1) != std::string_view::npos;
    if (mark == "," && (whole[lead] == '0' || !(twice || end < cell.size()))) return {};
    std::string plain(whole.substr(0, at));
    if (!AppendGroups(whole, mark, at, plain)) return {};
    return plain += cell.substr(end);
  }
  return {};
}

}  // namespace

namespace {

// The cell with Fortran's double-precision exponent mark (1.5D+03, 2.0d-1) made an E; empty
// where it has none, between a digit or mark and a signed or plain exponent.
std::string WithExponentE(std::string_view cell) {
  const std::size_t at = cell.find_first_of("Dd");
  if (at == std::string_view::npos || at == 0 || at + 1 >= cell.size()) return {};
  std::size_t digits = at + 1 + (cell[at + 1] == '+' || cell[at + 1] == '-' ? 1 : 0);
  if (digits >= cell.size()) return {};
  for (std::size_t i = digits; i < cell.size(); ++i) {
    if (!IsDigit(cell[i])) return {};
  }
  std::string e(cell);
  e[at] = 'E';
  return e;
}

bool IsYearWord(std::string_view word) {
  return word == "г." || word == "г" || word == "года" || word == "год";
}

// The four digits of a year written with the Russian word for it (1990 г., 1990г.), as Rosstat's
// tables write years; empty for anything else.
std::string_view YearOfWord(std::string_view cell) {
  if (cell.size() < 5 || !std::all_of(cell.begin(), cell.begin() + 4, IsDigit)) return {};
  std::string_view word = cell.substr(4);
  for (const std::string_view space : {" ", "\xC2\xA0"}) {
    if (word.starts_with(space)) word.remove_prefix(space.size());
  }
  return word == "г." || word == "г" ? cell.substr(0, 4) : std::string_view{};
}

// The words and numbers of a date between separators, at most four (-1 for more), with the
// Russian word for the year left out ("март 2020 г.", "15 января 2020 года", "2020г.").
int DateWords(std::string_view cell, std::string_view separators, std::string_view (&tokens)[4]) {
  int count = 0;
  for (std::size_t at = 0; at < cell.size();) {
    const std::size_t end = std::min(cell.find_first_of(separators, at), cell.size());
    std::string_view token = cell.substr(at, end - at);
    at = end + 1;
    if (const std::string_view year = YearOfWord(token); !year.empty()) token = year;
    if (token.empty() || IsYearWord(token)) continue;
    if (count == 4) return -1;
    tokens[count++] = token;
  }
  return count;
}

}  // namespace

namespace {

// The minus sign U+2212, as typeset text and some spreadsheets' exports write it: a '-'. The
// cell with each one a hyphen (kept in hyphens), or the cell itself where it has none.
std::string_view WithHyphens(std::string_view cell, std::string& hyphens) {
  constexpr std::string_view kMinus = "\xE2\x88\x92";
  if (cell.find(kMinus) == std::string_view::npos) return cell;
  for (std::size_t at = 0; at < cell.size(); ++at) {
    const bool minus = cell.substr(at, kMinus.size()) == kMinus;
    hyphens += minus ? '-' : cell[at];
    if (minus) at += kMinus.size() - 1;
  }
  return hyphens;
}

// A cell formatted as a percentage is written with its sign (12.5%, 12,5 %): the number shown.
// False where nothing or a second sign stays.
bool DropPercent(std::string_view& cell) {
  if (!(cell.size() > 1 && cell.back() == '%')) return true;
  cell.remove_suffix(1);
  for (const std::string_view space : {" ", "\xC2\xA0", "\xE2\x80\xAF"}) {
    if (cell.ends_with(space)) cell.remove_suffix(space.size());
  }
  return !(cell.empty() || cell.back() == '%' || cell.back() == ' ');
}

}  // namespace

bool ReadCellNumber(std::string_view cell, char decimalMark, double& value) {
  if (const std::string_view year = YearOfWord(cell); !year.empty()) cell = year;
  std::string hyphens;
  cell = WithHyphens(cell, hyphens);
  // fast_float reads as from_chars does, with no leading '+'; spreadsheets may write one.
  if (cell.size() > 1 && cell[0] == '+' && cell[1] != '-') cell.remove_prefix(1);
  if (!DropPercent(cell)) return false;
  if (ReadPlainNumber(cell, decimalMark, value)) return true;
  const std::string fortran = WithExponentE(cell);
  if (!fortran.empty()) return ReadPlainNumber(fortran, decimalMark, value);
  const std::string plain = Ungrouped(cell, decimalMark);
  return !plain.empty() && ReadPlainNumber(plain, decimalMark, value);
}

namespace {

// Days since 1970-01-01 of a calendar date; false for an impossible one such as 2023-02-29.
bool DaysOf(int year, int month, int day, double& days) {
  const std::chrono::year_month_day date{std::chrono::year(year),
                                         std::chrono::month(static_cast<unsigned>(month)),
                                         std::chrono::day(static_cast<unsigned>(day))};
  if (!date.ok()) return false;
  days = static_cast<double>(std::chrono::sys_days(date).time_since_epoch().count());
  return true;
}

}  // namespace

bool ReadIsoDate(std::string_view cell, double& days) {
  std::size_t at = 0;
  int year = 0, month = 0, day = 0;
  if (!ReadDigits(cell, at, 4, year) || !Skip(cell, at, '-') || !ReadDigits(cell, at, 2, month)) {
    return false;
  }
  if (at == cell.size()) return DaysOf(year, month, 1, days);  // a month: its first day
  if (!Skip(cell, at, '-') || !ReadDigits(cell, at, 2, day)) return false;
  double dayNumber = 0;
  if (!DaysOf(year, month, day, dayNumber)) return false;
  double dayFraction = 0, offsetDays = 0;
  if (at < cell.size()) {
    if (cell[at] != 'T' && cell[at] != ' ') return false;
    ++at;
    if (!ReadTime(cell, at, dayFraction)) return false;
    if (at < cell.size() && !ReadZone(cell, at, offsetDays)) return false;
  }
  if (at != cell.size()) return false;
  days = dayNumber + dayFraction - offsetDays;
  return true;
}

namespace {

// The year, month and day of a dotted date: year first (2024.03.01, as Hungary and East Asia
// write dates), else day first.
bool ReadDottedParts(std::string_view cell, std::size_t& at, int& year, int& month, int& day) {
  if (cell.size() > 4 && cell[4] == '.') {
    return ReadDigits(cell, at, 4, year) && Skip(cell, at, '.') &&
           ReadShortNumber(cell, at, month) && Skip(cell, at, '.') &&
           ReadShortNumber(cell, at, day);
  }
  return ReadShortNumber(cell, at, day) && Skip(cell, at, '.') &&
         ReadShortNumber(cell, at, month) && Skip(cell, at, '.') && ReadDigits(cell, at, 4, year);
}

}  // namespace

bool ReadDottedDate(std::string_view cell, double& days) {
  std::size_t at = 0;
  int year = 0, month = 0, day = 0;
  if (!ReadDottedParts(cell, at, year, month, day)) return false;
  double dayNumber = 0, dayFraction = 0;
  if (!DaysOf(year, month, day, dayNumber)) return false;
  if (at < cell.size() && (cell[at++] != ' ' || !ReadTime(cell, at, dayFraction))) return false;
  if (at != cell.size()) return false;
  days = dayNumber + dayFraction;
  return true;
}

bool ReadDateCode(std::string_view cell, double& days) {
  std::size_t at = 0;
  int year = 0, month = 0, day = 1;
  if (cell.size() != 6 && cell.size() != 8) return false;
  if (!ReadDigits(cell, at, 4, year) || !ReadDigits(cell, at, 2, month)) return false;
  if (at < cell.size() && !ReadDigits(cell, at, 2, day)) return false;
  return year >= 1000 && DaysOf(year, month, day, days);
}

bool DateOfParts(double year, double month, double day, double& days) {
  if (!(year >= 1000 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31) ||
      year != std::floor(year) || month != std::floor(month) || day != std::floor(day)) {
    return false;
  }
  return DaysOf(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day), days);
}

namespace {

// Four digits then a slash or dash: the year comes first (2024-03-01, 2024/03/01).
bool StartsWithYear(std::string_view cell) {
  return cell.size() > 4 && IsDigit(cell[0]) && IsDigit(cell[3]) && IsDigit(cell[2]) &&
         IsDigit(cell[1]) && (cell[4] == '/' || cell[4] == '-');
}

// Steps over the slash or dash at `at`; every joiner of a date must be the first one's.
bool SkipJoiner(std::string_view cell, std::size_t& at, char& joiner) {
  if (at >= cell.size() || (cell[at] != '/' && cell[at] != '-') || (joiner && cell[at] != joiner)) {
    return false;
  }
  joiner = cell[at++];
  return true;
}

// The date's three numbers in the order written, the year with four digits, the others with
// one or two.
bool ReadOrderedParts(
    std::string_view cell, std::size_t& at, bool yearFirst, int& first, int& second, int& year) {
  int* const parts[3] = {
      yearFirst ? &year : &first, yearFirst ? &first : &second, yearFirst ? &second : &year};
  char joiner = 0;
  for (int p = 0; p < 3; ++p) {
    if (p > 0 && !SkipJoiner(cell, at, joiner)) return false;
    const bool read =
        parts[p] == &year ? ReadDigits(cell, at, 4, year) : ReadShortNumber(cell, at, *parts[p]);
    if (!read) return false;
  }
  return true;
}

// A twelve-hour time's " AM" or " PM" (the hour 1 to 12) turned into the fraction of the day.
bool ApplyHalfDay(std::string_view half, double& dayFraction) {
  const bool am = half == " AM" || half == " am", pm = half == " PM" || half == " pm";
  if (!(am || pm) || dayFraction >= 13.0 / 24 || dayFraction < 1.0 / 24) return false;
  if (pm && dayFraction < 0.5) dayFraction += 0.5;
  if (am && dayFraction >= 0.5) dayFraction -= 0.5;
  return true;
}

// The parts of a date with slashes or dashes and a four-digit year, and the fraction of the day
// of a time after it (with AM or PM as US spreadsheets write it); false for anything else.
bool SplitOrderedDate(std::string_view cell,
                      int& first,
                      int& second,
                      int& year,
                      bool& yearFirst,
                      double& dayFraction) {
  std::size_t at = 0;
  yearFirst = StartsWithYear(cell);
  if (!ReadOrderedParts(cell, at, yearFirst, first, second, year)) return false;
  dayFraction = 0;
  if (at == cell.size()) return true;
  if (cell[at++] != ' ' || !ReadTime(cell, at, dayFraction)) return false;
  if (at == cell.size()) return true;
  return ApplyHalfDay(cell.substr(at), dayFraction);
}

}  // namespace

DateOrder OrderShown(std::string_view cell) {
  int first = 0, second = 0, year = 0;
  bool yearFirst = false;
  double fraction = 0;
  if (!SplitOrderedDate(cell, first, second, year, yearFirst, fraction)) return DateOrder::None;
  if (yearFirst) return DateOrder::YearFirst;
  if (first > 12 && second <= 12) return DateOrder::DayFirst;
  if (second > 12 && first <= 12) return DateOrder::MonthFirst;
  return first <= 12 && second <= 12 ? DateOrder::Either : DateOrder::None;
}

bool ReadOrderedDate(std::string_view cell, bool dayFirst, double& days) {
  int first = 0, second = 0, year = 0;
  bool yearFirst = false;
  double fraction = 0, day = 0;
  if (!SplitOrderedDate(cell, first, second, year, yearFirst, fraction)) return false;
  const bool firstIsDay = dayFirst && !yearFirst;
  if (!DaysOf(year, firstIsDay ? second : first, firstIsDay ? first : second, day)) return false;
  days = day + fraction;
  return true;
}

bool ReadTimeOfDay(std::string_view cell, double& dayFraction) {
  std::size_t at = 0;
  return ReadTime(cell, at, dayFraction) && at == cell.size();
}

namespace {

// One word of a date with its month named: the first four digits its year, the first one or
// two its day, the first other word its month's name; false for a word that names no month.
bool TakeDateWord(std::string_view token, int& year, int& month, int& day) {
  const bool digits = std::all_of(token.begin(), token.end(), IsDigit);
  int value = 0;
  std::size_t at = 0;
  if (digits && token.size() == 4 && !year && ReadDigits(token, at, 4, value)) {
    year = value;
  } else if (digits && token.size() <= 2 && !day && ReadShortNumber(token, at, value)) {
    day = value;
  } else if (!month && (month = MonthOfName(token)) == 0) {
    return false;
  }
  return true;
}

}  // namespace

bool ReadNamedMonthDate(std::string_view cell, double& days) {
  // Words and numbers between blanks, dashes, slashes and commas: "1949 Jan", "Jan-1949",
  // "15 января 2020", "Jan 15, 2020".
  std::string_view tokens[4];
  const int count = DateWords(cell, " -/,", tokens);
  if (count < 0) return false;
  int year = 0, month = 0, day = 0;
  for (int t = 0; t < count; ++t) {
    if (!TakeDateWord(tokens[t], year, month, day)) return false;
  }
  if (count != (day ? 3 : 2) || !year || !month) return false;
  return DaysOf(year, month, day ? day : 1, days);
}

bool ReadNumericMonth(std::string_view cell, double& days) {
  const std::size_t joint = cell.find_first_of("/.-");
  if (joint == std::string_view::npos || joint + 1 >= cell.size()) return false;
  const std::string_view before = cell.substr(0, joint), after = cell.substr(joint + 1);
  const auto digits = [](std::string_view part) {
    return !part.empty() && std::all_of(part.begin(), part.end(), IsDigit);
  };
  if (!digits(before) || !digits(after)) return false;
  const bool yearFirst = before.size() == 4;
  const std::string_view yearPart = yearFirst ? before : after,
                         monthPart = yearFirst ? after : before;
  if (yearPart.size() != 4 || monthPart.size() > 2 || (yearFirst && monthPart.size() != 2)) {
    return false;
  }
  std::size_t at = 0;
  int year = 0, month = 0;
  ReadDigits(yearPart, at, 4, year);
  at = 0;
  ReadShortNumber(monthPart, at, month);
  return year >= 1000 && month >= 1 && month <= 12 && DaysOf(year, month, 1, days);
}

namespace {

// What the words of a quarter said: its year, "Q1", a number or Roman numeral, the word for one.
struct QuarterWords {
  int Year = 0;
  int Quarter = 0;
  int Numbered = 0;
  bool Named = false;
};

// Takes one word of a quarter; false for a word no quarter has.
bool TakeQuarterWord(std::string_view token, QuarterWords& words) {
  static constexpr std::string_view kRoman[] = {"I", "II", "III", "IV"};
  std::size_t at = 0;
  int value = 0;
  const auto* roman = std::find(std::begin(kRoman), std::end(kRoman), token);
  if (token.size() == 4 && !words.Year && ReadDigits(token, at, 4, value)) {
    words.Year = value;
  } else if (token.size() == 2 && (token[0] == 'Q' || token[0] == 'q') && IsDigit(token[1])) {
    words.Quarter = token[1] - '0';
  } else if (token == "кв" || token == "кв." || token == "квартал") {
    words.Named = true;
  } else if (token.size() == 1 && IsDigit(token[0])) {
    words.Numbered = token[0] - '0';
  } else if (roman != std::end(kRoman)) {
    words.Numbered = static_cast<int>(roman - std::begin(kRoman)) + 1;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ReadQuarter(std::string_view cell, double& days) {
  // Words and numbers between blanks, dashes and slashes: "2024Q1" (pandas), "2024 Q1",
  // "Q1-2024", "1 кв. 2024", "I квартал 2024 г.".
  std::string_view tokens[4];
  int count = DateWords(cell, " -/", tokens);
  if (count < 0) return false;
  if (count == 1 && cell.size() == 6 && (cell[4] == 'Q' || cell[4] == 'q')) {  // 2024Q1
    tokens[0] = cell.substr(0, 4);
    tokens[1] = cell.substr(4);
    count = 2;
  }
  QuarterWords words;
  for (int t = 0; t < count; ++t) {
    if (!TakeQuarterWord(tokens[t], words)) return false;
  }
  // A number alone is a quarter only beside the word for one.
  if (words.Numbered && (!words.Named || words.Quarter)) return false;
  const int quarter = words.Named ? words.Numbered : words.Quarter;
  return words.Year >= 1000 && quarter >= 1 && quarter <= 4 &&
         DaysOf(words.Year, 3 * quarter - 2, 1, days);
}

bool ReadTableDate(std::string_view cell, double& days) {
  return ReadIsoDate(cell, days) || ReadDottedDate(cell, days) || ReadNamedMonthDate(cell, days) ||
         ReadNumericMonth(cell, days) || ReadQuarter(cell, days);
}

CellKind ClassifyCell(std::string_view cell, char decimalMark) {
  if (IsMissingCell(cell)) return CellKind::Missing;
  double value = 0;
  if (ReadCellNumber(cell, decimalMark, value)) return CellKind::Number;
  if (ReadTableDate(cell, value)) return CellKind::Date;
  if (LooksLikeLocalDate(cell)) return CellKind::LocalDate;
  return CellKind::Text;
}

#include "data/import_check.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <memory>

#include "base/run_time_fault.h"
#include "data/data_file_reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The reader takes at most this many numbers (100 pairs).
constexpr std::int64_t kReaderNumbers = 200;

// What the bytes since the last number have been, for the patterns that join or sign a number.
enum Gap : int {
  kGapNone,
  kGapAfterNumber,  // the byte just after a number
  kGapExponent,     // a number ending in a digit, then e or E
  kGapExponentPlus,
  kGapColon,
  kGapThousands,  // a short integer, then a thousands separator
  kGapBlank,      // a short integer, then one blank
  kGapE2,         // the first byte of a three-byte UTF-8 punctuation
  kGapE280,
  kGapE288,
  kGapC2,
  kGapMinus,  // U+2212
  kGapDash,   // U+2010 to U+2014
};

// Which gap came before the number being read.
enum Pattern : int {
  kPatternNone,
  kPatternExponent,
  kPatternColon,
  kPatternThousands,
  kPatternBlank,
  kPatternMinus,
  kPatternDash,
};

bool IsNumberByte(unsigned char b) {
  return (b >= '0' && b <= '9') || b == '.' || b == '-' || b == ',';
}
bool IsDigit(char b) { return b >= '0' && b <= '9'; }

// Letters for telling a header from data: ASCII letters and the bytes of Cyrillic and other
// letters (in UTF-8 or code page 1251); 0xC2 starts the no-break space and 0xE2 the minus and the
// dashes, not letters.
bool IsLetter(unsigned char b) {
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= 0xC3 && b != 0xE2);
}

bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

// Drops a UTF-8 sequence cut short at the end of a shortened text.
std::string TrimCutSequence(std::string text) {
  std::size_t end = text.size();
  std::size_t start = end;
  while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
  if (start > 0 && static_cast<unsigned char>(text[start - 1]) >= 0xC0) {
    const unsigned char lead = static_cast<unsigned char>(text[start - 1]);
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (end - (start - 1) < need) text.resize(start - 1);
  }
  return text;
}

// The kept text, marked with "…" when the whole was longer.
std::string Shown(const std::string& kept, std::int64_t length) {
  if (length <= static_cast<std::int64_t>(kept.size())) return kept;
  return TrimCutSequence(kept) + "…";
}

void AppendBounded(std::string& text, const unsigned char* from, const unsigned char* to) {
  const std::size_t room = kImportShownBytes - std::min(kImportShownBytes, text.size());
  const std::size_t count = std::min<std::size_t>(room, static_cast<std::size_t>(to - from));
  text.append(reinterpret_cast<const char*>(from), count);
}

// A number as the reader would store it, in the text a message shows: shortest digits, and
// U+2212 for a negative value. Falls back to the text itself when it cannot be converted.
std::string ValueText(const std::string& text) {
  if (text.empty() || text.size() >= kImportShownBytes) return text;
  const auto token = std::make_unique<NumberToken>();
  for (char ch : text) AppendTokenByte(*token, ch == ',' ? '.' : ch);
  double value = 0;
  try {
    if (!ConvertToken(*token, value)) return text;
  } catch (const RunTimeFault&) {
    return text;
  }
  char digits[64];
  const double magnitude = std::fabs(value);
  const auto result = std::to_chars(digits, digits + sizeof digits, magnitude);
  std::string out = std::signbit(value) ? "−" : "";
  out.append(digits, result.ptr);
  return out;
}

std::string Numbers(std::int64_t n) { return RussianCount(n, "число", "числа", "чисел"); }
std::string PairsText(std::int64_t n) { return RussianCount(n, "пара", "пары", "пар"); }

std::string Quoted(const std::string& text) { return "«" + text + "»"; }

// Records the first occurrence of a kind; later ones only count.
void Raise(ImportCheck& check,
           ImportSignKind kind,
           std::int64_t line,
           std::string token,
           std::string explanation) {
  ImportSign& sign = check.Found[static_cast<int>(kind)];
  sign.Count += 1;
  if (sign.Line != 0) return;
  sign.Kind = kind;
  sign.Line = line;
  sign.Token = std::move(token);
  sign.Explanation = std::move(explanation);
}

// The thousands separators the check knows, by name: they all look alike in a message.
std::string SeparatorName(const std::string& bytes) {
  if (bytes == "'") return "апостроф";
  if (bytes == "\xE2\x80\x99") return "апостроф «’»";
  if (bytes == "\xC2\xA0") return "неразрывный пробел";
  if (bytes == "\xE2\x80\x89") return "узкий пробел";
  if (bytes == "\xE2\x80\xAF") return "узкий неразрывный пробел";
  return "разделитель";
}

void RaiseJoined(ImportCheck& check, ImportSignKind kind, const std::string& second) {
  const std::string shown = check.PrevText + check.GapText + second;
  std::string why;
  switch (kind) {
    case ImportSignKind::ExponentSplit:
      why = ": запись со степенью через e не читается";
      break;
    case ImportSignKind::TimeColon:
      why = ": время с двоеточием не читается как одно число";
      break;
    default:
      why = ": " + SeparatorName(check.GapText) + " между разрядами делит число на два";
      break;
  }
  Raise(check,
        kind,
        check.TokenLine,
        shown,
        Quoted(shown) + " прочитано как два числа " + ValueText(check.PrevText) + " и " +
            ValueText(second) + why);
}

void RaiseSigned(ImportCheck& check, ImportSignKind kind, const std::string& number) {
  const std::string shown = check.GapText + number;
  const std::string why = kind == ImportSignKind::UnicodeMinus
                              ? ": знак «−» (U+2212) не читается как минус, число стало "
                                "положительным"
                              : ": тире перед цифрами не читается как минус";
  Raise(check,
        kind,
        check.TokenLine,
        shown,
        Quoted(shown) + " прочитано как " + ValueText(number) + why);
}

void StartToken(ImportCheck& check) {
  check.InToken = true;
  check.Text.clear();
  check.Length = 0;
  check.TokenLine = check.Line;
  check.Points = 0;
  check.Commas = 0;
  check.Malformed = false;
  check.LeadDigits = 0;
  check.LeadRunOpen = true;
  check.RunEnd = 0;
  check.OnlyDigits = true;
  check.Current.Content = true;
  switch (check.Gap) {
    case kGapExponent:
    case kGapExponentPlus:
      check.Pattern = kPatternExponent;
      break;
    case kGapColon:
      check.Pattern = kPatternColon;
      break;
    case kGapThousands:
      check.Pattern = kPatternThousands;
      break;
    case kGapBlank:
      check.Pattern = kPatternBlank;
      break;
    case kGapMinus:
      check.Pattern = kPatternMinus;
      break;
    case kGapDash:
      check.Pattern = kPatternDash;
      break;
    default:
      check.Pattern = kPatternNone;
      break;
  }
  check.Gap = kGapNone;
}

void AppendToken(ImportCheck& check, char b) {
  check.Length += 1;
  if (check.Text.size() < kImportShownBytes) check.Text += b;
  if (check.Current.Text.size() < kImportShownBytes) check.Current.Text += b;
  if (b == '-') {
    if (check.Length > 1) {
      check.Malformed = true;
      check.OnlyDigits = false;
    }
  } else if (b == '.' || b == ',') {
    if (++check.Points > 1) check.Malformed = true;
    if (b == ',') check.Commas += 1;
    check.OnlyDigits = false;
  }
  if (check.LeadRunOpen) {
    if (IsDigit(b)) {
      check.LeadDigits += 1;
    } else {
      check.LeadRunOpen = false;
      check.RunEnd = b;
    }
  }
  check.LastByte = b;
}

// The number's leading digits are exactly three, then its end or its point: "250", "250,5".
bool ThreeDigitGroup(const ImportCheck& check) {
  return check.LeadDigits == 3 && (check.RunEnd == 0 || check.RunEnd == '.' || check.RunEnd == ',');
}

void EvaluatePattern(ImportCheck& check) {
  const std::string& t = check.Text;
  const bool startsDigit = IsDigit(t[0]);
  switch (check.Pattern) {
    case kPatternExponent:
      if (startsDigit || (t[0] == '-' && t.size() > 1 && IsDigit(t[1]))) {
        RaiseJoined(check, ImportSignKind::ExponentSplit, Shown(t, check.Length));
      }
      break;
    case kPatternColon:
      if (startsDigit) RaiseJoined(check, ImportSignKind::TimeColon, Shown(t, check.Length));
      break;
    case kPatternThousands:
      if (ThreeDigitGroup(check)) {
        RaiseJoined(check, ImportSignKind::ThousandsSeparator, Shown(t, check.Length));
      }
      break;
    case kPatternBlank:
      // With blanks between columns "10 200" is two numbers as often as one; a line that holds
      // more numbers than most lines decides it at the end.
      if (ThreeDigitGroup(check) && !check.Current.Thousands) {
        check.Current.Thousands = true;
        check.Current.ThousandsFirst = check.PrevText;
        check.Current.ThousandsText = check.PrevText + " " + Shown(t, check.Length);
      }
      break;
    case kPatternMinus:
      if (startsDigit || t[0] == '.') {
        RaiseSigned(check, ImportSignKind::UnicodeMinus, Shown(t, check.Length));
      }
      break;
    case kPatternDash:
      if (startsDigit || t[0] == '.') {
        RaiseSigned(check, ImportSignKind::OtherDash, Shown(t, check.Length));
      }
      break;
    default:
      break;
  }
}

void EndToken(ImportCheck& check) {
  check.InToken = false;
  check.Gap = kGapNone;
  if (check.Tail) {
    check.LeftOut += 1;
    if (check.TailLineOpen) check.Current.Numbers += 1;
    if (check.LeftOut == 1) {
      ImportSign& sign = check.Found[static_cast<int>(ImportSignKind::NumbersLeftOut)];
      sign.Kind = ImportSignKind::NumbersLeftOut;
      sign.Line = check.TokenLine;
      sign.Token = Shown(check.Text, check.Length);
    }
    return;
  }
  check.K += 1;
  if (check.Malformed || (check.Length == 1 && check.Text[0] == '-')) {
    check.Report.ReadFailed = true;
    check.Report.FailedLine = check.TokenLine;
    check.Report.FailedToken = Shown(check.Text, check.Length);
    check.Done = true;
    return;
  }
  check.Current.Numbers += 1;
  check.Current.Commas += check.Commas;
  if (check.Current.Numbers <= 2)
    check.Current.Tokens[check.Current.Numbers - 1] = Shown(check.Text, check.Length);
  EvaluatePattern(check);
  const std::int64_t digits = check.Length - (check.Text[0] == '-' ? 1 : 0);
  check.PrevText = Shown(check.Text, check.Length);
  check.PrevEndsDigit = IsDigit(check.LastByte) || check.LastByte == '.';
  check.PrevShortInteger = check.OnlyDigits && digits >= 1 && digits <= 3;
  check.Gap = kGapAfterNumber;
  if (check.K == kReaderNumbers) {
    check.Tail = true;
    check.TailLineOpen = true;
  }
}

void CountLine(ImportCheck& check, const ImportLine& line) {
  const int bucket = std::min(line.Numbers, kImportTrackedCounts);
  if (check.LinesWithCount[bucket]++ == 0) {
    check.FirstLineWithCount[bucket] = line.Line;
    check.FirstLineText[bucket] = Shown(line.Text, line.Length);
  }
  if (line.Thousands) check.ThousandsLines[bucket] += 1;
  if (line.Thousands && check.FirstThousands[bucket].Line == 0) {
    ImportSign& sign = check.FirstThousands[bucket];
    sign.Kind = ImportSignKind::ThousandsSeparator;
    sign.Line = line.Line;
    sign.Token = line.ThousandsText;
    const std::string second = line.ThousandsText.substr(line.ThousandsFirst.size() + 1);
    sign.Explanation = Quoted(sign.Token) + " прочитано как два числа " +
                       ValueText(line.ThousandsFirst) + " и " + ValueText(second) +
                       ": пробел между разрядами делит число на два";
  }
  check.CountedLines += 1;
  if (check.FirstCommas < 0) {
    check.FirstCommas = line.Commas;
    check.FirstCommaLine = line.Line;
    check.FirstCommaText = line.Tokens[0];
  }
  check.CommasAlike = check.CommasAlike && line.Numbers == 1 && line.Commas == check.FirstCommas;
}

void RaiseHeader(ImportCheck& check, const ImportLine& line) {
  std::string numbers = ValueText(line.Tokens[0]);
  if (line.Numbers > 1) numbers += ", " + ValueText(line.Tokens[1]);
  if (line.Numbers > 2) numbers += "…";
  const std::string shown = Shown(line.Text, line.Length);
  Raise(check,
        ImportSignKind::HeaderWithDigits,
        line.Line,
        shown,
        Quoted(shown) + " — в строке с буквами прочитаны числа " + numbers +
            ": заголовок с цифрами сдвигает все пары");
}

// The first line with content is a header with digits when it holds letters and numbers, unless
// the next such line looks the same (letters and as many numbers: data with units or labels).
void DecideHeader(ImportCheck& check, const ImportLine* next) {
  const ImportLine& first = check.FirstContent;
  const bool header = next == nullptr || !next->Letters || next->Numbers != first.Numbers;
  if (header) {
    RaiseHeader(check, first);
  } else {
    CountLine(check, first);
  }
}

void EndLine(ImportCheck& check) {
  ImportLine& line = check.Current;
  line.Line = check.Line;
  const bool counted = line.Numbers > 0 && (!check.Tail || check.TailLineOpen);
  if (check.HeaderStage == 0 && line.Content) {
    check.HeaderStage = 1;
    if (counted && line.Letters) {
      check.FirstContent = line;  // decided by the next line with content
    } else {
      check.HeaderStage = 2;
      if (counted) CountLine(check, line);
    }
  } else if (check.HeaderStage == 1 && line.Content) {
    check.HeaderStage = 2;
    DecideHeader(check, counted ? &line : nullptr);
    if (counted) CountLine(check, line);
  } else if (counted) {
    CountLine(check, line);
  }
  if (check.Tail) check.TailLineOpen = false;
  check.Line += 1;
  line.Numbers = 0;
  line.Commas = 0;
  line.Content = false;
  line.Letters = false;
  line.Thousands = false;
  line.Text.clear();
  line.Length = 0;
}

void NonNumberByte(ImportCheck& check, unsigned char b) {
  if (b == '\n' && check.PrevCarriageReturn) {
    // The second byte of a CR LF: the line ended at the CR.
    check.PrevCarriageReturn = false;
    return;
  }
  check.PrevCarriageReturn = b == '\r';
  if (b == '\n' || b == '\r') {
    EndLine(check);
    check.Gap = kGapNone;
    return;
  }
  check.Current.Length += 1;
  if (check.Current.Text.size() < kImportShownBytes) check.Current.Text += static_cast<char>(b);
  const int gap = check.Gap;
  check.Gap = kGapNone;
  if (check.HeaderStage < 2) {
    if (!IsBlank(b)) check.Current.Content = true;
    const bool exponent = (b == 'e' || b == 'E') && gap == kGapAfterNumber && check.PrevEndsDigit;
    if (IsLetter(b) && !exponent) check.Current.Letters = true;
  }
  if (check.Tail) return;  // what follows the 200th number joins nothing the reader took

  const char ch = static_cast<char>(b);
  switch (gap) {
    case kGapAfterNumber:
      if ((b == 'e' || b == 'E') && check.PrevEndsDigit) {
        check.Gap = kGapExponent;
        check.GapText.assign(1, ch);
        return;
      }
      if (b == ':' && check.PrevEndsDigit) {
        check.Gap = kGapColon;
        check.GapText.assign(1, ch);
        return;
      }
      if (b == '\'' && check.PrevShortInteger) {
        check.Gap = kGapThousands;
        check.GapText.assign(1, ch);
        return;
      }
      if (b == ' ' && check.PrevShortInteger) {
        check.Gap = kGapBlank;
        check.GapText.assign(1, ch);
        return;
      }
      if (b == 0xC2 && check.PrevShortInteger) {
        check.Gap = kGapC2;
        check.GapText.assign(1, ch);
        check.GapAfterShortInteger = true;
        return;
      }
      break;
    case kGapExponent:
      if (b == '+') {
        check.Gap = kGapExponentPlus;
        check.GapText += ch;
        return;
      }
      break;
    case kGapE2:
      if (b == 0x80 || b == 0x88) {
        check.Gap = b == 0x80 ? kGapE280 : kGapE288;
        check.GapText += ch;
        return;
      }
      break;
    case kGapE280:
      if (b >= 0x90 && b <= 0x94) {
        check.Gap = kGapDash;
        check.GapText += ch;
        return;
      }
      // Thin space, narrow no-break space and the typographic apostrophe group digits.
      if ((b == 0x89 || b == 0xAF || b == 0x99) && check.GapAfterShortInteger) {
        check.Gap = kGapThousands;
        check.GapText += ch;
        return;
      }
      break;
    case kGapE288:
      if (b == 0x92) {
        check.Gap = kGapMinus;
        check.GapText += ch;
        return;
      }
      break;
    case kGapC2:
      if (b == 0xA0 && check.GapAfterShortInteger) {
        check.Gap = kGapThousands;
        check.GapText += ch;
        return;
      }
      break;
    default:
      break;
  }
  if (b == 0xE2) {
    check.Gap = kGapE2;
    check.GapText.assign(1, ch);
    check.GapAfterShortInteger = gap == kGapAfterNumber && check.PrevShortInteger;
  }
}

void Step(ImportCheck& check, unsigned char b) {
  if (IsNumberByte(b)) {
    if (!check.InToken) StartToken(check);
    check.PrevCarriageReturn = false;
    check.Current.Length += 1;
    AppendToken(check, static_cast<char>(b));
    return;
  }
  if (check.InToken) {
    EndToken(check);
    if (check.Done) return;
  }
  NonNumberByte(check, b);
}

// A run of bytes that changes nothing while no number or pattern is open: anything but number
// bytes, '\r' and the first byte of the minus and dash sequences, and '\n' too when passLineEnds
// (the line holds no number, so its end only moves the line count).
struct QuietRun {
  const unsigned char* Stop;       // the first byte that matters, or the end
  std::int64_t LineEnds = 0;       // '\n' passed
  const unsigned char* LineStart;  // just after the last '\n' passed, or the run's start
};

// The hits of one block of 16 bytes: number bytes, '\r', 0xE2, and '\n' unless passLineEnds.
#if defined(__SSE2__)
inline __m128i QuietHits(__m128i v, bool passLineEnds) {
  const __m128i offset = _mm_sub_epi8(v, _mm_set1_epi8(0x2C));  // ',' ... '9', '/' among them
  __m128i hit = _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(0x39 - 0x2C)), offset);
  hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
  hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xE2))));
  if (!passLineEnds) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
  return hit;
}

inline std::int64_t LaneSum(__m128i lanes) {
  const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
  return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
}
#endif

QuietRun SkipQuietBytes(const unsigned char* p, const unsigned char* end, bool passLineEnds) {
  QuietRun run{p, 0, p};
#if defined(__SSE2__)
  const __m128i newline = _mm_set1_epi8('\n');
  // Four blocks at a time while nothing matters; line ends are summed in byte lanes, flushed
  // before a lane can wrap (63 rounds add at most 252).
  __m128i lanes = _mm_setzero_si128();
  int rounds = 0;
  while (end - p >= 64) {
    const auto* q = reinterpret_cast<const __m128i*>(p);
    const __m128i a = _mm_loadu_si128(q);
    const __m128i b = _mm_loadu_si128(q + 1);
    const __m128i c = _mm_loadu_si128(q + 2);
    const __m128i d = _mm_loadu_si128(q + 3);
    const __m128i hits =
        _mm_or_si128(_mm_or_si128(QuietHits(a, passLineEnds), QuietHits(b, passLineEnds)),
                     _mm_or_si128(QuietHits(c, passLineEnds), QuietHits(d, passLineEnds)));
    if (_mm_movemask_epi8(hits) != 0) break;
    if (passLineEnds) {
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(a, newline));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(b, newline));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(c, newline));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(d, newline));
      if (++rounds == 63) {
        run.LineEnds += LaneSum(lanes);
        lanes = _mm_setzero_si128();
        rounds = 0;
      }
    }
    p += 64;
  }
  run.LineEnds += LaneSum(lanes);
  bool stopped = false;
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(QuietHits(v, passLineEnds)));
    unsigned ends =
        passLineEnds ? static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, newline))) : 0u;
    if (mask != 0) {
      ends &= (1u << std::countr_zero(mask)) - 1u;  // the line ends before the stop
      run.LineEnds += std::popcount(ends);
      p += std::countr_zero(mask);
      stopped = true;
      break;
    }
    run.LineEnds += std::popcount(ends);
    p += 16;
  }
  if (!stopped) {
#endif
    for (; p < end; ++p) {
      const unsigned char b = *p;
      if (b == '\n' && passLineEnds) {
        run.LineEnds += 1;
        continue;
      }
      if ((b >= 0x2C && b <= 0x39) || b == '\n' || b == '\r' || b == 0xE2) break;
    }
#if defined(__SSE2__)
  }
#endif
  run.Stop = p;
  if (run.LineEnds > 0) {
    const unsigned char* last = p;
    while (last[-1] != '\n') --last;
    run.LineStart = last;
  }
  return run;
}

// The end of the run of digits starting at p, looked for only when at least 16 bytes remain
// (shorter runs, as in most numbers, go byte by byte).
const unsigned char* DigitRunEnd(const unsigned char* p, const unsigned char* end) {
#if defined(__SSE2__)
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i nine = _mm_set1_epi8(9);
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i offset = _mm_sub_epi8(v, zero);
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(offset, nine), offset);
    const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(digit)) & 0xFFFFu;
    if (other != 0) return p + std::countr_zero(other);
    p += 16;
  }
#endif
  while (p < end && IsDigit(static_cast<char>(*p))) ++p;
  return p;
}

// Appends the digits [p, q) to the number being read, as AppendToken would one by one.
void AppendDigits(ImportCheck& check, const unsigned char* p, const unsigned char* q) {
  const std::int64_t count = q - p;
  check.Length += count;
  AppendBounded(check.Text, p, q);
  AppendBounded(check.Current.Text, p, q);
  check.Current.Length += count;
  // More than three leading digits is all a pattern asks; the count stays far from overflow.
  if (check.LeadRunOpen)
    check.LeadDigits = static_cast<int>(std::min<std::int64_t>(check.LeadDigits + count, 1000));
  check.LastByte = static_cast<char>(q[-1]);
  check.PrevCarriageReturn = false;
}

// Counts the numbers that start in [p, end); inNumber carries whether the byte before p was a
// number byte. Starts are summed in byte lanes and the lanes added up before they can overflow.
std::int64_t CountNumberStarts(const unsigned char* p, const unsigned char* end, bool& inNumber) {
  std::int64_t count = 0;
  bool previous = inNumber;
#if defined(__SSE2__)
  const __m128i low = _mm_set1_epi8(0x2C);
  const __m128i width = _mm_set1_epi8(0x39 - 0x2C);
  const __m128i slash = _mm_set1_epi8('/');
  const __m128i none = _mm_setzero_si128();
  __m128i carry = previous ? _mm_cvtsi32_si128(0xFF) : none;  // lane 0: the byte before
  while (end - p >= 16) {
    __m128i lanes = none;
    int blocks = 0;
    // 255 blocks at most add 1 to a lane: the lanes cannot wrap.
    for (; blocks < 255 && end - p >= 16; ++blocks, p += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i offset = _mm_sub_epi8(v, low);
      const __m128i range = _mm_cmpeq_epi8(_mm_min_epu8(offset, width), offset);
      const __m128i number = _mm_andnot_si128(_mm_cmpeq_epi8(v, slash), range);
      const __m128i before = _mm_or_si128(_mm_slli_si128(number, 1), carry);
      lanes = _mm_sub_epi8(lanes, _mm_andnot_si128(before, number));
      carry = _mm_srli_si128(number, 15);
    }
    const __m128i sums = _mm_sad_epu8(lanes, none);
    count += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
  }
  previous = _mm_cvtsi128_si32(carry) != 0;
#endif
  for (; p < end; ++p) {
    const bool number = IsNumberByte(*p);
    count += number && !previous ? 1 : 0;
    previous = number;
  }
  inNumber = previous;
  return count;
}

// Counting only: no line or pattern matters any more, within the tail budget.
const unsigned char* CountTail(ImportCheck& check,
                               const unsigned char* p,
                               const unsigned char* end) {
  const std::int64_t budget = kImportTailBytes - check.TailBytes;
  if (budget <= 0) {
    check.Report.LeftOutAtLeast = true;
    check.Done = true;
    return p;
  }
  const std::int64_t count = std::min<std::int64_t>(end - p, budget);
  const std::int64_t numbers = CountNumberStarts(p, p + count, check.TailInNumber);
  check.LeftOut += numbers;
  check.TailCounted += numbers;
  check.TailBytes += count;
  return p + count;
}

void FinishShape(ImportCheck& check) {
  if (check.CountedLines < 2) return;
  int mode = 0;
  for (int c = 1; c <= kImportTrackedCounts; ++c) {
    const std::int64_t lines = check.LinesWithCount[c];
    if (lines == 0) continue;
    if (lines > check.LinesWithCount[mode] ||
        (lines == check.LinesWithCount[mode] &&
         check.FirstLineWithCount[c] < check.FirstLineWithCount[mode])) {
      mode = c;
    }
  }
  const std::int64_t ragged = check.CountedLines - check.LinesWithCount[mode];
  // Most values of 1000 and more written with a blank between the thousands ("1 1 556,6"): every
  // line of the common count holds such a group, and the other lines, whose values stay below
  // 1000, hold one number fewer. Joined, every line holds the same whole pairs: the blank is
  // the misread, and the shorter lines are the ones read right.
  const bool groupedMost = mode >= 3 && mode % 2 == 1 && mode < kImportTrackedCounts &&
                           check.ThousandsLines[mode] == check.LinesWithCount[mode] &&
                           check.LinesWithCount[mode - 1] == ragged && ragged > 0;
  if (groupedMost) {
    ImportSign& sign = check.Found[static_cast<int>(ImportSignKind::ThousandsSeparator)];
    if (sign.Line == 0 || check.FirstThousands[mode].Line < sign.Line) {
      sign = check.FirstThousands[mode];
    }
    sign.Count = check.ThousandsLines[mode];
  }
  if (ragged > 0 && !groupedMost) {
    int first = -1;
    for (int c = 1; c <= kImportTrackedCounts; ++c) {
      if (c == mode || check.LinesWithCount[c] == 0) continue;
      if (first < 0 || check.FirstLineWithCount[c] < check.FirstLineWithCount[first]) first = c;
    }
    ImportSign& sign = check.Found[static_cast<int>(ImportSignKind::RaggedRow)];
    sign.Kind = ImportSignKind::RaggedRow;
    sign.Line = check.FirstLineWithCount[first];
    sign.Token = check.FirstLineText[first];
    sign.Count = ragged;
    const std::string found =
        first == kImportTrackedCounts ? "не менее " + Numbers(first) : Numbers(first);
    sign.Explanation = Quoted(sign.Token) + " — в строке " + found + ", а в большинстве строк " +
                       std::to_string(mode) +
                       ": пустая ячейка, NA или лишнее число сдвигают все следующие пары " +
                       "(таких строк: " + std::to_string(ragged) + ")";
  }
  // A blank inside a number is what made a line longer than most.
  for (int c = mode + 1; c <= kImportTrackedCounts; ++c) {
    const ImportSign& candidate = check.FirstThousands[c];
    if (candidate.Line == 0) continue;
    ImportSign& sign = check.Found[static_cast<int>(ImportSignKind::ThousandsSeparator)];
    if (sign.Line == 0 || candidate.Line < sign.Line) {
      const std::int64_t count = sign.Count;
      sign = candidate;
      sign.Count = count + 1;
    }
  }
  if (check.CommasAlike && check.FirstCommas > 0) {
    const std::string& token = check.FirstCommaText;
    Raise(check,
          ImportSignKind::CommaSeparator,
          check.FirstCommaLine,
          token,
          Quoted(token) + " прочитано как одно число " + ValueText(token) +
              ": запятая читается как десятичная; если она разделяет столбцы, из каждой "
              "строки вышло одно число вместо двух");
    check.Found[static_cast<int>(ImportSignKind::CommaSeparator)].Count = check.CountedLines;
  }
}

}  // namespace

void BeginImportCheck(ImportCheck& check) {
  check = ImportCheck();
  check.Text.reserve(kImportShownBytes);
  check.Current.Text.reserve(kImportShownBytes);
}

bool FeedImportBytes(ImportCheck& check, std::string_view bytes) {
  std::string& prefix = check.Report.Prefix;
  if (prefix.size() < kImportPrefixBytes) {
    prefix.append(bytes.substr(0, kImportPrefixBytes - prefix.size()));
  }
  const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = begin + bytes.size();
  const auto* p = begin;
  while (p < end) {
    if (check.Done) break;
    if (check.CountingOnly) {
      p = CountTail(check, p, end);
      continue;
    }
    if (!check.InToken && check.Gap == kGapNone && check.HeaderStage == 2 &&
        !check.PrevCarriageReturn) {
      const QuietRun run = SkipQuietBytes(p, end, check.Current.Numbers == 0);
      if (run.LineEnds > 0) {
        // Lines without a number: only the count moves, and the current line starts afresh.
        check.Line += run.LineEnds;
        check.Current.Text.clear();
        check.Current.Length = 0;
        if (check.Tail) check.TailLineOpen = false;
      }
      AppendBounded(check.Current.Text, run.LineStart, run.Stop);
      check.Current.Length += run.Stop - run.LineStart;
      p = run.Stop;
      if (p == end) break;
    } else if (check.InToken && end - p >= 16 && IsDigit(static_cast<char>(*p))) {
      const unsigned char* q = DigitRunEnd(p, end);
      AppendDigits(check, p, q);
      p = q;
      if (p == end) break;
    }
    Step(check, *p++);
    if (check.Tail && !check.TailLineOpen && check.LeftOut > 0 && !check.InToken) {
      check.CountingOnly = true;
      check.TailInNumber = false;
    }
  }
  check.Consumed += p - begin;
  return !check.Done;
}

ImportReport FinishImportCheck(ImportCheck& check, std::int64_t streamSize) {
  if (!check.Done && !check.CountingOnly) {
    if (check.InToken) EndToken(check);
    if (!check.Done && (check.Current.Content || check.Current.Numbers > 0)) EndLine(check);
  }
  if (check.HeaderStage == 1 && !check.Report.ReadFailed) DecideHeader(check, nullptr);
  ImportReport report = std::move(check.Report);
  report.NumbersRead = check.K;
  report.Pairs = check.K / 2;
  if (!report.ReadFailed) {
    FinishShape(check);
    if (report.LeftOutAtLeast && streamSize > check.Consumed && check.TailBytes > 0) {
      // The rest of the stream is taken to hold numbers as densely as the part counted.
      const double density =
          static_cast<double>(check.TailCounted) / static_cast<double>(check.TailBytes);
      check.LeftOut += std::llround(density * static_cast<double>(streamSize - check.Consumed));
      report.LeftOutAtLeast = false;
      report.LeftOutEstimated = true;
    }
    report.NumbersLeftOut = check.LeftOut;
    if (check.LeftOut > 0) {
      ImportSign& sign = check.Found[static_cast<int>(ImportSignKind::NumbersLeftOut)];
      sign.Count = check.LeftOut;
      sign.AtLeast = report.LeftOutAtLeast;
      const std::string more = report.LeftOutAtLeast     ? "не менее "
                               : report.LeftOutEstimated ? "около "
                                                         : "";
      sign.Explanation = Quoted(sign.Token) + " и дальше не прочитано: берутся только первые " +
                         "200 чисел (100 пар), ещё " + more + Numbers(check.LeftOut) + " (" + more +
                         PairsText(check.LeftOut / 2) + ") оставлено без внимания";
    }
    for (const ImportSign& sign : check.Found) {
      if (sign.Line != 0) report.Signs.push_back(sign);
    }
    std::stable_sort(
        report.Signs.begin(), report.Signs.end(), [](const ImportSign& a, const ImportSign& b) {
          if (a.Line != b.Line) return a.Line < b.Line;
          return a.Kind < b.Kind;
        });
  }
  return report;
}

ImportReport CheckImportBytes(std::string_view bytes) {
  const auto check = std::make_unique<ImportCheck>();
  BeginImportCheck(*check);
  FeedImportBytes(*check, bytes);
  return FinishImportCheck(*check);
}

std::string RussianCount(std::int64_t n, const char* one, const char* few, const char* many) {
  const std::int64_t tens = n % 100;
  const std::int64_t units = n % 10;
  const char* word = many;
  if (units == 1 && tens != 11) {
    word = one;
  } else if (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) {
    word = few;
  }
  return std::to_string(n) + " " + word;
}

std::string ImportSignText(const ImportSign& sign) {
  return "Строка " + std::to_string(sign.Line) + ": " + sign.Explanation;
}

ImportReport LoadCheckedDataFile(const std::string& path, ObservationSet& obs, bool& readFailed) {
  const auto check = std::make_unique<ImportCheck>();
  BeginImportCheck(*check);
  LoadDataFile(path, obs, readFailed, [&](std::string_view bytes) {
    return FeedImportBytes(*check, bytes);
  });
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return FinishImportCheck(*check, error ? -1 : static_cast<std::int64_t>(size));
}

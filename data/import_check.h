#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/observation_set.h"

// The import check looks at the bytes the data file reader reads for the signs that the file was
// probably not meant to be read that way: the reader gives a plausible set of pairs, but not the
// one the file's author had in mind. It reads the same stream in one pass, keeps bounded memory
// for any file size, and never changes what the reader returns.

// The signs of a misread, in the order a notice lists them when two fall on the same line.
enum class ImportSignKind : std::uint8_t {
  HeaderWithDigits,    // the first line holds letters and yields numbers
  ExponentSplit,       // 2.5e-04: an e or E between digits
  UnicodeMinus,        // U+2212 before digits: the value turns positive
  OtherDash,           // an en or em dash, or another Unicode hyphen, before digits
  TimeColon,           // 8:15: a colon between digits
  ThousandsSeparator,  // 1 250: a separator inside a number splits it in two
  RaggedRow,           // a line whose count of numbers differs from most lines
  CommaSeparator,      // every line has the same commas and no other separator
  NumbersLeftOut,      // numbers after the 200th are never read
};

inline constexpr int kImportSignKinds = 9;

// One sign with its first occurrence.
struct ImportSign {
  ImportSignKind Kind = ImportSignKind::HeaderWithDigits;
  std::int64_t Line = 0;    // 1-based line of the first occurrence
  std::string Token;        // the text as it stands in the file (UTF-8 as read), shortened
  std::int64_t Count = 0;   // occurrences, lines affected, or numbers left out
  bool AtLeast = false;     // Count is a lower bound (the rest of the file was not counted)
  std::string Explanation;  // what the reader did, in Russian (UTF-8), without the line
};

// What the check found in one stream.
struct ImportReport {
  std::int64_t NumbersRead = 0;  // numbers the reader took, at most 200
  std::int64_t Pairs = 0;        // pairs they make
  std::int64_t NumbersLeftOut = 0;
  bool LeftOutAtLeast = false;    // NumbersLeftOut is a lower bound
  bool LeftOutEstimated = false;  // NumbersLeftOut is estimated from the stream's size
  bool ReadFailed = false;        // a number among the first 200 is no number
  std::int64_t FailedLine = 0;    // its line
  std::string FailedToken;        // and its text
  std::vector<ImportSign> Signs;  // by line, then by kind
  std::string Prefix;             // the first bytes of the stream, for the listing
};

// Bytes of the stream's beginning the report keeps for the listing of the first lines.
inline constexpr std::size_t kImportPrefixBytes = 64 * 1024;

// Bytes after the reader's stop that are still scanned to count the numbers left out. 1 MiB
// holds some 100 000 rows, far more than any series worth fitting 100 pairs of, and costs well
// under a millisecond; beyond it the count is estimated from the file's size, or, for a stream of
// unknown size, given as a lower bound.
inline constexpr std::int64_t kImportTailBytes = 1ll * 1024 * 1024;

// Bytes of a token or line kept for a message; longer texts end in "…".
inline constexpr std::size_t kImportShownBytes = 40;

// Counts of numbers per line tracked one by one; a line with more falls in the last bucket.
inline constexpr int kImportTrackedCounts = 64;

// What the check keeps of one line.
struct ImportLine {
  std::int64_t Line = 0;
  int Numbers = 0;
  int Commas = 0;
  bool Content = false;  // a byte other than a blank or a line end
  bool Letters = false;
  bool Thousands = false;      // a short integer, one blank, then three digits
  std::string ThousandsFirst;  // that short integer
  std::string ThousandsText;   // and the whole group
  std::string Text;            // its first bytes
  std::int64_t Length = 0;
  std::string Tokens[2];  // its first two numbers
};

// The check in progress. Plain state, fed chunk by chunk; its size does not depend on the file.
struct ImportCheck {
  // Where the scan stands.
  std::int64_t Line = 1;
  bool PrevCarriageReturn = false;
  bool Done = false;           // a number failed, or the tail budget is spent: no more bytes wanted
  bool Tail = false;           // the reader has its 200 numbers
  bool TailLineOpen = false;   // the line holding the 200th number has not ended yet
  bool CountingOnly = false;   // past that line and the first number left out: only counting
  bool TailInNumber = false;   // counting only, and the last byte seen was a number byte
  std::int64_t TailBytes = 0;  // bytes counted only
  std::int64_t TailCounted = 0;  // numbers among them
  std::int64_t Consumed = 0;     // bytes the check has taken in all

  // The number being read.
  bool InToken = false;
  std::string Text;  // its first bytes
  std::int64_t Length = 0;
  std::int64_t TokenLine = 0;
  int Points = 0;  // '.' and ','
  int Commas = 0;
  bool Malformed = false;  // a '-' after the first place or a second point
  int LeadDigits = 0;      // digits before the first other byte
  bool LeadRunOpen = true;
  char RunEnd = 0;         // the byte that ended the leading digits, 0 if none did
  bool OnlyDigits = true;  // digits after an optional leading '-'
  char LastByte = 0;
  int Pattern = 0;  // which gap came before this number (see import_check.cpp)

  // The number before it, for the patterns that join two numbers.
  std::string PrevText;
  bool PrevEndsDigit = false;
  bool PrevShortInteger = false;  // 1 to 3 digits, optionally after '-'
  int Gap = 0;                    // what the bytes since that number have been
  bool GapAfterShortInteger = false;
  std::string GapText;

  // Numbers.
  std::int64_t K = 0;  // numbers seen among the reader's 200
  std::int64_t LeftOut = 0;

  // The current line, and the first line with content while it may be a header.
  ImportLine Current;
  ImportLine FirstContent;
  int HeaderStage = 0;  // 0 before the first line with content, 1 until the next, 2 after

  // The shape of the lines read: how many lines hold each count of numbers, and the first of them.
  std::array<std::int64_t, kImportTrackedCounts + 1> LinesWithCount{};
  std::array<std::int64_t, kImportTrackedCounts + 1> FirstLineWithCount{};
  std::array<std::string, kImportTrackedCounts + 1> FirstLineText;
  std::array<ImportSign, kImportTrackedCounts + 1> FirstThousands;      // blank-grouped numbers
  std::array<std::int64_t, kImportTrackedCounts + 1> ThousandsLines{};  // lines holding one
  std::int64_t CountedLines = 0;
  int FirstCommas = -1;
  bool CommasAlike = true;  // every counted line: one number, FirstCommas commas
  std::int64_t FirstCommaLine = 0;
  std::string FirstCommaText;

  // First occurrences, indexed by kind; Line 0 means not seen.
  std::array<ImportSign, kImportSignKinds> Found;
  ImportReport Report;
};

// Starts a check of a new stream.
void BeginImportCheck(ImportCheck& check);

// Feeds the next bytes of the stream, in order: the same bytes the reader is given, including
// any after its stop. Returns true while the check wants more bytes; once it returns false the
// rest of the stream may be left unread.
bool FeedImportBytes(ImportCheck& check, std::string_view bytes);

// Ends the check at the end of the stream (or where feeding stopped) and returns the report.
// streamSize, the stream's length in bytes when known (else -1), lets the count of the numbers
// left out beyond the tail budget be estimated.
ImportReport FinishImportCheck(ImportCheck& check, std::int64_t streamSize = -1);

// Checks a whole stream held in memory.
ImportReport CheckImportBytes(std::string_view bytes);

// n followed by the Russian form of a noun that goes with it: one (1, 21), few (2-4, 22-24) or
// many (0, 5-20, 25).
std::string RussianCount(std::int64_t n, const char* one, const char* few, const char* many);

// "Строка N: " followed by the sign's explanation.
std::string ImportSignText(const ImportSign& sign);

// LoadDataFile with the check fed every byte the reader reads, and the rest of the file within
// the check's budget; returns the check's report. Faults are those of LoadDataFile.
ImportReport LoadCheckedDataFile(const std::string& path, ObservationSet& obs, bool& readFailed);

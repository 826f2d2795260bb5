#include "data/data_file_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/run_time_fault.h"

// Counts every allocation, so a test can prove the reader keeps no copy of a long token.
namespace {
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
  gAllocations.fetch_add(1);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// GCC pairs the replaced new with the built-in one and warns that free does not match it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using namespace std::string_literals;
using Pairs = std::vector<std::pair<double, double>>;

struct ReadCase {
  std::string Text;
  Pairs Expected;  // compared for 0..LastIndex when the read succeeds
  int LastIndex;
  bool Failed;
};

std::string Numbers(int first, int last) {
  std::string text;
  for (int i = first; i <= last; ++i) text += std::to_string(i) + " ";
  return text;
}

Pairs CountingPairs(int count) {
  Pairs pairs;
  for (int i = 0; i < count; ++i) pairs.emplace_back(2 * i + 1, 2 * i + 2);
  return pairs;
}

std::vector<ReadCase> ReadCases() {
  std::vector<ReadCase> cases = {
      {"1 2 3 4 5 6 7 8", {{1, 2}, {3, 4}, {5, 6}, {7, 8}}, 3, false},
      {"1 2 3 4 5 6 7", {{1, 2}, {3, 4}, {5, 6}}, 2, false},
      {"1,5 2,5", {{1.5, 2.5}}, 0, false},
      {"1,2", {}, -1, false},
      {"1;2\t3;4", {{1, 2}, {3, 4}}, 1, false},
      {"+5 6", {{5, 6}}, 0, false},
      {"1e3", {{1, 3}}, 0, false},
      {"1.5e-3", {{1.5, -3}}, 0, false},
      {".5 5. -.5 7", {{0.5, 5}, {-0.5, 7}}, 1, false},
      {"1 , 2", {{1, 0}}, 0, false},
      {". 7 - 8", {}, 0, true},
      {"No. 4 5 6", {{0, 4}, {5, 6}}, 1, false},
      {"T1 T2\n3 4", {{1, 2}, {3, 4}}, 1, false},
      {"x-y\n1 2 3 4", {}, -1, true},
      {"1 2 -", {}, 0, true},
      {"1 2 1-2 4", {}, 0, true},
      {"1 2 3 --5", {}, 1, true},
      {"1 2 3 4 1.2.3", {}, 1, true},
      {"-. 0007 000.5 12.", {{0, 7}, {0.5, 12}}, 1, false},
      {"", {}, 0, false},
      {" \r\n;\t", {}, 0, false},
      {"42", {}, -1, false},
      {"\xEF\xBB\xBF"
       "1\r\n2\r\n3\xC0"
       "4\xFF\x80"
       "5",
       {{1, 2}, {3, 4}},
       1,
       false},
      {"1\0002\0003\0004"s, {{1, 2}, {3, 4}}, 1, false},
      {"1\xB7"
       "2\xA0"
       "3",
       {{1, 2}},
       0,
       false},
  };
  // 150 pairs are read up to pair 100; whatever follows the 200th number is never looked at.
  std::string text;
  for (int i = 1; i <= 300; ++i) text += std::to_string(i) + "\n";
  cases.push_back({text, CountingPairs(100), 99, false});
  cases.push_back({Numbers(1, 200) + "1-2 .. -", CountingPairs(100), 99, false});
  cases.push_back({Numbers(1, 200) + "1.2.3", CountingPairs(100), 99, false});
  // A bad 200th number fails, followed by more numbers or at the end of the file.
  for (const char* bad : {"-", "1-2", "1.2.3"}) {
    cases.push_back({Numbers(1, 199) + bad + " 7 8", {}, 99, true});
    cases.push_back({Numbers(1, 199) + bad, {}, 99, true});
    cases.push_back({Numbers(1, 198) + bad, {}, 98, true});
  }
  return cases;
}

void ExpectRead(const ReadCase& c, const ObservationSet& obs, bool failed) {
  EXPECT_EQ(obs.LastIndex, c.LastIndex);
  EXPECT_EQ(failed, c.Failed);
  // A failed read leaves no pairs worth comparing; a file with no number keeps LastIndex 0.
  if (c.Failed || c.Expected.empty() || obs.LastIndex != c.LastIndex) return;
  ASSERT_EQ(static_cast<int>(c.Expected.size()), c.LastIndex + 1);
  for (int i = 0; i <= c.LastIndex; ++i) {
    EXPECT_EQ(obs.X[i], c.Expected[i].first) << "x at " << i;
    EXPECT_EQ(obs.WorkY[i], c.Expected[i].second) << "y at " << i;
  }
}

std::string Shown(const std::string& text) {
  return text.size() > 60 ? text.substr(0, 60) + "..." : text;
}

// A fresh directory for the files of one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/harmora_reader_XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = path_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

TEST(LoadDataBytes, ReadsEveryTableCase) {
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(Shown(c.Text));
    ObservationSet obs;
    obs.LastIndex = 55;
    bool failed = !c.Failed;
    LoadDataBytes(c.Text, obs, failed);
    ExpectRead(c, obs, failed);
  }
}

TEST(FeedDataBytes, ReadsTheSameWhenFedOneByteAtATime) {
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(Shown(c.Text));
    ObservationSet obs;
    DataReadState state;
    BeginDataRead(state, obs);
    for (char ch : c.Text) {
      if (!FeedDataBytes(state, std::string_view(&ch, 1), obs)) break;
    }
    bool failed = !c.Failed;
    FinishDataRead(state, obs, failed);
    ExpectRead(c, obs, failed);
  }
}

TEST(FeedDataBytes, StopsAsSoonAsTheYOfPair100IsStored) {
  ObservationSet obs;
  DataReadState state;
  BeginDataRead(state, obs);
  EXPECT_TRUE(FeedDataBytes(state, Numbers(1, 199) + "200", obs));
  EXPECT_FALSE(FeedDataBytes(state, " ", obs));
  EXPECT_EQ(state.K, 200);
  EXPECT_EQ(obs.WorkY[99], 200);
}

TEST(LoadDataFile, ReadsEveryTableCaseFromAFile) {
  TempDir dir;
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(Shown(c.Text));
    ObservationSet obs;
    bool failed = !c.Failed;
    LoadDataFile(dir.Write("data.txt", c.Text), obs, failed);
    ExpectRead(c, obs, failed);
  }
}

TEST(LoadDataFile, ReadsNumbersAcrossReadChunks) {
  TempDir dir;
  // The first number straddles the 64 KiB read boundary.
  const std::string text = std::string(65534, ' ') + "1234 5 6 7 8 9 10 11";
  ObservationSet obs;
  bool failed = true;
  LoadDataFile(dir.Write("long.txt", text), obs, failed);
  EXPECT_FALSE(failed);
  ASSERT_EQ(obs.LastIndex, 3);
  EXPECT_EQ(obs.X[0], 1234);
  EXPECT_EQ(obs.WorkY[3], 11);
}

TEST(LoadDataFile, ANumberTooLargeForADoubleIsAnOverflowFault) {
  TempDir dir;
  const std::string path = dir.Write("big.txt", "1 2 1" + std::string(2'000'000, '0') + " 4");
  ObservationSet obs;
  bool failed = false;
  try {
    LoadDataFile(path, obs, failed);
    FAIL() << "no fault";
  } catch (const RunTimeFault& fault) {
    EXPECT_EQ(fault.FaultKind, RunTimeFault::Kind::Overflow);
    EXPECT_STREQ(fault.what(), kOverflowText);
  }
}

void ExpectFileFault(const std::string& path, const std::string& text) {
  ObservationSet obs;
  obs.LastIndex = 9;
  bool failed = false;
  try {
    LoadDataFile(path, obs, failed);
    FAIL() << "no fault for " << path;
  } catch (const RunTimeFault& fault) {
    EXPECT_EQ(fault.FaultKind, RunTimeFault::Kind::InputOutput);
    EXPECT_EQ(fault.what(), text);
  }
  EXPECT_EQ(obs.LastIndex, 9) << "the set was touched before the fault";
}

TEST(LoadDataFile, MissingAndNonRegularFilesAreIoFaultsBeforeAnyRead) {
  TempDir dir;
  const std::string missing = dir.Path() + "/missing.txt";
  ExpectFileFault(missing, "Cannot open file \"" + missing + "\": No such file or directory");
  const std::string notRegular = "\": it is not a regular file";
  ExpectFileFault(dir.Path(), "Cannot open file \"" + dir.Path() + notRegular);
  const std::string fifo = dir.Path() + "/pipe.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ExpectFileFault(fifo, "Cannot open file \"" + fifo + notRegular);
  if (HasFailure()) return;  // an endless device would be read for ever
  const std::string zero = dir.Path() + "/zero.txt";
  ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
  ExpectFileFault(zero, "Cannot open file \"" + zero + notRegular);
}

// ---- Conversion ----

// Converts text as one token, or reports an overflow as the string "overflow".
std::string Convert(const std::string& text, double& value) {
  NumberToken token;
  for (char ch : text) AppendTokenByte(token, ch == ',' ? '.' : ch);
  try {
    return ConvertToken(token, value) ? "ok" : "fails";
  } catch (const RunTimeFault& fault) {
    EXPECT_EQ(fault.FaultKind, RunTimeFault::Kind::Overflow);
    EXPECT_STREQ(fault.what(), kOverflowText);
    return "overflow";
  }
}

// The trusted answer: std::from_chars on the whole text. It reports both an overflow and an
// underflow to zero as out of range; the text tells them apart by a nonzero integer part.
void ExpectSameAsFromChars(const std::string& text) {
  SCOPED_TRACE(Shown(text));
  double expected = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), expected);
  ASSERT_EQ(result.ptr, text.data() + text.size());
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const bool large = whole.find_first_not_of("-0") != std::string::npos;
  double value = 12345;
  const std::string outcome = Convert(text, value);
  if (result.ec == std::errc::result_out_of_range && large) {
    EXPECT_EQ(outcome, "overflow");
    return;
  }
  if (result.ec == std::errc::result_out_of_range) expected = text[0] == '-' ? -0.0 : 0.0;
  ASSERT_EQ(outcome, "ok");
  EXPECT_EQ(value, expected);
  EXPECT_EQ(std::signbit(value), std::signbit(expected));
}

// The exact decimal of v as plain digits with a point (no exponent), in any locale.
std::string ExactDecimal(long double v) {
  std::vector<char> buffer(6000);
  const auto end = std::to_chars(
      buffer.data(), buffer.data() + buffer.size(), v, std::chars_format::fixed, 1200);
  std::string text(buffer.data(), end.ptr);
  text.erase(text.find_last_not_of('0') + 1);
  return text;
}

// A text just below the decimal in text: its last digit lowered by one, then a run of nines.
std::string JustBelow(std::string text) {
  if (text.back() == '.') text.pop_back();
  for (std::size_t i = text.size(); i-- > 0;) {
    if (text[i] == '.') continue;
    if (text[i] != '0') {
      text[i] -= 1;
      break;
    }
    text[i] = '9';
  }
  if (text.find('.') == std::string::npos) text += ".";
  return text + "9999999";
}

std::string RandomDigits(std::mt19937_64& random, std::size_t count) {
  std::string digits(count, '0');
  for (char& d : digits) d = static_cast<char>('0' + random() % 10);
  return digits;
}

TEST(ConvertToken, AgreesWithFromCharsOnRandomDecimals) {
  std::mt19937_64 random(20240611);
  auto number = [&](std::size_t whole, std::size_t zeros, std::size_t fraction) {
    std::string text = random() % 2 ? "-" : "";
    text += RandomDigits(random, whole) + ".";
    text += std::string(zeros, '0') + RandomDigits(random, fraction);
    if (random() % 4 == 0 && text.back() != '.') text.pop_back();
    if (text.find_first_of("0123456789") == std::string::npos) text += "0";
    return text;
  };
  for (int i = 0; i < 4000; ++i) {
    ExpectSameAsFromChars(number(random() % 20, random() % 3, random() % 20));
    ExpectSameAsFromChars(number(random() % 40, 0, 700 + random() % 600));     // long mantissas
    ExpectSameAsFromChars(number(0, 300 + random() % 30, 1 + random() % 40));  // denormals
    ExpectSameAsFromChars(number(305 + random() % 5, 0, random() % 10));       // near DBL_MAX
  }
}

TEST(ConvertToken, RoundsHalfwayCasesToEvenAndTheirNeighboursAway) {
  std::mt19937_64 random(7);
  std::vector<double> values = {DBL_MIN, DBL_TRUE_MIN, 1.0, 0.1, 9007199254740992.0};
  for (int i = 0; i < 300; ++i) {
    std::uint64_t bits = random() & 0x7FEF'FFFF'FFFF'FFFFull;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    values.push_back(v);
  }
  for (double v : values) {
    // The midpoint to the next double is exact in the 64-bit long double mantissa.
    const long double mid = (static_cast<long double>(v) + std::nextafter(v, INFINITY)) / 2;
    const std::string text = ExactDecimal(mid);
    ExpectSameAsFromChars(text);
    ExpectSameAsFromChars(text + "000000000001");
    ExpectSameAsFromChars(text + std::string(3000, '0') + "1");
    ExpectSameAsFromChars(JustBelow(text));
  }
}

TEST(ConvertToken, OverflowsOnlyWhenTheValueRoundsBeyondTheLargestDouble) {
  const long double top = std::ldexp(1.0L, 1024);
  const std::string max = ExactDecimal(DBL_MAX);
  const std::string mid = ExactDecimal((static_cast<long double>(DBL_MAX) + top) / 2);
  double value = 0;
  EXPECT_EQ(Convert(max, value), "ok");
  EXPECT_EQ(value, DBL_MAX);
  EXPECT_EQ(Convert("-" + mid, value), "overflow");
  EXPECT_EQ(Convert(JustBelow(mid), value), "ok");
  EXPECT_EQ(value, DBL_MAX);
  EXPECT_EQ(Convert("1" + std::string(309, '0'), value), "overflow");
}

TEST(ConvertToken, ReadsTheSyntaxOfANumber) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {".", "ok"},
      {"-.", "ok"},
      {"-", "fails"},
      {"1-2", "fails"},
      {"--5", "fails"},
      {"1.2.3", "fails"},
      {"..", "fails"},
      {"5-", "fails"},
      {"-.5", "ok"},
      {"0.", "ok"},
  };
  for (const auto& [text, outcome] : cases) {
    SCOPED_TRACE(text);
    double value = 0;
    EXPECT_EQ(Convert(text, value), outcome);
  }
  double value = 1;
  Convert("-0", value);
  EXPECT_TRUE(value == 0 && std::signbit(value));
}

TEST(ConvertToken, ConvertsTokensOfMegabytesWithoutAllocating) {
  const std::size_t length = 4'000'000;
  const std::vector<std::pair<std::string, double>> cases = {
      {std::string(length, '0') + "5", 5.0},
      {"0." + std::string(length, '0') + "1", 0.0},
      {"0.1" + std::string(length, '0') + "1", 0.1},
      {std::string(length, '0') + "1" + std::string(300, '0') + "." + std::string(length, '0'),
       1e300},
      {"0." + std::string(length, '3'), 1.0 / 3},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(Shown(text));
    ObservationSet obs;
    DataReadState state;
    const long before = gAllocations.load();
    BeginDataRead(state, obs);
    FeedDataBytes(state, text, obs);
    FeedDataBytes(state, " 2", obs);
    bool failed = true;
    FinishDataRead(state, obs, failed);
    EXPECT_EQ(gAllocations.load(), before);
    EXPECT_FALSE(failed);
    EXPECT_EQ(obs.X[0], expected);
  }
  double value = 0;
  EXPECT_EQ(Convert("1" + std::string(length, '0'), value), "overflow");
  EXPECT_EQ(Convert(std::string(length, '0') + "1" + std::string(400, '0') + ".", value),
            "overflow");
}

}  // namespace

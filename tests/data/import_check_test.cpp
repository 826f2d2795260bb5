#include "data/import_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "data/data_file_reader.h"

namespace {

using Kind = ImportSignKind;
using Found = std::vector<std::pair<Kind, std::int64_t>>;  // kind and line, in report order

const char* KindName(Kind kind) {
  static const char* const kNames[] = {"HeaderWithDigits",
                                       "ExponentSplit",
                                       "UnicodeMinus",
                                       "OtherDash",
                                       "TimeColon",
                                       "ThousandsSeparator",
                                       "RaggedRow",
                                       "CommaSeparator",
                                       "NumbersLeftOut"};
  return kNames[static_cast<int>(kind)];
}

std::string Describe(const Found& found) {
  std::string text;
  for (const auto& [kind, line] : found) {
    text += std::string(KindName(kind)) + "@" + std::to_string(line) + " ";
  }
  return text;
}

Found SignsOf(const ImportReport& report) {
  Found found;
  for (const ImportSign& sign : report.Signs) found.emplace_back(sign.Kind, sign.Line);
  return found;
}

// Lines "i 2i" for i = 1..count.
std::string Rows(int count, const char* separator = " ") {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    text += std::to_string(i) + separator + std::to_string(2 * i) + "\n";
  }
  return text;
}

struct CheckCase {
  const char* Name;
  std::string Bytes;
  Found Expected;
};

std::vector<CheckCase> Cases() {
  return {
      // Files the reader reads as their authors meant: no sign.
      {"blanks", "1 2\n3 4\n5 6\n7 8\n", {}},
      {"tabs", "1\t2\n3\t4\n5\t6\n7\t8\n", {}},
      {"semicolons", "1;2\n3;4\n5;6\n7;8\n", {}},
      {"decimal commas", "1,5 2,5\n3,5 4,5\n5,5 6,5\n7,5 8,5\n", {}},
      {"letter header", "x y\n1 2\n3 4\n5 6\n7 8\n", {}},
      {"Cyrillic header", "Время Значение\n1 2\n3 4\n5 6\n7 8\n", {}},
      {"CR LF and blank lines", "x\ty\r\n1\t2\r\n\r\n3\t4\r\n5\t6\r\n7\t8", {}},
      {"old Mac line ends", "1 2\r3 4\r5 6\r7 8\r", {}},
      {"negative values", "-1 2\n-3 -4\n5 -6\n-7 8\n", {}},
      {"integer columns", "10 200\n20 300\n30 400\n40 500\n", {}},
      {"one line", "1 2 3 4 5 6 7 8", {}},
      {"exactly 200 numbers", Rows(100), {}},
      {"plus signs", "+1 +2\n+3 +4\n+5 +6\n+7 +8\n", {}},
      {"letters between numbers", "1 2 kg\n3 4 kg\n5 6 kg\n7 8 kg\n", {}},
      {"letter e beside a blank", "1 e 2\n3 e 4\n5 e 6\n", {}},

      // The misreads.
      {"exponent", "x y\n1 2.5e-04\n2 3.1E+02\n3 1e5\n", {{Kind::ExponentSplit, 2}}},
      {"Unicode minus",
       "1 \xE2\x88\x92"
       "2\n2 3\n3 \xE2\x88\x92"
       "4\n4 5\n",
       {{Kind::UnicodeMinus, 1}}},
      {"en dash",
       "1 2\n2 \xE2\x80\x93"
       "3\n3 4\n",
       {{Kind::OtherDash, 2}}},
      {"em dash",
       "1 \xE2\x80\x94"
       ".5\n2 3\n",
       {{Kind::OtherDash, 1}}},
      {"times", "8:15 3\n8:30 4\n8:45 5\n9:00 6\n", {{Kind::TimeColon, 1}}},
      {"no-break space thousands",
       "1\xC2\xA0"
       "250 3\n2\xC2\xA0"
       "500 4\n",
       {{Kind::ThousandsSeparator, 1}}},
      {"apostrophe thousands", "5 1'250\n6 2'500\n7 3'750\n", {{Kind::ThousandsSeparator, 1}}},
      {"blank thousands make a row long",
       "1 2\n3 4\n5 1 250\n7 8\n",
       {{Kind::ThousandsSeparator, 3}, {Kind::RaggedRow, 3}}},
      {"blank thousands in most values",
       "1 1 556,6\n2 1 602,3\n3 987,5\n4 1 250,0\n5 1 731,8\n6 999,1\n",
       {{Kind::ThousandsSeparator, 1}}},
      {"three-digit values and a missing one",
       "1 250\n2 300\n3\n4 410\n5 520\n",
       {{Kind::RaggedRow, 3}}},
      {"NA cell", "1 2\n3 NA\n5 6\n7 8\n", {{Kind::RaggedRow, 2}}},
      {"empty cell", "1;2;3\n4;;6\n7;8;9\n1;2;3\n", {{Kind::RaggedRow, 2}}},
      {"extra number late", "1 2\n3 4\n5 6\n7 8\n9 10 11\n", {{Kind::RaggedRow, 5}}},
      {"header with digits", "time sensor1\n1 2\n3 4\n5 6\n", {{Kind::HeaderWithDigits, 1}}},
      {"header after blank lines", "\n\n  T1 T2\n1 2\n3 4\n", {{Kind::HeaderWithDigits, 3}}},
      {"comma columns", "1,70\n2,75\n3,80\n4,85\n", {{Kind::CommaSeparator, 1}}},
      {"rows beyond the hundredth", Rows(150), {{Kind::NumbersLeftOut, 101}}},
      {"three columns cut inside a row",
       [] {
         std::string text;
         for (int i = 1; i <= 67; ++i) text += "1 2 3\n";
         return text;
       }(),
       {{Kind::NumbersLeftOut, 67}}},
      {"two signs on one line",
       "t1 t2\n2.5e-04 3\n1 2\n",
       {{Kind::HeaderWithDigits, 1}, {Kind::ExponentSplit, 2}, {Kind::RaggedRow, 3}}},
      {"header then units", "No 1 2\nkg 3\n", {{Kind::HeaderWithDigits, 1}}},
  };
}

TEST(ImportCheck, EachMisreadIsFoundAtItsFirstLineAndCleanFilesRaiseNone) {
  for (const CheckCase& c : Cases()) {
    SCOPED_TRACE(c.Name);
    const ImportReport report = CheckImportBytes(c.Bytes);
    EXPECT_FALSE(report.ReadFailed);
    EXPECT_EQ(Describe(SignsOf(report)), Describe(c.Expected));
    for (const ImportSign& sign : report.Signs) {
      EXPECT_FALSE(sign.Explanation.empty());
      EXPECT_FALSE(sign.Token.empty());
    }
  }
}

TEST(ImportCheck, ChunkBoundariesChangeNothing) {
  for (const CheckCase& c : Cases()) {
    SCOPED_TRACE(c.Name);
    const ImportReport whole = CheckImportBytes(c.Bytes);
    for (std::size_t chunk : {1u, 2u, 3u, 7u, 16u, 17u}) {
      SCOPED_TRACE(chunk);
      ImportCheck check;
      BeginImportCheck(check);
      for (std::size_t at = 0; at < c.Bytes.size(); at += chunk) {
        FeedImportBytes(check, std::string_view(c.Bytes).substr(at, chunk));
      }
      const ImportReport parts = FinishImportCheck(check);
      ASSERT_EQ(parts.Signs.size(), whole.Signs.size());
      for (std::size_t i = 0; i < whole.Signs.size(); ++i) {
        EXPECT_EQ(parts.Signs[i].Kind, whole.Signs[i].Kind);
        EXPECT_EQ(parts.Signs[i].Line, whole.Signs[i].Line);
        EXPECT_EQ(parts.Signs[i].Token, whole.Signs[i].Token);
        EXPECT_EQ(parts.Signs[i].Count, whole.Signs[i].Count);
        EXPECT_EQ(parts.Signs[i].Explanation, whole.Signs[i].Explanation);
      }
      EXPECT_EQ(parts.NumbersRead, whole.NumbersRead);
      EXPECT_EQ(parts.NumbersLeftOut, whole.NumbersLeftOut);
    }
  }
}

// Long runs of text, line ends, blanks and digits take the block paths of the scan; fed a byte
// at a time, the same stream takes the byte path only. Both must report the same.
TEST(ImportCheck, BlockScanAgreesWithTheByteScan) {
  std::string bytes = "notes on the series\n";
  for (int i = 0; i < 300; ++i) {
    bytes += std::string(static_cast<std::size_t>(i % 97), 'q') + "\n\n";
    if (i % 7 == 0) bytes += std::to_string(i) + "\t" + std::string(i % 40, '7') + "\n";
    if (i % 11 == 0) bytes += "CR LF line " + std::string(i % 23, ' ') + "\r\n";
    if (i % 13 == 0) bytes += std::to_string(i) + " " + std::to_string(i) + " 3e1\n";
    if (i == 150)
      bytes +=
          "1 250 \xE2\x88\x92"
          "5\n";
  }
  ASSERT_GT(bytes.size(), 10000u);
  const ImportReport whole = CheckImportBytes(bytes);
  ImportCheck check;
  BeginImportCheck(check);
  for (char ch : bytes) FeedImportBytes(check, std::string_view(&ch, 1));
  const ImportReport single = FinishImportCheck(check);
  EXPECT_FALSE(whole.Signs.empty());
  EXPECT_EQ(Describe(SignsOf(whole)), Describe(SignsOf(single)));
  ASSERT_EQ(whole.Signs.size(), single.Signs.size());
  for (std::size_t i = 0; i < whole.Signs.size(); ++i) {
    EXPECT_EQ(whole.Signs[i].Token, single.Signs[i].Token);
    EXPECT_EQ(whole.Signs[i].Count, single.Signs[i].Count);
    EXPECT_EQ(whole.Signs[i].Explanation, single.Signs[i].Explanation);
  }
  EXPECT_EQ(whole.NumbersRead, single.NumbersRead);
  EXPECT_EQ(whole.NumbersLeftOut, single.NumbersLeftOut);
}

const ImportSign& OnlySign(const ImportReport& report) {
  EXPECT_EQ(report.Signs.size(), 1u);
  return report.Signs.front();
}

TEST(ImportCheck, ExplanationsNameTheTokenAndWhatTheReaderMadeOfIt) {
  const struct {
    std::string Bytes;
    std::string Token;
    std::string Explanation;
  } cases[] = {
      {"1 2.5e-04\n2 3\n", "2.5e-04", "«2.5e-04» прочитано как два числа 2.5 и −4"},
      {"1 6E+2\n2 3 4\n", "6E+2", "«6E+2» прочитано как два числа 6 и 2"},
      {"1 \xE2\x88\x92"
       "0,5\n2 3\n",
       "\xE2\x88\x92"
       "0,5",
       "«−0,5» прочитано как 0.5: знак «−» (U+2212)"},
      {"8:15 3\n9:30 4\n", "8:15", "«8:15» прочитано как два числа 8 и 15"},
      {"1\xC2\xA0"
       "250,5 3\n",
       "1\xC2\xA0"
       "250,5",
       "прочитано как два числа 1 и 250.5: неразрывный пробел между разрядами"},
      {"5 1'250\n6 2'500\n", "1'250", "«1'250» прочитано как два числа 1 и 250: апостроф между"},
      {"1 1 556,6\n2 987,5\n3 1 002,1\n",
       "1 556,6",
       "«1 556,6» прочитано как два числа 1 и 556.6: пробел между разрядами"},
      {"1,70\n2,75\n", "1,70", "«1,70» прочитано как одно число 1.7"},
      {"x1 x2\n1 2\n", "x1 x2", "прочитаны числа 1, 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bytes);
    const ImportReport report = CheckImportBytes(c.Bytes);
    ASSERT_FALSE(report.Signs.empty());
    const ImportSign& sign = report.Signs.front();
    EXPECT_EQ(sign.Token, c.Token);
    EXPECT_NE(sign.Explanation.find(c.Explanation), std::string::npos) << sign.Explanation;
  }
}

TEST(ImportCheck, RowsBeyondTheHundredthCountThePairsLeftOut) {
  const ImportReport report = CheckImportBytes(Rows(730));
  EXPECT_EQ(report.NumbersRead, 200);
  EXPECT_EQ(report.Pairs, 100);
  EXPECT_EQ(report.NumbersLeftOut, 2 * 630);
  EXPECT_FALSE(report.LeftOutAtLeast);
  const ImportSign& sign = OnlySign(report);
  EXPECT_EQ(sign.Kind, Kind::NumbersLeftOut);
  EXPECT_EQ(sign.Line, 101);
  EXPECT_EQ(sign.Token, "101");
  EXPECT_EQ(sign.Count, 1260);
  EXPECT_NE(sign.Explanation.find("1260 чисел (630 пар)"), std::string::npos) << sign.Explanation;
  EXPECT_EQ(ImportSignText(sign).rfind("Строка 101: «101»", 0), 0u);
}

TEST(ImportCheck, ALineLeftOutCountsEveryNumberOnItAndAfterIt) {
  // The 200th number ends line 100; "1,5-2" is one number, then 3 numbers on the next line.
  const ImportReport report = CheckImportBytes(Rows(100) + "7 8 9\n1,5-2 x 4.5e3\n");
  EXPECT_EQ(report.NumbersLeftOut, 3 + 3);
}

TEST(ImportCheck, RaggedRowTellsBothCountsAndHowManyLines) {
  const ImportReport report = CheckImportBytes("1 2\n3\n5 6\n7\n9 10\n11 12\n");
  const ImportSign& sign = OnlySign(report);
  EXPECT_EQ(sign.Kind, Kind::RaggedRow);
  EXPECT_EQ(sign.Line, 2);
  EXPECT_EQ(sign.Count, 2);
  EXPECT_EQ(sign.Token, "3");
  EXPECT_NE(sign.Explanation.find("в строке 1 число, а в большинстве строк 2"), std::string::npos)
      << sign.Explanation;
}

TEST(ImportCheck, RepeatedSignsCountOccurrencesButKeepTheFirst) {
  const ImportReport report = CheckImportBytes("1 2e3\n2 4e5\n3 6e7\n");
  const ImportSign& sign = OnlySign(report);
  EXPECT_EQ(sign.Line, 1);
  EXPECT_EQ(sign.Token, "2e3");
  EXPECT_EQ(sign.Count, 3);
}

TEST(ImportCheck, SignsAfterTheReadNumbersAreNotRaised) {
  // A colon after the 200th number joins nothing the reader took.
  const ImportReport report = CheckImportBytes(Rows(100) + "8:15 9:30\n");
  ASSERT_EQ(report.Signs.size(), 1u);
  EXPECT_EQ(report.Signs[0].Kind, Kind::NumbersLeftOut);
}

TEST(ImportCheck, AFailedNumberIsReportedWithItsLineAndNoSigns) {
  for (const auto& [bytes, line, token] : std::vector<std::tuple<std::string, int, std::string>>{
           {"1 2\n3 1.2.3\n5 6\n", 2, "1.2.3"},
           {"x-y\n1 2\n", 1, "-"},
           {"1 2\n3 4\n - \n", 3, "-"},
           {"1 2 1,2,3", 1, "1,2,3"},
       }) {
    SCOPED_TRACE(bytes);
    const ImportReport report = CheckImportBytes(bytes);
    EXPECT_TRUE(report.ReadFailed);
    EXPECT_EQ(report.FailedLine, line);
    EXPECT_EQ(report.FailedToken, token);
    EXPECT_TRUE(report.Signs.empty());
  }
}

TEST(ImportCheck, LongTokensAndLinesAreShortenedOnACharacterBoundary) {
  const std::string longLine = "Ж" + std::string(19, 'a') + "Ж" + std::string(60, 'b') + " 7\n";
  const ImportReport report = CheckImportBytes(longLine + "1 2\n3 4\n");
  const ImportSign& sign = OnlySign(report);
  EXPECT_EQ(sign.Kind, Kind::HeaderWithDigits);
  EXPECT_LE(sign.Token.size(), kImportShownBytes + std::string("…").size());
  EXPECT_EQ(sign.Token.substr(sign.Token.size() - 3), "…");
  EXPECT_EQ(sign.Token.rfind("Жaaaaaaaaaaaaaaaaaaa", 0), 0u);

  const std::string digits(5000, '1');
  const ImportReport longNumber = CheckImportBytes("1 " + digits + "e5\n2 3 4\n");
  ASSERT_EQ(longNumber.Signs.size(), 1u);
  EXPECT_LT(longNumber.Signs[0].Token.size(), 100u);
}

TEST(ImportCheck, KeepsOnlyABoundedPrefixOfAHugeStream) {
  ImportCheck check;
  BeginImportCheck(check);
  const std::string block(1 << 20, 'z');
  for (int i = 0; i < 8; ++i) FeedImportBytes(check, block);
  const ImportReport report = FinishImportCheck(check);
  EXPECT_EQ(report.Prefix.size(), kImportPrefixBytes);
  EXPECT_TRUE(report.Signs.empty());
}

TEST(ImportCheck, ReadingWithTheCheckGivesTheSamePairsAndSeesTheWholeFile) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("import_check_" + std::to_string(getpid()));
  const std::string bytes = Rows(60000);  // well beyond one read chunk, within the tail budget
  std::ofstream(path, std::ios::binary) << bytes;

  ObservationSet plain;
  bool plainFailed = true;
  LoadDataFile(path.string(), plain, plainFailed);

  ObservationSet seen;
  bool seenFailed = true;
  std::string received;
  ImportCheck check;
  BeginImportCheck(check);
  LoadDataFile(path.string(), seen, seenFailed, [&](std::string_view chunk) {
    received.append(chunk);
    return FeedImportBytes(check, chunk);
  });
  const ImportReport report = FinishImportCheck(check);
  std::filesystem::remove(path);

  EXPECT_EQ(seenFailed, plainFailed);
  ASSERT_EQ(seen.LastIndex, plain.LastIndex);
  for (int i = 0; i <= plain.LastIndex; ++i) {
    EXPECT_EQ(seen.X[i], plain.X[i]);
    EXPECT_EQ(seen.WorkY[i], plain.WorkY[i]);
  }
  EXPECT_TRUE(received == bytes);
  EXPECT_EQ(report.NumbersLeftOut, 2 * (60000 - 100));
  EXPECT_FALSE(report.LeftOutAtLeast || report.LeftOutEstimated);
}

TEST(ImportCheck, BeyondTheTailBudgetTheCountIsEstimatedOrABound) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("import_budget_" + std::to_string(getpid()));
  const int rows = 400000;  // 4 MB of rows all 10 bytes long, so the estimate can be exact
  std::string bytes;
  for (int i = 0; i < rows; ++i) {
    bytes += std::to_string(1000 + i % 9000) + " " + std::to_string(1000 + 7 * i % 9000) + "\n";
  }
  ASSERT_GT(bytes.size(), 3u * kImportTailBytes);
  std::ofstream(path, std::ios::binary) << bytes;
  ObservationSet obs;
  bool failed = true;
  const ImportReport fromFile = LoadCheckedDataFile(path.string(), obs, failed);
  std::filesystem::remove(path);
  const std::int64_t truth = 2 * (rows - 100);
  EXPECT_FALSE(failed);
  EXPECT_EQ(obs.LastIndex, 99);
  EXPECT_TRUE(fromFile.LeftOutEstimated);
  EXPECT_NEAR(static_cast<double>(fromFile.NumbersLeftOut), truth, 0.001 * truth);
  ASSERT_EQ(fromFile.Signs.size(), 1u);
  EXPECT_NE(fromFile.Signs[0].Explanation.find("ещё около "), std::string::npos);

  const ImportReport fromStream = CheckImportBytes(bytes);
  EXPECT_TRUE(fromStream.LeftOutAtLeast);
  EXPECT_FALSE(fromStream.LeftOutEstimated);
  EXPECT_LT(fromStream.NumbersLeftOut, truth);
  EXPECT_GT(fromStream.NumbersLeftOut, 2 * kImportTailBytes / 16);
  EXPECT_NE(fromStream.Signs[0].Explanation.find("ещё не менее "), std::string::npos);
}

}  // namespace

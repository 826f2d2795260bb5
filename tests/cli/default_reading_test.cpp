// harmora-fit FILE as a newcomer types it: a constant, the table reader with the pairs reader
// behind it, the models asked for, every column of a wide table.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <numbers>
#include <sstream>

#include "tests/cli/cli_test_support.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Rows of x and level + 2 sin(2 pi x / period + 0.3) with a small deterministic wiggle, the
// two numbers joined by `separator`, in the shortest exact text or, with `scientific`, as NumPy's
// savetxt writes them (whatever the C library's locale).
std::string LevelRows(
    int rows, double step, double level, double period, char separator, bool scientific = false) {
  std::string text;
  char number[64];
  const auto put = [&](double v) {
    const auto end =
        scientific
            ? std::to_chars(number, number + sizeof number, v, std::chars_format::scientific, 18)
            : std::to_chars(number, number + sizeof number, v);
    text.append(number, end.ptr);
  };
  for (int i = 0; i < rows; ++i) {
    const double x = step * i;
    put(x);
    text += separator;
    put(level + 2 * std::sin(kTwoPi * x / period + 0.3) + 0.05 * std::sin(7.3 * i * i));
    text += '\n';
  }
  return text;
}

// The first number of the array after "key":[ in text.
double FirstOf(const std::string& text, const std::string& key) {
  const std::size_t at = text.find("\"" + key + "\":[");
  return at == std::string::npos ? std::nan("") : LeadingNumber(text.substr(at + key.size() + 4));
}

// Data with a level: the period is right by default; without a constant the harmonic that
// carries the level is named on standard error and in the JSON's notes, searched or refined.
TEST(HarmoraFitDefaults, ALevelIsFittedByTheConstantAndNamedWithoutIt) {
  DataFolder folder;
  const std::string path = folder.Write("level.csv", LevelRows(80, 0.5, 10, 7, ','));
  const ToolRun fit = RunTool({"--format=json", "--seed", "4", path});
  ASSERT_EQ(fit.Status, kFitAllDone) << fit.Err;
  const std::string refined = ObjectAfter(ObjectAfter(fit.Out, "refined"), "model1");
  EXPECT_NEAR(FirstOf(refined, "period"), 7, 0.01) << fit.Out;
  EXPECT_NE(refined.find("\"constant\":{\"value\":1"), std::string::npos) << refined;
  EXPECT_EQ(fit.Out.find("\"notes\":[\"Model"), std::string::npos);
  for (const char* refine : {"--no-constant", "--refine"}) {
    SCOPED_TRACE(refine);
    const ToolRun bare = RunTool({"--format=json", "--no-constant", refine, "--seed", "4", path});
    ASSERT_EQ(bare.Status, kFitAllDone) << bare.Err;
    EXPECT_NE(bare.Err.find("Model 1: harmonic 1 (period"), std::string::npos) << bare.Err;
    EXPECT_NE(bare.Out.find("\"notes\":[\"Model 1: harmonic 1"), std::string::npos);
  }
}

// Each file is read the way it is written: exponents and 20,000 rows whole by the table reader;
// numbers that form no columns as pairs, with a note; what neither reads is refused naming both.
TEST(HarmoraFitDefaults, AFileIsReadTheWayItIsWritten) {
  DataFolder folder;
  const std::string savetxt =
      folder.Write("savetxt.txt", LevelRows(20000, 0.001, 1.5, 0.02, ' ', true));
  const ToolRun numpy = RunTool({"--format=json", "--seed", "1", savetxt});
  ASSERT_EQ(numpy.Status, kFitAllDone) << numpy.Err;
  EXPECT_NE(numpy.Out.find("\"reader\":\"table\""), std::string::npos);
  EXPECT_NE(numpy.Out.find("\"count\":20000,"), std::string::npos);
  EXPECT_NEAR(
      FirstOf(ObjectAfter(ObjectAfter(numpy.Out, "refined"), "model1"), "period"), 0.02, 1e-6);

  std::string line;  // the pairs on one line: one row, no columns to read
  for (int i = 0; i < 30; ++i)
    line += std::to_string(0.5 * i) + " " + std::to_string(std::sin(i)) + " ";
  const std::string oneLine = folder.Write("line.txt", line + "\n");
  const ToolRun pairs = RunTool({"--format=json", "--seed", "1", oneLine});
  ASSERT_EQ(pairs.Status, kFitAllDone) << pairs.Err;
  EXPECT_NE(pairs.Out.find("\"count\":30,"), std::string::npos) << pairs.Out;
  EXPECT_NE(pairs.Out.find("\"reader\":\"pairs\""), std::string::npos);
  EXPECT_NE(pairs.Err.find("read as pairs"), std::string::npos) << pairs.Err;
  EXPECT_EQ(RunTool({"--table", oneLine}).Status, kFitFileFailed);

  const ToolRun neither = RunTool({folder.Write("words.txt", "no numbers here\nnone\n")});
  EXPECT_EQ(neither.Status, kFitFileFailed);
  EXPECT_NE(neither.Err.find("read as a table: "), std::string::npos) << neither.Err;
  EXPECT_NE(neither.Err.find("; read as pairs: "), std::string::npos) << neither.Err;
}

// --model 1 fits model 1 alone, to the same bits as with both; its report and JSON hold only it.
TEST(HarmoraFitDefaults, OnlyTheModelAskedForIsFittedAndShown) {
  DataFolder folder;
  const std::string path = folder.Write("level.csv", LevelRows(60, 0.5, 3, 5, ','));
  for (const char* search : {"random", "periodogram"}) {
    SCOPED_TRACE(search);
    const std::vector<std::string> args = {
        "--format=json", "--search", search, "-n", "2", "--seed", "5", path};
    std::vector<std::string> one = args;
    one.insert(one.begin(), {"--model", "1"});
    const ToolRun both = RunTool(args), first = RunTool(one);
    ASSERT_EQ(first.Status, kFitAllDone) << first.Err;
    EXPECT_EQ(first.Out.find("\"model2\""), std::string::npos);
    EXPECT_EQ(ObjectAfter(first.Out, "model1"), ObjectAfter(both.Out, "model1"));
    EXPECT_EQ(ObjectAfter(ObjectAfter(first.Out, "refined"), "model1"),
              ObjectAfter(ObjectAfter(both.Out, "refined"), "model1"));
  }
  const ToolRun report = RunTool({"--model", "2", "--seed", "5", path});
  EXPECT_EQ(report.Out.find("1) F(x)="), std::string::npos) << report.Out;
  EXPECT_NE(report.Out.find("2) F(x)="), std::string::npos);
  EXPECT_EQ(report.Out.find("Least squares 1)"), std::string::npos);
}

// --all-columns fits every column of numbers as its own series, in column order.
TEST(HarmoraFitDefaults, AllColumnsAreSeriesInColumnOrder) {
  std::ostringstream table;
  table << "t,a,b,c\n";
  for (int i = 0; i < 40; ++i) {
    const double t = 0.5 * i;
    table << t << ',' << std::sin(0.9 * t) << ',' << 2 + std::cos(0.4 * t) << ','
          << std::sin(1.3 * t + 0.1 * i) << '\n';
  }
  DataFolder folder;
  const ToolRun run = RunTool(
      {"--all-columns", "--format=json", "--seed", "2", folder.Write("wide.csv", table.str())});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  const std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 3u) << run.Out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string series = std::string("\"series\":\"") + "abc"[i] + "\"";
    EXPECT_NE(lines[i].find(series), std::string::npos) << lines[i];
  }
}

TEST(HarmoraFitDefaults, OptionsThatContradictEachOtherAreUsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {"--pairs", "--table", "f.txt"},
      {"--pairs", "--x-column", "t", "f.txt"},
      {"--pairs", "--all-columns", "f.txt"},
      {"--constant", "--no-constant", "f.txt"},
      {"--all-columns", "--y-column", "a", "f.txt"},
      {"--model", "3", "f.txt"},
      {"--all-columns", "--plot", "p.svg", "f.txt"},
  };
  for (const auto& args : cases) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.Status, kFitUsageError) << args[0] << ' ' << args[1];
    EXPECT_NE(run.Err.find("harmora-fit --help"), std::string::npos) << run.Err;
  }
}

}  // namespace

// The user guide promises how a data file reads; these are its examples, read by the reader.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "data/data_file_reader.h"

namespace {

using namespace std::string_literals;
using Pairs = std::vector<std::pair<double, double>>;

struct GuideCase {
  const char* Says;  // what the guide says of it
  std::string Text;
  Pairs Expected;  // every pair read, in file order
  bool Failed;
};

std::vector<GuideCase> GuideCases() {
  return {
      {"a good file, five observations",
       "0     1.20\n1,5   2.85\n3     0.40\n4.5  -1.95\n6    -0.10\n",
       {{0, 1.2}, {1.5, 2.85}, {3, 0.4}, {4.5, -1.95}, {6, -0.1}},
       false},
      {"also good, and read the same way",
       "x=0;y=1,2  x=1,5;y=2,85  x=3;y=0,4  x=4,5;y=-1,95  x=6;y=-0,1\n",
       {{0, 1.2}, {1.5, 2.85}, {3, 0.4}, {4.5, -1.95}, {6, -0.1}},
       false},
      {"not readable, because 1-2 is not a number", "date 2024-1-2\n0 1.2\n1 2.8\n", {}, true},
      {"seven numbers make three pairs", "1 2 3 4 5 6 7\n", {{1, 2}, {3, 4}, {5, 6}}, false},
      {"a comma ends 1, as a decimal point", "1, 2", {{1, 2}}, false},
      {"a comma alone is a 0", "1 , 2 3", {{1, 0}, {2, 3}}, false},
      {"the typographic minus separates",
       "\xE2\x88\x92"
       "5 6",
       {{5, 6}},
       false},
      {"a minus after the first place is no number", "5- 6", {}, true},
      {"1,2,3 is the number 1.2.3", "1,2,3 4", {}, true},
      {"an English spreadsheet's CSV cannot be read", "1.5,2.85\n3.5,4.25\n", {}, true},
      {"a Russian spreadsheet's CSV reads well",
       "1,5;2,85\r\n3,5;4,25\r\n",
       {{1.5, 2.85}, {3.5, 4.25}},
       false},
      {"UTF-16 makes each digit a number",
       "\xFF\xFE"
       "1\0"
       "2\0"
       " \0"
       "3\0"
       "4\0"s,
       {{1, 2}, {3, 4}},
       false},
      {"a number too small to hold reads as 0",
       "1e-400 2 0." + std::string(400, '0') + "1 3",
       {{1, -400}, {2, 0}},
       false},
  };
}

TEST(DataFileGuideExamples, ReadAsTheGuideSays) {
  for (const GuideCase& c : GuideCases()) {
    SCOPED_TRACE(c.Says);
    ObservationSet obs;
    bool failed = !c.Failed;
    LoadDataBytes(c.Text, obs, failed);
    EXPECT_EQ(failed, c.Failed);
    if (c.Failed) continue;
    ASSERT_EQ(obs.LastIndex + 1, static_cast<int>(c.Expected.size()));
    for (int i = 0; i <= obs.LastIndex; ++i) {
      EXPECT_EQ(obs.X[i], c.Expected[i].first) << "x at " << i;
      EXPECT_EQ(obs.WorkY[i], c.Expected[i].second) << "y at " << i;
    }
  }
}

}  // namespace

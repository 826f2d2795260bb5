#include "plot/float_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct TextCase {
  unsigned Decimals;
  double Value;
  const char* Expected;
};

void ExpectTexts(const std::vector<TextCase>& cases) {
  for (const TextCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "FloatText(" << c.Decimals << ", " << c.Value << ")");
    EXPECT_EQ(FloatText(c.Decimals, c.Value), c.Expected);
  }
}

TEST(FloatText, WritesFixedDecimalsWithHalvesAwayFromZero) {
  ExpectTexts({
      {3, 2.5, "2.500"},
      {0, 2.5, "3"},
      {0, 3.5, "4"},
      {0, -2.5, "-3"},
      {0, 0.5, "1"},
      {0, 0.49999999999999994, "0"},
      {2, 0.125, "0.13"},
      {2, -0.125, "-0.13"},
      {1, 0.25, "0.3"},
      {9, -0.25, "-0.250000000"},
      {3, 1234.5678, "1234.568"},
      {0, 99.5, "100"},
      {2, 9.995, "9.99"},  // the double lies below the half
      {2, 9.996, "10.00"},
      {5, 0.0, "0.00000"},
      {9, 1.0 / 3.0, "0.333333333"},
      {9, 2.0 / 3.0, "0.666666667"},
  });
}

TEST(FloatText, JudgesTheHalfOnSeventeenDecimals) {
  // 0.5 - 2^-54 prints as 0.49999999999999994 to 17 decimals: below the half.
  ExpectTexts({{0, 0.5 - 0x1p-54, "0"}});
  // 2.5 - 2^-51 prints as 2.49999999999999956: below the half.
  ExpectTexts({{0, 2.5 - 0x1p-51, "2"}});
  // The double nearest 0.015 lies just below it, but to 17 decimals it is 0.01500000000000000:
  // the half, rounded away from zero.
  ExpectTexts({{2, 0.015, "0.02"}, {2, -0.015, "-0.02"}});
}

TEST(FloatText, SignsEveryNegativeValueIncludingZero) {
  ExpectTexts({
      {3, -0.0, "-0.000"},
      {0, -0.0, "-0"},
      {3, -0.0004, "-0.000"},
      {2, -0.001, "-0.00"},
      {3, 0.0004, "0.000"},
  });
}

TEST(FloatText, ClampsDecimalsAtNine) {
  ExpectTexts({
      {9, 1.0, "1.000000000"},
      {12, 1.0, "1.000000000"},
      {255, -1.5, "-1.500000000"},
      {8, 1.0, "1.00000000"},
  });
}

TEST(FloatText, NeverContainsBlanks) {
  for (unsigned d = 0; d <= 10; ++d) {
    for (double v : {0.0, -0.0, 1e-300, 3.0, -7.25, 1e8, -1e17, 1e30, 0x1p119, 0x1p120, -1e300}) {
      const std::string text = FloatText(d, v);
      EXPECT_EQ(text.find(' '), std::string::npos) << text;
      EXPECT_FALSE(text.empty());
    }
  }
}

TEST(FloatText, WritesLargeMagnitudesInFixedPointBelowTwoToThe120) {
  ExpectTexts({
      {0, 1e20, "100000000000000000000"},
      {2, 123456789.125, "123456789.13"},
      {0, -1e17, "-100000000000000000"},
  });
  const std::string text = FloatText(0, std::nextafter(0x1p120, 0.0));
  EXPECT_EQ(text.size(), 37u) << text;  // about 1.33e36, every digit written
}

TEST(FloatText, WritesTwoToThe120AndAboveInExponentForm) {
  ExpectTexts({
      {3, 0x1p120, "1.3E+0036"},
      {3, -0x1p120, "-1.3E+0036"},
      {0, 1e300, "1.0E+0300"},
      {9, 9.96e100, "1.0E+0101"},
      {9, 9.94e100, "9.9E+0100"},
      {2, std::numeric_limits<double>::max(), "1.8E+0308"},
  });
}
}  // namespace

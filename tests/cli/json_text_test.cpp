#include "cli/json_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double Parse(const std::string& text) {
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_EQ(r.ptr, text.data() + text.size()) << text;
  return v;
}

TEST(JsonNumber, EveryDoubleReadsBackToItsOwnBits) {
  using Limits = std::numeric_limits<double>;
  std::vector<double> values = {0.0,
                                -0.0,
                                0.1,
                                1.0 / 3,
                                2.0 / 3,
                                123456789.123456789,
                                1e21,
                                1e-7,
                                Limits::max(),
                                Limits::min(),
                                Limits::denorm_min(),
                                -Limits::denorm_min(),
                                9007199254740993.0};
  // One representable value at a time around spots where 16 digits are not enough.
  for (const double edge : {0.1, 1.0, 5e-324 * 3, 1e23, 8.41e21, 2.0 / 3}) {
    double v = edge;
    for (int i = 0; i < 50; ++i) v = std::nextafter(v, 0.0);
    for (int i = 0; i < 100; ++i) {
      values.push_back(v);
      v = std::nextafter(v, Limits::infinity());
    }
  }
  for (const double v : values) {
    const std::string text = JsonNumber(v);
    SCOPED_TRACE(text);
    EXPECT_TRUE(SameBits(Parse(text), v));
  }
}

TEST(JsonNumber, WritesTheShortestTextThatReadsBackInPlainJsonSyntax) {
  const struct {
    double Value;
    const char* Text;
  } cases[] = {
      {0.1, "0.1"},
      {0.702, "0.702"},
      {1e-5, "1e-05"},
      {1, "1"},
      {-2.5, "-2.5"},
      {-0.0, "-0"},
      {1e21, "1e+21"},
      {1.0 / 3, "0.3333333333333333"},
      {5e-324, "5e-324"},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonNumber(c.Value), c.Text);
}

TEST(JsonNumber, InfinitiesAndNanAreNull) {
  EXPECT_EQ(JsonNumber(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(JsonNumber(-std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(JsonNumber(std::nan("")), "null");
}

TEST(JsonString, EscapesQuotesBackslashesAndControlCharacters) {
  const struct {
    std::string Text, Json;
  } cases[] = {
      {"plain.txt", "\"plain.txt\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"tab\there\nline", "\"tab\\there\\nline\""},
      {std::string("nul\0end", 7), "\"nul\\u0000end\""},
      {"\x1f\x7f", "\"\\u001f\\u007f\""},
      {"/dir/file", "\"/dir/file\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Json);
    EXPECT_EQ(JsonString(c.Text), c.Json);
  }
}

TEST(JsonString, KeepsValidUtf8AndReplacesEachStrayByte) {
  const struct {
    std::string Text, Json;
  } cases[] = {
      {"данные.txt", "\"данные.txt\""},
      {"\xF0\x9F\x93\x88", "\"\xF0\x9F\x93\x88\""},                  // a 4-byte character
      {"\xE4\xE0\xED", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // cp1251 bytes
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // overlong '/'
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a surrogate
      {"a\xD0", "\"a\xEF\xBF\xBD\""},                                // cut short at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Json);
    EXPECT_EQ(JsonString(c.Text), c.Json);
  }
}

TEST(JsonObject, JoinsMembersWithCommasInTheOrderAdded) {
  JsonObject object;
  EXPECT_EQ(Close(object), "{}");
  Add(object, "file", JsonString("a.txt"));
  const double values[] = {1.5, -2};
  Add(object, "A", JsonNumbers(values, 2));
  Add(object, "none", JsonNumbers(values, 0));
  EXPECT_EQ(Close(object), "{\"file\":\"a.txt\",\"A\":[1.5,-2],\"none\":[]}");
}

}  // namespace

#pragma once

#include <string>
#include <string_view>

// Small pieces of JSON text, written without a library: enough for one flat record per line.

// v in the shortest text that reads back as the same double (std::to_chars): "0.702", "1e-05",
// "-0"; "inf", "-inf" and "nan" for values that are not finite. Never depends on the locale.
std::string ShortestNumber(double v);

// ShortestNumber, and "null" for an infinity or a NaN, which JSON cannot hold.
std::string JsonNumber(double v);

// text as a JSON string in quotes: '"', '\' and the control characters escaped, valid UTF-8
// kept, and each byte that is not part of valid UTF-8 replaced by U+FFFD.
std::string JsonString(std::string_view text);

// values[0..count-1] as a JSON array of numbers.
std::string JsonNumbers(const double* values, int count);

// An object being written member by member: Open, then Add for each member, then Close.
struct JsonObject {
  std::string Text = "{";
};

// Appends "key":valueText (valueText already JSON).
void Add(JsonObject& object, std::string_view key, const std::string& valueText);

// The finished object's text.
std::string Close(const JsonObject& object);

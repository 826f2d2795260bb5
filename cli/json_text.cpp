#include "cli/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

// The length of the valid UTF-8 sequence starting at text[i], or 0 when none starts there
// (overlong forms, surrogates and values past U+10FFFF are not valid).
std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t j) { return static_cast<unsigned char>(text[j]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  std::uint32_t low = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, low = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, low = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, low = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  std::uint32_t code = lead & (0x7F >> length);
  for (std::size_t j = 1; j < length; ++j) {
    if ((byte(i + j) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + j) & 0x3F);
  }
  if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string ShortestNumber(double v) {
  char text[32];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, v);
  return std::string(text, result.ptr);
}

std::string JsonNumber(double v) { return std::isfinite(v) ? ShortestNumber(v) : "null"; }

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char ch = static_cast<unsigned char>(text[i]);
    if (ch >= 0x80) {
      const std::size_t length = Utf8Length(text, i);
      if (length == 0) {
        out += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch == '\n') {
      out += "\\n";
    } else if (ch == '\t') {
      out += "\\t";
    } else if (ch < 0x20 || ch == 0x7F) {
      out += "\\u00";
      out += kHex[ch >> 4];
      out += kHex[ch & 0xF];
    } else {
      out += static_cast<char>(ch);
    }
    ++i;
  }
  return out + "\"";
}

std::string JsonNumbers(const double* values, int count) {
  std::string out = "[";
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += ',';
    out += JsonNumber(values[i]);
  }
  return out + "]";
}

void Add(JsonObject& object, std::string_view key, const std::string& valueText) {
  if (object.Text.size() > 1) object.Text += ',';
  object.Text += JsonString(key);
  object.Text += ':';
  object.Text += valueText;
}

std::string Close(const JsonObject& object) { return object.Text + "}"; }

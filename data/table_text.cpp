#include "data/table_text.h"

#include <utf8.h>

#include <iterator>
#include <vector>

namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

// The UTF-16 code units of bytes (the mark already cut off), in the given byte order.
std::vector<char16_t> Utf16Units(std::string_view bytes, bool bigEndian) {
  std::vector<char16_t> units(bytes.size() / 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return units;
}

TableText FromUtf16(std::string_view bytes, TableEncoding encoding) {
  TableText text;
  text.Encoding = encoding;
  if (bytes.size() % 2 != 0) {
    text.Fault = TableTextFault::BadUtf16;
    return text;
  }
  const std::vector<char16_t> units = Utf16Units(bytes, encoding == TableEncoding::Utf16BE);
  try {
    utf8::utf16to8(units.begin(), units.end(), std::back_inserter(text.Utf8));
  } catch (const utf8::exception&) {
    text.Utf8.clear();
    text.Fault = TableTextFault::BadUtf16;
  }
  return text;
}

// Windows-1251's characters 0x80 to 0xBF; 0xC0 to 0xFF are А to я, U+0410 to U+044F.
constexpr char16_t kWindows1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

bool IsHigh(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Whether text that is no UTF-8 reads as Russian in Windows-1251, which Excel writes for "CSV"
// on a Russian system: there nearly every byte above 0x7F is a letter inside a word of such
// letters, while in Latin-1 and Windows-1252 one stands alone between ASCII letters (Wärme).
bool LooksLikeWindows1251(std::string_view bytes) {
  std::size_t high = 0, inRuns = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (!IsHigh(bytes[i])) continue;
    ++high;
    const bool before = i > 0 && IsHigh(bytes[i - 1]);
    const bool after = i + 1 < bytes.size() && IsHigh(bytes[i + 1]);
    inRuns += before || after ? 1 : 0;
  }
  return high > 0 && inRuns * 4 >= high * 3;
}

std::string FromWindows1251(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    units.push_back(b < 0x80   ? char16_t(b)
                    : b < 0xC0 ? kWindows1251High[b - 0x80]
                               : char16_t(0x0410 + (b - 0xC0)));
  }
  std::string utf8;
  utf8::utf16to8(units.begin(), units.end(), std::back_inserter(utf8));
  return utf8;
}

}  // namespace

TableText DecodeTableText(std::string_view bytes) {
  if (StartsWith(bytes, "\xFF\xFE")) return FromUtf16(bytes.substr(2), TableEncoding::Utf16LE);
  if (StartsWith(bytes, "\xFE\xFF")) return FromUtf16(bytes.substr(2), TableEncoding::Utf16BE);
  TableText text;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    text.Encoding = TableEncoding::Utf8Bom;
    bytes.remove_prefix(3);
  }
  if (bytes.find('\0') != std::string_view::npos) {
    text.Fault = TableTextFault::NulBytes;
    return text;
  }
  // A name in another 8-bit code page stays readable as a name; numbers are ASCII either way.
  if (utf8::is_valid(bytes.begin(), bytes.end())) {
    text.Utf8.assign(bytes);
  } else if (text.Encoding == TableEncoding::Utf8 && LooksLikeWindows1251(bytes)) {
    text.Encoding = TableEncoding::Windows1251;
    text.Utf8 = FromWindows1251(bytes);
  } else {
    utf8::replace_invalid(bytes.begin(), bytes.end(), std::back_inserter(text.Utf8));
  }
  return text;
}

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
  } else {
    utf8::replace_invalid(bytes.begin(), bytes.end(), std::back_inserter(text.Utf8));
  }
  return text;
}

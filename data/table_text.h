#pragma once

#include <string>
#include <string_view>

// A table file's bytes as UTF-8 text: what spreadsheets and scripts write is UTF-8 with or
// without a byte order mark, UTF-16 with one (Excel's "Unicode text"), or, from Excel's plain
// "CSV" on a Russian system, Windows-1251.

enum class TableEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1251 };

enum class TableTextFault {
  None,
  NulBytes,  // NUL bytes without a UTF-16 byte order mark: UTF-16 without one, or no text at all
  BadUtf16,  // a UTF-16 byte order mark, then an odd length or a lone surrogate
};

struct TableText {
  std::string Utf8;  // without the byte order mark; invalid UTF-8 sequences replaced by U+FFFD
  TableEncoding Encoding = TableEncoding::Utf8;
  TableTextFault Fault = TableTextFault::None;
};

// Recognises the encoding by its byte order mark (none: UTF-8; bytes that are no UTF-8 and whose
// bytes above 0x7F come in words, Windows-1251) and converts the text to UTF-8.
// Refuses (Fault set, Utf8 empty) bytes it cannot take for text rather than guess.
TableText DecodeTableText(std::string_view bytes);

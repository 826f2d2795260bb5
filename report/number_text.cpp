#include "report/number_text.h"

#include <charconv>

std::string NumberText(double v, int digits) {
  // A sign, 17 digits, the point and a five-character exponent, with room to spare.
  char buffer[40];
  const std::to_chars_result result =
      std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, digits);
  return std::string(buffer, result.ptr);
}

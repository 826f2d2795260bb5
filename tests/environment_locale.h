#pragma once

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

// Enters the locale the environment names, as a program started from a desktop does. When the
// run asks for a decimal comma (HARMORA_EXPECT_DECIMAL_COMMA), returns false with the reason
// unless that locale really writes one, so a missing locale fails instead of passing as C.
inline bool EnterEnvironmentLocale(std::string& why) {
  const char* name = std::setlocale(LC_ALL, "");
  if (std::getenv("HARMORA_EXPECT_DECIMAL_COMMA") == nullptr) return true;
  if (name == nullptr) {
    why = "the locale named by LC_ALL/LANG is not installed (scripts/setup generates it)";
    return false;
  }
  if (std::strcmp(std::localeconv()->decimal_point, ",") != 0) {
    why = std::string("locale ") + name + " does not write a decimal comma";
    return false;
  }
  return true;
}

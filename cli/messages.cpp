#include "cli/messages.h"

#include <locale.h>
#include <string.h>

#include <cstdlib>
#include <string_view>
#include <utility>

#include "base/run_time_fault.h"

Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  const char* name = "";
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value != nullptr && *value != '\0') {
      name = value;
      break;
    }
  }
  const std::string_view locale(name);
  const bool russian = locale.substr(0, 2) == "ru" && (locale.size() == 2 || locale[2] == '_' ||
                                                       locale[2] == '.' || locale[2] == '@');
  return russian ? Language::Russian : Language::English;
}

Language LanguageFromEnvironment() {
  return LanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

namespace {

// The system's reason at the end of an I/O fault's text, which the reader gives in English, in
// the C library's Russian (libc-l10n) where it has one.
std::string RussianReason(std::string text) {
  static const locale_t english = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  static const locale_t russian = newlocale(LC_ALL_MASK, "ru_RU.UTF-8", static_cast<locale_t>(0));
  if (english == static_cast<locale_t>(0) || russian == static_cast<locale_t>(0)) return text;
  for (int error = 1; error < 200; ++error) {
    const std::string_view reason = strerror_l(error, english);
    if (text.size() > reason.size() && text.ends_with(reason) &&
        text.compare(text.size() - reason.size() - 2, 2, ": ") == 0) {
      text.replace(text.size() - reason.size(), reason.size(), strerror_l(error, russian));
      break;
    }
  }
  return text;
}

}  // namespace

std::string FaultText(const RunTimeFault& fault, Language language) {
  switch (fault.FaultKind) {
    case RunTimeFault::Kind::DivisionByZero:
      return Say(language, "division by zero in the computation", kDivisionByZeroText);
    case RunTimeFault::Kind::InvalidOperation:
      return Say(language, "invalid operation in the computation", kInvalidOperationText);
    case RunTimeFault::Kind::Overflow:
      return Say(language, "overflow: a number is out of range", kOverflowText);
    case RunTimeFault::Kind::InputOutput:
      break;
  }
  std::string text = fault.what();
  if (language != Language::Russian) return text;
  static const std::pair<std::string_view, std::string_view> kWords[] = {
      {"Cannot open file \"", "Не удаётся открыть файл \""},
      {"Cannot read file \"", "Не удаётся прочитать файл \""},
      {"Cannot close file \"", "Не удаётся закрыть файл \""},
      {"it is not a regular file", "это не обычный файл"},
  };
  for (const auto& [english, russian] : kWords) {
    const std::size_t at = text.find(english);
    if (at != std::string::npos) text.replace(at, english.size(), russian);
  }
  return RussianReason(text);
}

#include "cli/messages.h"

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
  return text;
}

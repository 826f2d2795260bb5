#include "cli/messages.h"

#include <cstdlib>
#include <string_view>

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

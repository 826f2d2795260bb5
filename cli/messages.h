#pragma once

#include <string>

// The language of harmora-fit's messages: Russian under a Russian locale, English otherwise.
enum class Language { English, Russian };

// The language the locale names, looked up as the C library looks up LC_MESSAGES: LC_ALL when
// set and not empty, else LC_MESSAGES, else LANG. Null stands for an unset variable.
Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang);

// The same for this process's environment.
Language LanguageFromEnvironment();

// text in the chosen language.
inline const char* Say(Language language, const char* english, const char* russian) {
  return language == Language::Russian ? russian : english;
}

class RunTimeFault;

// A fault's text in the chosen language: the computation's faults by their kind, and the
// reader's I/O faults with their fixed words translated (the system's reason as it gives it).
std::string FaultText(const RunTimeFault& fault, Language language);

#pragma once

#include <string>

#include "cli/messages.h"

// The text --help prints, in the given language. Both languages' texts stand side by side, option
// by option, in help_text.cpp, so that an option added to one is seen missing from the other.
std::string HelpText(Language language);

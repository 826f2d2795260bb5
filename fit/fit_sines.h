#pragma once

#include "fit/engine_choice.h"
#include "sine/sine_kernel.h"

// Every sine a fit evaluates (search, residuals, refinement, polish, working target, relative
// deviation) comes from one function, its choice's, so that the fast search and its plain
// reference, and every tile path, compute with the same sines: the vectorised kernel on the
// choice's path, or the C library's std::sin. Either takes args and out as the same array or
// two, depends on nothing but each value, and allocates nothing.
SineFunction FitSinesOf(const EngineChoice& choice);

#pragma once

#include <QString>

#include "state/app_state.h"

// Draws `state` as the window does, into a recording surface, and returns what is wrong with
// what the painter would be given: a coordinate beyond any screen, or a label showing NaN or
// infinity; empty when all is well. A run-time fault is the expected way out of a redraw and
// leaves nothing to check. The state is copied, so the window is not touched.
QString CheckPainterInput(const AppState& state);

// Whether a text shows a NaN or an infinity as FloatText or the C library writes them.
bool ShowsNonFinite(const QString& text);

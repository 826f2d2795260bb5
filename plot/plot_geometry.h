#pragma once

#include <cstdint>
#include <string>

#include "base/run_time_fault.h"
#include "state/plot_area.h"

struct ObservationSet;

// Sets W and H from PanelMode and the client size; the caller shows or hides the panel
// according to PanelMode.
void UpdateLayout(PlotGeometry& geometry, int clientWidth, int clientHeight);

// The division fault of data that cannot be scaled onto the plot: every x equal, or every y 0.
// Its text tells the user, in Russian, why the data cannot be shown and what to do; the window
// shows it once per data set, however often the plot is redrawn.
class UnplottableDataFault : public RunTimeFault {
 public:
  explicit UnplottableDataFault(const char* text) : RunTimeFault(Kind::DivisionByZero, text) {}
};

inline constexpr const char* kNoXRangeText =
    "Эти данные нельзя показать на графике: все значения x одинаковы, и шкале x не на что "
    "опереться. Откройте другой файл данных или вставьте другие данные (Ctrl+V).";
inline constexpr const char* kNoYRangeText =
    "Эти данные нельзя показать на графике: все значения y равны нулю, и шкале y не на что "
    "опереться. Откройте другой файл данных или вставьте другие данные (Ctrl+V).";

// Raises UnplottableDataFault (kNoYRangeText) when every y of the set is 0.
void RequireYRange(const ObservationSet& obs);

// Sets KX, X0, KY, Y0. Raises UnplottableDataFault, before the value is stored, for a zero x
// range (nothing changes) or a zero YAbsMax (KX and X0 already updated).
void UpdateScales(PlotGeometry& geometry, const ObservationSet& obs);

// Value to pixel, rounded to nearest with ties to even. A value beyond the pixel range raises
// an invalid operation fault.
int ScreenX(const PlotGeometry& geometry, double x);
int ScreenY(const PlotGeometry& geometry, double y);

// Pixel column to value: (column - X0) / KX.
double ValueX(const PlotGeometry& geometry, int column);

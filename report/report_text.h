#pragma once

#include <functional>
#include <string>

struct AppState;
struct HarmonicModel;
struct ModelTerms;

// One harmonic as the report writes it: T(a) + "*sin(" + T(b) + "*x+" + T(c) + ")", with T the
// number's fixed-point text with 9 decimals. Shared by every writer that shows the formula.
std::string ReportTerm(double a, double b, double c);

// Writes the report's 4N + 12 lines, one call of appendLine each, from the coefficient table
// and the two deviations. A frequency of 0 raises a division fault at its period, after the
// lines before it were written.
void WriteReport(const AppState& state, const std::function<void(const std::string&)>& appendLine);

// The same for a fit with terms (a constant, a trend): each formula begins with a line of the
// terms' values, "c0+c1*x+", inside model 2's brackets; known periods show as any harmonic does.
// models[ModelKind] hold the values. Without terms the lines are WriteReport's.
void WriteReport(const AppState& state,
                 const ModelTerms& terms,
                 const HarmonicModel models[2],
                 const std::function<void(const std::string&)>& appendLine);

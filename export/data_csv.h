#pragma once

#include <string>

struct AppState;
struct HarmonicModel;
struct ModelTerms;

// Significant digits of every number in the file: 17 always read back as the same double.
inline constexpr int kCsvDigits = 17;

// v with kCsvDigits significant digits, full-stop decimals, no blanks, whatever the locale
// ("0.10000000000000001", "-0", "1.0000000000000000e+300"; "inf" and "nan" for non-finite values).
std::string CsvNumber(double v);

// How a file is written for a spreadsheet: its separator and decimal mark (a decimal-comma
// desktop reads ';' and ','), the shortest digits that read back to the same double, and whether
// the '#' lines with the fit's settings and coefficients come first. The default is the file
// described below.
struct CsvStyle {
  char Separator = ',';
  char Decimal = '.';
  bool Shortest = false;
  bool Comments = true;
};

// v as the style writes it: kCsvDigits or the shortest round-trip digits, with its decimal mark.
std::string CsvNumber(double v, const CsvStyle& style);

// The observations as loaded (sorted by x) as comma-separated UTF-8 text, one line per
// observation after a header line. Before a complete fit (FitStage < 2) the columns are x,y;
// after one they are x,y,model1,model2,residual1,residual2 (residual = y - model), preceded by
// '#' comment lines holding the fit's settings and two stage seeds, and both models'
// coefficients and deviations. Lines end in '\n'.
std::string WriteDataCsv(const AppState& state);

// The same for a fit with terms: the comment lines name each model's constant and trend, and
// the model columns include them. models[ModelKind] hold the values.
std::string WriteDataCsv(const AppState& state,
                         const ModelTerms& terms,
                         const HarmonicModel models[2],
                         const CsvStyle& style = {});
std::string WriteDataCsv(const AppState& state, const CsvStyle& style);

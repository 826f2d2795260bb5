#pragma once

#include <functional>
#include <string>

struct HarmonicModel;
struct ModelTerms;

// The lines the formulas box adds after the report's own lines for an applied fit with a
// constant, a trend or known periods: each model's terms with their values (as the report
// writes numbers, 9 decimals) and the harmonics whose frequencies were fixed. Nothing without
// terms.
void AppendTermsLines(const ModelTerms& terms,
                      const HarmonicModel models[2],
                      const std::function<void(const std::string&)>& appendLine);

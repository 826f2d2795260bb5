#include "app/window/terms_report.h"

#include "analysis/model_terms.h"
#include "model/harmonic_model.h"
#include "plot/float_text.h"

void AppendTermsLines(const ModelTerms& terms,
                      const HarmonicModel models[2],
                      const std::function<void(const std::string&)>& appendLine) {
  if (!terms.Any()) return;
  appendLine("");
  appendLine("");
  if (terms.Constant || terms.Trend) {
    const std::string sum = std::string(terms.Constant ? "c0+" : "") +
                            (terms.Trend ? "c1*x+" : "") + "sum of A*sin(B*x+C)";
    appendLine("Terms of the fit: 1) F(x)=" + sum + ", 2) F(x)=(" + sum + ")^2");
    for (int m = 0; m < 2; ++m) {
      const std::string model = std::to_string(m + 1) + ") ";
      if (terms.Constant) appendLine(model + "c0=" + FloatText(9, models[m].Constant));
      if (terms.Trend) appendLine(model + "c1=" + FloatText(9, models[m].Trend));
    }
  }
  if (terms.FixedCount > 0) {
    appendLine("Known periods: harmonics 1 to " + std::to_string(terms.FixedCount) +
               " of both models, B fixed (not estimated)");
  }
}

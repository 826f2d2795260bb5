#include "export/formula_text.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/float_text.h"
#include "report/report_text.h"

namespace {

constexpr unsigned kDecimals = 9;  // the report's precision, so every copy shows the same digits

struct Harmonic {
  double A, B, C;
};

std::vector<Harmonic> Harmonics(const CoefficientTable& t, FormulaModel model) {
  std::vector<Harmonic> out;
  for (int k = 0; k < t.HarmonicCount; ++k) {
    if (model == FormulaModel::One) {
      out.push_back({t.A[k], t.B[k], t.C[k]});
    } else {
      out.push_back({t.A2[k], t.B2[k], t.C2[k]});
    }
  }
  return out;
}

std::string Magnitude(double v) { return FloatText(kDecimals, std::fabs(v)); }

// " + v" or " - |v|" (spaced) or "+v" / "-|v|" (tight): a negative number is written with its
// sign as the operator, so no language sees "+-".
std::string Signed(double v, bool spaced) {
  std::string out = spaced ? " + " : "+";
  if (std::signbit(v)) out[spaced ? 1 : 0] = '-';
  out.append(Magnitude(v));
  return out;
}

// A number that opens a sum or an argument: "-|v|" when negative, else v.
std::string Leading(double v) {
  std::string out = std::signbit(v) ? "-" : "";
  out.append(Magnitude(v));
  return out;
}

// A sum of terms in a code-like language: a*fn(b*var+c) joined by their signs.
std::string CodeSum(const std::vector<Harmonic>& hs,
                    const std::string& fn,
                    const std::string& var) {
  std::string out;
  for (size_t k = 0; k < hs.size(); ++k) {
    const Harmonic& h = hs[k];
    out += k == 0 ? Leading(h.A) : Signed(h.A, false);
    out += "*" + fn + "(" + Leading(h.B) + "*" + var + Signed(h.C, false) + ")";
  }
  return hs.empty() ? "0" : out;
}

std::string LatexSum(const std::vector<Harmonic>& hs) {
  std::string out;
  for (size_t k = 0; k < hs.size(); ++k) {
    const Harmonic& h = hs[k];
    out += k == 0 ? Leading(h.A) : Signed(h.A, true);
    out += " \\sin(" + Leading(h.B) + " x" + Signed(h.C, true) + ")";
  }
  return hs.empty() ? "0" : out;
}

std::string PlainSum(const std::vector<Harmonic>& hs) {
  std::string out;
  for (size_t k = 0; k < hs.size(); ++k) {
    if (k > 0) out += "+";
    out += ReportTerm(hs[k].A, hs[k].B, hs[k].C);
  }
  return out;
}

// The terms before a sum: "c0+c1*x" in the language's spelling of x and its spacing, joined to
// the sum by the sign its first number has (by "+" as the report's lines are, with `asReport`);
// the sum alone without terms.
std::string WithTerms(const FormulaTerms& terms,
                      const std::string& sum,
                      bool hasHarmonics,
                      const std::string& var,
                      bool spaced,
                      bool asReport = false) {
  std::string text;
  if (terms.Constant) text = Leading(terms.C0);
  if (terms.Trend) {
    text += text.empty() ? Leading(terms.C1) : Signed(terms.C1, spaced);
    text += (spaced ? " " : "*") + var;
  }
  if (text.empty()) return sum;
  if (!hasHarmonics) return text;
  if (sum.front() == '-' && !asReport) return text + (spaced ? " - " + sum.substr(1) : sum);
  return text + (spaced ? " + " : "+") + sum;
}

}  // namespace

std::string FormulaText(const CoefficientTable& table, FormulaModel model, FormulaFormat format) {
  return FormulaText(table, model, format, FormulaTerms{});
}

std::string FormulaText(const CoefficientTable& table,
                        FormulaModel model,
                        FormulaFormat format,
                        const FormulaTerms& terms) {
  const std::vector<Harmonic> hs = Harmonics(table, model);
  const bool squared = model == FormulaModel::Two;
  const bool any = !hs.empty();
  switch (format) {
    case FormulaFormat::Plain: {
      const std::string sum = WithTerms(terms, PlainSum(hs), any, "x", false, true);
      return "F(x)=" + (squared && !sum.empty() ? "(" + sum + ")^2" : sum);
    }
    case FormulaFormat::Python: {
      const std::string sum = WithTerms(terms, CodeSum(hs, "np.sin", "x"), any, "x", false);
      return squared ? "(" + sum + ")**2" : sum;
    }
    case FormulaFormat::Spreadsheet: {
      const std::string sum = WithTerms(terms, CodeSum(hs, "SIN", "A2"), any, "A2", false);
      return "=" + (squared ? "(" + sum + ")^2" : sum);
    }
    case FormulaFormat::SpreadsheetComma: {
      std::string text = FormulaText(table, model, FormulaFormat::Spreadsheet, terms);
      std::replace(text.begin(), text.end(), '.', ',');  // only the numbers hold a point
      return text;
    }
    case FormulaFormat::Latex: {
      const std::string sum = WithTerms(terms, LatexSum(hs), any, "x", true);
      return "F(x) = " + (squared ? "\\left(" + sum + "\\right)^2" : sum);
    }
  }
  return {};
}

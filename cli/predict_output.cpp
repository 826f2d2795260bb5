#include "cli/predict_output.h"

#include <cmath>

#include "cli/fit_output.h"
#include "cli/json_text.h"

namespace {

// The points as this fit's x: dates to days since its origin, refused where the kinds differ.
std::string TakePoints(const FileFit& fit, const FitOptions& options, std::vector<double>& x) {
  const PredictPoints& at = options.PredictAt;
  const Language l = options.Messages;
  if (at.Dates && (!fit.XIsDate || at.TimesOfDay != fit.XTimesOfDay)) {
    return at.TimesOfDay ? Say(l,
                               "--predict gives times of day, but this fit's x are not",
                               "--predict задаёт время суток, а x этого подбора — нет")
                         : Say(l,
                               "--predict gives dates, but this fit's x are not dates",
                               "--predict задаёт даты, а x этого подбора — не даты");
  }
  x = at.X;
  if (at.Dates) {
    for (double& v : x) v -= fit.XOrigin;
  }
  return {};
}

// Why the bands of a model are empty, or empty text where both are given.
std::string BandNote(const CurveModel& model, bool refined, int number, const FitOptions& options) {
  const Language l = options.Messages;
  std::string text = Say(l, "model ", "модель ") + std::to_string(number);
  if (!refined) {
    return text + Say(l,
                      ": no bands: the search's model has no covariance (refine with --refine)",
                      ": полос нет: у модели поиска нет ковариации (уточните с --refine)");
  }
  if (!model.Determined) {
    return text + Say(l,
                      ": no bands: a parameter is undetermined (an unbounded harmonic, or data "
                      "that cannot fix it)",
                      ": полос нет: параметр не определён (неограниченная гармоника или данные, "
                      "которые его не задают)");
  }
  if (model.DegreesOfFreedom <= 0 || !std::isfinite(model.NoiseVariance)) {
    return text + Say(l,
                      ": no bands: no degrees of freedom are left for the noise",
                      ": полос нет: на шум не осталось степеней свободы");
  }
  if (model.Weighted && !(options.Sigma > 0)) {
    return text + Say(l,
                      ": no band of a new observation: its sigma is not known (the fit is "
                      "weighted by a sigma column)",
                      ": нет полосы нового наблюдения: его сигма неизвестна (подбор взвешен "
                      "столбцом сигм)");
  }
  return {};
}

std::string BandField(double v) { return std::isfinite(v) ? ShortestNumber(v) : std::string(); }

}  // namespace

Prediction PredictFit(const FileFit& fit, const FitOptions& options) {
  Prediction p;
  p.Error = TakePoints(fit, options, p.X);
  if (!p.Error.empty()) return p;
  const int count = static_cast<int>(p.X.size());
  const std::vector<double> sigma(options.Sigma > 0 ? p.X.size() : 0, options.Sigma);
  for (int m = 0; m < 2; ++m) {
    ModelPrediction& model = p.Models[m];
    model.Wanted = ModelWanted(options, m);
    if (!model.Wanted) continue;
    model.Refined = fit.Refined;
    const ModelKind kind = static_cast<ModelKind>(m);
    CurveModel curve;
    if (fit.Refined) {
      curve = CurveModelOf(fit.Refinement.Refined[m], kind);
    } else {
      curve.Coefficients = fit.Fit.Models[m];  // no covariance: values only
    }
    model.Note = BandNote(curve, fit.Refined, m + 1, options);
    model.Bands = EvaluateBands(
        curve, p.X.data(), count, options.BandLevel, sigma.empty() ? nullptr : sigma.data());
  }
  return p;
}

std::string PredictCsvHeader(const FitOptions& options) {
  std::string header = options.Table ? "file,series,x" : "file,x";
  for (const char* number : {"1", "2"}) {
    for (const char* column :
         {",model", ",mean_ci_lower", ",mean_ci_upper", ",obs_ci_lower", ",obs_ci_upper"}) {
      header += column;
      header += number;
    }
  }
  return header + '\n';
}

void WritePredictCsv(const FileFit& fit,
                     const Prediction& p,
                     const FitOptions& options,
                     std::ostream& out) {
  const std::string file =
      options.Table ? CsvField(fit.Path) + ',' + CsvField(fit.Series) : CsvField(fit.Path);
  for (std::size_t i = 0; i < p.X.size() && out; ++i) {
    out << file << ',' << ShortestNumber(p.X[i]);
    for (const ModelPrediction& model : p.Models) {
      if (!model.Wanted) {
        out << ",,,,,";
        continue;
      }
      const CurveBands& b = model.Bands;
      for (const double v :
           {b.Value[i], b.MeanLower[i], b.MeanUpper[i], b.NewLower[i], b.NewUpper[i]}) {
        out << ',' << BandField(v);
      }
    }
    out << '\n';
  }
}

std::string PredictJson(const Prediction& p, const FitOptions& options) {
  JsonObject object;
  if (!p.Error.empty()) {
    Add(object, "error", JsonString(p.Error));
    return Close(object);
  }
  const int count = static_cast<int>(p.X.size());
  Add(object, "level", JsonNumber(options.BandLevel));
  Add(object, "x", JsonNumbers(p.X.data(), count));
  for (int m = 0; m < 2; ++m) {
    const ModelPrediction& model = p.Models[m];
    if (!model.Wanted) continue;
    const CurveBands& b = model.Bands;
    JsonObject values;
    Add(values, "source", JsonString(model.Refined ? "refined" : "search"));
    Add(values, "value", JsonNumbers(b.Value.data(), count));
    Add(values, "mean_ci_lower", JsonNumbers(b.MeanLower.data(), count));
    Add(values, "mean_ci_upper", JsonNumbers(b.MeanUpper.data(), count));
    Add(values, "obs_ci_lower", JsonNumbers(b.NewLower.data(), count));
    Add(values, "obs_ci_upper", JsonNumbers(b.NewUpper.data(), count));
    if (!model.Note.empty()) Add(values, "note", JsonString(model.Note));
    Add(object, m == 0 ? "model1" : "model2", Close(values));
  }
  return Close(object);
}

#include "app/least_squares/apply_refusal.h"

#include <QStringList>

namespace {

// "гармоника 2 модели 1" or "гармоники 2 и 3 модели 2", or "" when the model has none.
QString UnboundedNames(const ModelFit& fit, int model) {
  QStringList numbers;
  for (int k = 0; k < fit.Coefficients.Count && k < kMaxHarmonics; ++k) {
    if (fit.Unbounded[k]) numbers << QString::number(k + 1);
  }
  if (numbers.isEmpty()) return {};
  const QString last = numbers.takeLast();
  const QString list = numbers.isEmpty() ? last : numbers.join(QStringLiteral(", ")) + " и " + last;
  return (numbers.isEmpty() ? QStringLiteral("гармоника %1 модели %2")
                            : QStringLiteral("гармоники %1 модели %2"))
      .arg(list)
      .arg(model + 1);
}

}  // namespace

QString ApplyRefusal(const RefinementResult& refined, const RefinementResult& shown) {
  for (const ModelFit& fit : refined.Refined) {
    if (fit.Statistics.DegreesOfFreedom <= 0) {
      return QStringLiteral(
          "«Применить» недоступно: параметров не меньше, чем наблюдений, и уточнённая модель "
          "ничего не говорит о данных.");
    }
  }
  QStringList unbounded;
  for (int m = 0; m < 2; ++m) {
    const QString names = UnboundedNames(shown.Refined[m], m);
    if (!names.isEmpty()) unbounded << names;
  }
  if (unbounded.isEmpty()) return {};
  return QStringLiteral(
             "«Применить» недоступно: %1 не определяется данными — её амплитуда растёт без "
             "предела (см. примечание), и на графике была бы не подгонка. Уменьшите число "
             "гармоник или отметьте постоянную составляющую.")
      .arg(unbounded.join(QStringLiteral("; ")));
}

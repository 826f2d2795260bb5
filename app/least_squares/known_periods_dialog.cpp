#include "app/least_squares/known_periods_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <cmath>

bool ParsePeriods(const QString& text, int most, std::vector<double>& periods, QString& error) {
  periods.clear();
  static const QRegularExpression kSeparators(QStringLiteral("[\\s;]+"));
  const QStringList entries = text.split(kSeparators, Qt::SkipEmptyParts);
  for (const QString& entry : entries) {
    // Either decimal mark reads the same; "1,5" can only be one number here, since a comma
    // does not separate periods.
    QString plain = entry;
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double period = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(period) || !(period > 0)) {
      error = QStringLiteral("«%1» — не положительное число").arg(entry);
      return false;
    }
    periods.push_back(period);
  }
  if (static_cast<int>(periods.size()) > most) {
    error = QStringLiteral("Периодов больше, чем гармоник (%1)").arg(most);
    return false;
  }
  error.clear();
  return true;
}

QString PeriodsText(const std::vector<double>& periods) {
  QStringList parts;
  for (const double period : periods) parts << QLocale().toString(period, 'g', 15);
  return parts.join(QStringLiteral("; "));
}

KnownPeriodsDialog::KnownPeriodsDialog(const std::vector<double>& periods,
                                       int most,
                                       QWidget* parent)
    : QDialog(parent), Most(most), Chosen(periods) {
  setWindowTitle(QStringLiteral("Известные периоды"));
  auto* hint = new QLabel(
      QStringLiteral("Периоды в единицах x через пробел или «;», не больше %1. Гармоники с этими "
                     "периодами подбираются только по амплитуде и фазе, остальные ищутся. "
                     "Пустое поле — известных периодов нет.")
          .arg(most),
      this);
  hint->setWordWrap(true);
  Field = new QLineEdit(PeriodsText(periods), this);
  Field->setAccessibleName(QStringLiteral("Известные периоды"));
  Problem = new QLabel(this);
  Problem->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  OkButton = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(Field, &QLineEdit::textChanged, this, [this] { Check(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addWidget(Field);
  layout->addWidget(Problem);
  layout->addWidget(buttons);
  resize(460, sizeHint().height());
  Check();
}

void KnownPeriodsDialog::Check() {
  QString error;
  std::vector<double> periods;
  const bool ok = ParsePeriods(Field->text(), Most, periods, error);
  if (ok) Chosen = periods;
  Problem->setText(error);
  Problem->setVisible(!ok);
  OkButton->setEnabled(ok);
}

#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

// Reads the periods a user typed: numbers separated by blanks or ';', with a full stop or a
// comma as the decimal mark ("24; 365,25"). Returns false with the reason in `error` (Russian,
// naming the entry) for anything that is not a positive finite number, or for more than `most`
// periods. An empty text is no periods.
bool ParsePeriods(const QString& text, int most, std::vector<double>& periods, QString& error);

// The periods as the dialog and the window show them, in the user's locale ("24; 365,25").
QString PeriodsText(const std::vector<double>& periods);

// "Известные периоды": periods in x units whose harmonics keep their frequency, so that only
// their amplitude and phase are fitted (a year in daily data, a day in hourly data). OK is
// offered only for text ParsePeriods takes; the reason shows under the field meanwhile.
class KnownPeriodsDialog : public QDialog {
  Q_OBJECT

 public:
  KnownPeriodsDialog(const std::vector<double>& periods, int most, QWidget* parent);

  const std::vector<double>& Periods() const { return Chosen; }

  QLineEdit* Field = nullptr;
  QLabel* Problem = nullptr;
  QPushButton* OkButton = nullptr;

 private:
  void Check();

  int Most;
  std::vector<double> Chosen;
};

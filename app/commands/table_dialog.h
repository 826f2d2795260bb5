#pragma once

#include <QDialog>
#include <string>

#include "data/table_reader.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// "Открыть таблицу": the first rows of a table file, how it was read (separator, decimal mark,
// header row, encoding; each can be set by hand), and the choice of its x, y and optional σ
// columns. It accepts only a choice the window can take: numbers (or ISO dates for x), at least
// 4 and at most kMaxWindowTablePairs pairs after the rows with missing or unreadable cells are
// left out. A longer table is refused rather than cut, since its first rows alone span another
// stretch of x than the data. A column named as errors are ("sigma", "err", "σ", "погрешность")
// is offered as σ.
class TableDialog : public QDialog {
  Q_OBJECT

 public:
  TableDialog(std::string bytes, const QString& fileName, QWidget* parent);
  // The same with the table already read from bytes with the detected options.
  TableDialog(std::string bytes, Table read, const QString& fileName, QWidget* parent);

  // The pairs of the chosen columns, as the dialog shows them.
  const TableSeries& Series() const { return Chosen; }
  const Table& Data() const { return Read; }

  QComboBox* SeparatorBox = nullptr;
  QComboBox* DecimalBox = nullptr;
  QComboBox* HeaderBox = nullptr;
  QTableWidget* Preview = nullptr;
  QComboBox* XBox = nullptr;
  QComboBox* YBox = nullptr;
  QComboBox* SigmaBox = nullptr;
  QLabel* Detected = nullptr;  // how the table was read
  QLabel* Summary = nullptr;   // rows taken and left out, the unreadable cells
  QLabel* Problem = nullptr;   // why the choice cannot be taken, or what σ does
  QPushButton* OpenButton = nullptr;

 private:
  void CreateWidgets();
  void Reread();    // the table again, after a read option changed
  void Reselect();  // the pairs again, after a column choice changed
  void FillPreview();
  void FillColumnBoxes();
  void Show();  // the widgets filled from Read
  TableOptions Options() const;
  QString Verdict() const;  // the refusal, or empty

  std::string Bytes;
  Table Read;
  TableSeries Chosen;
};

#pragma once

#include <QString>

#include "data/table_reader.h"

// The table dialog's texts, in Russian.

// "3 «Время»", or "3" for a column without a name (column from 0), to follow "столбец".
QString ColumnLabel(const Table& table, int column);

// What the reader found: separator, decimal mark, header row, encoding.
QString DetectedText(const Table& table);

// Why a table or a choice of columns cannot be taken; empty when it can.
QString RefusalText(const Table& table, const TableSeries& series);

// Rows taken and left out, the first unreadable cells with their lines, and what x means when it
// is a date.
QString SeriesText(const Table& table, const TableSeries& series);

#include "data/table_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/table_guess.h"
#include "data/table_values.h"

namespace {

// Bytes as Excel's "Unicode text" writes them: a UTF-16 byte order mark, then the code units.
std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

struct FileCase {
  const char* Name;
  std::string Bytes;
  const char* X;  // a name, or a number from 1
  const char* Y;
  char Separator;
  char DecimalMark;
  bool HasHeader;
  TableEncoding Encoding;
  std::vector<double> ExpectedX, ExpectedY;
  std::int64_t Missing, Unreadable;
};

// One file per way people export tables.
TEST(TableReader, ReadsTheTablesSpreadsheetsAndScriptsWrite) {
  const FileCase cases[] = {
      {"Excel CSV UTF-8: BOM, CRLF",
       "\xEF\xBB\xBFx,y\r\n1,2.5\r\n2,3.5\r\n",
       "x",
       "y",
       ',',
       '.',
       true,
       TableEncoding::Utf8Bom,
       {1, 2},
       {2.5, 3.5},
       0,
       0},
      {"pandas to_csv with its index",
       ",t,v\n0,0.5,1.25\n1,1.5,-2e-3\n2,2.5,\n",
       "t",
       "v",
       ',',
       '.',
       true,
       TableEncoding::Utf8,
       {0.5, 1.5},
       {1.25, -2e-3},
       1,
       0},
      {"R write.csv: quoted names and row names, NA",
       "\"\",\"x\",\"y\"\n\"1\",0.5,1.2\n\"2\",1,NA\n\"3\",1.5,3\n",
       "x",
       "y",
       ',',
       '.',
       true,
       TableEncoding::Utf8,
       {0.5, 1.5},
       {1.2, 3},
       1,
       0},
      {"pandas to_csv(decimal=','): commas split, decimal commas quoted",
       ",t,v\n0,\"0,5\",\"1,25\"\n1,\"1,5\",-2\n",
       "t",
       "v",
       ',',
       ',',
       true,
       TableEncoding::Utf8,
       {0.5, 1.5},
       {1.25, -2},
       0,
       0},
      {"typed by hand: blanks and decimal commas",
       "t v\n0,5 1,25\n1,5 -2\n2 3,5\n",
       "t",
       "v",
       ' ',
       ',',
       true,
       TableEncoding::Utf8,
       {0.5, 1.5, 2},
       {1.25, -2, 3.5},
       0,
       0},
      {"Rosstat's years, the word for the year after",
       "Год;Значение\n1990 г.;1,5\n1991 г.;2\n1992г.;2,5\n",
       "Год",
       "Значение",
       ';',
       ',',
       true,
       TableEncoding::Utf8,
       {1990, 1991, 1992},
       {1.5, 2, 2.5},
       0,
       0},
      {"European: semicolons and decimal commas",
       "Zeit;Wert\n0,5;1,25\n1,5;-2,5E-1\n",
       "Zeit",
       "Wert",
       ';',
       ',',
       true,
       TableEncoding::Utf8,
       {0.5, 1.5},
       {1.25, -0.25},
       0,
       0},
      {"UTF-16 LE, tabs, Cyrillic names, decimal commas",
       Utf16(u"Время\tЗначение\r\n1,5\t2\r\n2,5\t-3\r\n", false),
       "Время",
       "Значение",
       '\t',
       ',',
       true,
       TableEncoding::Utf16LE,
       {1.5, 2.5},
       {2, -3},
       0,
       0},
      {"Excel CSV on a Russian system: Windows-1251",
       "\xC2\xF0\xE5\xEC\xFF;\xC7\xED\xE0\xF7\xE5\xED\xE8\xE5 \xB9\n1,5;2\n2,5;-3\n",
       "Время",
       "Значение №",
       ';',
       ',',
       true,
       TableEncoding::Windows1251,
       {1.5, 2.5},
       {2, -3},
       0,
       0},
      {"Latin-1 stays as it is, its letters replaced",
       "Zeit;W\xE4rme\n1,5;2\n2,5;-3\n",
       "Zeit",
       "W\xEF\xBF\xBDrme",
       ';',
       ',',
       true,
       TableEncoding::Utf8,
       {1.5, 2.5},
       {2, -3},
       0,
       0},
      {"UTF-16 BE, no header",
       Utf16(u"1\t2\n3\t4\n", true),
       "1",
       "2",
       '\t',
       '.',
       false,
       TableEncoding::Utf16BE,
       {1, 3},
       {2, 4},
       0,
       0},
      {"exponents in every form",
       "x,y\n1e-3,2.5E+04\n-1.5e2,+3\n.5,7E0\n",
       "x",
       "y",
       ',',
       '.',
       true,
       TableEncoding::Utf8,
       {1e-3, -150, 0.5},
       {25000, 3, 7},
       0,
       0},
      {"NA, NaN, #N/A and empty cells leave their rows out",
       "x;y\n1;2\nNA;3\n4;NaN\n5;#N/A\n6;\n;\n7;8\n",
       "x",
       "y",
       ';',
       '.',
       true,
       TableEncoding::Utf8,
       {1, 7},
       {2, 8},
       4,
       0},
      {"quoted cells hold separators and line ends",
       "id,x,y\n\"a, b\",1,2\n\"two\nlines\",3,4\n",
       "x",
       "y",
       ',',
       '.',
       true,
       TableEncoding::Utf8,
       {1, 3},
       {2, 4},
       0,
       0},
      {"numpy savetxt: blanks, a '#' header line",
       "# t v\n5.000000000000000000e-01 1.250000000000000000e+00\n"
       "1.500000000000000000e+00 -2.000000000000000000e+00\n",
       "1",
       "2",
       ' ',
       '.',
       false,
       TableEncoding::Utf8,
       {0.5, 1.5},
       {1.25, -2},
       0,
       0},
      {"R write.table: blanks, quoted names and row names, NA",
       "\"x\" \"y\"\n\"1\" 0.5 1.2\n\"2\" 1 NA\n\"3\" 1.5 3\n",
       "x",
       "y",
       ' ',
       '.',
       true,
       TableEncoding::Utf8,
       {0.5, 1.5},
       {1.2, 3},
       1,
       0},
      {"columns aligned with blanks and tabs under comment lines",
       "# station 12, 2024\n#\n   time    flux\n  0.5\t  1.25  \n 10.5     -3\r\n",
       "time",
       "flux",
       ' ',
       '.',
       true,
       TableEncoding::Utf8,
       {0.5, 10.5},
       {1.25, -3},
       0,
       0},
      {"a text cell in a numeric column is left out and reported",
       "x\ty\n1\t2\n2\tn/a?\n3\t4\n",
       "1",
       "2",
       '\t',
       '.',
       true,
       TableEncoding::Utf8,
       {1, 3},
       {2, 4},
       0,
       1},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const Table table = ReadTable(c.Bytes);
    ASSERT_EQ(table.Fault, TableFault::None);
    EXPECT_EQ(table.Separator, c.Separator);
    EXPECT_EQ(table.DecimalMark, c.DecimalMark);
    EXPECT_EQ(table.HasHeader, c.HasHeader);
    EXPECT_EQ(table.Encoding, c.Encoding);
    const TableSeries series =
        SelectColumns(table, {FindTableColumn(table, c.X), FindTableColumn(table, c.Y)});
    ASSERT_EQ(series.Fault, TableFault::None);
    EXPECT_EQ(series.X, c.ExpectedX);
    EXPECT_EQ(series.Y, c.ExpectedY);
    EXPECT_EQ(series.MissingRows, c.Missing);
    EXPECT_EQ(series.UnreadableRows, c.Unreadable);
  }
}

TEST(TableReader, EveryUnreadableCellIsReportedWithItsLineAndText) {
  // CRLF line ends, and a quoted cell over two lines before the bad ones.
  const Table table = ReadTable(
      "name,x,y,s\r\n\"a\r\nb\",1,2,0.1\r\n\r\nc,2,1 25,0.1\r\nd,3,4,0\r\ne,4,4\xE2\x88\x92"
      "5,0.1\r\nf,5,6,0.2\r\n");
  const TableSeries series = SelectColumns(table, {1, 2, 3});
  ASSERT_EQ(series.Fault, TableFault::None);
  EXPECT_EQ(series.X, (std::vector<double>{1, 5}));
  EXPECT_EQ(series.Sigma, (std::vector<double>{0.1, 0.2}));
  ASSERT_EQ(series.Notices.size(), 3u);
  const TableNotice expected[] = {{TableNoticeKind::NotANumber, 5, 2, "1 25"},
                                  {TableNoticeKind::SigmaNotPositive, 6, 3, "0"},
                                  {TableNoticeKind::NotANumber,
                                   7,
                                   2,
                                   "4\xE2\x88\x92"
                                   "5"}};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(series.Notices[i].Kind, expected[i].Kind);
    EXPECT_EQ(series.Notices[i].Line, expected[i].Line);
    EXPECT_EQ(series.Notices[i].Column, expected[i].Column);
    EXPECT_EQ(series.Notices[i].Token, expected[i].Token);
  }
}

// A cell is read whole as a number, or it is no number: nothing is read as something else.
TEST(TableReader, CellsThatAreNoPlainNumberAreNeverReadAsOne) {
  struct CellCase {
    const char* Cell;
    char Mark;
    CellKind Expected;
  };
  const CellCase cases[] = {
      {"2.5", '.', CellKind::Number},
      {"2,5", ',', CellKind::Number},
      {"2,5", '.', CellKind::Text},
      {"2.5", ',', CellKind::Text},
      {"1 250", '.', CellKind::Number},  // thousands grouped as spreadsheets show them
      {"1 250", ',', CellKind::Number},
      {"-12\xC2\xA0"
       "345\xC2\xA0"
       "678,5",
       ',',
       CellKind::Number},
      {"1\xE2\x80\xAF"
       "250e3",
       '.',
       CellKind::Number},
      {"1'250.5", '.', CellKind::Number},
      {"5,026.37", '.', CellKind::Number},  // US spreadsheets
      {"1.5D+03", '.', CellKind::Number},   // Fortran
      {"-2,5d-1", ',', CellKind::Number},
      {"12.5%", '.', CellKind::Number},  // formatted as a percentage
      {"12,5\xC2\xA0%", ',', CellKind::Number},
      {"%", '.', CellKind::Text},
      {"5%%", '.', CellKind::Text},
      {"2024Q1", '.', CellKind::Date},  // pandas' quarterly periods
      {"I квартал 2020 г.", ',', CellKind::Date},
      {"1990 г.", ',', CellKind::Number},  // a year with the word for it, as Rosstat writes
      {"1990г.", '.', CellKind::Number},
      {"199 г.", '.', CellKind::Text},
      {"Q5 2024", '.', CellKind::Text},
      {"2 2024", '.', CellKind::Text},
      {"1.5D", '.', CellKind::Text},
      {"D3", '.', CellKind::Text},
      {"-1,234,567", '.', CellKind::Number},
      {"1,234", '.', CellKind::Text},  // a decimal comma, maybe
      {"0,125.5", '.', CellKind::Text},
      {"1,23.5", '.', CellKind::Text},
      {"1 25", '.', CellKind::Text},
      {"1 2500", '.', CellKind::Text},
      {"1234 567", '.', CellKind::Text},
      {"1 250'000", '.', CellKind::Text},
      {"1 250,5", '.', CellKind::Text},
      {"1.250,5", ',', CellKind::Text},
      {"1.250.000", '.', CellKind::Text},
      {"\xE2\x88\x92"
       "5",
       '.',
       CellKind::Number},  // the minus sign U+2212
      {"\xE2\x88\x92"
       "1 250,5e\xE2\x88\x92"
       "2",
       ',',
       CellKind::Number},
      {"+2,5", ',', CellKind::Number},
      {"+\xE2\x88\x92"
       "5",
       '.',
       CellKind::Text},
      {"5\xE2\x88\x92"
       "3",
       '.',
       CellKind::Text},
      {"inf", '.', CellKind::Text},
      {"1e999", '.', CellKind::Text},
      {"0x10", '.', CellKind::Text},
      {"12:30", '.', CellKind::Text},
      {"2024-03-01", '.', CellKind::Date},
      {"2024-03-01T12:00:00", '.', CellKind::Date},
      {"2024-03-01 12:00", '.', CellKind::Date},
      {"2023-02-29", '.', CellKind::Text},
      {"01.03.2024", '.', CellKind::Date},
      {"1.3.2024 8:15", ',', CellKind::Date},
      {"31.02.2024", '.', CellKind::LocalDate},
      {"01.03.24", '.', CellKind::LocalDate},
      {"3/1/2024 8:15", '.', CellKind::LocalDate},
      {"NaN", '.', CellKind::Missing},
      {"#N/A", '.', CellKind::Missing},
  };
  for (const CellCase& c : cases) {
    SCOPED_TRACE(c.Cell);
    EXPECT_EQ(ClassifyCell(c.Cell, c.Mark), c.Expected);
  }
  double value = 0;
  EXPECT_TRUE(
      ReadCellNumber("-12\xC2\xA0"
                     "345\xC2\xA0"
                     "678,5",
                     ',',
                     value));
  EXPECT_EQ(value, -12345678.5);
  EXPECT_TRUE(
      ReadCellNumber("\xE2\x88\x92"
                     "0,25e\xE2\x88\x92"
                     "1",
                     ',',
                     value));
  EXPECT_EQ(value, -0.025);
}

TEST(TableReader, DatesReadAsDaysSinceMidnightOfTheFirstRowsDate) {
  struct DateCase {
    const char* Name;
    std::string Bytes;
    std::vector<double> ExpectedX;
  };
  const DateCase cases[] = {
      {"dates", "date,v\n2024-02-28,1\n2024-03-01,2\n", {0, 2}},
      {"date-times with T", "t,v\n2024-03-01T12:00:00,1\n2024-03-02T06:00,2\n", {0.5, 1.25}},
      {"date-times with a blank and a zone",
       "t;v\n2024-03-01 18:00+03:00;1\n2024-03-01 00:00Z;2\n",
       {0.625, 0}},
      {"dates and times in columns of their own, as loggers write them",
       "date,time,v\n2024-03-01,06:00,1\n2024-03-01,18:00,2\n2024-03-02,3:00:00,3\n",
       {0.25, 0.75, 1.125}},
      {"US spreadsheet dates, month first as a day past 12 shows",
       "date,v\n3/1/2024 8:15 PM,1\n3/13/2024,2\n",
       {20.0 / 24 + 0.25 / 24, 12}},
      {"slashed dates, day first as a day past 12 shows",
       "date;v\n01/03/2024;1\n13/03/2024;2\n",
       {0, 12}},
      {"year first with slashes", "date,v\n2024/02/28,1\n2024/03/01 12:00,2\n", {0, 2.5}},
      {"months named by words",
       "m,v\n1949 Jan,1\nFeb-1949,2\nмарт 1949,3\n1 апреля 1949,4\n",
       {0, 31, 59, 90}},
      {"times of day alone, one day's run",
       "t,v\n06:00,1\n12:00,2\n18:00:00,3\n",
       {0.25, 0.5, 0.75}},
      {"year first with dots", "d,v\n2024.02.28,1\n2024.03.01,2\n", {0, 2}},
      {"the zone named, as R writes it",
       "t,v\n2024-03-01 12:00:00 UTC,1\n2024-03-02 03:00:00+0300,2\n",
       {0.5, 1}},
      {"Rosstat's months, the word for the year after",
       "период;v\nфевраль 2020 г.;1,5\nмарт 2020 г.;2,5\n",
       {0, 29}},
      {"quarters as pandas writes them", "q,v\n2023Q4,1\n2024Q1,2\n", {0, 92}},
      {"quarters in a Russian table", "кв;v\nIV кв. 2023;1\n1 квартал 2024;2\n", {0, 92}},
      {"months as spreadsheets format them: month first", "m,v\n12/1999,1\n1/2000,2\n", {0, 31}},
      {"months as spreadsheets format them: year first", "m,v\n1999/12,1\n2000/01,2\n", {0, 31}},
      {"months with dots in a Russian spreadsheet", "м;v\n12.1999;1,5\n01.2000;2,5\n", {0, 31}},
      {"months with dots among decimal points, over a new year",
       "m,v\n11.1999,1.5\n12.1999,2\n01.2000,2.5\n",
       {0, 30, 61}},
      {"day-first dates with dots, as a Russian spreadsheet writes them",
       "дата;v\n28.02.2024;1\n1.3.2024 6:00;2\n01.03.2024 12:00:00;3\n",
       {0, 2.25, 2.5}},
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const Table table = ReadTable(c.Bytes);
    TableSelection selection{0, LikelyColumns(table).second};
    selection.XTime = LikelyTimeColumn(table, 0);
    const TableSeries series = SelectColumns(table, selection);
    ASSERT_EQ(series.Fault, TableFault::None);
    EXPECT_TRUE(series.XIsDate);
    EXPECT_EQ(series.X, c.ExpectedX);
  }
  double origin = 0;
  ASSERT_TRUE(ReadIsoDate("2024-02-28", origin));
  EXPECT_EQ(SelectColumns(ReadTable(cases[0].Bytes), {0, 1}).XOrigin, origin);
}

// Monthly series as climate archives write them: the date as a month, as an integer, or split
// over columns, with a title or '%' notes above. x is the days since the first month's first day.
TEST(TableReader, MonthlySeriesAreReadByTheirDates) {
  struct MonthCase {
    const char* Name;
    std::string Bytes;
    int Y;
    std::vector<double> ExpectedX, ExpectedY;
  };
  const MonthCase cases[] = {
      {"ISO months",
       "Time,Anomaly,Lower\n1850-01,-0.7,-1\n1850-02,-0.2,-1\n1851-01,0.1,-1\n",
       1,
       {0, 31, 365},
       {-0.7, -0.2, 0.1}},
      {"YYYYMM under a title and units",
       "Global anomalies\nUnits: C\nDate,Anomaly\n"
       "185001,-0.7\n185002,-0.2\n185101,0.1\n",
       1,
       {0, 31, 365},
       {-0.7, -0.2, 0.1}},
      {"Excel's separator line",
       "sep=;\nd;v\n20240228;1\n20240301;2\n20240302;3\n",
       1,
       {0, 2, 3},
       {1, 2, 3}},
      {"YYYYMMDD", "d;v\n20240228;1\n20240301;2\n20240302;3\n", 1, {0, 2, 3}, {1, 2, 3}},
      {"year and month, then a decimal year",
       "# co2\n1958 3 1958.2027 315.70\n"
       "1958 4 1958.2877 317.45\n1958 5 1958.3699 317.51\n1959 1 1959.0411 315.62\n",
       3,
       {1958.2027, 1958.2877, 1958.3699, 1959.0411},
       {315.70, 317.45, 317.51, 315.62}},
      {"year, month and day",
       "1974 5 19 333.4\n1974 5 26 332.9\n1974 6 2 333.0\n1975 1 5 330.1\n",
       3,
       {0, 7, 14, 231},
       {333.4, 332.9, 333.0, 330.1}},
      {"a station's index first, as weather archives write it",
       "Индекс;Год;Месяц;День;Т\n27612;2010;1;1;-5,1\n27612;2010;1;2;-6,2\n27612;2010;1;15;-7\n",
       4,
       {0, 1, 14},
       {-5.1, -6.2, -7}},
      {"year, month, day and hour, as hourly weather archives write them",
       "1990 1 31 12 -5.0\n1990 1 31 18 -6.5\n1990 2 1 0 -7.5\n1990 2 1 6 -7.0\n",
       4,
       {0.5, 0.75, 1, 1.25},
       {-5.0, -6.5, -7.5, -7.0}},
      {"year, month and day with whole numbers after them: no hours",
       "2010 1 30 3 -5\n2010 1 31 0 -6\n2010 2 1 12 -7\n",
       3,
       {0, 1, 2},
       {3, 0, 12}},
      {"year and month alone",
       "% anomalies\n%\n 1900 1 -0.5 0.1\n 1900 2 -0.4 0.1\n"
       " 1900 3 -0.3 0.1\n 1901 1 -0.2 0.1\n",
       2,
       {0, 31, 59, 365},
       {-0.5, -0.4, -0.3, -0.2}},
  };
  for (const MonthCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const Table table = ReadTable(c.Bytes);
    ASSERT_EQ(table.Fault, TableFault::None);
    const auto [x, y] = LikelyColumns(table);
    EXPECT_EQ(y, c.Y);
    const TableSeries series = SelectColumns(table, {x, y, -1, true, LikelyDateParts(table, x)});
    ASSERT_EQ(series.Fault, TableFault::None);
    EXPECT_EQ(series.DroppedRows(), 0);
    ASSERT_EQ(series.X.size(), c.ExpectedX.size());
    for (std::size_t i = 0; i < series.X.size(); ++i)
      EXPECT_NEAR(series.X[i], c.ExpectedX[i], 1e-9);
    EXPECT_EQ(series.Y, c.ExpectedY);
  }
  // Numbers that merely look like such dates stay numbers: out of order, or an x that repeats
  // beside a y that is no month.
  for (const char* text : {"code,v\n202403,1\n202401,2\n202402,3\n",
                           "x,y\n1.2000,1\n2.2000,2\n3.2000,3\n",
                           "x,y\n1,1\n1,3\n2,2\n2,0.5\n",
                           "x,y\n1,1\n1,13\n2,2\n2,5\n"}) {
    SCOPED_TRACE(text);
    const Table table = ReadTable(text);
    EXPECT_EQ(table.Columns[0].Kind, ColumnKind::Numeric);
    EXPECT_EQ(LikelyColumns(table), std::make_pair(0, 1));
    EXPECT_EQ(LikelyDateParts(table, 0).Month, -1);
  }
}

// A year to a row with its twelve months side by side (GISTEMP, HadCET) is one monthly series.
TEST(TableReader, MonthsSideBySideAreOneSeries) {
  const std::string gistemp =
      "Land-Ocean: Global Means\nYear,Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec,J-D\n"
      "1880,-.18,-.24,-.09,-.16,-.10,-.21,-.18,-.10,-.14,-.23,-.22,-.18,-.17\n"
      "1881,-.19,-.14,.03,.05,.06,-.19,.00,-.03,-.15,-.22,-.18,***,***\n";
  const Table table = ReadTable(gistemp);
  ASSERT_EQ(table.Fault, TableFault::None);
  ASSERT_EQ(LikelyColumns(table).first, 0);
  TableSelection selection{0, 1};
  selection.WideMonths = LikelyMonthColumns(table, 0);
  ASSERT_EQ(selection.WideMonths, 1);
  const TableSeries series = SelectColumns(table, selection);
  ASSERT_EQ(series.Fault, TableFault::None);
  ASSERT_EQ(series.X.size(), 23u);
  EXPECT_EQ(series.MissingRows, 1);
  EXPECT_EQ(series.X[1], 31);    // 1880-02-01
  EXPECT_EQ(series.X[12], 366);  // 1881-01-01, after a leap year
  EXPECT_EQ(series.Y[11], -0.18);
  EXPECT_EQ(series.Y[14], 0.03);
  // Russian names pass; months out of order, or years that repeat, do not.
  for (
      const auto& [text, expected] : std::vector<std::pair<std::string, int>>{
          {"Год;Янв;Фев;Мар;Апр;Май;Июн;Июл;Авг;Сен;Окт;Ноя;Дек\n2000;1;2;3;4;5;6;7;8;9;10;11;12\n"
           "2001;1;2;3;4;5;6;7;8;9;10;11;12\n",
           1},
          {"Year,Feb,Jan,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec\n2000,1,2,3,4,5,6,7,8,9,10,11,12\n"
           "2001,1,2,3,4,5,6,7,8,9,10,11,12\n",
           -1},
          {"Year,Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec\n2000,1,2,3,4,5,6,7,8,9,10,11,12\n"
           "2000,1,2,3,4,5,6,7,8,9,10,11,12\n",
           -1}}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(LikelyMonthColumns(ReadTable(text), 0), expected);
  }
}

// Missing-value codes in y are left out only where they stand far outside the other values.
TEST(TableReader, MissingValueCodesFarOutsideTheValuesAreLeftOut) {
  struct CodeCase {
    const char* Name;
    std::string Bytes;
    std::vector<double> ExpectedY;
    std::int64_t Coded;
    const char* Token;  // the first code's cell
  };
  const CodeCase cases[] = {
      {"CO2 with -99.99",
       "t,v\n1,315.7\n2,-99.99\n3,317.5\n4,-99.99\n5,316.1\n",
       {315.7, 317.5, 316.1},
       2,
       "-99.99"},
      {"anomalies with 1e20 and -999",
       "t v\n1 0.5\n2 1e20\n3 -0.2\n4 -999\n5 0.1\n",
       {0.5, -0.2, 0.1},
       2,
       "1e20"},
      {"decimal comma", "t;v\n1;0,5\n2;-99,9\n3;-0,2\n4;0,1\n", {0.5, -0.2, 0.1}, 1, "-99,9"},
      {"-9 within the values", "t,v\n1,-12\n2,-9\n3,5\n4,1\n", {-12, -9, 5, 1}, 0, ""},
      {"999 near them", "t,v\n1,0\n2,999\n3,400\n4,1000\n", {0, 999, 400, 1000}, 0, ""},
      {"too few others", "t,v\n1,-999\n2,1\n3,2\n", {-999, 1, 2}, 0, ""},
  };
  for (const CodeCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TableSeries series = SelectColumns(ReadTable(c.Bytes), {0, 1});
    ASSERT_EQ(series.Fault, TableFault::None);
    EXPECT_EQ(series.Y, c.ExpectedY);
    EXPECT_EQ(series.X.size(), series.Y.size());
    EXPECT_EQ(series.CodedRows, c.Coded);
    EXPECT_EQ(series.DroppedRows(), c.Coded);
    if (c.Coded > 0) {
      ASSERT_FALSE(series.Codes.empty());
      EXPECT_EQ(series.Codes[0].Token, c.Token);
      EXPECT_EQ(series.Codes[0].FirstLine, 3);
    }
  }
}

TEST(TableReader, ColumnsWithoutNumbersAreRefusedByName) {
  const Table table =
      ReadTable("date;local;name;y\n2024-03-01;01/03/2024;a;1\n2024-03-02;02/03/2024;b;2\n");
  ASSERT_EQ(table.Fault, TableFault::None);
  struct RefusalCase {
    TableSelection Selection;
    TableFault Expected;
    int Column;
  };
  const RefusalCase cases[] = {
      {{0, 3, -1, false}, TableFault::DateColumn, 0},
      {{3, 0}, TableFault::DateColumn, 0},
      {{1, 3}, TableFault::LocalDate, 1},
      {{2, 3}, TableFault::TextColumn, 2},
      {{0, 3, 2}, TableFault::TextColumn, 2},
      {{0, 7}, TableFault::NoSuchColumn, 7},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Expected));
    const TableSeries series = SelectColumns(table, c.Selection);
    EXPECT_EQ(series.Fault, c.Expected);
    EXPECT_EQ(series.FaultColumn, c.Column);
    EXPECT_TRUE(series.X.empty());
  }
  EXPECT_EQ(table.Columns[2].Name, "name");
  EXPECT_EQ(table.Columns[2].Kind, ColumnKind::Text);
}

// The columns taken when none are named: the first two of numbers or dates, after the nameless
// index column pandas and R write; a named one is kept.
TEST(TableReader, LikelyColumnsSkipTheRowIndexAndText) {
  const struct {
    const char* Name;
    const char* Text;
    int GivenX, GivenY;
    std::pair<int, int> Expected;
  } cases[] = {
      {"plain", "x,y\n0,1\n1,2\n", -1, -1, {0, 1}},
      {"pandas index", ",x,y\n0,0,1\n1,1,2\n", -1, -1, {1, 2}},
      {"pandas index, rows filtered out", ",x,y\n0,0,1\n3,1,2\n4,2,2\n", -1, -1, {1, 2}},
      {"R row names", "\"\",\"x\",\"y\"\n\"1\",0,1\n\"2\",1,2\n", -1, -1, {1, 2}},
      {"index and one column", ",y\n0,1\n1,2\n", -1, -1, {0, 1}},
      {"a column of one value", "x,flag,y\n0,1,5\n1,1,6\n2,1,7\n", -1, -1, {0, 2}},
      {"a constant y, kept", "x,y\n0,1\n1,1\n2,1\n", -1, -1, {0, 1}},
      {"pandas DatetimeIndex", ",a,b\n2020-01-01,5,0\n2020-01-02,6,1\n", -1, -1, {0, 1}},
      {"an index of times", ",a,b\n0.5,5,0\n1.5,6,1\n", -1, -1, {0, 1}},
      {"text first", "station,day,y\na,0,1\nb,1,2\n", -1, -1, {1, 2}},
      {"dates", "when,y\n2024-03-01,1\n2024-03-02,2\n", -1, -1, {0, 1}},
      {"dates read more than one way", "when,y,z\n3/1/2024,1,5\n3/2/2024,2,6\n", -1, -1, {0, 1}},
      {"x named", ",x,y\n0,0,1\n1,1,2\n", 2, -1, {2, 1}},
      {"y named", ",x,y\n0,0,1\n1,1,2\n", -1, 1, {2, 1}},
      {"no two", "a,b\nu,1\nv,2\n", -1, -1, {1, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const Table table = ReadTable(c.Text);
    ASSERT_EQ(table.Fault, TableFault::None);
    EXPECT_EQ(LikelyColumns(table, c.GivenX, c.GivenY), c.Expected);
  }
}

TEST(TableReader, TextThatIsNoTableIsRefused) {
  struct FaultCase {
    const char* Name;
    std::string Bytes;
    TableFault Expected;
  };
  const FaultCase cases[] = {
      {"UTF-16 without its mark", std::string("x\0,\0y\0\n\0", 8), TableFault::NulBytes},
      {"UTF-16 of odd length", "\xFF\xFEx\0y", TableFault::BadUtf16},
      {"UTF-16 with a lone surrogate", Utf16(u"x,y\n\xD800,1\n", false), TableFault::BadUtf16},
      {"one column", "1\n2\n3\n", TableFault::NoColumns},
      {"a header and no rows", "x,y\n", TableFault::NoRows},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ReadTable(c.Bytes).Fault, c.Expected);
  }
}

TEST(TableReader, GivenChoicesOverrideTheDetectedOnes) {
  // Quoted decimal commas in a comma-separated file, and a first row of numbers kept as data.
  const Table table =
      ReadTable("\"1,5\",\"2,5\"\n\"3,5\",\"4,5\"\n", {',', TableChoice::Yes, TableChoice::No});
  const TableSeries series = SelectColumns(table, {0, 1});
  EXPECT_EQ(series.X, (std::vector<double>{1.5, 3.5}));
  EXPECT_EQ(series.Y, (std::vector<double>{2.5, 4.5}));
}

TEST(TableReader, HasNoRowLimit) {
  constexpr int kRows = 100000;
  std::string bytes = "t,y\n";
  for (int i = 0; i < kRows; ++i) bytes += std::to_string(i) + "," + std::to_string(i % 7) + "\n";
  const TableSeries series = SelectColumns(ReadTable(bytes), {0, 1});
  ASSERT_EQ(series.X.size(), static_cast<std::size_t>(kRows));
  EXPECT_EQ(series.X.back(), kRows - 1);
  EXPECT_EQ(series.Y.back(), (kRows - 1) % 7);
}

}  // namespace

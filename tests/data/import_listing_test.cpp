#include "data/import_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The listing's table rows: the lines after the column heading.
std::vector<std::string> TableRows(const std::vector<std::string>& listing) {
  std::vector<std::string> rows;
  bool table = false;
  for (const std::string& line : listing) {
    if (table) rows.push_back(line);
    if (line.find("Строка  Текст") != std::string::npos) table = true;
  }
  return rows;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ImportListing, EachLineShowsTheNumbersItGavePairByPair) {
  const ImportReport report = CheckImportBytes("x y\n1 2.5e-04\n3,5 4 6\n");
  const std::vector<std::string> rows = TableRows(ImportListing(report));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(Contains(rows[0], "—")) << rows[0];
  EXPECT_TRUE(Contains(rows[1], "x1 = 1  y1 = 2.5  x2 = −4")) << rows[1];
  EXPECT_TRUE(Contains(rows[2], "y2 = 3.5  x3 = 4  y3 = 6")) << rows[2];
  EXPECT_EQ(rows[1].rfind("►", 0), 0u) << "the exponent's line is marked";
  EXPECT_TRUE(Contains(rows[1], "◄ e между цифрами"));
  EXPECT_EQ(rows[2].rfind(" ", 0), 0u) << "a line without a sign is not marked";
}

TEST(ImportListing, CountsAndSignsComeFirst) {
  std::string rows;
  for (int i = 1; i <= 103; ++i) rows += std::to_string(i) + " " + std::to_string(i) + "\n";
  const std::vector<std::string> listing = ImportListing(CheckImportBytes(rows));
  EXPECT_EQ(listing[0], "Прочитано чисел: 200, пар: 100, не прочитано чисел: 6 (3 пары)");
  EXPECT_EQ(listing[1], "Признаки неверного чтения:");
  EXPECT_TRUE(Contains(listing[2], "► Строка 101: «101»")) << listing[2];
  const std::vector<std::string> table = TableRows(listing);
  ASSERT_EQ(table.size(), 101u) << "ends with the first line left out";
  EXPECT_TRUE(Contains(table[99], "x100 = 100  y100 = 100"));
  EXPECT_TRUE(Contains(table[100], "(дальше не прочитано)"));
}

TEST(ImportListing, ACleanReadSaysSoAndTheListingStopsAtMaxLines) {
  const std::vector<std::string> listing =
      ImportListing(CheckImportBytes("1\t2\n3\t4\n5\t6\n7\t8\n"), 2);
  EXPECT_EQ(listing[0], "Прочитано чисел: 8, пар: 4, не прочитано чисел: 0");
  EXPECT_EQ(listing[1], "Признаков неверного чтения нет.");
  EXPECT_EQ(TableRows(listing).size(), 2u);

  const std::vector<std::string> odd =
      TableRows(ImportListing(CheckImportBytes("1 2 3 4 5 6 7 8 9")));
  ASSERT_EQ(odd.size(), 1u);
  EXPECT_TRUE(Contains(odd[0], "y4 = 8  x5 = 9 (без пары)")) << odd[0];
}

TEST(ImportListing, LongLinesAreCutToOneColumnWidth) {
  const std::string longText(100, 'w');
  const std::vector<std::string> rows =
      TableRows(ImportListing(CheckImportBytes("Ж" + longText + "\n1 2\n")));
  ASSERT_EQ(rows.size(), 2u);
  // Both rows put their numbers column at the same place, counted in characters.
  const auto column = [](const std::string& row, const std::string& what) {
    const std::string head = row.substr(0, row.find(what));
    std::size_t points = 0;
    for (unsigned char b : head) points += (b & 0xC0) != 0x80 ? 1 : 0;
    return points;
  };
  EXPECT_EQ(column(rows[0], "—"), column(rows[1], "x1 = 1"));
  EXPECT_TRUE(Contains(rows[0], "…"));
}

TEST(ImportListing, AFailedReadEndsAtTheNumberThatIsNoNumber) {
  const ImportReport report = CheckImportBytes("1 2\n3 1.2.3\n5 6\n");
  const std::vector<std::string> rows = TableRows(ImportListing(report));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(Contains(rows[1], "x2 = 3  y2 = не число")) << rows[1];
}

TEST(RejectionDetails, NameTheFileTheLineAndTheToken) {
  EXPECT_EQ(UnreadableDetail("data.txt", CheckImportBytes("1 2\n3 4\n5 1.2.3\n")),
            "Файл «data.txt», строка 3: «1.2.3» — не число.");
  EXPECT_EQ(UnreadableDetail("h.txt", CheckImportBytes("x-y\n1 2\n")),
            "Файл «h.txt», строка 1: «-» — не число.");
  EXPECT_EQ(TooShortDetail("seven.txt", CheckImportBytes("1 2 3 4 5 6 7")),
            "Файл «seven.txt»: прочитано 7 чисел (3 пары).");
  EXPECT_EQ(TooShortDetail("one.txt", CheckImportBytes("21")),
            "Файл «one.txt»: прочитано 1 число (0 пар).");
  EXPECT_EQ(TooShortDetail("e.txt", CheckImportBytes("")),
            "Файл «e.txt»: прочитано 0 чисел (0 пар).");
}

}  // namespace

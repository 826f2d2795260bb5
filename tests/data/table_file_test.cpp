#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "data/table_reader.h"

namespace {

class Folder {
 public:
  Folder() {
    char pattern[] = "/tmp/harmora_table_XXXXXX";
    Path = mkdtemp(pattern);
  }
  ~Folder() { std::filesystem::remove_all(Path); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path + "/" + name, std::ios::binary) << bytes;
    return Path + "/" + name;
  }
  std::string Path;
};

// Rows enough to span several of the reader's pieces (a megabyte each), so that cells, quoted
// line ends and characters of two bytes fall across their edges.
std::string LongTable(const std::string& separator, const std::string& last) {
  std::string text = "\"время\"" + separator + "\"y, °C\"\n";
  for (int i = 0; i < 120000; ++i) {
    text += std::to_string(i) + separator + (i % 5000 == 7 ? "\"1\n2\"" : "-2,5") + "\n";
  }
  return text + last;
}

// A file read a piece at a time gives the cells its bytes give read whole.
TEST(TableFile, ReadsAFileInPiecesAsItsBytesReadWhole) {
  Folder folder;
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"semicolons, decimal commas", LongTable(";", "")},
      {"blanks", LongTable("   ", "")},
      {"a Windows-1251 byte after the first pieces", LongTable(";", "\xE4\xE0;1\n")},
      {"a NUL byte after the first pieces", LongTable(";", std::string("1;\0\n", 4))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const Table whole = ReadTable(c.Bytes);
    const Table read = ReadTableFile(folder.Write("t.csv", c.Bytes));
    EXPECT_EQ(read.Fault, whole.Fault);
    EXPECT_EQ(read.Encoding, whole.Encoding);
    EXPECT_EQ(read.Separator, whole.Separator);
    EXPECT_EQ(read.DecimalMark, whole.DecimalMark);
    EXPECT_EQ(read.Cells.Bytes, whole.Cells.Bytes);
    EXPECT_EQ(read.Cells.CellEnd, whole.Cells.CellEnd);
    EXPECT_EQ(read.Cells.RowLine, whole.Cells.RowLine);
  }
}

// What no table can be read from is refused before it is read, saying what it is.
TEST(TableFile, RefusesPipesDevicesFoldersAndFilesOverTheLimits) {
  Folder folder;
  const std::string fifo = folder.Path + "/pipe.csv";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // no writer: an open that waited would hang
  const std::string table = folder.Write("t.csv", "x,y\n1,2\n3,4\n5,6\n7,8\n");
  const struct {
    std::string Path;
    TableFileLimits Limits;
    TableFault Fault;
    PathKind Kind;
  } cases[] = {
      {fifo, {}, TableFault::NotAFile, PathKind::Fifo},
      {"/dev/zero", {}, TableFault::NotAFile, PathKind::CharDevice},
      {folder.Path, {}, TableFault::NotAFile, PathKind::Directory},
      {table, {19}, TableFault::TooLarge, PathKind::Regular},  // 20 bytes
      {table, {20}, TableFault::None, PathKind::Regular},
      {table, {kTableFileLimit, 100, 0}, TableFault::NoMemory, PathKind::Regular},
      {table, {kTableFileLimit, 1000, 100}, TableFault::NoMemory, PathKind::Regular},  // the fit's
      {table, {kTableFileLimit, 1000, 20}, TableFault::None, PathKind::Regular},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path + " " + std::to_string(c.Limits.MaxBytes) + " " +
                 std::to_string(c.Limits.Available));
    const Table read = ReadTableFile(c.Path, {}, c.Limits);
    EXPECT_EQ(read.Fault, c.Fault);
    EXPECT_EQ(read.File.Kind, c.Kind);
  }
}

}  // namespace

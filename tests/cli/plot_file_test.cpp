#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>

#include "cli/cairo_plot.h"
#include "tests/cli/cli_test_support.h"

namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A big-endian 32-bit number at offset, as PNG stores its sizes.
std::uint32_t BigEndianAt(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
  }
  return value;
}

// PNG and PDF are drawn through Cairo where it is built in, at the size asked for; elsewhere
// they are refused, saying why, and nothing is fitted.
TEST(HarmoraFitPlot, PngAndPdfAreWrittenAtTheSizeAskedForOrRefusedWithoutCairo) {
  DataFolder folder;
  const std::string data = folder.Write("tones.txt", TwoToneData(30));
  for (const char* name : {"plot.png", "plot.pdf"}) {
    SCOPED_TRACE(name);
    const std::string path = folder.Path + "/" + name;
    const ToolRun run = RunTool(
        {"--seed", "3", "--plot", path, "--plot-size", "640x360", "--plot-theme", "light", data});
    if (!CairoPlotBuilt()) {
      EXPECT_EQ(run.Status, kFitUsageError);
      EXPECT_NE(run.Err.find("built without Cairo"), std::string::npos) << run.Err;
      continue;
    }
    ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
    const std::string bytes = FileBytes(path);
    ASSERT_GT(bytes.size(), 100u);
    if (path.ends_with(".png")) {
      EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
      EXPECT_EQ(bytes.substr(12, 4), "IHDR");
      EXPECT_EQ(BigEndianAt(bytes, 16), 640u);
      EXPECT_EQ(BigEndianAt(bytes, 20), 360u);
    } else {
      EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
      EXPECT_NE(bytes.find("/MediaBox [ 0 0 640 360 ]"), std::string::npos);
      EXPECT_NE(bytes.rfind("%%EOF"), std::string::npos);
    }
  }
}

}  // namespace

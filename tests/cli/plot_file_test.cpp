#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>

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

// The first number after `name="` in an SVG element's line.
double Attribute(const std::string& line, const std::string& name) {
  const std::size_t at = line.find(name + "=\"") + name.size() + 2;
  double value = 0;
  std::from_chars(line.data() + at, line.data() + line.size(), value);
  return value;
}

// A fit with a constant draws its curves with it: data far above zero are followed there, not
// by curves swinging about the x axis.
TEST(HarmoraFitPlot, CurvesOfAFitWithAConstantIncludeIt) {
  DataFolder folder;
  std::string text;
  char number[32];
  for (int i = 0; i < 40; ++i) {
    const double x = 0.5 * i;
    for (const double v : {x, 40 + 3 * std::sin(1.3 * x + 0.4)}) {
      text.append(number, std::to_chars(number, number + sizeof number, v).ptr);
      text += ' ';
    }
  }
  const std::string path = folder.Path + "/plot.svg";
  const ToolRun run =
      RunTool({"--seed", "3", "--constant", "--plot", path, folder.Write("level.txt", text)});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  std::istringstream svg(FileBytes(path));
  double axis = -1;
  int segments = 0;
  for (std::string line; std::getline(svg, line);) {
    if (line.find("<line") != 0 || line.find("dasharray") != std::string::npos) continue;
    if (axis < 0 && line.find("#c0c0c0") != std::string::npos) axis = Attribute(line, "y1");
    if (line.find("#ffffff") != std::string::npos || line.find("#0000ff") != std::string::npos) {
      ++segments;
      EXPECT_LT(Attribute(line, "y1"), axis) << line;
    }
  }
  EXPECT_GT(segments, 100);
}

}  // namespace

#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/harmora_fit.h"

// What one run of the tool gave.
struct ToolRun {
  int Status = -1;
  std::string Out, Err;
};

inline ToolRun RunTool(const std::vector<std::string>& args,
                       Language language = Language::English) {
  std::ostringstream out, err;
  ToolRun run;
  run.Status = RunHarmoraFit(args, out, err, language);
  run.Out = out.str();
  run.Err = err.str();
  return run;
}

// The number at the start of text, as JSON writes it, in any locale (std::stod follows the C
// library's locale); NaN where there is none.
inline double LeadingNumber(const std::string& text) {
  double value = std::nan("");
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A scratch folder of data files, removed at the end of the test.
class DataFolder {
 public:
  DataFolder() {
    char pattern[] = "/tmp/harmora_fit_XXXXXX";
    Path = mkdtemp(pattern);
  }
  ~DataFolder() { std::filesystem::remove_all(Path); }

  // Writes a file of the given bytes and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = Path + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::string Path;
};

// Text of count pairs x = 0.5 i, y = a sum of two sines: data a fit does not match exactly.
inline std::string TwoToneData(int count) {
  std::ostringstream text;
  text.precision(17);
  for (int i = 0; i < count; ++i) {
    const double x = 0.5 * i;
    text << x << ' ' << 2 * std::sin(0.9 * x + 0.3) + 0.7 * std::sin(2.7 * x + 1.0) << '\n';
  }
  return text.str();
}

// The text of the JSON object that follows "key": in text from a position, braces balanced.
inline std::string ObjectAfter(const std::string& text,
                               const std::string& key,
                               std::size_t from = 0) {
  std::size_t at = text.find("\"" + key + "\":{", from);
  if (at == std::string::npos) return {};
  at = text.find('{', at);
  int depth = 0;
  for (std::size_t i = at; i < text.size(); ++i) {
    depth += text[i] == '{' ? 1 : text[i] == '}' ? -1 : 0;
    if (depth == 0) return text.substr(at, i + 1 - at);
  }
  return {};
}

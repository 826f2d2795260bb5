#pragma once

#include <optional>
#include <string_view>

// How a fit finds its harmonics: the window's random trials, or led by the periodogram
// (analysis/peak_search), whose work grows with the data where the trials' would not find the
// lines. Auto takes the random trials up to kRandomSearchMax observations, the window's data.
enum class SearchKind { Auto, Random, Periodogram };
inline constexpr int kRandomSearchMax = 100;

// "random", "periodogram" or "auto", as harmora-fit and Python name them.
const char* SearchName(SearchKind kind);
// The kind of one of those names, none for another text.
std::optional<SearchKind> SearchNamed(std::string_view name);

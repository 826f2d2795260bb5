#pragma once

#include <string>
#include <vector>

#include "analysis/harmonic_count.h"
#include "model/harmonic_model.h"

// The comparison of harmonic counts as a small table: per N the objective, BIC, the F test's
// p-value and the false-alarm probability of its last harmonic, then the recommended N. English
// like the rest of the least-squares text; "—" where a figure is not determined.
std::vector<std::string> HarmonicCountLines(const HarmonicCountTable& table, ModelKind kind);

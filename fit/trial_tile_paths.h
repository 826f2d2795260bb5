#pragma once

#include "fit/trial_block.h"

// EvaluateTile built for each instruction set, each in its own translation unit with its own
// target flags. Internal to trial_tiles.cpp.

void EvaluateTileSse2(const TileInputs& in, int tile, double* scratch);
void EvaluateTileAvx2(const TileInputs& in, int tile, double* scratch);
void EvaluateTileAvx512(const TileInputs& in, int tile, double* scratch);

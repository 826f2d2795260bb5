#pragma once

#include <cstdint>

#include "fit/trial_block.h"

// ScreenTile built for each instruction set, each in its own translation unit with its own
// target flags. Internal to trial_tiles.cpp.

std::uint32_t ScreenTileSse2(const TrialBlock& block, int tile);
std::uint32_t ScreenTileAvx2(const TrialBlock& block, int tile);
std::uint32_t ScreenTileAvx512(const TrialBlock& block, int tile);

#pragma once

#include <cstdint>

#include "fit/trial_block.h"

// ScreenTile built for each instruction set, each in its own translation unit with its own
// target flags. With inlineSine the tile evaluates the sine kernel's lanes of its own instruction
// set inline, which gives the fit's sine bit for bit only when that runs the kernel on a path
// with the same arithmetic; otherwise it calls the fit's sine (TrialSearch::Sines). Internal to
// trial_tiles.cpp.

std::uint32_t ScreenTileSse2(const TrialBlock& block, int tile, bool inlineSine);
std::uint32_t ScreenTileAvx2(const TrialBlock& block, int tile, bool inlineSine);
std::uint32_t ScreenTileAvx512(const TrialBlock& block, int tile, bool inlineSine);

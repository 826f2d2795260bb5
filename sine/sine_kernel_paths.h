#pragma once

// The SinArray path of each instruction set, each in its own translation unit built with its
// own target flags. Internal to the kernel library: callers use SinArray.

void SinArraySse2(const double* in, double* out, int count);
void SinArrayAvx2(const double* in, double* out, int count);
void SinArrayAvx512(const double* in, double* out, int count);

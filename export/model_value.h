#pragma once

#include "fit/coefficient_table.h"

// Model 1 at x: the sum over harmonics k = 0..N-1 of set 1 of A[k]*sin(B[k]*x + C[k]), summed in
// order of k from 0 with the C library's sine, as a user's own code would evaluate it.
double ModelOneValue(const CoefficientTable& table, double x);

// Model 2 at x: the same sum over set 2 (A2, B2, C2), squared.
double ModelTwoValue(const CoefficientTable& table, double x);

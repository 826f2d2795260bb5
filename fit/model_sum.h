#pragma once

// S(x) = sum over k = 0..count-1 of a[k]*sin(b[k]*x + c[k]), summed in order of k from 0.
double ModelSum(const double* a, const double* b, const double* c, int count, double x);

#pragma once

#include <string>

#include "model/harmonic_model.h"

// The languages a fitted formula can be copied in.
enum class FormulaFormat {
  Plain,        // F(x)= and the report's term text, on one line
  Python,       // a NumPy expression in x
  Spreadsheet,  // a cell formula with x in cell A2
  // The same for a spreadsheet set to a decimal-comma locale (LibreOffice Calc or Excel in
  // Russian, German, ...), which reads 2.968 as no number: decimal commas. Such a locale also
  // separates a function's arguments with ';', which SIN, taking one, never needs.
  SpreadsheetComma,
  Latex,  // an equation for a paper
};

// Which of the two fitted models: model 1 is set 1's sum, model 2 the square of set 2's sum.
enum class FormulaModel { One, Two };

// The model's formula over the table's first HarmonicCount harmonics, every number with 9
// decimals as the report writes it. Model 2 is the bracketed sum squared in each language. With
// no harmonics the sum is written as 0 (F(x)= alone in plain text).
std::string FormulaText(const CoefficientTable& table, FormulaModel model, FormulaFormat format);

// A fit's constant c0 and trend c1 * x, written before the harmonics (inside model 2's bracket),
// as the report writes them.
struct FormulaTerms {
  bool Constant = false, Trend = false;
  double C0 = 0, C1 = 0;
};
std::string FormulaText(const CoefficientTable& table,
                        FormulaModel model,
                        FormulaFormat format,
                        const FormulaTerms& terms);

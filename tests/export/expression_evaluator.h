#pragma once

#include <map>
#include <optional>
#include <string>

// Evaluates a formula as a reader of the copied text would: numbers, named variables, + - * /,
// ^ and ** (right-associative), brackets (also LaTeX's \left( and \right)), juxtaposition as
// multiplication, and the sine under the names sin, np.sin, SIN and \sin. A leading '=' (a cell
// formula) is skipped. Returns nothing when the text does not parse to its end or names an
// unknown variable.
std::optional<double> EvaluateExpression(const std::string& text,
                                         const std::map<std::string, double>& variables);

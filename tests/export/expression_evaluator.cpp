#include "tests/export/expression_evaluator.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <set>
#include <vector>

namespace {

struct Token {
  enum Kind { Number, Name, Symbol } Kind;
  std::string Text;
  double Value = 0;
};

bool IsNameByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_';
}

std::optional<std::vector<Token>> Tokenize(const std::string& text) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ') {
      ++i;
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      double v = 0;
      const auto r = std::from_chars(text.data() + i, text.data() + text.size(), v);
      if (r.ec != std::errc()) return std::nullopt;
      const size_t end = r.ptr - text.data();
      tokens.push_back({Token::Number, text.substr(i, end - i), v});
      i = end;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '\\') {
      size_t end = i + 1;
      while (end < text.size() && IsNameByte(text[end])) ++end;
      const std::string name = text.substr(i, end - i);
      if (name != "\\left" && name != "\\right") tokens.push_back({Token::Name, name});
      i = end;
    } else if (c == '*' && i + 1 < text.size() && text[i + 1] == '*') {
      tokens.push_back({Token::Symbol, "^"});
      i += 2;
    } else if (std::string("+-*/^()").find(c) != std::string::npos) {
      tokens.push_back({Token::Symbol, std::string(1, c)});
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return tokens;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, const std::map<std::string, double>& variables)
      : Tokens(std::move(tokens)), Variables(variables) {}

  std::optional<double> Whole() {
    const std::optional<double> v = Sum();
    if (!v || Pos != Tokens.size()) return std::nullopt;
    return v;
  }

 private:
  bool At(const char* symbol) const {
    return Pos < Tokens.size() && Tokens[Pos].Kind == Token::Symbol && Tokens[Pos].Text == symbol;
  }
  bool StartsFactor() const {
    return Pos < Tokens.size() && (Tokens[Pos].Kind != Token::Symbol || At("("));
  }

  std::optional<double> Sum() {
    std::optional<double> v = Product();
    while (v && (At("+") || At("-"))) {
      const bool minus = At("-");
      ++Pos;
      const std::optional<double> rhs = Product();
      if (!rhs) return std::nullopt;
      v = minus ? *v - *rhs : *v + *rhs;
    }
    return v;
  }

  std::optional<double> Product() {
    std::optional<double> v = Unary();
    while (v && (At("*") || At("/") || StartsFactor())) {
      const bool divide = At("/");
      if (At("*") || At("/")) ++Pos;
      const std::optional<double> rhs = Unary();
      if (!rhs) return std::nullopt;
      v = divide ? *v / *rhs : *v * *rhs;
    }
    return v;
  }

  std::optional<double> Unary() {
    if (At("-") || At("+")) {
      const bool minus = At("-");
      ++Pos;
      const std::optional<double> v = Unary();
      if (!v) return std::nullopt;
      return minus ? -*v : *v;
    }
    return Power();
  }

  std::optional<double> Power() {
    const std::optional<double> base = Primary();
    if (!base || !At("^")) return base;
    ++Pos;
    const std::optional<double> exponent = Unary();
    if (!exponent) return std::nullopt;
    return std::pow(*base, *exponent);
  }

  std::optional<double> Primary() {
    if (Pos >= Tokens.size()) return std::nullopt;
    const Token t = Tokens[Pos++];
    if (t.Kind == Token::Number) return t.Value;
    if (t.Kind == Token::Symbol) {
      if (t.Text != "(") return std::nullopt;
      const std::optional<double> v = Sum();
      if (!v || !At(")")) return std::nullopt;
      ++Pos;
      return v;
    }
    static const std::set<std::string> kSineNames = {"sin", "np.sin", "SIN", "\\sin"};
    if (kSineNames.count(t.Text)) {
      if (!At("(")) return std::nullopt;
      const std::optional<double> argument = Primary();
      if (!argument) return std::nullopt;
      return std::sin(*argument);
    }
    const auto found = Variables.find(t.Text);
    if (found == Variables.end()) return std::nullopt;
    return found->second;
  }

  std::vector<Token> Tokens;
  const std::map<std::string, double>& Variables;
  size_t Pos = 0;
};

}  // namespace

std::optional<double> EvaluateExpression(const std::string& text,
                                         const std::map<std::string, double>& variables) {
  const std::string body = !text.empty() && text[0] == '=' ? text.substr(1) : text;
  std::optional<std::vector<Token>> tokens = Tokenize(body);
  if (!tokens) return std::nullopt;
  return Parser(std::move(*tokens), variables).Whole();
}

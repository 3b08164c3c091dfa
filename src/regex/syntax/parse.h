// Entry to the syntax layer: pattern text to HIR in two stages.
//
// The stages are separate because RegexSet reports errors stage by stage:
// every pattern of a set is parsed (nest limit included) before any is
// translated.
#pragma once

#include <memory>
#include <string_view>

#include "regex/error.h"
#include "regex/hir/hir.h"

namespace kc::regex::syntax {

struct Ast;  // the parse tree, defined by the parser

// A parsed pattern, ready for translation. Movable.
class Parsed {
 public:
  Parsed(std::unique_ptr<Ast> ast, std::string pattern);
  Parsed(Parsed&&) noexcept;
  Parsed& operator=(Parsed&&) noexcept;
  ~Parsed();
  const Ast& ast() const { return *ast_; }
  std::string_view pattern() const { return pattern_; }

 private:
  std::unique_ptr<Ast> ast_;
  std::string pattern_;
};

// Parses `pattern`; a syntax error (or the nest limit) gives the crate's message.
Result<Parsed> parse(std::string_view pattern);

// Resolves flags and classes; a translation error gives the crate's message.
Result<hir::Hir> translate(const Parsed& parsed);

// parse() then translate().
Result<hir::Hir> parse_to_hir(std::string_view pattern);

}  // namespace kc::regex::syntax

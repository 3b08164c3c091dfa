// Why a regular expression failed to compile.
#pragma once

#include <cstddef>
#include <string>
#include <variant>

namespace kc::regex {

// A compile failure. `message` is exactly the display text the Rust `regex`
// crate gives for the same failure: a formatted syntax error block, or the
// size-limit sentence.
struct Error {
  enum class Kind {
    Syntax,          // parse or translation error, nest limit included
    CompiledTooBig,  // the compiled program exceeds the size limit
  };
  Kind kind = Kind::Syntax;
  std::string message;

  // The crate's debug rendering ({:?}): "Syntax(\n~~~...\n<message>\n~~~...\n)"
  // or "CompiledTooBig(10485760)".
  std::string debug() const;
};

// Either a value or the error that kept it from being made.
template <class T>
using Result = std::variant<T, Error>;

// The size limit on a compiled program, in bytes, as in the crate's default.
inline constexpr std::size_t kSizeLimit = 10 * (1 << 20);
// The deepest nesting of groups, classes and repetitions a pattern may have.
inline constexpr unsigned kNestLimit = 250;

}  // namespace kc::regex

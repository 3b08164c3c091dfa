// The debug rendering of a compile error, which internal-failure messages quote.
#include "regex/error.h"

#include <string>

namespace kc::regex {

std::string Error::debug() const {
  if (kind == Kind::CompiledTooBig) return "CompiledTooBig(" + std::to_string(kSizeLimit) + ")";
  const std::string rule(79, '~');
  return "Syntax(\n" + rule + "\n" + message + "\n" + rule + "\n)";
}

}  // namespace kc::regex

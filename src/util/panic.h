// Broken internal invariants.
//
// A core operation that meets a condition it treats as impossible throws
// `Panic`. Only the Python binding catches it, at the entry of every call, and
// turns it into Python's PanicException carrying `what()`. Core code never
// catches it, so an invariant failure always stops the whole call.
#pragma once

#include <stdexcept>
#include <string>

namespace kc {

class Panic : public std::runtime_error {
 public:
  explicit Panic(const std::string& message) : std::runtime_error(message) {}
};

// Throws `Panic` with `message`. Marked cold so the happy path stays tight.
[[noreturn, gnu::cold, gnu::noinline]] inline void panic(const std::string& message) {
  throw Panic(message);
}

}  // namespace kc

// Why a pattern set could not be compiled into an automaton.
#pragma once

#include <string>
#include <utility>

namespace kc::aho_corasick {

// A refused pattern set. It happens only for extreme sets, whose pattern or
// state identifiers would exceed their limits. Owns nothing but its message.
// Copyable and movable.
class BuildError {
 public:
  explicit BuildError(std::string message) : message_(std::move(message)) {}

  // Display text, a full sentence without a trailing period.
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

}  // namespace kc::aho_corasick

// Byte equivalence classes of a pattern set.
//
// A trie over literals only distinguishes the bytes that occur in some
// pattern; every other byte behaves the same everywhere. Mapping bytes to
// classes first shrinks every dense transition row to the number of distinct
// pattern bytes plus one.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kc::aho_corasick {

class ByteClasses {
 public:
  // Every byte in one class: the classes of an empty pattern set.
  ByteClasses() { classes_.fill(0); }

  // Gives each byte that occurs in `patterns` its own class (numbered in
  // increasing byte order) and puts all other bytes into one shared class.
  template <class Patterns>
  static ByteClasses from_patterns(const Patterns& patterns) {
    std::array<bool, 256> used{};
    for (std::string_view p : patterns)
      for (char ch : p) used[static_cast<unsigned char>(ch)] = true;
    ByteClasses bc;
    std::uint16_t next = 0;
    for (int b = 0; b < 256; ++b)
      if (used[b]) bc.classes_[b] = next++;
    bool any_unused = next < 256;
    for (int b = 0; b < 256; ++b)
      if (!used[b]) bc.classes_[b] = next;
    bc.count_ = next + (any_unused ? 1 : 0);
    return bc;
  }

  std::uint16_t get(unsigned char b) const { return classes_[b]; }
  // Number of classes, 1 to 256.
  std::uint32_t count() const { return count_; }
  const std::uint16_t* data() const { return classes_.data(); }

 private:
  std::array<std::uint16_t, 256> classes_;
  std::uint32_t count_ = 1;
};

}  // namespace kc::aho_corasick

// Keyword data and the compile-time lookup table over it.
#include "crf_features/keyword_lexicons.h"

#include <array>
#include <cstddef>

namespace kc::crf_features {
namespace {

using std::string_view_literals::operator""sv;

constexpr std::array kInstructionWords = {
    "ignore"sv, "forget"sv, "disregard"sv, "override"sv, "cancel"sv, "skip"sv,
    "bypass"sv, "dismiss"sv, "abandon"sv, "neglect"sv, "suppress"sv, "previous"sv,
    "instructions"sv, "preceding"sv, "guidelines"sv, "prior"sv, "directions"sv};
constexpr std::array kRoleWords = {
    "system"sv, "assistant"sv, "user"sv, "admin"sv, "root"sv, "sudo"sv,
    "administrator"sv, "prompt"sv, "persona"sv, "character"sv, "role"sv, "pretend"sv,
    "imagine"sv, "roleplay"sv, "behave"sv, "mode"sv, "conversation"sv, "session"sv};
constexpr std::array kActionWords = {
    "reveal"sv, "show"sv, "output"sv, "print"sv, "display"sv, "expose"sv,
    "leak"sv, "extract"sv, "dump"sv, "repeat"sv, "echo"sv, "copy"sv,
    "unlock"sv, "disable"sv, "deactivate"sv, "remove"sv, "restrictions"sv, "limitations"sv};
constexpr std::array kJailbreakWords = {
    "jailbreak"sv, "dan"sv, "pwned"sv, "hack"sv, "exploit"sv, "inject"sv,
    "malicious"sv, "harmful"sv, "unfiltered"sv, "uncensored"sv, "unrestricted"sv,
    "fictional"sv, "hypothetically"sv, "censorship"sv, "safeguards"sv, "evil"sv, "chaos"sv};
static_assert(kInstructionWords.size() == 17 && kRoleWords.size() == 18 &&
              kActionWords.size() == 18 && kJailbreakWords.size() == 17);

struct Entry {
  std::string_view word;
  Lexicon lexicon;
};

constexpr std::size_t kWordCount =
    kInstructionWords.size() + kRoleWords.size() + kActionWords.size() + kJailbreakWords.size();
constexpr std::size_t kTableSize = 256;  // power of two, under 30% full
constexpr std::size_t kShortest = 3;
constexpr std::size_t kLongest = 14;

constexpr std::uint32_t hash(std::string_view s) {
  std::uint32_t h = 2166136261u;  // FNV-1a
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

struct Table {
  std::array<Entry, kTableSize> slots{};
  constexpr void insert(std::string_view word, Lexicon lexicon) {
    std::size_t i = hash(word) & (kTableSize - 1);
    while (!slots[i].word.empty()) {
      if (slots[i].word == word) throw "duplicate keyword";  // fails the constant evaluation
      i = (i + 1) & (kTableSize - 1);
    }
    slots[i] = {word, lexicon};
  }
};

constexpr Table kTable = [] {
  Table t;
  std::size_t lengths_ok = 0;
  auto add = [&](const auto& words, Lexicon lexicon) {
    for (std::string_view w : words) {
      if (w.size() >= kShortest && w.size() <= kLongest) ++lengths_ok;
      t.insert(w, lexicon);
    }
  };
  add(kInstructionWords, Lexicon::kInstruction);
  add(kRoleWords, Lexicon::kRole);
  add(kActionWords, Lexicon::kAction);
  add(kJailbreakWords, Lexicon::kJailbreak);
  if (lengths_ok != kWordCount) throw "keyword length bounds are stale";
  return t;
}();

}  // namespace

std::span<const std::string_view> lexicon_words(Lexicon lexicon) {
  switch (lexicon) {
    case Lexicon::kInstruction: return kInstructionWords;
    case Lexicon::kRole: return kRoleWords;
    case Lexicon::kAction: return kActionWords;
    case Lexicon::kJailbreak: return kJailbreakWords;
  }
  return {};
}

std::optional<Lexicon> find_keyword(std::string_view word) {
  if (word.size() < kShortest || word.size() > kLongest) return std::nullopt;
  std::size_t i = hash(word) & (kTableSize - 1);
  for (;;) {
    const Entry& e = kTable.slots[i];
    if (e.word.empty()) return std::nullopt;
    if (e.word == word) return e.lexicon;
    i = (i + 1) & (kTableSize - 1);
  }
}

}  // namespace kc::crf_features

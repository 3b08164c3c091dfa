// The four fixed keyword lexicons of the token features.
//
// The words are constant data, so the lexicons are built at compile time into
// one small open-addressing table: there is nothing to initialise at run time
// and no ordering between first uses to get wrong. No word is in two lexicons,
// so one lookup answers all four membership questions for a token.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kc::crf_features {

// The lexicons, in the order the token features test them.
enum class Lexicon : std::uint8_t {
  kInstruction = 0,  // INSTRUCTION_KWS, flag "kw:instr"
  kRole = 1,         // ROLE_KWS, flag "kw:role"
  kAction = 2,       // ACTION_KWS, flag "kw:act"
  kJailbreak = 3,    // JAILBREAK_KWS, flag "kw:jail"
};
inline constexpr int kLexiconCount = 4;

// The words of `lexicon`, in their stored order.
std::span<const std::string_view> lexicon_words(Lexicon lexicon);

// The lexicon that holds `word`, compared byte for byte (no trimming, no case
// folding), or nullopt when no lexicon does.
std::optional<Lexicon> find_keyword(std::string_view word);

// True when `word` is byte-for-byte one of the words of `lexicon`.
inline bool in_lexicon(Lexicon lexicon, std::string_view word) {
  return find_keyword(word) == lexicon;
}

}  // namespace kc::crf_features

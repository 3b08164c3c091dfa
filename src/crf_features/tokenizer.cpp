// The token expressions and the tokeniser built on them.
#include "crf_features/tokenizer.h"

#include <algorithm>
#include <string>
#include <variant>

#include "util/panic.h"

namespace kc::crf_features {
namespace {

regex::Regex compile_or_panic(const char* pattern) {
  auto compiled = regex::Regex::compile(pattern);
  if (auto* error = std::get_if<regex::Error>(&compiled)) kc::panic(error->message);
  return std::get<regex::Regex>(std::move(compiled));
}

}  // namespace

const regex::Regex& word_re() {
  static const regex::Regex re = compile_or_panic("\\S+");
  return re;
}

const regex::Regex& special_re() {
  static const regex::Regex re = compile_or_panic("[^a-zA-Z0-9\\s]");
  return re;
}

std::vector<std::string_view> tokenize(std::string_view text) {
  const regex::Regex& re = word_re();
  std::vector<std::string_view> tokens;
  tokens.reserve(std::min(kMaxTokens, text.size() / 4 + 4));
  re.find_iter(text, [&](std::size_t start, std::size_t end) {
    tokens.push_back(text.substr(start, end - start));
    return tokens.size() < kMaxTokens;
  });
  return tokens;
}

bool has_special(std::string_view token) { return special_re().is_match(token); }

}  // namespace kc::crf_features

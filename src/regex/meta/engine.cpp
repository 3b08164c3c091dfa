// Per-pattern engine construction and per-text engine choice.
#include "regex/meta/engine.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "regex/hir/class_set.h"
#include "regex/re2_emit/emit.h"
#include "regex/testing.h"
#include "regex/util/hir_props.h"
#include "regex/util/utf8.h"
#include "unicode/utf8.h"

namespace kc::regex::meta {

namespace {

// RE2's memory budget per compiled expression. RE2 only reserves it as it
// goes; it needs to be large because a program near our size limit takes
// several megabytes, and a starved DFA makes RE2 fall back to its slow NFA.
constexpr std::int64_t kRe2MaxMem = std::int64_t{64} << 20;

// Copies of a multi-byte class from which the Pike VM runs first. Below it
// RE2's states stay cheap enough; from it on the VM is ahead by 10x or more
// while few copies are live.
constexpr std::uint64_t kLongRepetition = 100;
// The VM hands a text to RE2 when its threads die young, all begun less than
// kYoungAge bytes back for kYoungRun bytes in a row: the live copies then
// span a few bytes and the DFA sees their sets again ([aeiou]\w{150} on
// prose). Many live threads are no such sign: unless the text repeats
// itself, RE2's states cost more than the VM's steps there.
constexpr std::size_t kYoungAge = 32;
constexpr std::size_t kYoungRun = 1024;

// The most copies that counted repetitions write out of one class matching a
// code point above U+007F (nested counts multiply, up to 2^32), counting only
// repetitions that every match reaches after consuming input (`gated`): an
// ungated one is entered at every position, which keeps the live copies a
// run RE2's DFA sees again and again.
std::uint64_t gated_multibyte_class_copies(const hir::Hir& hir, std::uint64_t outer, bool gated) {
  constexpr std::uint64_t kCap = std::uint64_t{1} << 32;
  switch (hir.kind) {
    case hir::Kind::Class:
      return gated && !hir::is_ascii(hir.ranges) ? outer : 0;
    case hir::Kind::Repetition: {
      std::uint64_t count = std::max<std::uint64_t>(hir.max ? *hir.max : hir.min, 1);
      return gated_multibyte_class_copies(hir.subs[0], std::min(outer * count, kCap), gated);
    }
    case hir::Kind::Concat: {
      std::uint64_t most = 0;
      for (const hir::Hir& sub : hir.subs) {
        most = std::max(most, gated_multibyte_class_copies(sub, outer, gated));
        gated = gated || !util::can_be_empty(sub);
      }
      return most;
    }
    default: {
      std::uint64_t most = 0;
      for (const hir::Hir& sub : hir.subs) most = std::max(most, gated_multibyte_class_copies(sub, outer, gated));
      return most;
    }
  }
}

std::unique_ptr<RE2> make_re2(const std::string& pattern) {
  auto re = std::make_unique<RE2>(pattern, re2_options());
  if (!re->ok()) return nullptr;
  return re;
}

}  // namespace

RE2::Options re2_options() {
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingUTF8);
  options.set_longest_match(false);
  options.set_log_errors(false);
  options.set_never_capture(true);
  options.set_case_sensitive(true);
  options.set_max_mem(kRe2MaxMem);
  return options;
}

bool is_ascii(std::string_view text) {
  // Large blocks with one test each: texts are usually all ASCII or not at
  // all, and this check runs before every search.
  const char* p = text.data();
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 128 <= text.size(); i += 128) {
    __m128i acc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    for (int k = 16; k < 128; k += 16)
      acc = _mm_or_si128(acc, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + k)));
    if (_mm_movemask_epi8(acc) != 0) return false;
  }
#endif
  for (; i + 32 <= text.size(); i += 32) {
    std::uint64_t w[4];
    std::memcpy(w, p + i, 32);
    if (((w[0] | w[1] | w[2] | w[3]) & 0x8080808080808080u) != 0) return false;
  }
  return unicode::skip_ascii(text, i) == text.size();
}

AsciiRules search_under_ascii_rules(const RE2& re, std::string_view text) {
  constexpr std::size_t kProbe = 4096;
  if (!is_ascii(text.substr(0, kProbe))) return AsciiRules::NotAscii;
  re2::StringPiece whole(text.data(), text.size()), m;
  if (!re.Match(whole, 0, text.size(), RE2::UNANCHORED, &m, 1))
    return is_ascii(text) ? AsciiRules::NoMatch : AsciiRules::NotAscii;
  const std::size_t start = static_cast<std::size_t>(m.data() - whole.data());
  const std::size_t lo = start == 0 ? 0 : start - 1;
  const std::size_t hi = std::min(text.size(), start + m.size() + 1);
  return is_ascii(text.substr(lo, hi - lo)) ? AsciiRules::Match : AsciiRules::NotAscii;
}

bool is_inexact_look(hir::Look look) {
  return hir::is_unicode_word_look(look) || hir::is_special_word_look(look) || hir::is_crlf_look(look);
}

// The RE2 relaxed pattern as a prefilter: its leftmost match starts no later
// than any match of the full pattern.
const RE2* Engine::LazyRe2::get() const {
  if (pattern.empty()) return nullptr;
  std::call_once(once, [this] { re = make_re2(pattern); });
  return re.get();
}

// The RE2 relaxed pattern as a prefilter: its leftmost match starts no later
// than any match of the full pattern. Without an RE2 form it never skips.
class Engine::RelaxedPrefilter final : public fallback::Prefilter {
 public:
  explicit RelaxedPrefilter(const LazyRe2* re) : re_(re) {}
  std::optional<std::size_t> next_start(std::string_view text, std::size_t from,
                                        std::size_t* work) const override {
    const RE2* re = re_->get();
    if (re == nullptr) return from;
    re2::StringPiece m;
    if (!re->Match(re2::StringPiece(text.data(), text.size()), from, text.size(), RE2::UNANCHORED, &m, 1)) {
      *work += text.size() - from;
      return std::nullopt;
    }
    std::size_t start = static_cast<std::size_t>(m.data() - text.data());
    *work += start + m.size() - from;
    return start;
  }

 private:
  const LazyRe2* re_;
};

Engine::Engine(const hir::Hir& hir)
    : nfa_(nfa::compile(hir)),
      pikevm_(&nfa_),
      caches_([this] { return std::make_unique<fallback::PikeVm::Cache>(nfa_); }) {
  scanner_ = ClassScanner::for_hir(hir);
  if (gated_multibyte_class_copies(hir, 1, false) >= kLongRepetition) {
    pikevm_first_ = true;
    first_bytes_ = fallback::FirstBytePrefilter::build(nfa_);
  }
  if (!scanner_) literals_ = LiteralPrefilter::for_hir(hir);
  if (auto exact = re2_emit::emit(hir, re2_emit::TextAssumption::AnyText)) {
    exact_.pattern = std::move(*exact);
    set_viable(hir, re2_emit::TextAssumption::AnyText);
    return;
  }
  if (!hir::contains_special_word_look(hir) && !hir::contains_crlf_look(hir)) {
    if (auto ascii = re2_emit::emit(hir, re2_emit::TextAssumption::AsciiText)) ascii_.pattern = std::move(*ascii);
  }
  // Tries at candidates run on ASCII text only here, and never without RE2.
  if (!ascii_.pattern.empty()) {
    set_viable(hir, re2_emit::TextAssumption::AsciiText);
  } else {
    literals_.reset();
  }
  if (auto relaxed = re2_emit::emit(hir::without_looks(hir, is_inexact_look), re2_emit::TextAssumption::AnyText)) {
    relaxed_.pattern = std::move(*relaxed);
    prefilter_ = std::make_unique<RelaxedPrefilter>(&relaxed_);
  }
}

Engine::~Engine() = default;

void Engine::set_viable(const hir::Hir& hir, re2_emit::TextAssumption assumption) {
  if (!literals_) return;
  if (std::optional<std::string> viable = viable_prefixes(hir, assumption)) {
    viable_.pattern = std::move(*viable);
  } else {
    literals_.reset();
  }
}

Engine::Search::Search(const Engine& engine, std::string_view text) : engine_(&engine), text_(text) {
  testing::Path path = testing::current_path();
  if (path == testing::Path::Normal) {
    if (engine.scanner_) {
      scanner_ = &*engine.scanner_;
      return;
    }
    if (engine.pikevm_first_) {
      use_fallback_first();
      return;
    }
    re2_ = engine.exact_.get();
    if (re2_ != nullptr) return;
    if (!engine.ascii_.pattern.empty()) {
      // Whether the text is ASCII is asked on first use: is_match may not
      // need to read the whole text.
      ascii_pending_ = true;
      return;
    }
  }
  use_fallback(path != testing::Path::PikeVm);
}

Engine::Search::~Search() = default;

void Engine::Search::use_fallback(bool prefiltered) {
  cache_.emplace(engine_->caches_.get());
  // The prefilter may rescan text; four passes' worth keeps the total linear.
  (*cache_)->start_text(4 * text_.size() + 4096);
  if (prefiltered && !engine_->nfa_.can_match_empty) prefilter_ = engine_->prefilter_.get();
}

void Engine::Search::use_fallback_first() {
  use_fallback(false);
  prefilter_ = engine_->first_bytes_.get();
  const LazyRe2* exact = &engine_->exact_;
  if (exact->pattern.empty() && !engine_->ascii_.pattern.empty() && is_ascii(text_)) exact = &engine_->ascii_;
  if (exact->pattern.empty()) return;
  handover_re2_ = exact;
  (*cache_)->hand_over_when({kYoungAge, kYoungRun});
}

void Engine::Search::choose(bool ascii) {
  ascii_pending_ = false;
  ascii_ = ascii;
  if (ascii) re2_ = engine_->ascii_.get();
  if (re2_ == nullptr) use_fallback(true);
}

std::optional<bool> Engine::Search::ascii_is_match() {
  const RE2* re = engine_->ascii_.get();
  if (re == nullptr) return std::nullopt;
  switch (search_under_ascii_rules(*re, text_)) {
    case AsciiRules::Match:
      return true;
    case AsciiRules::NoMatch:
      choose(true);
      return false;
    case AsciiRules::NotAscii:
      break;
  }
  return std::nullopt;
}

std::optional<Span> Engine::Search::run(std::size_t from, bool earliest) {
  if (ascii_pending_) choose(is_ascii(text_));
  if (scanner_ != nullptr) return scanner_->find(text_, from);
  if (re2_ != nullptr) {
    if (earliest) {
      // Whether, not where: the DFA stops at the first match.
      if (!re2_->Match(re2::StringPiece(text_.data(), text_.size()), from, text_.size(), RE2::UNANCHORED, nullptr, 0))
        return std::nullopt;
      return Span{from, from};
    }
    if (!literals_chosen_) {
      // Worth a whole-text ASCII check: a walk over the matches reads the
      // whole text anyway.
      literals_chosen_ = true;
      const auto& literals = engine_->literals_;
      if (literals && (literals->any_text() || ascii_ || is_ascii(text_))) {
        literals_.emplace(*literals);
        // Tries read at most a few passes' worth: the walk stays linear.
        literal_budget_ = 4 * text_.size() + 4096;
      }
    }
    if (literals_) return find_by_literals(from);
    return find_unanchored(from);
  }
  std::optional<Span> m = engine_->pikevm_.find(text_, from, prefilter_, earliest, **cache_);
  if (!(*cache_)->gave_up()) return m;
  // RE2's DFA states repeat on this text: RE2 takes over, or without an RE2
  // the VM runs on.
  re2_ = handover_re2_->get();
  handover_re2_ = nullptr;
  if (re2_ == nullptr) (*cache_)->start_text(0);
  // Even for is_match the leftmost-first search: RE2's DFA runs it faster
  // than the earliest one on these patterns.
  return run(from, re2_ != nullptr ? false : earliest);
}

std::optional<Span> Engine::Search::find_unanchored(std::size_t from) {
  re2::StringPiece m;
  if (!re2_->Match(re2::StringPiece(text_.data(), text_.size()), from, text_.size(), RE2::UNANCHORED, &m, 1))
    return std::nullopt;
  std::size_t start = static_cast<std::size_t>(m.data() - text_.data());
  return Span{start, start + m.size()};
}

std::optional<Span> Engine::Search::find_by_literals(std::size_t from) {
  // A try reads at most this far past its candidate. Cut short there, its
  // answer stands unless a match could run on past the cut, which the
  // viable-prefix pattern rules out; otherwise one unanchored search from
  // the candidate (no match starts before it) gives the answer.
  constexpr std::size_t kWindow = 256;
  constexpr std::size_t kMinTries = 32;
  constexpr std::size_t kMinGap = 128;  // bytes per try, on average
  const std::size_t n = text_.size();
  const re2::StringPiece text(text_.data(), n);
  const RE2* viable = engine_->viable_.get();
  re2::StringPiece m;
  while (std::optional<std::size_t> at = literals_->next(text_, from)) {
    const std::size_t end = n - *at <= kWindow ? n : util::next_char_boundary(text_, *at + kWindow);
    const std::size_t cost = 2 * (end - *at + 1);
    if (viable == nullptr || cost > literal_budget_) {
      literals_.reset();
      return find_unanchored(*at);
    }
    literal_budget_ -= cost;
    // Candidates closer together than a try costs: one unanchored search
    // over the rest is cheaper.
    if (literal_tries_++ == 0) literal_first_ = *at;
    if (literal_tries_ >= kMinTries && *at - literal_first_ < literal_tries_ * kMinGap) {
      literals_.reset();
      return find_unanchored(*at);
    }
    if (end < n && viable->Match(text, *at, end, RE2::ANCHOR_BOTH, nullptr, 0)) return find_unanchored(*at);
    if (re2_->Match(text, *at, end, RE2::ANCHOR_START, &m, 1)) return Span{*at, *at + m.size()};
    from = *at + 1;
  }
  return std::nullopt;
}

std::optional<Span> Engine::Search::find(std::size_t from) { return run(from, false); }

bool Engine::Search::is_match() {
  if (ascii_pending_) {
    if (std::optional<bool> settled = ascii_is_match()) return *settled;
    if (ascii_pending_) choose(false);
  }
  if (scanner_ != nullptr) return scanner_->find(text_, 0).has_value();
  if (re2_ != nullptr)
    return re2_->Match(re2::StringPiece(text_.data(), text_.size()), 0, text_.size(), RE2::UNANCHORED, nullptr, 0);
  return run(0, true).has_value();
}

}  // namespace kc::regex::meta

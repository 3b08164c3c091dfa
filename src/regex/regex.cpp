// Regex: searches and the iteration rule for empty matches.
#include "regex/regex.h"

#include "regex/util/utf8.h"
#include "regex/meta/regex_impl.h"

namespace kc::regex {

namespace {

// Runs the crate's find_iter over `text`, calling `emit(span)` per match
// until it returns false.
template <class Emit>
void iterate(const meta::Engine& engine, std::string_view text, Emit&& emit) {
  meta::Engine::Search search(engine, text);
  const std::size_t n = text.size();
  std::size_t pos = 0;
  bool matched_before = false;
  std::size_t last_end = 0;
  while (pos <= n) {
    std::optional<Span> m = search.find(pos);
    if (!m) return;
    if (m->start == m->end &&
        ((matched_before && m->end == last_end) || !util::is_char_boundary(text, m->start))) {
      // Skip the character at the empty match and search again.
      if (m->start >= n) return;
      pos = util::next_char_boundary(text, m->start + 1);
      continue;
    }
    if (!emit(*m)) return;
    matched_before = true;
    last_end = m->end;
    pos = m->end;
  }
}

}  // namespace

Regex::Regex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;
Regex::~Regex() = default;

bool Regex::is_match(std::string_view text) const { return impl_->engine->is_match(text); }

void Regex::find_iter_impl(std::string_view text, void* ctx, bool (*cb)(void*, std::size_t, std::size_t)) const {
  iterate(*impl_->engine, text, [&](Span m) { return cb(ctx, m.start, m.end); });
}

std::size_t Regex::count(std::string_view text) const {
  std::size_t count = 0;
  iterate(*impl_->engine, text, [&](Span) {
    ++count;
    return true;
  });
  return count;
}

}  // namespace kc::regex

// The public constructors: syntax layer first, then the size limit and engines.
#include "regex/meta/factory.h"
#include "regex/regex.h"
#include "regex/syntax/parse.h"

namespace kc::regex {

Result<Regex> Regex::compile(std::string_view pattern) {
  Result<hir::Hir> hir = syntax::parse_to_hir(pattern);
  if (auto* error = std::get_if<Error>(&hir)) return std::move(*error);
  return meta::Factory::regex(std::get<hir::Hir>(hir));
}

Result<RegexSet> RegexSet::compile(const std::vector<std::string>& patterns) {
  // Every pattern is parsed before any is translated, as the crate reports errors.
  std::vector<syntax::Parsed> parsed;
  parsed.reserve(patterns.size());
  for (const std::string& pattern : patterns) {
    Result<syntax::Parsed> p = syntax::parse(pattern);
    if (auto* error = std::get_if<Error>(&p)) return std::move(*error);
    parsed.push_back(std::move(std::get<syntax::Parsed>(p)));
  }
  std::vector<hir::Hir> hirs;
  hirs.reserve(parsed.size());
  for (const syntax::Parsed& p : parsed) {
    Result<hir::Hir> hir = syntax::translate(p);
    if (auto* error = std::get_if<Error>(&hir)) return std::move(*error);
    hirs.push_back(std::move(std::get<hir::Hir>(hir)));
  }
  return meta::Factory::set(std::move(hirs));
}

}  // namespace kc::regex

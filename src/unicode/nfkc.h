// Unicode Normalization Form KC (UAX #15) over UTF-8 text, Unicode 17.0 data.
#pragma once

#include <string>
#include <string_view>

namespace kc::unicode {

// Appends the NFKC form of `text` to `out`: full compatibility decomposition
// (Hangul syllables algorithmically), canonical ordering of combining marks,
// then canonical composition that skips Full_Composition_Exclusion
// characters. Runs that NFKC_QC proves already normal, ASCII in particular,
// are copied unchanged. Precondition: `text` is valid UTF-8. Thread-safe.
void nfkc(std::string_view text, std::string& out);

}  // namespace kc::unicode

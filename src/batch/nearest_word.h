#ifndef Q9_BATCH_NEAREST_WORD_H_
#define Q9_BATCH_NEAREST_WORD_H_

#include <span>
#include <string>
#include <string_view>

namespace q9 {

// The word of |known| fewest single-byte edits (insert, delete, replace) away
// from |word|, as a hint for a mistyped option; "" when even that one needs
// more than a third of |word|'s length in edits (at least 2 are allowed).
std::string NearestWord(std::string_view word, std::span<const std::string> known);

}  // namespace q9

#endif  // Q9_BATCH_NEAREST_WORD_H_

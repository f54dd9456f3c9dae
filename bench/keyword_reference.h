// A plain keyword extractor that searches the whole word list for every character, and a generator of
// article-like texts: the yardstick the indexed extractor is measured and checked against.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kc::bench {

// Extraction done the slow, obvious way: tags deleted by a backward scan through a placeholder, each
// named reference deleted in turn, and for every character a search of the whole list for the text of
// that character and the next, taking the first listed word at a word start that the text begins with.
std::string ReferenceExtract(
    const std::string& wordList, std::string_view text, std::vector<std::string>& words, int count);

// Ranking the obvious way: take the first word left, count and remove its copies, insert it in front of
// the first ranked word whose number is not greater.
std::string ReferenceTopFrequent(std::vector<std::string> words, int count);

// An article of about the given number of characters, the same for the same seed: paragraphs of
// listed words (some topic words repeating), filler characters, punctuation, ASCII words in mixed case,
// tags, named references, line breaks and the odd four-byte character, followed by a title.
std::string MakeArticle(const std::string& wordList, uint32_t seed, size_t characters);

} // namespace kc::bench

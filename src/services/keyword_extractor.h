// Takes an article's keywords from its own text: forward longest matching against a built-in word list.
#pragma once

#include <cstdint>
#include <filesystem>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kc::services {

// Segments internal text against a list of words (the longest listed word that starts at each
// character wins) and ranks the matched words by how often they occur. One extractor serves the
// whole process; every operation may be called from any thread at the same time.
class KeywordExtractor {
public:
    KeywordExtractor() = default;
    KeywordExtractor(const KeywordExtractor&) = delete;
    KeywordExtractor& operator=(const KeywordExtractor&) = delete;

    // Places the built-in word list in the extractor (path empty: the first of WordListCandidates()
    // that can be read), or the list file at path (internal text). False, leaving the list in use
    // unchanged, when no file could be read or it holds no word.
    bool LoadWordList(std::string_view path = {});

    // Takes a list text in the word-list form: words of two or more characters, each preceded and
    // followed by one space, the longest first. Words of one character are ignored: they could only
    // ever match by accident (at the last character of a text).
    void UseWordList(std::string listText);

    // The number of words in use.
    size_t WordCount() const;

    // text: internal text (an article's body followed by its title). words receives every matched
    // word in order, as the text spells it. The result is TopFrequent(words, count). Tags and named
    // character references of the text are removed before matching; ASCII letters match the list
    // without regard to case.
    std::string Extract(std::string_view text, std::vector<std::string>& words, int count) const;

    // The count most frequent words joined by "," (at least one when there is any). Between words
    // of equal number, the one whose first occurrence comes later ranks higher.
    static std::string TopFrequent(const std::vector<std::string>& words, int count);

private:
    struct Entry {
        uint32_t offset; // into m_list
        uint32_t length;
    };
    struct Range {
        uint32_t begin; // into m_entries
        uint32_t end;
    };

    // Guards the list and its index: LoadWordList writes, Extract reads.
    mutable std::shared_mutex m_mutex;
    std::string m_list;
    // Every word, grouped by its first two characters and in list order within a group, so that
    // the first word of a group that the text begins with is the one a search of the list from
    // its start would find.
    std::vector<Entry> m_entries;
    std::unordered_map<uint64_t, Range> m_groups;
};

// The text of Extract's working copy: tags ("<" … ">") and the forty named character references
// ("&nbsp;", "&lt;", …, "&amp;" last, any case) deleted.
std::string RemoveTagsAndReferences(std::string_view text);

// Where LoadWordList looks for the built-in list, in order: "data/word_list.txt" beside the
// executable, then the list in the source tree the program was built from.
std::vector<std::filesystem::path> WordListCandidates();

} // namespace kc::services

// One article on its way from a file of the article folder to a shop, and the names of a site's lists.
#pragma once

#include <cstdint>
#include <string>

namespace kc::articles {

// The article of one publishing step.
struct Article {
    std::string path; // the picked file (internal text)
    int32_t pick = 0; // its 1-based position in the site's article group
    // The file's bytes as the pick found them (when fileRead): the body is made from these, so the file is
    // opened once per step.
    std::string fileBytes;
    bool fileRead = false;
    std::string title; // from the file name; a custom title or the first line may replace it
    int32_t categoryId = 0; // the file name's category marker, else the category chosen for the site
    bool categoryMarker = false; // the file name carried a category marker ("[#12#]")
    std::string firstLine; // the first non-empty line of the body when it was split off as the title
    std::string body;
    // The custom title taken for this article and its 1-based line in the site's title group (0: none), so a
    // failed submission can put it back.
    std::string customTitle;
    int32_t customTitlePick = 0;
};

// The six list settings of a site that LoadListSource reads (the numbers are the ones the settings use).
enum class ListSource : int {
    kKeywords = 0,
    kGoods = 1,
    kAuthors = 2,
    kBodyKeywords = 3,
    kTailKeywords = 4,
    kTitleKeywords = 5,
};

} // namespace kc::articles

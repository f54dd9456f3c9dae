// The article blocks that the tail insertion appends, read from the block files and folders of a site.
#pragma once

#include <string>
#include <string_view>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::articles {

// The separator of the blocks inside a block file: the setting with every backslash + "n" turned into CR LF;
// CR LF when that leaves it empty.
std::string BlockSeparator(std::string_view setting);

// Reads the site's article blocks: every line of tailInsertSource is a file, or a folder whose "*.htm" and
// "*.txt" files are read in scan order; each file is read with charset detection and split at the separator,
// and every piece that is not empty once trimmed becomes "<p>　　" + piece + "</p>" in tailInsertWords.
// Sets tailInsertCount, clears tailInsertCache and resets tailInsertBag; returns the number of blocks.
int LoadArticleBlocks(kc::sites::SiteConfig& site);

} // namespace kc::articles

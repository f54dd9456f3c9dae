// Reading a shop's article categories from its back end, as the items of the category tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::ecshop {

// Check states of a tree item.
enum CategoryCheck : int {
    kCategoryUnchecked = 0,
    kCategoryChecked = 1,
    kCategoryLocked = 2, // a system or information category: the user cannot check it
};

// One category as the tree shows it, in the order of the shop's list.
struct CategoryItem {
    std::string text; // name (character references decoded) + "[" + id + "]"
    int value = 0; // the category id
    int depth = 1; // 1 for top-level items
    int parent = -1; // index of the parent item in the list, -1 for a top-level item
    int image = 0; // 0 ordinary category, 1 any other kind
    int checkState = kCategoryUnchecked;

    bool operator==(const CategoryItem&) const = default;
};

// The values of the items whose check state is checked.
std::vector<int> CheckedCategoryIds(const std::vector<CategoryItem>& items);

// The items of a category list page: the rows of the table with id "list-table" whose id attribute
// carries a category id above 0 after its "_". Ordinary categories ("普通分类" in the cell of class
// "nowrap") whose id is in keptChecks come back checked; other kinds come back locked.
std::vector<CategoryItem> ParseCategoryList(std::string_view page, const std::vector<int>& keptChecks);

// Reads the category list of the site's back end (the client must be logged in). keptChecks are the
// ids checked before, which stay checked when still present. An empty list when the page holds none.
std::vector<CategoryItem> ReadCategories(kc::sites::SiteConfig& site, const std::vector<int>& keptChecks = {});

} // namespace kc::ecshop

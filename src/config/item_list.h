// The one-text forms in which item lists of combo boxes, list boxes, check-list boxes and tree views are kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kc::config {

// "{H}" separates items, "{G}" the fields of one item.
inline constexpr std::string_view kItemSeparator = "{H}";
inline constexpr std::string_view kFieldSeparator = "{G}";

// An item of a combo box, list box or check-list box.
struct ListItem {
    std::string text;
    int64_t value = 0;
    bool checked = false; // check-list boxes only
    bool operator==(const ListItem&) const = default;
};

// An item of a tree view; items are kept in index order, so a parent always comes before its children.
struct TreeItem {
    int64_t parent = 0; // index of the parent item, as the tree control numbers it
    std::string text;
    int64_t image = 0;
    int64_t selectedImage = 0;
    int64_t value = 0;
    bool bold = false;
    int64_t checkState = 0;
    bool expanded = false;
    bool operator==(const TreeItem&) const = default;
};

// Combo box and list box: text{G}value per item.
std::string JoinListItems(const std::vector<ListItem>& items);
// Check-list box: text{G}value{G}真 or 假 per item.
std::string JoinCheckListItems(const std::vector<ListItem>& items);
// Tree view: parent{G}text{G}image{G}selected image{G}value{G}bold{G}check state{G}expanded per item.
std::string JoinTreeItems(const std::vector<TreeItem>& items);

// The reverse forms. An empty text gives no item; a missing field reads as empty, 0 or false, so an item
// without "{G}" is a text with value 0.
std::vector<ListItem> SplitListItems(std::string_view text);
std::vector<ListItem> SplitCheckListItems(std::string_view text);
std::vector<TreeItem> SplitTreeItems(std::string_view text);

// Splits at a separator: the pieces between separators, empty ones included, except that an empty text gives
// no piece and a separator at the very end adds no empty last piece.
std::vector<std::string_view> SplitText(std::string_view text, std::string_view separator);

// The leading, optionally signed, integer of a text; 0 when there is none (saturating on overflow).
int64_t TextToInt(std::string_view text);

} // namespace kc::config

// Building and reading the "{H}"/"{G}" item-list forms.
#include "config/item_list.h"

#include "config/config_store.h"
#include "text/number_text.h"

#include <limits>

namespace kc::config {
namespace {

std::string_view Field(const std::vector<std::string_view>& fields, size_t index)
{
    return index < fields.size() ? fields[index] : std::string_view();
}

std::string_view BoolText(bool value)
{
    return value ? kTrueText : kFalseText;
}

} // namespace

std::vector<std::string_view> SplitText(std::string_view text, std::string_view separator)
{
    std::vector<std::string_view> pieces;
    if (text.empty() || separator.empty()) {
        if (!text.empty())
            pieces.push_back(text);
        return pieces;
    }
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t hit = text.find(separator, pos);
        if (hit == std::string_view::npos) {
            pieces.push_back(text.substr(pos));
            return pieces;
        }
        pieces.push_back(text.substr(pos, hit - pos));
        pos = hit + separator.size();
    }
    return pieces;
}

int64_t TextToInt(std::string_view text)
{
    return text::LeadingInteger(text);
}

std::string JoinListItems(const std::vector<ListItem>& items)
{
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += kItemSeparator;
        text.append(items[i].text).append(kFieldSeparator).append(std::to_string(items[i].value));
    }
    return text;
}

std::string JoinCheckListItems(const std::vector<ListItem>& items)
{
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += kItemSeparator;
        text.append(items[i].text).append(kFieldSeparator).append(std::to_string(items[i].value));
        text.append(kFieldSeparator).append(BoolText(items[i].checked));
    }
    return text;
}

std::string JoinTreeItems(const std::vector<TreeItem>& items)
{
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        const TreeItem& item = items[i];
        if (i > 0)
            text += kItemSeparator;
        for (const std::string& field :
            {std::to_string(item.parent), item.text, std::to_string(item.image), std::to_string(item.selectedImage),
                std::to_string(item.value), std::string(BoolText(item.bold)), std::to_string(item.checkState)})
            text.append(field).append(kFieldSeparator);
        text.append(BoolText(item.expanded));
    }
    return text;
}

std::vector<ListItem> SplitListItems(std::string_view text)
{
    std::vector<ListItem> items;
    for (std::string_view piece : SplitText(text, kItemSeparator)) {
        const auto fields = SplitText(piece, kFieldSeparator);
        items.push_back({std::string(Field(fields, 0)), TextToInt(Field(fields, 1)), false});
    }
    return items;
}

std::vector<ListItem> SplitCheckListItems(std::string_view text)
{
    std::vector<ListItem> items;
    for (std::string_view piece : SplitText(text, kItemSeparator)) {
        const auto fields = SplitText(piece, kFieldSeparator);
        items.push_back({std::string(Field(fields, 0)), TextToInt(Field(fields, 1)), Field(fields, 2) == kTrueText});
    }
    return items;
}

std::vector<TreeItem> SplitTreeItems(std::string_view text)
{
    std::vector<TreeItem> items;
    for (std::string_view piece : SplitText(text, kItemSeparator)) {
        const auto fields = SplitText(piece, kFieldSeparator);
        TreeItem item;
        item.parent = TextToInt(Field(fields, 0));
        item.text = std::string(Field(fields, 1));
        item.image = TextToInt(Field(fields, 2));
        item.selectedImage = TextToInt(Field(fields, 3));
        item.value = TextToInt(Field(fields, 4));
        item.bold = Field(fields, 5) == kTrueText;
        item.checkState = TextToInt(Field(fields, 6));
        item.expanded = Field(fields, 7) == kTrueText;
        items.push_back(std::move(item));
    }
    return items;
}

} // namespace kc::config

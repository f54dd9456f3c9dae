// Reading a shop's article categories from its back end, as the items of the category tree.
#include "ecshop/categories.h"

#include "ecshop/back_end_address.h"
#include "http/answer_decoding.h"
#include "http/http_client.h"
#include "platform/event_pump.h"
#include "sites/site_config.h"
#include "text/html_reader.h"
#include "text/literal.h"
#include "text/markers.h"
#include "text/number_text.h"

#include <algorithm>
#include <cstdlib>

namespace kc::ecshop {

std::vector<int> CheckedCategoryIds(const std::vector<CategoryItem>& items)
{
    std::vector<int> ids;
    for (const CategoryItem& item : items)
        if (item.checkState == kCategoryChecked)
            ids.push_back(item.value);
    return ids;
}

std::vector<CategoryItem> ParseCategoryList(std::string_view page, const std::vector<int>& keptChecks)
{
    std::vector<CategoryItem> items;
    kc::text::HtmlReader reader;
    const std::string table = reader.FindElement(page, "table", "id", "list-table");
    if (table.empty())
        return items;
    const int rows = reader.FindElements(table, "tr");
    for (int i = 1; i <= rows; ++i) {
        kc::platform::PumpEvents();
        const std::string row = reader.ElementAt(i);
        // The row's own attributes only: its cells carry classes and ids of their own.
        const std::string startTag = row.substr(0, row.find('>') + 1);
        const int id = kc::text::LeadingInt(kc::text::BetweenMarkers(reader.GetAttribute(startTag, "id"), "_", ""));
        if (id <= 0)
            continue;
        CategoryItem item;
        item.value = id;
        // The list writes names HTML-escaped; the tree shows them as the user typed them.
        const std::string name
            = kc::http::DecodeHtmlEntities(kc::text::BetweenMarkers(row, ">", "</a>", nullptr, /*nearest=*/true));
        item.text = name + "[" + std::to_string(id) + "]";
        item.depth = std::max(1, kc::text::LeadingInt(reader.GetAttribute(startTag, "class")) + 1);
        for (int j = static_cast<int>(items.size()) - 1; j >= 0 && item.depth > 1; --j) {
            if (items[static_cast<size_t>(j)].depth == item.depth - 1) {
                item.parent = j;
                break;
            }
        }
        const std::string kindCell = kc::text::HtmlReader().FindElement(row, "td", "class", "nowrap");
        const bool ordinary = kc::http::MatchAlternatives(kindCell, KC_TEXT("普通分类"), true);
        item.image = ordinary ? 0 : 1;
        if (!ordinary)
            item.checkState = kCategoryLocked;
        else if (std::find(keptChecks.begin(), keptChecks.end(), id) != keptChecks.end())
            item.checkState = kCategoryChecked;
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<CategoryItem> ReadCategories(kc::sites::SiteConfig& site, const std::vector<int>& keptChecks)
{
    int encoding = RequestEncodingCode(site);
    const std::string page = SiteClient(site).Request(BackEndBase(site) + "/articlecat.php?act=list", {}, &encoding);
    return ParseCategoryList(page, keptChecks);
}

} // namespace kc::ecshop

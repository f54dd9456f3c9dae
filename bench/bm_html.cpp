// Collecting the rows of a large back-end article list, as article submission and the category reader do.
#include "text/html_reader.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A page shaped like the back end's article list: a head, a search form, then the list table with a
// header row and rows of cells holding a check box, links, Chinese titles and action icons.
std::string MakeListPage(size_t size)
{
    std::string page = "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                       "charset=gbk\" /><title>\xB9\xDC\xC0\xED\xD6\xD0\xD0\xC4</title>" // 管理中心
                       "<link href=\"styles/general.css\" rel=\"stylesheet\" type=\"text/css\" /></head><body>"
                       "<div class=\"form-div\"><form action=\"javascript:searchArticle()\" name=\"searchForm\">"
                       "<img src=\"images/icon_search.gif\" width=\"26\" height=\"22\" border=\"0\" alt=\"SEARCH\" />"
                       "<input type=\"text\" name=\"keyword\" id=\"keyword\" /></form></div>"
                       "<form method=\"POST\" action=\"article.php?act=batch_remove\" name=\"listForm\">"
                       "<div class=\"list-div\" id=\"listDiv\">"
                       "<table cellspacing='1' cellpadding='3' id='list-table'>"
                       "<tr><th><input onclick='listTable.selectAll(this, \"checkboxes\")' type=\"checkbox\">"
                       "<a href=\"javascript:listTable.sort('article_id'); \">ID</a></th>"
                       "<th>\xCE\xC4\xD5\xC2\xB1\xEA\xCC\xE2</th><th>\xB2\xD9\xD7\xF7</th></tr>\n"; // 文章标题 操作
    const std::string tail = "</table></div></form></body></html>";
    for (int id = 1; page.size() + tail.size() < size; ++id) {
        const std::string number = std::to_string(id);
        page += "<tr><td><span><input name=\"checkboxes[]\" type=\"checkbox\" value=\"" + number + "\" />" + number
            + "</span></td>"
              "<td class=\"first-cell\"><span onclick=\"javascript:listTable.edit(this, 'edit_title', "
            + number + ")\">\xB2\xE2\xCA\xD4\xCE\xC4\xD5\xC2" // 测试文章
            + number
            + "</span></td>"
              "<td align=\"left\"><span>\xC9\xCC\xB5\xEA\xB6\xAF\xCC\xAC</span></td>" // 商店动态
              "<td align=\"center\"><span>2024-05-01 12:00:00</span></td>"
              "<td align=\"center\" nowrap=\"true\"><span>"
              "<a href=\"../article.php?id="
            + number
            + "\" target=\"_blank\" title=\"\xB2\xE9\xBF\xB4\"><img src=\"images/icon_view.gif\" border=\"0\" "
              "height=\"16\" width=\"16\" /></a>&nbsp;" // 查看
              "<a href=\"article.php?act=edit&id="
            + number
            + "\" title=\"\xB1\xE0\xBC\xAD\"><img src=\"images/icon_edit.gif\" border=\"0\" height=\"16\" "
              "width=\"16\" /></a>&nbsp;" // 编辑
              "<a href=\"javascript:;\" onclick=\"listTable.remove("
            + number
            + ", '\xC8\xB7\xB6\xA8\xC9\xBE\xB3\xFD\xC2\xF0')\" title=\"\xD2\xC6\xB3\xFD\">" // 确定删除吗 移除
              "<img src=\"images/icon_drop.gif\" border=\"0\" height=\"16\" width=\"16\"></a>"
              "</span></td></tr>\n";
    }
    return page + tail;
}

void BM_HtmlFindRows(benchmark::State& state)
{
    const std::string page = MakeListPage(static_cast<size_t>(state.range(0)) << 20);
    kc::text::HtmlReader reader;
    int rows = 0;
    for (auto _ : state) {
        rows = reader.FindElements(page, "tr");
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_HtmlFindRows)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);

} // namespace

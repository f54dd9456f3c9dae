// The HTML pages of the sandbox shop: simple, valid markup with the structure the client reads.
#include "ecshop/sandbox/sandbox_pages.h"

#include "ecshop/sandbox/sandbox_codec.h"

namespace kc::ecshop {

namespace {

const char* const kAdminTitle = "ECSHOP \xB9\xDC\xC0\xED\xD6\xD0\xD0\xC4" /* ECSHOP 管理中心 */;
const char* const kShopName = "\xD1\xDD\xCA\xBE\xC9\xCC\xB5\xEA" /* 演示商店 */;

std::string Escape(std::string_view text)
{
    return SandboxHtmlEscape(text);
}

// The head every page shares; the charset is declared before anything else so browsers honour it.
std::string Head(std::string_view charset, std::string_view title)
{
    std::string html = "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                       "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
                       "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n"
                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
    html += charset;
    html += "\" />\r\n<meta name=\"robots\" content=\"noindex, nofollow\" />\r\n<title>";
    html += title;
    html += "</title>\r\n<style type=\"text/css\">\r\n"
            "body{font:12px/1.6 Verdana,sans-serif;margin:10px;background:#fff}\r\n"
            "table{border-collapse:collapse;background:#bbdde5}\r\n"
            "th,td{border:1px solid #bbdde5;background:#fff;padding:3px 6px}\r\n"
            "th{background:#eef7fa}\r\n"
            "h1{font-size:16px}\r\n"
            ".main-div,.list-div{margin:8px 0}\r\n"
            "</style>\r\n</head>\r\n";
    return html;
}

// Admin pages other than the login and frameset pages: "ECSHOP 管理中心 - PLACE ".
std::string AdminHead(std::string_view charset, std::string_view place)
{
    std::string title = kAdminTitle;
    title += " - ";
    title += place;
    title += ' ';
    return Head(charset, title);
}

std::string CategoryOptions(const std::vector<SandboxCategory>& categories, int selected, bool withTop)
{
    std::string html;
    if (withTop)
        html += std::string("<option value=\"0\">")
            + "\xB6\xA5\xBC\xB6\xB7\xD6\xC0\xE0" /* 顶级分类 */ + "</option>\r\n";
    for (const SandboxCategory& category : categories) {
        html += "<option value=\"" + std::to_string(category.id) + "\"";
        if (category.id == selected)
            html += " selected=\"selected\"";
        html += ">";
        for (int i = 0; i < category.level; ++i)
            html += "&nbsp;&nbsp;&nbsp;&nbsp;";
        html += Escape(category.name) + "</option>\r\n";
    }
    return html;
}

std::string CategoryName(const std::vector<SandboxCategory>& categories, int id)
{
    for (const SandboxCategory& category : categories) {
        if (category.id == id)
            return category.name;
    }
    return {};
}

} // namespace

std::string SandboxCategoryTypeName(int type)
{
    switch (type) {
    case kCategorySystem:
        return "\xCF\xB5\xCD\xB3\xB7\xD6\xC0\xE0" /* 系统分类 */;
    case kCategoryShopInfo:
        return "\xCD\xF8\xB5\xEA\xD0\xC5\xCF\xA2" /* 网店信息 */;
    case kCategoryHelp:
        return "\xB0\xEF\xD6\xFA\xB7\xD6\xC0\xE0" /* 帮助分类 */;
    case kCategoryShopHelp:
        return "\xCD\xF8\xB5\xEA\xB0\xEF\xD6\xFA" /* 网店帮助 */;
    default:
        return "\xC6\xD5\xCD\xA8\xB7\xD6\xC0\xE0" /* 普通分类 */;
    }
}

std::string SandboxMessagePage(
    std::string_view charset, std::string_view message, const std::vector<SandboxLink>& links, std::string_view extra)
{
    std::string html = AdminHead(charset, "\xCF\xB5\xCD\xB3\xD0\xC5\xCF\xA2" /* 系统信息 */);
    html += "<body>\r\n<h1>";
    html += kAdminTitle;
    html += " - \xCF\xB5\xCD\xB3\xD0\xC5\xCF\xA2" /*  - 系统信息 */;
    html += "</h1>\r\n<div class=\"list-div\">\r\n<table width=\"100%\" cellpadding=\"3\" cellspacing=\"1\">\r\n"
            "<tr><th>";
    html += "\xCF\xB5\xCD\xB3\xD0\xC5\xCF\xA2" /* 系统信息 */;
    html += "</th></tr>\r\n<tr><td style=\"font-size:14px;font-weight:bold\">";
    html += Escape(message);
    html += "</td></tr>\r\n<tr><td><ul>\r\n";
    for (const SandboxLink& link : links) {
        html += "<li><a href=\"" + Escape(link.href) + "\"";
        if (link.href.rfind("http", 0) == 0)
            html += " target=\"_blank\"";
        html += ">" + Escape(link.text) + "</a></li>\r\n";
    }
    html += "</ul></td></tr>\r\n</table>\r\n</div>\r\n";
    html += extra;
    html += "</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxLoginPage(std::string_view charset, bool captcha, std::string_view captchaCode)
{
    std::string html = Head(charset, kAdminTitle);
    html += "<body>\r\n<form method=\"post\" action=\"privilege.php\" name=\"theForm\">\r\n<h1>";
    html += kAdminTitle;
    html += "</h1>\r\n<table cellspacing=\"0\" cellpadding=\"4\">\r\n";
    html += std::string("<tr><td>") + "\xB9\xDC\xC0\xED\xD4\xB1\xD0\xD5\xC3\xFB\xA3\xBA" /* 管理员姓名： */
        + "</td><td><input type=\"text\" name=\"username\" /></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xB9\xDC\xC0\xED\xD4\xB1\xC3\xDC\xC2\xEB\xA3\xBA" /* 管理员密码： */
        + "</td><td><input type=\"password\" name=\"password\" /></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xB0\xB2\xC8\xAB\xC2\xEB\xA3\xBA" /* 安全码： */
        + "</td><td><input type=\"text\" name=\"safecode\" /></td></tr>\r\n";
    if (captcha) {
        // The sandbox shows its captcha as text: it is a test double, not a guard.
        html += std::string("<tr><td>") + "\xD1\xE9\xD6\xA4\xC2\xEB\xA3\xBA" /* 验证码： */
            + "</td><td><input type=\"text\" name=\"captcha\" size=\"8\" /> <b>" + Escape(captchaCode)
            + "</b></td></tr>\r\n";
    }
    html += std::string("<tr><td>&nbsp;</td><td><input type=\"submit\" value=\"")
        + "\xBD\xF8\xC8\xEB\xB9\xDC\xC0\xED\xD6\xD0\xD0\xC4" /* 进入管理中心 */
        + "\" /></td></tr>\r\n";
    html += "</table>\r\n<input type=\"hidden\" name=\"act\" value=\"signin\" />\r\n</form>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxFramesetPage(std::string_view charset)
{
    std::string html = "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Frameset//EN\" "
                       "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-frameset.dtd\">\r\n"
                       "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n"
                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
    html += charset;
    html += "\" />\r\n<title>";
    html += kAdminTitle;
    html += "</title>\r\n</head>\r\n"
            "<frameset rows=\"48,*\" framespacing=\"0\" border=\"0\">\r\n"
            "  <frame src=\"index.php?act=top\" id=\"header-frame\" name=\"header-frame\" frameborder=\"0\" "
            "scrolling=\"no\" />\r\n"
            "  <frameset cols=\"180,*\" framespacing=\"0\" border=\"0\">\r\n"
            "    <frame src=\"index.php?act=menu\" id=\"menu-frame\" name=\"menu-frame\" frameborder=\"0\" />\r\n"
            "    <frame src=\"index.php?act=main\" id=\"main-frame\" name=\"main-frame\" frameborder=\"0\" />\r\n"
            "  </frameset>\r\n"
            "</frameset>\r\n</html>\r\n";
    return html;
}

std::string SandboxTopPage(std::string_view charset, std::string_view user)
{
    std::string html = AdminHead(charset, "\xB6\xA5\xB2\xBF" /* 顶部 */);
    html += "<body style=\"background:#278296;color:#fff\">\r\n<b>";
    html += kAdminTitle;
    html += "</b> &nbsp; ";
    html += "\xB5\xB1\xC7\xB0\xB9\xDC\xC0\xED\xD4\xB1\xA3\xBA" /* 当前管理员： */ + Escape(user);
    html += std::string(" &nbsp; <a style=\"color:#fff\" href=\"privilege.php?act=logout\" target=\"_top\">")
        + "\xCD\xCB\xB3\xF6" /* 退出 */ + "</a>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxMenuPage(std::string_view charset)
{
    std::string html = AdminHead(charset, "\xB2\xCB\xB5\xA5" /* 菜单 */);
    html += "<body>\r\n<ul>\r\n";
    html += std::string("<li><a href=\"article.php?act=list\" target=\"main-frame\">")
        + "\xCE\xC4\xD5\xC2\xC1\xD0\xB1\xED" /* 文章列表 */ + "</a></li>\r\n";
    html += std::string("<li><a href=\"article.php?act=add\" target=\"main-frame\">")
        + "\xCC\xED\xBC\xD3\xD0\xC2\xCE\xC4\xD5\xC2" /* 添加新文章 */
        + "</a></li>\r\n";
    html += std::string("<li><a href=\"articlecat.php?act=list\" target=\"main-frame\">")
        + "\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 文章分类 */
        + "</a></li>\r\n";
    html += std::string("<li><a href=\"articlecat.php?act=add\" target=\"main-frame\">")
        + "\xCC\xED\xBC\xD3\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 添加文章分类 */
        + "</a></li>\r\n";
    html += std::string("<li><a href=\"../index.php\" target=\"_blank\">")
        + "\xB2\xE9\xBF\xB4\xCD\xF8\xB5\xEA" /* 查看网店 */ + "</a></li>\r\n";
    html += std::string("<li><a href=\"privilege.php?act=logout\" target=\"_top\">")
        + "\xCD\xCB\xB3\xF6" /* 退出 */ + "</a></li>\r\n";
    html += "</ul>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxMainPage(std::string_view charset, int articleCount, int categoryCount)
{
    std::string html = AdminHead(charset, "\xC6\xF0\xCA\xBC\xD2\xB3" /* 起始页 */);
    html += std::string("<body>\r\n<h1>")
        + "\xBB\xB6\xD3\xAD\xCA\xB9\xD3\xC3\xD1\xDD\xCA\xBE\xC9\xCC\xB5\xEA\xB9\xDC\xC0\xED\xD6\xD0\xD0\xC4" /* 欢迎使用演示商店管理中心
                                                                                                              */
        + "</h1>\r\n<p>";
    html += "\xCE\xC4\xD5\xC2\xCA\xFD\xA3\xBA" /* 文章数： */ + std::to_string(articleCount)
        + "\xA3\xAC\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0\xCA\xFD\xA3\xBA" /* ，文章分类数： */
        + std::to_string(categoryCount);
    html += "</p>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxArticleListPage(std::string_view charset, const std::vector<SandboxArticle>& articles,
    const std::vector<SandboxCategory>& categories, int page, int pageCount, int recordCount, int categoryFilter)
{
    std::string html = AdminHead(charset, "\xCE\xC4\xD5\xC2\xC1\xD0\xB1\xED" /* 文章列表 */);
    html += std::string("<body>\r\n<h1>")
        + "\xCE\xC4\xD5\xC2\xC1\xD0\xB1\xED" /* 文章列表 */ + " <a href=\"article.php?act=add\">"
        + "\xCC\xED\xBC\xD3\xD0\xC2\xCE\xC4\xD5\xC2" /* 添加新文章 */
        + "</a></h1>\r\n";
    html += "<form method=\"post\" action=\"article.php?act=batch_remove\" name=\"listForm\">\r\n"
            "<div class=\"list-div\" id=\"listDiv\">\r\n"
            "<table cellspacing='1' cellpadding='3' id='list-table'>\r\n<tr>\r\n";
    html += std::string("<th><input onclick='listTable.selectAll(this, \"checkboxes\")' type=\"checkbox\" />")
        + "\xB1\xE0\xBA\xC5" /* 编号 */ + "</th>\r\n";
    html += std::string("<th>") + "\xCE\xC4\xD5\xC2\xB1\xEA\xCC\xE2" /* 文章标题 */ + "</th>\r\n<th>"
        + "\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 文章分类 */ + "</th>\r\n<th>"
        + "\xCE\xC4\xD5\xC2\xD6\xD8\xD2\xAA\xD0\xD4" /* 文章重要性 */
        + "</th>\r\n<th>" + "\xCA\xC7\xB7\xF1\xCF\xD4\xCA\xBE" /* 是否显示 */ + "</th>\r\n<th>"
        + "\xB2\xD9\xD7\xF7" /* 操作 */ + "</th>\r\n</tr>\r\n";
    for (const SandboxArticle& article : articles) {
        const std::string id = std::to_string(article.id);
        html += "<tr>\r\n<td><span><input name=\"checkboxes[]\" type=\"checkbox\" value=\"" + id + "\" />" + id
            + "</span></td>\r\n";
        html += "<td class=\"first-cell\"><span>" + Escape(article.title) + "</span></td>\r\n";
        html += "<td align=\"left\"><span>" + Escape(CategoryName(categories, article.categoryId)) + "</span></td>\r\n";
        html += std::string("<td align=\"center\"><span>")
            + (article.articleType == 1 ? "\xD6\xC3\xB6\xA5" /* 置顶 */ : "\xC6\xD5\xCD\xA8" /* 普通 */)
            + "</span></td>\r\n";
        html += std::string("<td align=\"center\"><span>")
            + (article.isOpen ? "\xCA\xC7" /* 是 */ : "\xB7\xF1" /* 否 */) + "</span></td>\r\n";
        html += "<td align=\"center\"><span><a href=\"../article.php?id=" + id + "\" target=\"_blank\">"
            + "\xB2\xE9\xBF\xB4" /* 查看 */
            + "</a> <a href=\"article.php?act=edit&amp;id=" + id + "\">"
            + "\xB1\xE0\xBC\xAD" /* 编辑 */ + "</a></span></td>\r\n</tr>\r\n";
    }
    if (articles.empty())
        html += std::string("<tr><td class=\"no-records\" colspan=\"6\">")
            + "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xC8\xCE\xBA\xCE\xBC\xC7\xC2\xBC" /* 没有找到任何记录 */
            + "</td></tr>\r\n";
    html += "</table>\r\n";
    // The pager, in the shop's words: "总计 N 个记录分为 M 页当前第 P 页".
    html += std::string("<div id=\"turn-page\">") + "\xD7\xDC\xBC\xC6 " /* 总计  */ + "<span id=\"totalRecords\">"
        + std::to_string(recordCount) + "</span>"
        + " \xB8\xF6\xBC\xC7\xC2\xBC\xB7\xD6\xCE\xAA " /*  个记录分为  */ + "<span id=\"totalPages\">"
        + std::to_string(pageCount) + "</span>"
        + " \xD2\xB3\xB5\xB1\xC7\xB0\xB5\xDA " /*  页当前第  */ + "<span id=\"pageCurrent\">" + std::to_string(page)
        + "</span>" + " \xD2\xB3" /*  页 */;
    const std::string filter = categoryFilter > 0 ? "&amp;cat_id=" + std::to_string(categoryFilter) : std::string();
    if (page > 1)
        html += " <a href=\"article.php?act=list&amp;page=" + std::to_string(page - 1) + filter + "\">"
            + "\xC9\xCF\xD2\xBB\xD2\xB3" /* 上一页 */
            + "</a>";
    if (page < pageCount)
        html += " <a href=\"article.php?act=list&amp;page=" + std::to_string(page + 1) + filter + "\">"
            + "\xCF\xC2\xD2\xBB\xD2\xB3" /* 下一页 */
            + "</a>";
    html += "</div>\r\n</div>\r\n";
    html += "<input type=\"hidden\" name=\"act\" value=\"batch\" />\r\n"
            "<input type=\"hidden\" name=\"type\" value=\"button_remove\" />\r\n"
            "<input type=\"hidden\" name=\"target_cat\" value=\"0\" />\r\n";
    html += std::string("<input type=\"submit\" name=\"btnSubmit\" value=\" ")
        + "\xC9\xBE\xB3\xFD\xD1\xA1\xD6\xD0\xB5\xC4\xCE\xC4\xD5\xC2" /* 删除选中的文章 */ + " \" />\r\n";
    html += "</form>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxArticleFormPage(
    std::string_view charset, const std::vector<SandboxCategory>& categories, const SandboxArticle* article)
{
    const bool editing = article != nullptr;
    std::string html = AdminHead(charset,
        editing ? "\xB1\xE0\xBC\xAD\xCE\xC4\xD5\xC2\xC4\xDA\xC8\xDD" /* 编辑文章内容 */
                : "\xCC\xED\xBC\xD3\xD0\xC2\xCE\xC4\xD5\xC2" /* 添加新文章 */);
    html += std::string("<body>\r\n<h1>")
        + (editing ? "\xB1\xE0\xBC\xAD\xCE\xC4\xD5\xC2\xC4\xDA\xC8\xDD" /* 编辑文章内容 */
                   : "\xCC\xED\xBC\xD3\xD0\xC2\xCE\xC4\xD5\xC2" /* 添加新文章 */)
        + " <a href=\"article.php?act=list\">" + "\xCE\xC4\xD5\xC2\xC1\xD0\xB1\xED" /* 文章列表 */ + "</a></h1>\r\n";
    html += "<form action=\"article.php\" method=\"post\" enctype=\"multipart/form-data\" name=\"theForm\">\r\n"
            "<div class=\"main-div\">\r\n<table width=\"100%\">\r\n";
    html += std::string("<tr><td>") + "\xCE\xC4\xD5\xC2\xB1\xEA\xCC\xE2" /* 文章标题 */
        + "</td><td><input type=\"text\" name=\"title\" size=\"60\" value=\""
        + (editing ? Escape(article->title) : std::string()) + "\" /></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 文章分类 */
        + "</td><td><select name=\"article_cat\">\r\n<option value=\"0\">"
        + "\xC7\xEB\xD1\xA1\xD4\xF1..." /* 请选择... */ + "</option>\r\n"
        + CategoryOptions(categories, editing ? article->categoryId : 0, false) + "</select></td></tr>\r\n";
    const bool top = editing && article->articleType == 1;
    html += std::string("<tr><td>") + "\xCE\xC4\xD5\xC2\xD6\xD8\xD2\xAA\xD0\xD4" /* 文章重要性 */
        + "</td><td><label><input type=\"radio\" name=\"article_type\" value=\"0\""
        + (top ? "" : " checked=\"checked\"") + " />"
        + "\xC6\xD5\xCD\xA8" /* 普通 */ + "</label> <label><input type=\"radio\" " + "name=\"article_type\" value=\"1\""
        + (top ? " checked=\"checked\"" : "") + " />" + "\xD6\xC3\xB6\xA5" /* 置顶 */
        + "</label></td></tr>\r\n";
    const bool open = !editing || article->isOpen;
    html += std::string("<tr><td>") + "\xCA\xC7\xB7\xF1\xCF\xD4\xCA\xBE" /* 是否显示 */
        + "</td><td><label><input type=\"radio\" name=\"is_open\" value=\"1\"" + (open ? " checked=\"checked\"" : "")
        + " />" + "\xCF\xD4\xCA\xBE" /* 显示 */ + "</label> <label><input type=\"radio\" "
        + "name=\"is_open\" value=\"0\"" + (open ? "" : " checked=\"checked\"") + " />"
        + "\xB2\xBB\xCF\xD4\xCA\xBE" /* 不显示 */
        + "</label></td></tr>\r\n";
    html += std::string("<tr><td>")
        + "\xCE\xC4\xD5\xC2\xD7\xF7\xD5\xDF" /* 文章作者 */ + "</td><td><input type=\"text\" name=\"author\" value=\""
        + (editing ? Escape(article->author) : std::string()) + "\" /></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xB9\xD8\xBC\xFC\xD7\xD6" /* 关键字 */
        + "</td><td><input type=\"text\" name=\"keywords\" size=\"60\" value=\""
        + (editing ? Escape(article->keywords) : std::string()) + "\" /></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xCD\xF8\xD2\xB3\xC3\xE8\xCA\xF6" /* 网页描述 */
        + "</td><td><textarea name=\"description\" cols=\"60\" rows=\"3\">"
        + (editing ? Escape(article->description) : std::string()) + "</textarea></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xCD\xE2\xB2\xBF\xC1\xB4\xBD\xD3" /* 外部链接 */
        + "</td><td><input type=\"text\" name=\"link_url\" size=\"60\" value=\""
        + (editing ? Escape(article->linkUrl) : std::string("http://")) + "\" /></td></tr>\r\n";
    html += std::string("<tr><td>")
        + "\xC9\xCF\xB4\xAB\xCE\xC4\xBC\xFE" /* 上传文件 */ + "</td><td><input type=\"file\" name=\"file\" /> "
        + "<input type=\"text\" name=\"file_url\" size=\"30\" value=\"\" /></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xCE\xC4\xD5\xC2\xC4\xDA\xC8\xDD" /* 文章内容 */
        + "</td><td><textarea name=\"FCKeditor1\" cols=\"80\" rows=\"16\">"
        + (editing ? Escape(article->content) : std::string()) + "</textarea></td></tr>\r\n";
    html += "</table>\r\n</div>\r\n";
    html += std::string("<input type=\"hidden\" name=\"act\" value=\"") + (editing ? "update" : "insert") + "\" />\r\n";
    html += "<input type=\"hidden\" name=\"old_title\" value=\"" + (editing ? Escape(article->title) : std::string())
        + "\" />\r\n";
    html += "<input type=\"hidden\" name=\"id\" value=\"" + (editing ? std::to_string(article->id) : std::string())
        + "\" />\r\n";
    html += std::string("<input type=\"submit\" value=\"")
        + " \xC8\xB7\xB6\xA8 " /*  确定  */ + "\" />\r\n</form>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxCategoryTable(
    const std::vector<SandboxCategory>& categories, const std::map<int, int>& articleCounts)
{
    std::string html = "<table width=\"100%\" cellspacing=\"1\" cellpadding=\"2\" id=\"list-table\">\r\n<tr>\r\n";
    html += std::string("<th>")
        + "\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0\xC3\xFB\xB3\xC6" /* 文章分类名称 */ + "</th>\r\n<th>"
        + "\xB7\xD6\xC0\xE0\xC0\xE0\xD0\xCD" /* 分类类型 */ + "</th>\r\n<th>" + "\xC3\xE8\xCA\xF6" /* 描述 */
        + "</th>\r\n<th>" + "\xCE\xC4\xD5\xC2\xCA\xFD" /* 文章数 */ + "</th>\r\n<th>"
        + "\xC5\xC5\xD0\xF2" /* 排序 */ + "</th>\r\n</tr>\r\n";
    for (const SandboxCategory& category : categories) {
        const std::string level = std::to_string(category.level);
        const std::string id = std::to_string(category.id);
        const auto count = articleCounts.find(category.id);
        html += "<tr align=\"center\" class=\"" + level + "\" id=\"" + level + "_" + id + "\">\r\n";
        html += "  <td align=\"left\" class=\"first-cell nowrap\" valign=\"top\">\r\n";
        html += "    <span style=\"margin-left:" + std::to_string(category.level * 2)
            + "em\"><a href=\"article.php?act=list&amp;cat_id=" + id + "\">" + Escape(category.name)
            + "</a></span>\r\n  </td>\r\n";
        html += "  <td class=\"nowrap\" valign=\"top\">\r\n      " + SandboxCategoryTypeName(category.type)
            + "\r\n    </td>\r\n";
        html += "  <td align=\"left\" valign=\"top\">" + Escape(category.description) + "</td>\r\n";
        html += "  <td align=\"right\" valign=\"top\">"
            + std::to_string(count == articleCounts.end() ? 0 : count->second) + "</td>\r\n";
        html += "  <td align=\"right\" valign=\"top\">" + std::to_string(category.sortOrder) + "</td>\r\n</tr>\r\n";
    }
    html += "</table>\r\n";
    return html;
}

std::string SandboxCategoryListPage(
    std::string_view charset, const std::vector<SandboxCategory>& categories, const std::map<int, int>& articleCounts)
{
    std::string html = AdminHead(charset, "\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 文章分类 */);
    html += std::string("<body>\r\n<h1>")
        + "\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 文章分类 */ + " <a href=\"articlecat.php?act=add\">"
        + "\xCC\xED\xBC\xD3\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 添加文章分类 */
        + "</a></h1>\r\n<div class=\"list-div\">\r\n";
    html += SandboxCategoryTable(categories, articleCounts);
    html += "</div>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxCategoryFormPage(std::string_view charset, const std::vector<SandboxCategory>& categories)
{
    std::string html = AdminHead(charset, "\xCC\xED\xBC\xD3\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 添加文章分类 */);
    html += std::string("<body>\r\n<h1>") + "\xCC\xED\xBC\xD3\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 添加文章分类 */
        + " <a href=\"articlecat.php?act=list\">" + "\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0" /* 文章分类 */
        + "</a></h1>\r\n";
    html += "<form action=\"articlecat.php\" method=\"post\" name=\"theForm\">\r\n<div class=\"main-div\">\r\n"
            "<table width=\"100%\">\r\n";
    html += std::string("<tr><td>") + "\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0\xC3\xFB\xB3\xC6" /* 文章分类名称 */
        + "</td><td><input type=\"text\" name=\"cat_name\" size=\"30\" /></td></tr>\r\n";
    html += std::string("<tr><td>")
        + "\xC9\xCF\xBC\xB6\xB7\xD6\xC0\xE0" /* 上级分类 */ + "</td><td><select name=\"parent_id\">\r\n"
        + CategoryOptions(categories, 0, true) + "</select></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xC5\xC5\xD0\xF2" /* 排序 */
        + "</td><td><input type=\"text\" name=\"sort_order\" value=\"50\" size=\"5\" /></td></tr>\r\n";
    html += std::string("<tr><td>")
        + "\xCA\xC7\xB7\xF1\xCF\xD4\xCA\xBE\xD4\xDA\xB5\xBC\xBA\xBD\xC0\xB8" /* 是否显示在导航栏 */
        + "</td><td><label><input type=\"radio\" name=\"show_in_nav\" " + "value=\"1\" />"
        + "\xCA\xC7" /* 是 */ + "</label> <label><input type=\"radio\" name=\"show_in_nav\" value=\"0\" "
        + "checked=\"checked\" />" + "\xB7\xF1" /* 否 */ + "</label></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xB9\xD8\xBC\xFC\xD7\xD6" /* 关键字 */
        + "</td><td><input type=\"text\" name=\"keywords\" size=\"50\" /></td></tr>\r\n";
    html += std::string("<tr><td>") + "\xC3\xE8\xCA\xF6" /* 描述 */
        + "</td><td><textarea name=\"cat_desc\" cols=\"60\" rows=\"4\"></textarea></td></tr>\r\n";
    html += "</table>\r\n</div>\r\n<input type=\"hidden\" name=\"act\" value=\"insert\" />\r\n"
            "<input type=\"hidden\" name=\"id\" value=\"\" />\r\n<input type=\"hidden\" name=\"old_catname\" "
            "value=\"\" />\r\n";
    html += std::string("<input type=\"submit\" value=\"")
        + " \xC8\xB7\xB6\xA8 " /*  确定  */ + "\" />\r\n</form>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxFrontIndexPage(std::string_view charset, const std::vector<SandboxCategory>& categories)
{
    std::string html = Head(charset, kShopName);
    html += std::string("<body>\r\n<h1>") + kShopName + "</h1>\r\n<ul>\r\n";
    for (const SandboxCategory& category : categories) {
        html += "<li style=\"margin-left:" + std::to_string(category.level * 2) + "em\"><a href=\"article_cat.php?id="
            + std::to_string(category.id) + "\">" + Escape(category.name) + "</a></li>\r\n";
    }
    html += "</ul>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxFrontCategoryPage(
    std::string_view charset, const SandboxCategory& category, const std::vector<SandboxArticle>& articles)
{
    std::string html = Head(charset, Escape(category.name) + "_" + kShopName);
    html += "<body>\r\n<p><a href=\"index.php\">" + std::string(kShopName) + "</a></p>\r\n<h1>" + Escape(category.name)
        + "</h1>\r\n<ul class=\"article-list\">\r\n";
    for (const SandboxArticle& article : articles) {
        html += "<li><a href=\"article.php?id=" + std::to_string(article.id) + "\">" + Escape(article.title)
            + "</a></li>\r\n";
    }
    html += "</ul>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxFrontArticlePage(std::string_view charset, const SandboxArticle& article)
{
    std::string html = Head(charset, Escape(article.title) + "_" + kShopName);
    html += "<body>\r\n<p><a href=\"index.php\">" + std::string(kShopName)
        + "</a> &gt; <a href=\"article_cat.php?id=" + std::to_string(article.categoryId) + "\">"
        + "\xB7\xB5\xBB\xD8\xB7\xD6\xC0\xE0" /* 返回分类 */ + "</a></p>\r\n";
    html += "<h1>" + Escape(article.title) + "</h1>\r\n";
    if (!article.author.empty())
        html += std::string("<p class=\"author\">") + "\xD7\xF7\xD5\xDF\xA3\xBA" /* 作者： */ + Escape(article.author)
            + "</p>\r\n";
    html += "<div class=\"content\">\r\n" + article.content + "\r\n</div>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string SandboxNotFoundPage(std::string_view charset)
{
    std::string html = Head(charset, "404 Not Found");
    html += std::string("<body>\r\n<h1>404 Not Found</h1>\r\n<p>")
        + "\xC4\xFA\xD2\xAA\xB7\xC3\xCE\xCA\xB5\xC4\xD2\xB3\xC3\xE6\xB2\xBB\xB4\xE6\xD4\xDA\xA1\xA3" /* 您要访问的页面不存在。
                                                                                                      */
        + "</p>\r\n</body>\r\n</html>\r\n";
    return html;
}

} // namespace kc::ecshop

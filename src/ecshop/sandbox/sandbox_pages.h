// The HTML pages of the sandbox shop, written as internal text; the shop converts them to its flavour.
#pragma once

#include "ecshop/sandbox/sandbox_shop.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kc::ecshop {

struct SandboxLink {
    std::string text; // internal text
    std::string href; // written as given (escaped by the page)
};

// The back end's message page ("系统信息"): the message, the links, and optional extra markup (scripts).
std::string SandboxMessagePage(std::string_view charset, std::string_view message,
    const std::vector<SandboxLink>& links, std::string_view extra = {});
std::string SandboxLoginPage(std::string_view charset, bool captcha, std::string_view captchaCode);
std::string SandboxFramesetPage(std::string_view charset);
std::string SandboxTopPage(std::string_view charset, std::string_view user);
std::string SandboxMenuPage(std::string_view charset);
std::string SandboxMainPage(std::string_view charset, int articleCount, int categoryCount);

// One page of the article list: articles already cut to the page, newest first.
std::string SandboxArticleListPage(std::string_view charset, const std::vector<SandboxArticle>& articles,
    const std::vector<SandboxCategory>& categories, int page, int pageCount, int recordCount, int categoryFilter);
// The article form; article null for a new article.
std::string SandboxArticleFormPage(
    std::string_view charset, const std::vector<SandboxCategory>& categories, const SandboxArticle* article);

// The category table alone (also the content of the removal answer). categories in tree order.
std::string SandboxCategoryTable(
    const std::vector<SandboxCategory>& categories, const std::map<int, int>& articleCounts);
std::string SandboxCategoryListPage(
    std::string_view charset, const std::vector<SandboxCategory>& categories, const std::map<int, int>& articleCounts);
std::string SandboxCategoryFormPage(std::string_view charset, const std::vector<SandboxCategory>& categories);

// The shop front end.
std::string SandboxFrontIndexPage(std::string_view charset, const std::vector<SandboxCategory>& categories);
std::string SandboxFrontCategoryPage(
    std::string_view charset, const SandboxCategory& category, const std::vector<SandboxArticle>& articles);
std::string SandboxFrontArticlePage(std::string_view charset, const SandboxArticle& article);
std::string SandboxNotFoundPage(std::string_view charset);

// The text of a category type in the list ("普通分类", "系统分类", …).
std::string SandboxCategoryTypeName(int type);

} // namespace kc::ecshop

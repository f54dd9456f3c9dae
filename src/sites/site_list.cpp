// Loading and saving the site group in a settings store, one section per site.
#include "sites/site_list.h"

#include "config/config_store.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kc::sites {
namespace {

namespace keys {
inline constexpr std::string_view kKeyEnabled = "\xC6\xF4\xD3\xC3" /* 启用 */;
inline constexpr std::string_view kKeyUser = "\xD3\xC3\xBB\xA7" /* 用户 */;
inline constexpr std::string_view kKeyPassword = "\xC3\xDC\xC2\xEB" /* 密码 */;
inline constexpr std::string_view kKeyDomain = "\xD3\xF2\xC3\xFB" /* 域名 */;
inline constexpr std::string_view kKeySiteEncoding = "\xB1\xE0\xC2\xEB" /* 编码 */;
inline constexpr std::string_view kKeyAdminDir = "\xC4\xBF\xC2\xBC" /* 目录 */;
inline constexpr std::string_view kKeySecurityCode = "\xB0\xB2\xC8\xAB\xC2\xEB" /* 安全码 */;
inline constexpr std::string_view kKeyUseHttps = "HTTPS";
inline constexpr std::string_view kKeyKeywordsSource = "\xB9\xD8\xBC\xFC\xB4\xCA\xCA\xFD\xBE\xDD" /* 关键词数据 */;
inline constexpr std::string_view kKeyKeywordsMin = "\xB9\xD8\xBC\xFC\xB4\xCA\xCA\xFD"
                                                    "1" /* 关键词数1 */;
inline constexpr std::string_view kKeyKeywordsMax = "\xB9\xD8\xBC\xFC\xB4\xCA\xCA\xFD"
                                                    "2" /* 关键词数2 */;
inline constexpr std::string_view kKeyKeywordsMode = "\xB9\xD8\xBC\xFC\xB4\xCA\xB7\xBD\xCA\xBD" /* 关键词方式 */;
inline constexpr std::string_view kKeyGoodsSource = "\xC9\xCC\xC6\xB7"
                                                    "ID\xCA\xFD\xBE\xDD" /* 商品ID数据 */;
inline constexpr std::string_view kKeyGoodsMin = "\xC9\xCC\xC6\xB7"
                                                 "ID\xCA\xFD"
                                                 "1" /* 商品ID数1 */;
inline constexpr std::string_view kKeyGoodsMax = "\xC9\xCC\xC6\xB7"
                                                 "ID\xCA\xFD"
                                                 "2" /* 商品ID数2 */;
inline constexpr std::string_view kKeyGoodsMode = "\xC9\xCC\xC6\xB7"
                                                  "ID\xB7\xBD\xCA\xBD" /* 商品ID方式 */;
inline constexpr std::string_view kKeyDescMin = "\xC3\xE8\xCA\xF6\xD5\xAA\xC8\xA1\xCA\xFD"
                                                "1" /* 描述摘取数1 */;
inline constexpr std::string_view kKeyDescMax = "\xC3\xE8\xCA\xF6\xD5\xAA\xC8\xA1\xCA\xFD"
                                                "2" /* 描述摘取数2 */;
inline constexpr std::string_view kKeyAuthorsSource = "\xD7\xF7\xD5\xDF\xCA\xFD\xBE\xDD" /* 作者数据 */;
inline constexpr std::string_view kKeyTop = "\xD6\xC3\xB6\xA5" /* 置顶 */;
inline constexpr std::string_view kKeyRecommend = "\xCD\xC6\xBC\xF6" /* 推荐 */;
inline constexpr std::string_view kKeyFeatured = "\xBE\xAB\xD1\xA1" /* 精选 */;
inline constexpr std::string_view kKeyRandomAttributes = "\xCB\xE6\xBB\xFA\xCA\xF4\xD0\xD4" /* 随机属性 */;
inline constexpr std::string_view kKeyUploadThumb = "\xC9\xCF\xB4\xAB\xCB\xF5\xC2\xD4\xCD\xBC" /* 上传缩略图 */;
inline constexpr std::string_view kKeyExtractThumb = "\xCC\xE1\xC8\xA1\xCB\xF5\xC2\xD4\xCD\xBC" /* 提取缩略图 */;
inline constexpr std::string_view kKeyLocaliseImages = "\xCD\xBC\xC6\xAC\xB1\xBE\xB5\xD8\xBB\xAF" /* 图片本地化 */;
inline constexpr std::string_view kKeyCategoryData = "\xB7\xD6\xC0\xE0\xCA\xFD\xBE\xDD" /* 分类数据 */;
inline constexpr std::string_view kKeyCategoryIds = "\xB7\xD6\xC0\xE0"
                                                    "ID" /* 分类ID */;
inline constexpr std::string_view kKeyCategorySelected = "\xB7\xD6\xC0\xE0\xD1\xA1\xD4\xF1\xCF\xEE" /* 分类选择项 */;
inline constexpr std::string_view kKeyArticleDir = "\xCE\xC4\xD5\xC2\xC4\xBF\xC2\xBC" /* 文章目录 */;
inline constexpr std::string_view kKeyFileEncoding = "\xCE\xC4\xBC\xFE\xB1\xE0\xC2\xEB" /* 文件编码 */;
inline constexpr std::string_view kKeyFileFilter = "\xCE\xC4\xBC\xFE\xB9\xFD\xC2\xCB" /* 文件过滤 */;
inline constexpr std::string_view kKeyArticleQuota = "\xB8\xFC\xD0\xC2\xCA\xFD\xC1\xBF" /* 更新数量 */;
inline constexpr std::string_view kKeyIntervalMin = "\xB8\xFC\xD0\xC2\xBC\xE4\xB8\xF4"
                                                    "1" /* 更新间隔1 */;
inline constexpr std::string_view kKeyIntervalMax = "\xB8\xFC\xD0\xC2\xBC\xE4\xB8\xF4"
                                                    "2" /* 更新间隔2 */;
inline constexpr std::string_view kKeyDeleteAfter = "\xB8\xFC\xD0\xC2\xBA\xF3\xC9\xBE\xB3\xFD" /* 更新后删除 */;
inline constexpr std::string_view kKeyFirstLineTitle = "\xCA\xD7\xD0\xD0\xB1\xEA\xCC\xE2" /* 首行标题 */;
inline constexpr std::string_view kKeyParagraphTags = "\xB6\xCE\xC2\xE4\xB1\xEA\xC7\xA9" /* 段落标签 */;
inline constexpr std::string_view kKeyRewriteType = "\xCE\xB1\xD4\xAD\xB4\xB4\xC0\xE0\xD0\xCD" /* 伪原创类型 */;
inline constexpr std::string_view kKeyCustomTitles = "\xD6\xB8\xB6\xA8\xB1\xEA\xCC\xE2" /* 指定标题 */;
inline constexpr std::string_view kKeyCustomTitlesSource
    = "\xD6\xB8\xB6\xA8\xB1\xEA\xCC\xE2\xCA\xFD\xBE\xDD" /* 指定标题数据 */;
inline constexpr std::string_view kKeyCustomTitlesInOrder
    = "\xD6\xB8\xB6\xA8\xB1\xEA\xCC\xE2\xCB\xB3\xD0\xF2\xB5\xF7\xD3\xC3" /* 指定标题顺序调用 */;
inline constexpr std::string_view kKeyCustomTitlesDelete
    = "\xD6\xB8\xB6\xA8\xB1\xEA\xCC\xE2\xC9\xBE\xB3\xFD" /* 指定标题删除 */;
inline constexpr std::string_view kKeyBodyInsert = "\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB" /* 关键词插入 */;
inline constexpr std::string_view kKeyBodyInsertSource
    = "\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xCA\xFD\xBE\xDD" /* 关键词插入数据 */;
inline constexpr std::string_view kKeyBodyInsertMin = "\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xB4\xCE\xCA\xFD"
                                                      "1" /* 关键词插入次数1 */;
inline constexpr std::string_view kKeyBodyInsertMax = "\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xB4\xCE\xCA\xFD"
                                                      "2" /* 关键词插入次数2 */;
inline constexpr std::string_view kKeyBodyInsertChange
    = "\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xBB\xBB\xB4\xCA" /* 关键词插入换词 */;
inline constexpr std::string_view kKeyBodyInsertFromTags
    = "\xB9\xD8\xBC\xFC\xB4\xCA\xD3\xEB\xB1\xEA\xC7\xA9\xCD\xAC\xB2\xBD" /* 关键词与标签同步 */;
inline constexpr std::string_view kKeyTailInsert
    = "\xCE\xB2\xB2\xBF\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB" /* 尾部关键词插入 */;
inline constexpr std::string_view kKeyTailInsertSource
    = "\xCE\xB2\xB2\xBF\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xCA\xFD\xBE\xDD" /* 尾部关键词插入数据 */;
inline constexpr std::string_view kKeyTailInsertMin
    = "\xCE\xB2\xB2\xBF\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xB4\xCE\xCA\xFD"
      "1" /* 尾部关键词插入次数1 */;
inline constexpr std::string_view kKeyTailInsertMax
    = "\xCE\xB2\xB2\xBF\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xB4\xCE\xCA\xFD"
      "2" /* 尾部关键词插入次数2 */;
inline constexpr std::string_view kKeyTailInsertChange
    = "\xCE\xB2\xB2\xBF\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xBB\xBB\xB4\xCA" /* 尾部关键词插入换词 */;
inline constexpr std::string_view kKeyTailBlocks
    = "\xCE\xB2\xB2\xBF\xB5\xF7\xD3\xC3\xCE\xC4\xD5\xC2\xBF\xE9" /* 尾部调用文章块 */;
inline constexpr std::string_view kKeyBlockSeparator = "\xCE\xB2\xB2\xBF\xB7\xD6\xBF\xE9\xB7\xFB" /* 尾部分块符 */;
inline constexpr std::string_view kKeyTitleInsert
    = "\xB1\xEA\xCC\xE2\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB" /* 标题关键词插入 */;
inline constexpr std::string_view kKeyTitleInsertSource
    = "\xB1\xEA\xCC\xE2\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xCA\xFD\xBE\xDD" /* 标题关键词插入数据 */;
inline constexpr std::string_view kKeyTitleInsertPercent
    = "\xB1\xEA\xCC\xE2\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xB8\xC5\xC2\xCA" /* 标题关键词插入概率 */;
inline constexpr std::string_view kKeyTitleInsertPlace
    = "\xB1\xEA\xCC\xE2\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xB7\xBD\xCA\xBD" /* 标题关键词插入方式 */;
inline constexpr std::string_view kKeyTitleInsertSeparator
    = "\xB1\xEA\xCC\xE2\xB9\xD8\xBC\xFC\xB4\xCA\xB2\xE5\xC8\xEB\xBC\xE4\xB8\xF4" /* 标题关键词插入间隔 */;
} // namespace keys

// int32 fields take a stored number truncated towards zero (out-of-range and unreadable numbers saturate or
// give 0 instead of being undefined).
int32_t ToInt32(double number)
{
    if (std::isnan(number))
        return 0;
    const double truncated = std::trunc(number);
    if (truncated <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    if (truncated >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(truncated);
}

// A float field is written as the shortest decimal that reads back as that float, so 0.01 is stored as "0.01"
// rather than as the float's exact binary value.
double FloatAsDouble(float number)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    double value = number;
    std::from_chars(buffer, result.ptr, value);
    return value;
}

} // namespace

std::string SiteLabel(const SiteConfig& site)
{
    return site.domain + "(" + site.user + ")";
}

std::string SiteSection(int n)
{
    return std::string(kSiteSectionPrefix) + std::to_string(n);
}

void SiteList::Append(const SiteConfig& site)
{
    sites.push_back(site);
    lines.push_back({SiteLabel(site), site.enabled});
}

void SiteList::Append(SiteConfig&& site)
{
    lines.push_back({SiteLabel(site), site.enabled});
    sites.push_back(std::move(site));
}

SiteConfig ReadSite(config::ConfigStore& store)
{
    SiteConfig site;
    site.enabled = store.ReadBool(keys::kKeyEnabled);
    site.user = store.ReadText(keys::kKeyUser);
    site.password = store.ReadText(keys::kKeyPassword);
    site.domain = store.ReadText(keys::kKeyDomain);
    site.siteEncoding = ToInt32(store.ReadNumber(keys::kKeySiteEncoding));
    site.adminDir = store.ReadText(keys::kKeyAdminDir);
    site.securityCode = store.ReadText(keys::kKeySecurityCode, "\xB0\xB2\xC8\xAB\xC2\xEB" /* 安全码 */);
    site.useHttps = store.ReadBool(keys::kKeyUseHttps);
    site.keywordsSource = store.ReadText(keys::kKeyKeywordsSource);
    site.keywordsMin = ToInt32(store.ReadNumber(keys::kKeyKeywordsMin));
    site.keywordsMax = ToInt32(store.ReadNumber(keys::kKeyKeywordsMax));
    site.keywordsMode = ToInt32(store.ReadNumber(keys::kKeyKeywordsMode));
    site.goodsSource = store.ReadText(keys::kKeyGoodsSource);
    site.goodsMin = ToInt32(store.ReadNumber(keys::kKeyGoodsMin));
    site.goodsMax = ToInt32(store.ReadNumber(keys::kKeyGoodsMax));
    site.goodsMode = ToInt32(store.ReadNumber(keys::kKeyGoodsMode));
    site.descMin = ToInt32(store.ReadNumber(keys::kKeyDescMin));
    site.descMax = ToInt32(store.ReadNumber(keys::kKeyDescMax));
    site.authorsSource = store.ReadText(keys::kKeyAuthorsSource);
    site.top = store.ReadBool(keys::kKeyTop);
    site.recommend = store.ReadBool(keys::kKeyRecommend);
    site.featured = store.ReadBool(keys::kKeyFeatured);
    site.randomAttributes = store.ReadBool(keys::kKeyRandomAttributes);
    site.uploadThumb = store.ReadBool(keys::kKeyUploadThumb);
    site.extractThumb = store.ReadBool(keys::kKeyExtractThumb);
    site.localiseImages = store.ReadBool(keys::kKeyLocaliseImages);
    site.categoryData = store.ReadBytes(keys::kKeyCategoryData);
    site.categoryIds = store.ReadText(keys::kKeyCategoryIds);
    site.categorySelected = ToInt32(store.ReadNumber(keys::kKeyCategorySelected));
    site.articleDir = store.ReadText(keys::kKeyArticleDir);
    site.fileEncoding = ToInt32(store.ReadNumber(keys::kKeyFileEncoding));
    site.fileFilter = store.ReadText(keys::kKeyFileFilter);
    site.articleQuota = ToInt32(store.ReadNumber(keys::kKeyArticleQuota));
    site.intervalMin = static_cast<float>(store.ReadNumber(keys::kKeyIntervalMin));
    site.intervalMax = static_cast<float>(store.ReadNumber(keys::kKeyIntervalMax));
    site.deleteAfter = store.ReadBool(keys::kKeyDeleteAfter);
    site.firstLineTitle = store.ReadBool(keys::kKeyFirstLineTitle);
    site.paragraphTags = store.ReadBool(keys::kKeyParagraphTags);
    site.rewriteType = ToInt32(store.ReadNumber(keys::kKeyRewriteType));
    site.customTitles = store.ReadBool(keys::kKeyCustomTitles);
    site.customTitlesSource = store.ReadText(keys::kKeyCustomTitlesSource);
    site.customTitlesInOrder = store.ReadBool(keys::kKeyCustomTitlesInOrder);
    site.customTitlesDelete = store.ReadBool(keys::kKeyCustomTitlesDelete);
    site.bodyInsert = store.ReadBool(keys::kKeyBodyInsert);
    site.bodyInsertSource = store.ReadText(keys::kKeyBodyInsertSource);
    site.bodyInsertMin = ToInt32(store.ReadNumber(keys::kKeyBodyInsertMin));
    site.bodyInsertMax = ToInt32(store.ReadNumber(keys::kKeyBodyInsertMax));
    site.bodyInsertChange = store.ReadBool(keys::kKeyBodyInsertChange);
    site.bodyInsertFromTags = store.ReadBool(keys::kKeyBodyInsertFromTags);
    site.tailInsert = store.ReadBool(keys::kKeyTailInsert);
    site.tailInsertSource = store.ReadText(keys::kKeyTailInsertSource);
    site.tailInsertMin = ToInt32(store.ReadNumber(keys::kKeyTailInsertMin));
    site.tailInsertMax = ToInt32(store.ReadNumber(keys::kKeyTailInsertMax));
    site.tailInsertChange = store.ReadBool(keys::kKeyTailInsertChange);
    site.tailBlocks = store.ReadBool(keys::kKeyTailBlocks);
    site.blockSeparator = store.ReadText(keys::kKeyBlockSeparator, "\xB7\xD6\xBF\xE9\xB7\xFB" /* 分块符 */);
    site.titleInsert = store.ReadBool(keys::kKeyTitleInsert);
    site.titleInsertSource = store.ReadText(keys::kKeyTitleInsertSource);
    site.titleInsertPercent = ToInt32(store.ReadNumber(keys::kKeyTitleInsertPercent));
    site.titleInsertPlace = ToInt32(store.ReadNumber(keys::kKeyTitleInsertPlace));
    site.titleInsertSeparator = store.ReadText(keys::kKeyTitleInsertSeparator, "\xA3\xBA" /* ： */);
    if (site.adminDir.empty())
        site.adminDir = kDefaultAdminDir;
    return site;
}

bool WriteSite(config::ConfigStore& store, const SiteConfig& site)
{
    bool ok = true;
    ok &= store.WriteBool(keys::kKeyEnabled, site.enabled);
    ok &= store.WriteText(keys::kKeyUser, site.user);
    ok &= store.WriteText(keys::kKeyPassword, site.password);
    ok &= store.WriteText(keys::kKeyDomain, site.domain);
    ok &= store.WriteNumber(keys::kKeySiteEncoding, site.siteEncoding);
    ok &= store.WriteText(keys::kKeyAdminDir, site.adminDir);
    ok &= store.WriteText(keys::kKeySecurityCode, site.securityCode);
    ok &= store.WriteBool(keys::kKeyUseHttps, site.useHttps);
    ok &= store.WriteText(keys::kKeyKeywordsSource, site.keywordsSource);
    ok &= store.WriteNumber(keys::kKeyKeywordsMin, site.keywordsMin);
    ok &= store.WriteNumber(keys::kKeyKeywordsMax, site.keywordsMax);
    ok &= store.WriteNumber(keys::kKeyKeywordsMode, site.keywordsMode);
    ok &= store.WriteText(keys::kKeyGoodsSource, site.goodsSource);
    ok &= store.WriteNumber(keys::kKeyGoodsMin, site.goodsMin);
    ok &= store.WriteNumber(keys::kKeyGoodsMax, site.goodsMax);
    ok &= store.WriteNumber(keys::kKeyGoodsMode, site.goodsMode);
    ok &= store.WriteNumber(keys::kKeyDescMin, site.descMin);
    ok &= store.WriteNumber(keys::kKeyDescMax, site.descMax);
    ok &= store.WriteText(keys::kKeyAuthorsSource, site.authorsSource);
    ok &= store.WriteBool(keys::kKeyTop, site.top);
    ok &= store.WriteBool(keys::kKeyRecommend, site.recommend);
    ok &= store.WriteBool(keys::kKeyFeatured, site.featured);
    ok &= store.WriteBool(keys::kKeyRandomAttributes, site.randomAttributes);
    ok &= store.WriteBool(keys::kKeyUploadThumb, site.uploadThumb);
    ok &= store.WriteBool(keys::kKeyExtractThumb, site.extractThumb);
    ok &= store.WriteBool(keys::kKeyLocaliseImages, site.localiseImages);
    ok &= store.WriteBytes(keys::kKeyCategoryData, site.categoryData);
    ok &= store.WriteText(keys::kKeyCategoryIds, site.categoryIds);
    ok &= store.WriteNumber(keys::kKeyCategorySelected, site.categorySelected);
    ok &= store.WriteText(keys::kKeyArticleDir, site.articleDir);
    ok &= store.WriteNumber(keys::kKeyFileEncoding, site.fileEncoding);
    ok &= store.WriteText(keys::kKeyFileFilter, site.fileFilter);
    ok &= store.WriteNumber(keys::kKeyArticleQuota, site.articleQuota);
    ok &= store.WriteNumber(keys::kKeyIntervalMin, FloatAsDouble(site.intervalMin));
    ok &= store.WriteNumber(keys::kKeyIntervalMax, FloatAsDouble(site.intervalMax));
    ok &= store.WriteBool(keys::kKeyDeleteAfter, site.deleteAfter);
    ok &= store.WriteBool(keys::kKeyFirstLineTitle, site.firstLineTitle);
    ok &= store.WriteBool(keys::kKeyParagraphTags, site.paragraphTags);
    ok &= store.WriteNumber(keys::kKeyRewriteType, site.rewriteType);
    ok &= store.WriteBool(keys::kKeyCustomTitles, site.customTitles);
    ok &= store.WriteText(keys::kKeyCustomTitlesSource, site.customTitlesSource);
    ok &= store.WriteBool(keys::kKeyCustomTitlesInOrder, site.customTitlesInOrder);
    ok &= store.WriteBool(keys::kKeyCustomTitlesDelete, site.customTitlesDelete);
    ok &= store.WriteBool(keys::kKeyBodyInsert, site.bodyInsert);
    ok &= store.WriteText(keys::kKeyBodyInsertSource, site.bodyInsertSource);
    ok &= store.WriteNumber(keys::kKeyBodyInsertMin, site.bodyInsertMin);
    ok &= store.WriteNumber(keys::kKeyBodyInsertMax, site.bodyInsertMax);
    ok &= store.WriteBool(keys::kKeyBodyInsertChange, site.bodyInsertChange);
    ok &= store.WriteBool(keys::kKeyBodyInsertFromTags, site.bodyInsertFromTags);
    ok &= store.WriteBool(keys::kKeyTailInsert, site.tailInsert);
    ok &= store.WriteText(keys::kKeyTailInsertSource, site.tailInsertSource);
    ok &= store.WriteNumber(keys::kKeyTailInsertMin, site.tailInsertMin);
    ok &= store.WriteNumber(keys::kKeyTailInsertMax, site.tailInsertMax);
    ok &= store.WriteBool(keys::kKeyTailInsertChange, site.tailInsertChange);
    ok &= store.WriteBool(keys::kKeyTailBlocks, site.tailBlocks);
    ok &= store.WriteText(keys::kKeyBlockSeparator, site.blockSeparator);
    ok &= store.WriteBool(keys::kKeyTitleInsert, site.titleInsert);
    ok &= store.WriteText(keys::kKeyTitleInsertSource, site.titleInsertSource);
    ok &= store.WriteNumber(keys::kKeyTitleInsertPercent, site.titleInsertPercent);
    ok &= store.WriteNumber(keys::kKeyTitleInsertPlace, site.titleInsertPlace);
    ok &= store.WriteText(keys::kKeyTitleInsertSeparator, site.titleInsertSeparator);
    return ok;
}

namespace {

// The highest site number that has a section in the store, 0 when none has.
int32_t LastStoredSite(const config::ConfigStore& store)
{
    int32_t last = 0;
    for (const std::string& name : store.SectionNames()) {
        if (name.size() <= kSiteSectionPrefix.size() || name.compare(0, kSiteSectionPrefix.size(), kSiteSectionPrefix))
            continue;
        const std::string_view digits = std::string_view(name).substr(kSiteSectionPrefix.size());
        int32_t n = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        // Only the spelling SiteSection gives ("站点序号_7", not "站点序号_07") is ever read.
        if (error == std::errc() && end == digits.data() + digits.size() && n > last && SiteSection(n) == name)
            last = n;
    }
    return last;
}

} // namespace

int LoadSites(config::ConfigStore& store, SiteList& list)
{
    store.SelectSection(kSiteGroupSection);
    // A count beyond the last stored site (a hand edit, a damaged file) would only add empty records, and a
    // large one would exhaust memory at start-up; the group ends with its last stored site.
    const int32_t count = std::min(ToInt32(store.ReadNumber(kSiteCountKey)), LastStoredSite(store));
    const int32_t selected = ToInt32(store.ReadNumber(kSelectedLineKey));
    list.sites.reserve(list.sites.size() + static_cast<size_t>(std::max(count, 0)));
    list.lines.reserve(list.lines.size() + static_cast<size_t>(std::max(count, 0)));
    for (int32_t n = 1; n <= count; ++n) {
        store.SelectSection(SiteSection(n));
        list.Append(ReadSite(store));
    }
    if (list.onChanged)
        list.onChanged();
    return selected;
}

bool SaveSites(config::ConfigStore& store, const SiteList& list)
{
    // A held-open file is replaced once for the whole group instead of once per key.
    store.BeginBatch();
    bool ok = true;
    store.SelectSection(kSiteGroupSection);
    ok &= store.WriteNumber(kSiteCountKey, static_cast<double>(list.sites.size()));
    ok &= store.WriteNumber(kSelectedLineKey, list.selectedLine);
    for (size_t i = 0; i < list.sites.size(); ++i) {
        store.SelectSection(SiteSection(static_cast<int>(i + 1)));
        ok &= WriteSite(store, list.sites[i]);
    }
    ok &= store.EndBatch();
    return ok;
}

} // namespace kc::sites

// The record of one shop of the site group: its persisted settings and the fields an update run fills.
#pragma once

#include "sites/session_client.h"
#include "sites/shuffle_bag.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace kc::sites {

// Persisted fields carry their settings key in the comment; the others are run-time fields, never saved.
struct SiteConfig {
    bool enabled = false; // 启用
    bool ended = false;
    // The site's HTTP client. A copy of the record gets its own client on the same session, so the login of
    // one carries over to the other.
    SessionClient http;
    bool running = false;
    // Set by the window thread while the site's worker reads it: only through SiteStopRequested and
    // SetSiteStopRequested.
    bool stopRequested = false;
    int32_t consecutiveFailures = 0;
    int32_t publishedCount = 0;
    ShuffleBag articleBag;
    int32_t articleCursor = 0;
    int32_t articleTotal = 0;
    std::string user; // 用户
    std::string password; // 密码
    std::string domain; // 域名
    int32_t siteEncoding = 0; // 编码: 0 UTF-8, 1 GBK
    std::string adminDir; // 目录
    std::string keywordsSource; // 关键词数据
    std::vector<std::string> keywords;
    int32_t keywordsCount = 0;
    ShuffleBag keywordsBag;
    int32_t keywordsMin = 0; // 关键词数1
    int32_t keywordsMax = 0; // 关键词数2
    std::string keywordsChosen;
    int32_t keywordsMode = 0; // 关键词方式
    std::string goodsSource; // 商品ID数据
    std::vector<std::string> goods;
    int32_t goodsCount = 0;
    ShuffleBag goodsBag;
    int32_t goodsMin = 0; // 商品ID数1
    int32_t goodsMax = 0; // 商品ID数2
    std::string goodsChosen;
    int32_t goodsMode = 0; // 商品ID方式
    int32_t descMin = 0; // 描述摘取数1
    int32_t descMax = 0; // 描述摘取数2
    std::string authorsSource; // 作者数据
    std::vector<std::string> authors;
    int32_t authorsCount = 0;
    ShuffleBag authorsBag;
    std::string author;
    bool top = false; // 置顶
    bool recommend = false; // 推荐
    bool featured = false; // 精选
    bool randomAttributes = false; // 随机属性
    bool uploadThumb = false; // 上传缩略图
    bool extractThumb = false; // 提取缩略图
    bool localiseImages = false; // 图片本地化
    std::string categoryData; // 分类数据 (bytes, kept in a byte file)
    std::string categoryIds; // 分类ID
    std::vector<int32_t> categoryIdList;
    int32_t categoryIdCount = 0;
    ShuffleBag categoryBag;
    int32_t categorySelected = 0; // 分类选择项
    int32_t categoryId = 0;
    std::string articleDir; // 文章目录
    std::string fileFilter; // 文件过滤
    float intervalMin = 0; // 更新间隔1
    float intervalMax = 0; // 更新间隔2
    int32_t articleQuota = 0; // 更新数量
    bool deleteAfter = false; // 更新后删除
    int32_t fileEncoding = 0; // 文件编码
    bool firstLineTitle = false; // 首行标题
    bool paragraphTags = false; // 段落标签
    int32_t rewriteType = 0; // 伪原创类型
    bool bodyInsert = false; // 关键词插入
    std::string bodyInsertSource; // 关键词插入数据
    std::vector<std::string> bodyInsertWords;
    ShuffleBag bodyInsertBag;
    int32_t bodyInsertCount = 0;
    int32_t bodyInsertMin = 0; // 关键词插入次数1
    int32_t bodyInsertMax = 0; // 关键词插入次数2
    bool bodyInsertChange = false; // 关键词插入换词
    bool bodyInsertFromTags = false; // 关键词与标签同步
    bool tailInsert = false; // 尾部关键词插入
    std::string tailInsertSource; // 尾部关键词插入数据
    std::vector<std::string> tailInsertWords;
    ShuffleBag tailInsertBag;
    int32_t tailInsertCount = 0;
    int32_t tailInsertMin = 0; // 尾部关键词插入次数1
    int32_t tailInsertMax = 0; // 尾部关键词插入次数2
    bool tailInsertChange = false; // 尾部关键词插入换词
    bool tailBlocks = false; // 尾部调用文章块
    std::string blockSeparator; // 尾部分块符
    bool titleInsert = false; // 标题关键词插入
    std::string titleInsertSource; // 标题关键词插入数据
    std::vector<std::string> titleInsertWords;
    int32_t titleInsertPercent = 0; // 标题关键词插入概率
    ShuffleBag titleInsertBag;
    int32_t titleInsertCount = 0;
    int32_t titleInsertPlace = 0; // 标题关键词插入方式
    std::string titleInsertSeparator; // 标题关键词插入间隔
    bool customTitles = false; // 指定标题
    std::string customTitlesSource; // 指定标题数据
    int32_t customTitlesCount = 0;
    bool customTitlesInOrder = false; // 指定标题顺序调用
    int32_t customTitleCursor = 0;
    ShuffleBag customTitlesBag;
    bool customTitlesDelete = false; // 指定标题删除
    int32_t keywordsCache = 0;
    int32_t goodsCache = 0;
    int32_t authorsCache = 0;
    int32_t bodyInsertCache = 0;
    int32_t tailInsertCache = 0;
    int32_t titleInsertCache = 0;
    int32_t titleGroup = 0;
    int32_t articleGroup = 0;
    std::string securityCode; // 安全码
    bool useHttps = false; // HTTPS
};

// The stop request of one site, read and written atomically in place, so that the record keeps its plain
// field and stays copyable.
inline bool SiteStopRequested(SiteConfig& site)
{
    return std::atomic_ref<bool>(site.stopRequested).load();
}

inline void SetSiteStopRequested(SiteConfig& site, bool requested)
{
    std::atomic_ref<bool>(site.stopRequested).store(requested);
}

static_assert(std::atomic_ref<bool>::required_alignment <= alignof(bool), "the flag can be used in place");

// The text that names a site in the site list, the log and the failure records: domain + "(" + user + ")".
std::string SiteLabel(const SiteConfig& site);

} // namespace kc::sites

// The run options read back from the keys the main window saves.
#include "run/saved_run_options.h"

#include "config/config_store.h"
#include "text/literal.h"

#include <gtest/gtest.h>

namespace kc::run {
namespace {

std::string U(std::string_view utf8)
{
    return text::FromUtf8(utf8);
}

TEST(ReadSavedRunOptions, MissingKeysGiveTheControlsDefaults)
{
    config::ConfigStore store;
    const RunOptions options = ReadSavedRunOptions(store);
    const RunOptions defaults;
    EXPECT_TRUE(options.independent);
    EXPECT_EQ(options.concurrentSites, "5");
    EXPECT_EQ(options.roundInterval, "0.01");
    EXPECT_EQ(options.globalQuota, "0");
    EXPECT_FALSE(options.globalQuotaEnabled || options.retryOnFailure || options.publishInReadOrder
        || options.enhancedSubmit || options.shutDownWhenDone || options.skipOnRewriteFailure);
    EXPECT_EQ(options.accessMethod, defaults.accessMethod);
}

TEST(ReadSavedRunOptions, ReadsEveryControlUnderItsName)
{
    config::ConfigStore store;
    store.SelectSection(U("基本配置"));
    store.WriteBool(U("单选框先后独立"), false);
    store.WriteBool(U("单选框同步循环"), true);
    store.WriteText(U("编辑框同时站点数"), "12");
    store.WriteText(U("编辑框循环间隔"), "2.5");
    store.WriteBool(U("选择框全局更新数量"), true);
    store.WriteText(U("编辑框全局更新数量"), "7");
    store.WriteBool(U("选择框完成关机"), true);
    store.WriteBool(U("选择框失败时重复尝试"), true);
    store.WriteBool(U("选择框按读入顺序发布"), true);
    store.WriteNumber(U("组合框访问方式"), 1);
    store.WriteBool(U("选择框增强提交"), true);
    store.SelectSection(U("外调接口"));
    store.WriteBool(U("选择框失败跳过更新"), true);

    const RunOptions options = ReadSavedRunOptions(store);
    EXPECT_FALSE(options.independent);
    EXPECT_EQ(options.concurrentSites, "12");
    EXPECT_EQ(options.roundInterval, "2.5");
    EXPECT_TRUE(options.globalQuotaEnabled);
    EXPECT_EQ(options.globalQuota, "7");
    EXPECT_TRUE(options.shutDownWhenDone && options.retryOnFailure && options.publishInReadOrder
        && options.enhancedSubmit && options.skipOnRewriteFailure);
    EXPECT_EQ(options.accessMethod, 1);
}

TEST(ReadSavedRunOptions, EitherRadioButtonDecidesTheMode)
{
    const struct {
        const char* key;
        bool value;
        bool independent;
    } cases[] = {
        {"单选框同步循环", true, false},
        {"单选框同步循环", false, true},
        {"单选框先后独立", false, false},
        {"单选框先后独立", true, true},
    };
    for (const auto& c : cases) {
        config::ConfigStore store;
        store.SelectSection(U("基本配置"));
        store.WriteBool(U(c.key), c.value);
        EXPECT_EQ(ReadSavedRunOptions(store).independent, c.independent) << c.key << c.value;
    }
}

} // namespace
} // namespace kc::run

// Reading the saved states of the option controls.
#include "run/saved_run_options.h"

#include "config/config_store.h"
#include "text/literal.h"

#include <cmath>

namespace kc::run {

RunOptions ReadSavedRunOptions(config::ConfigStore& store)
{
    const RunOptions defaults;
    RunOptions options;
    store.SelectSection(KC_TEXT("外调接口"));
    options.skipOnRewriteFailure = store.ReadBool(KC_TEXT("选择框失败跳过更新"), defaults.skipOnRewriteFailure);

    store.SelectSection(KC_TEXT("基本配置"));
    // The two radio buttons are saved side by side; either one decides when the other is missing.
    const bool synchronous = store.ReadBool(KC_TEXT("单选框同步循环"), !defaults.independent);
    options.independent = store.ReadBool(KC_TEXT("单选框先后独立"), !synchronous);
    options.concurrentSites = store.ReadText(KC_TEXT("编辑框同时站点数"), defaults.concurrentSites);
    options.roundInterval = store.ReadText(KC_TEXT("编辑框循环间隔"), defaults.roundInterval);
    options.globalQuotaEnabled = store.ReadBool(KC_TEXT("选择框全局更新数量"), defaults.globalQuotaEnabled);
    options.globalQuota = store.ReadText(KC_TEXT("编辑框全局更新数量"), defaults.globalQuota);
    options.shutDownWhenDone = store.ReadBool(KC_TEXT("选择框完成关机"), defaults.shutDownWhenDone);
    options.retryOnFailure = store.ReadBool(KC_TEXT("选择框失败时重复尝试"), defaults.retryOnFailure);
    options.publishInReadOrder = store.ReadBool(KC_TEXT("选择框按读入顺序发布"), defaults.publishInReadOrder);
    options.accessMethod = static_cast<int>(
        std::trunc(store.ReadNumber(KC_TEXT("组合框访问方式"), static_cast<double>(defaults.accessMethod))));
    options.enhancedSubmit = store.ReadBool(KC_TEXT("选择框增强提交"), defaults.enhancedSubmit);
    return options;
}

} // namespace kc::run

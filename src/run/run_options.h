// The options an update run reads while it goes, as a snapshot of the main window's controls.
#pragma once

#include <string>

namespace kc::run {

// Each field mirrors one control of the main window (or of the service settings). Numbers stay texts,
// as typed: the run converts them from their leading number at the moment it reads them.
struct RunOptions {
    bool independent = true; // 单选框先后独立 (else 单选框同步循环)
    std::string concurrentSites = "5"; // 编辑框同时站点数
    std::string roundInterval = "0.01"; // 编辑框循环间隔, seconds
    bool globalQuotaEnabled = false; // 选择框全局更新数量
    std::string globalQuota = "0"; // 编辑框全局更新数量
    bool shutDownWhenDone = false; // 选择框完成关机
    bool retryOnFailure = false; // 选择框失败时重复尝试
    bool publishInReadOrder = false; // 选择框按读入顺序发布
    int accessMethod = 0; // 组合框访问方式: 1 → access method 2, else method 1
    bool enhancedSubmit = false; // 选择框增强提交
    bool skipOnRewriteFailure = false; // 选择框失败跳过更新 (service settings)
};

} // namespace kc::run

// The update run controller behind the start button: one press starts a run over every enabled site, a
// press during a run asks it to stop.
#pragma once

#include "run/run_host.h"
#include "run/run_state.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace kc::run {

// Lives as long as the window (or the command) that owns it; one run at a time. ToggleRun runs on the
// controller's thread (the GUI thread, pumping events through the platform hook in every wait, or the
// command's main thread). In an independent run each started site gets a thread of its own, never killed:
// a stop is cooperative, and ToggleRun returns only after every worker has ended.
class UpdateRun {
public:
    // store (optional): the settings store the run writes the custom-title write-back and the name of the
    // last failed site through. extractor (optional): the built-in keyword extractor.
    UpdateRun(sites::SiteList& sites, log::RunLog& log, RunHost& host, config::ConfigStore* store = nullptr,
        const services::KeywordExtractor* extractor = nullptr);
    ~UpdateRun();
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // Starts a run and returns when it has ended; a call while a run is active only asks it to stop and
    // returns at once. calledByTimer: the scheduled-task timer started the run (the host then ends it
    // without the completion message).
    void ToggleRun(bool calledByTimer = false);
    bool IsRunActive() const { return m_active.load(); }
    // Asks the active run to stop (the second press). Safe from any thread, and from a signal handler's
    // flag watcher; does nothing when no run is active.
    void RequestStop();
    // The run's stop flag; stays set after a stopped run until the next start clears it.
    const std::atomic<bool>& StopFlag() const { return m_state.stopFlag; }

    // The outside rewriting service for sites that ask for it (none: their articles go unchanged).
    void SetRewriter(RewriteFunction rewrite) { m_state.rewrite = std::move(rewrite); }
    // Makes every random draw of later runs repeat for the same seed (tests).
    void SetRandomSeed(std::optional<uint32_t> seed) { m_state.seed = seed; }

    // The summary of the last run that ended.
    const RunSummary& LastSummary() const { return m_summary; }
    // The run's shared state (tests and the article-address files of the last run).
    const RunState& State() const { return m_state; }

private:
    // A started site's thread; done is set as its last step, so that a finished one can be joined early.
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void ResetSites();
    void JoinFinishedWorkers();
    void StartPhase(int& stoppedAt);
    void WaitForFreeSlot();
    void WaitForAllWorkers();
    void SynchronousRounds();
    void WriteSummary();
    int64_t ElapsedMs() const;

    RunState m_state;
    std::atomic<bool> m_active{false};
    std::vector<Worker> m_workers;
    int64_t m_startMs = 0;
    RunSummary m_summary;
};

} // namespace kc::run

// The idle libcurl easy handles that requests take and give back, so that a request does not pay for a new
// handle (its buffers, and the multi handle with its wake-up socket pair that curl_easy_perform makes for
// every new handle). Internal to the http library.
#pragma once

#include <mutex>
#include <vector>

namespace kc::http::detail {

// A handle given back keeps nothing a later request could notice: it is detached from every cookie
// store and its options are reset to libcurl's defaults; the caller sets all it needs again. What
// curl_easy_reset keeps is harmless here: no connection outlives its transfer (the transfers forbid
// reuse), the DNS cache answers what a fresh lookup would, and the TLS session cache is switched off by
// the transfer. A handle whose cookie engine was its own (not a store's) must be discarded instead, since
// that engine would survive the reset.
//
// Handles are used by one thread at a time: whoever took one is its only user until it gives it back.
// With thread slots, each thread keeps the handle it gave back last for its next request, so that a
// worker's requests neither wait for the pool's lock nor move handles between processors; the slot goes
// back to the shared idle list when its thread ends.
class EasyHandlePool {
public:
    explicit EasyHandlePool(bool threadSlots = false)
        : m_threadSlots(threadSlots)
    {
    }
    ~EasyHandlePool();
    EasyHandlePool(const EasyHandlePool&) = delete;
    EasyHandlePool& operator=(const EasyHandlePool&) = delete;

    // An idle handle, or a new one; null only when libcurl cannot make one. The CURL* is a void* so that
    // this header needs no curl include.
    void* Take();
    // Back into the pool (cleaned up when enough are idle already). Null is ignored.
    void Give(void* handle);
    // Cleans the handle up instead of keeping it. Null is ignored.
    static void Discard(void* handle);

    // Handles in the shared idle list (not those kept in thread slots).
    size_t IdleCount() const;

private:
    // Enough for every worker of a large run at once; beyond it a handle costs more memory than it saves.
    static constexpr size_t kMaxIdle = 32;

    void GiveShared(void* handle);
    friend struct ThreadSlot;

    const bool m_threadSlots;
    mutable std::mutex m_mutex;
    std::vector<void*> m_idle;
};

// The pool every transfer of the process takes its handles from, with thread slots.
EasyHandlePool& ProcessHandles();

} // namespace kc::http::detail

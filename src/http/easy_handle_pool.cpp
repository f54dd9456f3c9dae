// Taking, resetting and giving back libcurl easy handles.
#include "http/easy_handle_pool.h"

#include "http/http_client.h"

#include <curl/curl.h>

namespace kc::http::detail {

// The calling thread's kept handle and the pool it belongs to.
struct ThreadSlot {
    EasyHandlePool* pool = nullptr;
    void* handle = nullptr;
    ~ThreadSlot()
    {
        if (handle != nullptr)
            pool->GiveShared(handle);
    }
};

namespace {

thread_local ThreadSlot t_slot;

} // namespace

EasyHandlePool::~EasyHandlePool()
{
    for (void* handle : m_idle)
        curl_easy_cleanup(static_cast<CURL*>(handle));
}

void* EasyHandlePool::Take()
{
    if (m_threadSlots && t_slot.pool == this && t_slot.handle != nullptr) {
        void* handle = t_slot.handle;
        t_slot.handle = nullptr;
        return handle;
    }
    {
        const std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            void* handle = m_idle.back(); // the most recently used: its memory is the warmest
            m_idle.pop_back();
            return handle;
        }
    }
    InitHttp();
    return curl_easy_init();
}

void EasyHandlePool::Give(void* handle)
{
    if (handle == nullptr)
        return;
    CURL* curl = static_cast<CURL*>(handle);
    // The list of cookie files a hop switched the cookie engine on with is freed here: the reset forgets
    // it without freeing it. Done while a store is still attached, whose cookies are thus left alone.
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
    // Detached next: a store may be destroyed while the handle waits here, and the reset keeps shares.
    curl_easy_setopt(curl, CURLOPT_SHARE, static_cast<CURLSH*>(nullptr));
    // Also drops every pointer into the finished request (header list, body, callbacks' data).
    curl_easy_reset(curl);
    // A slot holds handles of one pool only; pools with slots are never destroyed (see ProcessHandles).
    if (m_threadSlots && t_slot.handle == nullptr && (t_slot.pool == nullptr || t_slot.pool == this)) {
        t_slot.pool = this;
        t_slot.handle = handle;
        return;
    }
    GiveShared(handle);
}

void EasyHandlePool::GiveShared(void* handle)
{
    CURL* curl = static_cast<CURL*>(handle);
    {
        const std::lock_guard lock(m_mutex);
        if (m_idle.size() < kMaxIdle) {
            try {
                m_idle.push_back(handle);
                return;
            } catch (...) {
                // No memory to keep it: clean it up below.
            }
        }
    }
    curl_easy_cleanup(curl);
}

void EasyHandlePool::Discard(void* handle)
{
    if (handle != nullptr)
        curl_easy_cleanup(static_cast<CURL*>(handle));
}

size_t EasyHandlePool::IdleCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_idle.size();
}

EasyHandlePool& ProcessHandles()
{
    // Never destroyed, like the process cookie store: worker threads may still be giving handles back
    // while the process exits.
    static EasyHandlePool* pool = new EasyHandlePool(true);
    return *pool;
}

} // namespace kc::http::detail

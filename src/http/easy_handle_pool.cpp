// Taking, resetting and giving back libcurl easy handles.
#include "http/easy_handle_pool.h"

#include "http/http_client.h"

#include <curl/curl.h>

namespace kc::http::detail {

EasyHandlePool::~EasyHandlePool()
{
    for (void* handle : m_idle)
        curl_easy_cleanup(static_cast<CURL*>(handle));
}

void* EasyHandlePool::Take()
{
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
    // Detached first: a store may be destroyed while the handle waits here, and the reset keeps shares.
    curl_easy_setopt(curl, CURLOPT_SHARE, static_cast<CURLSH*>(nullptr));
    // Also drops every pointer into the finished request (header list, body, callbacks' data).
    curl_easy_reset(curl);
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
    static EasyHandlePool* pool = new EasyHandlePool();
    return *pool;
}

} // namespace kc::http::detail

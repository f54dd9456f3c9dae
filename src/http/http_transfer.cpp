// One HTTP exchange over libcurl: each hop on a handle from the process pool with every option set afresh,
// redirects followed by hand so that each hop's header lines fit its method, stall time-outs, and the
// pumping wait for the GUI thread.
#include "http/http_transfer.h"

#include "http/easy_handle_pool.h"
#include "http/http_client.h"
#include "platform/event_pump.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kc::http {

void InitHttp()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace detail {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxRedirects = 30;

struct EasyCloser {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyPtr = std::unique_ptr<CURL, EasyCloser>;

struct ListCloser {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using ListPtr = std::unique_ptr<curl_slist, ListCloser>;

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(prefix[i]);
        if (std::tolower(a) != std::tolower(b))
            return false;
    }
    return true;
}

// What one hop collects, and the clock its stall time-outs run on.
struct HopState {
    const TransferSpec* spec = nullptr;
    std::string body;
    std::string headers;
    Clock::time_point lastMove = Clock::now();
    curl_off_t lastDown = -1;
    curl_off_t lastUp = -1;
};

size_t OnBody(char* data, size_t size, size_t count, void* user)
{
    static_cast<HopState*>(user)->body.append(data, size * count);
    return size * count;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto* state = static_cast<HopState*>(user);
    const std::string_view line(data, size * count);
    // Interim answers (100 Continue) come first; only the last answer's headers count.
    if (StartsWithNoCase(line, "HTTP/"))
        state->headers.clear();
    state->headers.append(line);
    return size * count;
}

// The send and receive time-outs are limits on silence, as they are for a socket read, not on the
// whole exchange: a large answer that keeps arriving is never cut.
int OnProgress(void* user, curl_off_t, curl_off_t downNow, curl_off_t upTotal, curl_off_t upNow)
{
    auto* state = static_cast<HopState*>(user);
    const auto now = Clock::now();
    if (downNow != state->lastDown || upNow != state->lastUp) {
        state->lastDown = downNow;
        state->lastUp = upNow;
        state->lastMove = now;
        return 0;
    }
    const bool sending = upTotal > 0 && upNow < upTotal;
    const auto limit = sending ? state->spec->sendTimeout : state->spec->receiveTimeout;
    return now - state->lastMove > limit ? 1 : 0;
}

bool HasHeaderNamed(const std::vector<std::string>& lines, std::string_view name)
{
    for (const auto& line : lines) {
        if (StartsWithNoCase(line, name) && line.size() > name.size() && line[name.size()] == ':')
            return true;
    }
    return false;
}

struct HopOutcome {
    long status = 0;
    std::string location; // absolute target of a redirect answer, else empty
};

// A handle from the process pool for one hop, given back (or discarded) when the hop ends.
class HopHandle {
public:
    explicit HopHandle(bool discard)
        : m_handle(static_cast<CURL*>(ProcessHandles().Take()))
        , m_discard(discard)
    {
    }
    ~HopHandle()
    {
        if (m_discard)
            EasyHandlePool::Discard(m_handle);
        else
            ProcessHandles().Give(m_handle);
    }
    HopHandle(const HopHandle&) = delete;
    HopHandle& operator=(const HopHandle&) = delete;
    CURL* get() const { return m_handle; }

private:
    CURL* m_handle;
    bool m_discard;
};

HopOutcome RunHop(const TransferSpec& spec, const std::string& url, bool post, std::chrono::milliseconds totalLeft,
    TransferResult& result)
{
    HopOutcome outcome;
    // A hop with a cookie engine of its own leaves that engine in the handle, where a reset would keep it.
    const HopHandle handle(spec.cookies != nullptr && spec.storeOnly);
    if (!handle.get())
        return outcome;
    CURL* h = handle.get();
    HopState state;
    state.spec = &spec;

    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROXY, ""); // a direct connection, whatever the environment says
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    // Every hop negotiates TLS afresh, whichever handle it runs on.
    curl_easy_setopt(h, CURLOPT_SSL_SESSIONID_CACHE, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, spec.verifyTls ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, spec.verifyTls ? 2L : 0L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(spec.connectTimeout.count()));
    if (spec.totalTimeout.count() > 0)
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<long long>(totalLeft.count(), 1)));
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &state);
    if (!spec.userAgent.empty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, spec.userAgent.c_str());

    if (spec.cookies) {
        curl_easy_setopt(h, CURLOPT_COOKIEFILE, ""); // switches the cookie engine on, reading no file
        if (!spec.storeOnly)
            curl_easy_setopt(h, CURLOPT_SHARE, static_cast<CURLSH*>(spec.cookies->Handle()));
    }

    const auto& lines = post || spec.getSendsPostHeaders ? spec.postHeaders : spec.getHeaders;
    ListPtr headerList;
    auto add = [&headerList](const char* line) {
        if (curl_slist* grown = curl_slist_append(headerList.get(), line)) {
            (void)headerList.release();
            headerList.reset(grown);
        }
    };
    for (const auto& line : lines) {
        if (!line.empty())
            add(line.c_str());
    }
    add("Expect:"); // bodies go out at once, never after a 100 Continue
    if (spec.suppressDefaultAccept && !HasHeaderNamed(lines, "Accept"))
        add("Accept:");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());

    if (post) {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(spec.body.size()));
        // Never null: a null field would make curl read the body through a callback.
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, spec.body.empty() ? "" : spec.body.data());
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }

    state.lastMove = Clock::now();
    const CURLcode code = curl_easy_perform(h);

    if (spec.cookies && spec.storeOnly) {
        // Move what the answer set from the request's private engine into the store.
        curl_slist* received = nullptr;
        if (curl_easy_getinfo(h, CURLINFO_COOKIELIST, &received) == CURLE_OK && received) {
            ListPtr receivedGuard(received);
            curl_easy_setopt(h, CURLOPT_SHARE, static_cast<CURLSH*>(spec.cookies->Handle()));
            for (curl_slist* item = received; item; item = item->next)
                curl_easy_setopt(h, CURLOPT_COOKIELIST, item->data);
        }
    }

    result.body = std::move(state.body);
    result.rawHeaders = std::move(state.headers);
    if (code != CURLE_OK)
        return outcome;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &outcome.status);
    char* location = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location)
        outcome.location = location;
    return outcome;
}

// One lock per kind of shared data, as curl asks for them.
using ShareLocks = std::array<std::mutex, CURL_LOCK_DATA_LAST>;

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void* user)
{
    (*static_cast<ShareLocks*>(user))[static_cast<size_t>(data)].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void* user)
{
    (*static_cast<ShareLocks*>(user))[static_cast<size_t>(data)].unlock();
}

} // namespace

struct CookieStore::Impl {
    CURLSH* share = nullptr;
    ShareLocks locks;
};

CookieStore::CookieStore()
    : m_impl(std::make_unique<Impl>())
{
    InitHttp();
    m_impl->share = curl_share_init();
    if (m_impl->share) {
        curl_share_setopt(m_impl->share, CURLSHOPT_LOCKFUNC, &LockShare);
        curl_share_setopt(m_impl->share, CURLSHOPT_UNLOCKFUNC, &UnlockShare);
        curl_share_setopt(m_impl->share, CURLSHOPT_USERDATA, &m_impl->locks);
        curl_share_setopt(m_impl->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
}

CookieStore::~CookieStore()
{
    if (m_impl->share)
        curl_share_cleanup(m_impl->share);
}

void* CookieStore::Handle() const
{
    return m_impl->share;
}

void CookieStore::Clear()
{
    if (!m_impl->share)
        return;
    EasyPtr handle(curl_easy_init());
    if (!handle)
        return;
    curl_easy_setopt(handle.get(), CURLOPT_SHARE, m_impl->share);
    curl_easy_setopt(handle.get(), CURLOPT_COOKIELIST, "ALL");
}

CookieStore& ProcessCookies()
{
    // Never destroyed: worker threads may still be using it while the process exits.
    static CookieStore* store = new CookieStore();
    return *store;
}

TransferResult Transfer(const TransferSpec& spec)
{
    TransferResult result;
    try {
        InitHttp();
        const auto start = Clock::now();
        std::string url = spec.url;
        bool post = spec.post;
        for (int hop = 0; hop <= kMaxRedirects; ++hop) {
            std::chrono::milliseconds left{0};
            if (spec.totalTimeout.count() > 0) {
                left = spec.totalTimeout - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
                if (left.count() <= 0)
                    break;
            }
            result = {};
            const HopOutcome outcome = RunHop(spec, url, post, left, result);
            if (outcome.location.empty())
                break;
            const long status = outcome.status;
            if (status == 301 || status == 302 || status == 303)
                post = false;
            else if (status != 307 && status != 308)
                break;
            url = outcome.location;
        }
    } catch (...) {
        // Out of memory or a thread failure: the caller sees what arrived so far, never an exception.
    }
    return result;
}

TransferResult TransferWithPump(const TransferSpec& spec)
{
    if (!platform::IsPumpThread())
        return Transfer(spec);

    struct Shared {
        std::mutex mutex;
        std::condition_variable ended;
        bool done = false;
        TransferResult result;
    };
    auto shared = std::make_shared<Shared>();
    std::thread worker;
    try {
        worker = std::thread([shared, &spec] {
            TransferResult result = Transfer(spec);
            std::lock_guard lock(shared->mutex);
            shared->result = std::move(result);
            shared->done = true;
            shared->ended.notify_all();
        });
    } catch (...) {
        return Transfer(spec); // no thread to be had: block rather than fail
    }
    // Joins even when the pump hook throws, so the worker never outlives spec.
    struct Joiner {
        std::thread& thread;
        ~Joiner() { thread.join(); }
    } joiner{worker};

    std::unique_lock lock(shared->mutex);
    while (!shared->done) {
        shared->ended.wait_for(lock, std::chrono::milliseconds(10));
        if (shared->done)
            break;
        lock.unlock();
        platform::PumpEvents();
        lock.lock();
    }
    return std::move(shared->result);
}

} // namespace detail
} // namespace kc::http

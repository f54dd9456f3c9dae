// The libcurl mechanics under HttpClient: cookie stores, one transfer with its redirects, and the wait
// that keeps the GUI thread's events turning. Internal to the http library.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kc::http::detail {

// A cookie store that several threads may use at once (a curl share handle with its locks).
class CookieStore {
public:
    CookieStore();
    ~CookieStore();
    CookieStore(const CookieStore&) = delete;
    CookieStore& operator=(const CookieStore&) = delete;

    // The CURLSH* behind it, as void* so that this header needs no curl include.
    void* Handle() const;

    // Forgets every cookie, so that tests of the process-wide store start from an empty one.
    void Clear();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The one store of access method 1, shared by every client and thread of the process.
CookieStore& ProcessCookies();

struct TransferSpec {
    std::string url; // already normalised, scheme included
    bool post = false; // POST with body (which may be empty), else GET
    std::string_view body; // the caller's bytes, which outlive the transfer
    std::vector<std::string> postHeaders; // header lines sent while the request is a POST
    std::vector<std::string> getHeaders; // header lines sent once it is (or has become) a GET
    bool getSendsPostHeaders = false; // a GET sends postHeaders too (getHeaders is then unused)
    std::string userAgent; // empty: the header lines decide
    bool verifyTls = true;
    // Where cookies are kept and from which they are sent; null sends and keeps none.
    CookieStore* cookies = nullptr;
    // With an explicit Cookie line: the store is not read, but cookies the answer sets still enter it.
    bool storeOnly = false;
    bool suppressDefaultAccept = false; // curl's own "Accept: */*" is not sent
    std::chrono::milliseconds connectTimeout{60000};
    std::chrono::milliseconds sendTimeout{60000}; // longest stall while the body goes out
    std::chrono::milliseconds receiveTimeout{60000}; // longest stall while waiting for or reading the answer
    std::chrono::milliseconds totalTimeout{0}; // 0: none
};

struct TransferResult {
    std::string body; // what arrived of the final answer, even when the transfer failed midway
    std::string rawHeaders; // status line and header lines of the final answer, each ending in CR LF
};

// Runs one request and follows its redirects (301, 302 and 303 turn a POST into a GET; 307 and 308 keep
// it). Never throws; every failure leaves an empty or partial body. Runs on the calling thread.
TransferResult Transfer(const TransferSpec& spec);

// Runs Transfer off the GUI thread while pumping its events about every 10 ms; on any other thread it
// runs in place.
TransferResult TransferWithPump(const TransferSpec& spec);

} // namespace kc::http::detail
